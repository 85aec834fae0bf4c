#!/usr/bin/env python3
"""Writes a -listxml output or an XML datfile as -listinfo text, streaming.

Useful to compare what Vextral makes of the same list read both ways, for example the scan
logs of `vextral scan --dat list.xml` and `vextral scan --dat list.dat`. Machines marked
isbios become "resource" blocks, samples get the ".wav" the text format lists, ROM status
becomes "flags". A description holding a double quote is written with \\" (which the text
format keeps), so such descriptions are the one difference between the two readings.

Standard library only:
    python3 tools/listxml_to_listinfo.py list.xml > list.dat
"""

import sys
import xml.etree.ElementTree as ElementTree

VALUE_ELEMENTS = ("name", "description", "cloneof", "romof", "sampleof")


def token(text):
    """A value as one token: quoted when it holds blanks, parentheses or quotes."""
    if text and not any(c in text for c in ' \t()"'):
        return text
    return '"' + text.replace('"', '\\"') + '"'


def write_game(out, element):
    values = {key: element.get(key) for key in ("name", "cloneof", "romof", "sampleof")}
    for child in element:
        if child.tag in VALUE_ELEMENTS:
            values[child.tag] = (child.text or "").rstrip()
    block = "resource" if element.get("isbios") == "yes" else "game"
    out.write(block + " (\n")
    for key in VALUE_ELEMENTS:
        if values.get(key) is not None:
            out.write("\t%s %s\n" % (key, token(values[key])))
    for child in element:
        if child.tag == "rom":
            parts = ["name", token(child.get("name", ""))]
            for key in ("size", "crc"):
                if child.get(key) is not None:
                    parts += [key, token(child.get(key))]
            if child.get("status") in ("baddump", "nodump"):
                parts += ["flags", child.get("status")]
            out.write("\trom ( %s )\n" % " ".join(parts))
        elif child.tag == "sample":
            name = child.get("name", "")
            if not name.lower().endswith(".wav"):
                name += ".wav"
            out.write("\tsample %s\n" % token(name))
    out.write(")\n\n")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: listxml_to_listinfo.py LIST.xml > LIST.dat")
    out = sys.stdout
    depth = 0
    root = None
    for event, element in ElementTree.iterparse(sys.argv[1], events=("start", "end")):
        if event == "start":
            depth += 1
            if depth == 1:
                root = element
            continue
        depth -= 1
        if depth == 1:
            if element.tag in ("machine", "game"):
                write_game(out, element)
            root.clear()  # keeps memory flat: the machines read so far are dropped


if __name__ == "__main__":
    main()
