#!/usr/bin/env python3
"""Checks the help panel's font artwork: the committed GIF is exactly what the build script makes of
the text source, its file has the layout the text engine loads (8 x 2560, a global table of the four
font colours and nothing else, no transparency, not interlaced, one image), and every cell keeps the
geometry the engine reads widths from.

Usage: check_font.py SOURCE SCRIPT GIF"""
import struct, subprocess, sys, tempfile

COLOURS = {"000000": ".", "707070": "#", "303030": "+", "FF00FF": "|"}
INK = "#+"

# Glyph widths the text engine must find; every code not listed is 0.
WIDTHS = dict(zip(range(0x20, 0x80), map(int, """
    5 1 3 5 1 5 5 7 2 2 5 5 1 5 1 5   5 2 5 5 5 5 5 5 5 5 1 1 3 5 3 4
    7 7 7 7 7 7 7 7 7 3 7 7 7 7 7 7   7 7 7 7 7 7 7 7 7 7 7 2 5 2 5 5
    0 5 5 5 5 5 4 5 5 1 2 5 1 5 5 5   5 5 4 5 4 5 5 5 5 5 5 3 1 3 6 0""".split())))
WIDTHS.update({0xA8: 7, 0xB8: 5})
WIDTHS.update(dict.fromkeys(range(0xC0, 0xE0), 7))
WIDTHS.update(zip(range(0xE0, 0x100), map(int, """
    5 5 5 5 6 5 5 5 5 5 5 5 5 5 5 5   5 5 5 5 5 5 5 5 5 6 5 6 4 5 6 5""".split())))
# Printable ASCII but the apostrophe (which advances without ink) and the zero-width grave accent,
# then Ё, ё and the Cyrillic alphabet.
DRAWN = [c for c in range(0x21, 0x7F) if c not in (0x27, 0x60)] + [0xA8, 0xB8] + list(range(0xC0, 0x100))


def sub_blocks_end(data, pos):
    while data[pos]:
        pos += data[pos] + 1
    return pos + 1


def file_layout_faults(data):
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        return ["not a GIF file"]
    width, height, flags = struct.unpack_from("<HHB", data, 6)
    faults = [] if (width, height) == (8, 2560) else [f"screen is {width}x{height}, not 8x2560"]
    entries = 2 << (flags & 7) if flags & 0x80 else 0
    table = {data[i:i + 3].hex().upper() for i in range(13, 13 + 3 * entries, 3)}
    if entries != 4 or table != set(COLOURS):
        faults.append(f"global colour table of {entries} entries {sorted(table)}, not the four font colours")
    pos, images = 13 + 3 * entries, []
    while pos < len(data) and data[pos] != 0x3B:
        if data[pos] == 0x21:
            if data[pos + 1] == 0xF9 and data[pos + 3] & 1:
                faults.append("a transparent colour is set")
            pos = sub_blocks_end(data, pos + 2)
        elif data[pos] == 0x2C:
            images.append(struct.unpack_from("<HHHHB", data, pos + 1))
            if images[-1][4] & 0x80:
                return faults + ["the image has a local colour table"]
            pos = sub_blocks_end(data, pos + 11)
        else:
            return faults + [f"unknown block 0x{data[pos]:02X} at byte {pos}"]
    if len(images) != 1 or images[0][:4] != (0, 0, 8, 2560):
        faults.append(f"images {images}, not one of 8x2560 at 0,0")
    elif images[0][4] & 0x40:
        faults.append("the image is interlaced")
    return faults


def decoded_cells(gif):
    rgb = subprocess.run(["convert", gif, "rgb:-"], check=True, capture_output=True).stdout
    symbols = "".join(COLOURS.get(rgb[i:i + 3].hex().upper(), "?") for i in range(0, len(rgb), 3))
    rows = [symbols[i:i + 8] for i in range(0, len(symbols), 8)]
    return [rows[i:i + 10] for i in range(0, len(rows), 10)]


def source_cells(path):
    cells = []
    for line in open(path, encoding="utf-8").read().splitlines():
        if line.startswith("0x"):
            cells.append([])
        elif line and not line.startswith(";"):
            cells[-1].append(line)
    return cells


def geometry_faults(cells):
    faults = []
    for code, rows in enumerate(cells):
        width = WIDTHS.get(code, 0)
        pixels = [(y, x, p) for y, row in enumerate(rows) for x, p in enumerate(row)]
        if [(y, x) for y, x, p in pixels if p == "|"] != [(0, width)]:
            faults.append(f"0x{code:02X}: not one marker at column {width} of the top row")
        if any(p in INK and x >= width for y, x, p in pixels):
            faults.append(f"0x{code:02X}: ink at or right of the marker column {width}")
        if any(p == "?" for y, x, p in pixels):
            faults.append(f"0x{code:02X}: a pixel in none of the font colours")
        if any(p in INK for y, x, p in pixels) != (code in DRAWN):
            faults.append(f"0x{code:02X}: " + ("ink in a cell that must stay empty" if code not in DRAWN else "no glyph"))
    return faults


def main(source, script, gif):
    faults = []
    committed = open(gif, "rb").read()
    with tempfile.TemporaryDirectory() as work:
        # convert writes GIFs without dates or names in them, so the same source gives the same bytes.
        subprocess.run(["bash", script, f"{work}/font.gif"], check=True)
        if open(f"{work}/font.gif", "rb").read() != committed:
            faults.append("the committed GIF differs from a fresh build of the source")
    faults += file_layout_faults(committed)
    cells = decoded_cells(gif)
    if len(cells) != 256 or any(len(rows) != 10 for rows in cells):
        faults.append("the GIF does not decode to 256 cells of 8 x 10")
    else:
        if source_cells(source) != cells:
            faults.append("the text source and the committed GIF hold different pixels")
        faults += geometry_faults(cells)
    for fault in faults:
        print("font:", fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
