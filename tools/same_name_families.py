#!/usr/bin/env python3
"""Picks parent/clone families from a MAME -listxml file in which a clone lists a ROM under a
name its parent lists for other data, and writes them as a text-format game list plus a
complete non-merged collection (every set holds all its ROMs) whose files have the listed sizes
and CRC-32 values. Used to check that merging and unmerging such families keeps every ROM.

usage: same_name_families.py LISTXML OUTDIR [--games N] [--max-bytes B]
writes OUTDIR/list.dat, OUTDIR/zip/ (zip sets) and OUTDIR/folder/ (folder sets)
"""

import argparse
import os
import xml.etree.ElementTree as ET
import zipfile
import zlib

TABLE = []
for n in range(256):
    c = n
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    TABLE.append(c)
TOP = {entry >> 24: index for index, entry in enumerate(TABLE)}


def with_crc(size, crc, seed):
    """size bytes (at least 4) whose CRC-32 is crc: filler, then four steering bytes."""
    filler = bytes((seed * 131 + i * 7) & 0xFF for i in range(size - 4))
    register = zlib.crc32(filler) ^ 0xFFFFFFFF
    wanted = crc ^ 0xFFFFFFFF
    indexes = []
    for _ in range(4):
        index = TOP[wanted >> 24]
        indexes.append(index)
        wanted = ((wanted ^ TABLE[index]) << 8) & 0xFFFFFFFF
    tail = bytearray()
    for index in reversed(indexes):
        tail.append((register ^ index) & 0xFF)
        register = (register >> 8) ^ TABLE[index]
    data = filler + bytes(tail)
    assert zlib.crc32(data) == crc
    return data


def read_machines(path):
    machines = {}
    for _, element in ET.iterparse(path, events=("end",)):
        if element.tag != "machine":
            continue
        roms = []
        usable = True
        for rom in element.findall("rom"):
            if rom.get("status") == "nodump" or rom.get("crc") is None:
                usable = False
                continue
            roms.append((rom.get("name"), int(rom.get("size")), int(rom.get("crc"), 16)))
        description = element.findtext("description") or ""
        machines[element.get("name")] = {
            "description": description,
            "cloneof": element.get("cloneof"),
            "roms": roms,
            "usable": usable and '"' not in description and all(r[1] >= 4 for r in roms),
        }
        element.clear()
    return machines


def families_with_clashes(machines):
    clones = {}
    for name, machine in machines.items():
        if machine["cloneof"] in machines:
            clones.setdefault(machine["cloneof"], []).append(name)
    for parent, kids in sorted(clones.items()):
        listed = {rom[0].lower(): rom for rom in machines[parent]["roms"]}
        clash = any(
            rom[0].lower() in listed and listed[rom[0].lower()][1:] != rom[1:]
            for kid in kids
            for rom in machines[kid]["roms"]
        )
        members = [parent] + sorted(kids)
        if clash and all(machines[m]["usable"] for m in members):
            yield members


def write_game(out, name, machine):
    out.write("game (\n\tname %s\n\tdescription \"%s\"\n" % (name, machine["description"]))
    if machine["cloneof"]:
        out.write("\tcloneof %s\n\tromof %s\n" % (machine["cloneof"], machine["cloneof"]))
    seen = set()
    for rom_name, size, crc in machine["roms"]:
        if rom_name.lower() in seen:
            continue
        seen.add(rom_name.lower())
        quoted = '"%s"' % rom_name if " " in rom_name else rom_name
        out.write("\trom ( name %s size %d crc %08x )\n" % (quoted, size, crc))
    out.write(")\n\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("listxml")
    parser.add_argument("outdir")
    parser.add_argument("--games", type=int, default=50)
    parser.add_argument("--max-bytes", type=int, default=8 << 20, help="per family")
    args = parser.parse_args()

    machines = read_machines(args.listxml)
    chosen = []
    for family in families_with_clashes(machines):
        total = sum(size for m in family for _, size, _ in machines[m]["roms"])
        if total <= args.max_bytes:
            chosen.append(family)
            if sum(len(f) for f in chosen) >= args.games:
                break

    os.makedirs(os.path.join(args.outdir, "zip"), exist_ok=True)
    os.makedirs(os.path.join(args.outdir, "folder"), exist_ok=True)
    with open(os.path.join(args.outdir, "list.dat"), "w", encoding="latin-1") as out:
        for family in chosen:
            for name in family:
                write_game(out, name, machines[name])
    data_by_rom = {}
    for family in chosen:
        for name in family:
            folder = os.path.join(args.outdir, "folder", name)
            os.makedirs(folder, exist_ok=True)
            archive = os.path.join(args.outdir, "zip", name + ".zip")
            seen = set()
            with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as zipped:
                for rom_name, size, crc in machines[name]["roms"]:
                    if rom_name.lower() in seen:
                        continue
                    seen.add(rom_name.lower())
                    key = (size, crc)
                    if key not in data_by_rom:
                        data_by_rom[key] = with_crc(size, crc, len(data_by_rom))
                    zipped.writestr(rom_name, data_by_rom[key])
                    with open(os.path.join(folder, rom_name), "wb") as loose:
                        loose.write(data_by_rom[key])
    games = sum(len(f) for f in chosen)
    print("%d families, %d games, %d distinct ROM contents" % (len(chosen), games, len(data_by_rom)))


if __name__ == "__main__":
    main()
