#!/usr/bin/env python3
"""Draws the result-line image strips (14 images, at 16, 32 and 48 pixels) and the program
icon (PNG from 16 to 256 pixels, and SVG).

Standard library only. Run from the repository root:
    python3 tools/make_images.py src/app/gui/images
"""

import struct
import sys
import zlib
from pathlib import Path

TRANSPARENT = (0, 0, 0, 0)
BLACK = (20, 20, 20, 255)
WHITE = (255, 255, 255, 255)
GREY = (128, 128, 128, 255)
LIGHT_GREY = (200, 200, 200, 255)
RED = (210, 30, 30, 255)
DARK_RED = (140, 10, 10, 255)
BLUE = (30, 70, 200, 255)
NAVY = (25, 40, 110, 255)
YELLOW = (240, 200, 40, 255)
DARK_YELLOW = (170, 130, 20, 255)
ORANGE = (235, 130, 20, 255)
GREEN = (30, 150, 50, 255)
CHIP = (60, 60, 70, 255)


class Canvas:
    """A square of `size` pixels drawn on in units of a 16 x 16 grid: fills cover whole
    units, lines and discs are drawn at the canvas's own resolution, so the 32 and 48 pixel
    images are drawn, not enlarged."""

    def __init__(self, width, height=None, unit=1):
        self.width = width
        self.height = width if height is None else height
        self.unit = unit
        self.pixels = [[TRANSPARENT] * self.width for _ in range(self.height)]

    @classmethod
    def grid(cls, size):
        return cls(size, size, size // 16)

    def pixel(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def put(self, x, y, colour):
        k = self.unit
        for py in range(y * k, y * k + k):
            for px in range(x * k, x * k + k):
                self.pixel(px, py, colour)

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def line(self, x0, y0, x1, y1, colour, thickness=1):
        # From the first pixel of unit (x0, y0) to that of (x1, y1), `thickness` units wide.
        k = self.unit
        x0, y0, x1, y1 = x0 * k, y0 * k, x1 * k, y1 * k
        width = thickness * k
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            for ox in range(width):
                for oy in range(width):
                    self.pixel(x0 + ox, y0 + oy, colour)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, colour):
        # Centre and radius in units; the pixel (x, y) of unit u lies at u + (x - u*k + 0.5)/k - 0.5.
        k = self.unit
        for y in range(int((cy - r - 1) * k), int((cy + r + 2) * k)):
            for x in range(int((cx - r - 1) * k), int((cx + r + 2) * k)):
                ux = (x + 0.5) / k - 0.5
                uy = (y + 0.5) / k - 0.5
                if (ux - cx) ** 2 + (uy - cy) ** 2 <= r * r:
                    self.pixel(x, y, colour)

    def blit(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                if other.pixels[y][x][3]:
                    self.pixel(ox + x, oy + y, other.pixels[y][x])


def write_png(path, canvas):
    raw = b"".join(
        b"\x00" + b"".join(struct.pack("4B", *p) for p in row) for row in canvas.pixels
    )

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    Path(path).write_bytes(data)


# ---- the fourteen symbols ----

def chip(c, body=CHIP):
    c.fill(4, 2, 11, 13, body)
    for y in range(3, 13, 2):
        c.put(2, y, GREY)
        c.put(3, y, GREY)
        c.put(12, y, GREY)
        c.put(13, y, GREY)
    c.put(5, 3, LIGHT_GREY)


def folder(c, body=YELLOW, edge=DARK_YELLOW):
    c.fill(1, 3, 6, 4, body)
    c.fill(1, 5, 14, 13, body)
    c.frame(1, 5, 14, 13, edge)
    c.line(1, 3, 6, 3, edge)


def note(c, colour=BLACK):
    c.disc(5, 12, 2.2, colour)
    c.line(7, 3, 7, 12, colour)
    c.line(7, 3, 12, 5, colour, 2)


def question(c, x, y, colour):
    for px, py in [(1, 0), (2, 0), (3, 0), (0, 1), (4, 1), (4, 2), (3, 3), (2, 4), (2, 5)]:
        c.fill(x + px * 2, y + py * 2, x + px * 2 + 1, y + py * 2 + 1, colour)
    c.fill(x + 4, y + 14, x + 5, y + 15, colour)


def cross(c, colour, x0=2, y0=2, x1=13, y1=13):
    c.line(x0, y0, x1, y1, colour, 2)
    c.line(x0, y1, x1, y0, colour, 2)


def letters_aa(c, colour):
    # A capital and a small a, the mark of a wrongly cased name.
    c.line(1, 13, 4, 3, colour)
    c.line(4, 3, 7, 13, colour)
    c.line(2, 9, 6, 9, colour)
    c.frame(9, 8, 13, 13, colour)
    c.line(13, 8, 14, 13, colour)


def image_wrong_checksum(size):
    c = Canvas.grid(size)
    chip(c)
    cross(c, RED)
    return c


def image_missing_rom(size):
    c = Canvas.grid(size)
    c.frame(3, 2, 12, 13, GREY)
    for y in range(3, 13, 2):
        c.put(1, y, LIGHT_GREY)
        c.put(2, y, LIGHT_GREY)
        c.put(13, y, LIGHT_GREY)
        c.put(14, y, LIGHT_GREY)
    return c


def image_unavailable_checksum(size):
    c = Canvas.grid(size)
    question(c, 3, 0, BLUE)
    return c


def image_wrong_length(size):
    c = Canvas.grid(size)
    c.fill(0, 5, 15, 10, YELLOW)
    c.frame(0, 5, 15, 10, DARK_YELLOW)
    for x in range(2, 15, 3):
        c.line(x, 6, x, 8 if x % 2 else 7, BLACK)
    return c


def image_missing_sample(size):
    c = Canvas.grid(size)
    note(c, GREY)
    return c


def image_missing_game_line(size):
    c = Canvas.grid(size)
    folder(c, LIGHT_GREY, GREY)
    c.disc(11, 11, 3.5, RED)
    c.line(9, 11, 13, 11, WHITE)
    return c


def image_game_line(size):
    c = Canvas.grid(size)
    folder(c)
    return c


def image_missing_game(size):
    c = Canvas.grid(size)
    folder(c, LIGHT_GREY, GREY)
    cross(c, RED, 4, 6, 12, 13)
    return c


def image_wrong_case_rom(size):
    c = Canvas.grid(size)
    chip(c, (110, 110, 120, 255))
    letters_aa(c, ORANGE)
    return c


def image_wrong_case_sample(size):
    c = Canvas.grid(size)
    note(c, NAVY)
    c.line(9, 10, 14, 10, ORANGE, 2)
    c.line(9, 13, 14, 13, ORANGE, 2)
    return c


def image_wrong_case_set(size):
    c = Canvas.grid(size)
    folder(c)
    letters_aa(c, DARK_RED)
    return c


def image_unneeded(size):
    c = Canvas.grid(size)
    c.fill(2, 2, 13, 3, GREY)
    c.fill(6, 0, 9, 1, GREY)
    c.fill(3, 4, 12, 15, LIGHT_GREY)
    c.frame(3, 4, 12, 15, GREY)
    for x in (5, 8, 10):
        c.line(x, 6, x, 13, GREY)
    return c


def image_wrong_name(size):
    c = Canvas.grid(size)
    c.fill(1, 4, 10, 11, (250, 240, 200, 255))
    c.frame(1, 4, 10, 11, DARK_YELLOW)
    c.line(3, 7, 8, 7, BLACK)
    c.line(3, 9, 7, 9, BLACK)
    c.line(11, 8, 15, 8, GREEN)
    c.line(13, 6, 15, 8, GREEN)
    c.line(13, 10, 15, 8, GREEN)
    return c


def image_no_problem(size):
    c = Canvas.grid(size)
    c.line(2, 8, 6, 12, GREEN, 2)
    c.line(6, 12, 13, 3, GREEN, 2)
    return c


STRIP = [
    image_wrong_checksum,        # 0
    image_missing_rom,           # 1
    image_unavailable_checksum,  # 2
    image_wrong_length,          # 3
    image_missing_sample,        # 4
    image_missing_game_line,     # 5
    image_game_line,             # 6
    image_missing_game,          # 7
    image_wrong_case_rom,        # 8
    image_wrong_case_sample,     # 9
    image_wrong_case_set,        # 10
    image_unneeded,              # 11
    image_wrong_name,            # 12
    image_no_problem,            # 13
]


def program_icon(size):
    c = Canvas(size, size)
    s = size / 32.0

    def p(v):
        return int(round(v * s))

    # A cartridge board with pins, a V across it and a magnifying glass.
    c.fill(p(3), p(4), p(28), p(26), NAVY)
    c.frame(p(3), p(4), p(28), p(26), BLACK)
    for i in range(6):
        x = p(6 + i * 4)
        c.fill(x, p(27), x + max(1, p(2)) - 1, p(30), YELLOW)
    thick = max(2, p(3))
    c.line(p(8), p(8), p(15), p(22), WHITE, thick)
    c.line(p(15), p(22), p(22), p(8), WHITE, thick)
    c.disc(p(23), p(19), 5.5 * s, BLACK)
    c.disc(p(23), p(19), 4.0 * s, (170, 220, 250, 255))
    c.line(p(26), p(23), p(30), p(28), BLACK, max(2, p(2)))
    return c


PROGRAM_ICON_SVG = """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <rect x="3.5" y="4.5" width="25" height="22" fill="#19286e" stroke="#141414"/>
{pins}
  <polyline points="9.5,9.5 16.5,23.5 23.5,9.5" fill="none" stroke="#ffffff"
            stroke-width="3" stroke-linejoin="round"/>
  <circle cx="23.5" cy="19.5" r="5.5" fill="#141414"/>
  <circle cx="23.5" cy="19.5" r="4" fill="#aadcfa"/>
  <line x1="27" y1="24" x2="30.5" y2="28.5" stroke="#141414" stroke-width="2.5"
        stroke-linecap="round"/>
</svg>
"""

STRIP_SIZES = (16, 32, 48)
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "src/app/gui/images")
    out.mkdir(parents=True, exist_ok=True)
    for size in STRIP_SIZES:
        strip = Canvas(size * len(STRIP), size)
        for index, draw in enumerate(STRIP):
            strip.blit(draw(size), index * size, 0)
        write_png(out / f"results-{size}.png", strip)
    for size in ICON_SIZES:
        write_png(out / f"vextral-{size}.png", program_icon(size))
    pins = "\n".join(
        f'  <rect x="{6 + i * 4}" y="27" width="2" height="4" fill="#f0c828"/>' for i in range(6)
    )
    (out / "vextral.svg").write_text(PROGRAM_ICON_SVG.format(pins=pins))


if __name__ == "__main__":
    main()
