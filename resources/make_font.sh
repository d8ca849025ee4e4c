#!/usr/bin/env bash
# Builds the help panel's bitmap font "TYPE_EN_RU" from its text source, resources/font/type_en_ru.txt:
# a GIF of 8 x 2560 pixels, one 8 x 10 cell per Windows-1251 code, in four colours (the text source's
# legend). The text engine reads each glyph's width from the marker in its cell's top row, so the
# geometry is checked before anything is written: one marker per cell, at the column of the width
# below, and no ink at or right of it. After converting, the GIF is decoded again and compared with
# the source, so a conversion that changed a pixel cannot go unnoticed.
#
# Needs only python3 and ImageMagick's convert (which writes the GIF from an XPM, keeping the four
# colours as the palette). Run from anywhere:
#   bash resources/make_font.sh [OUT]        (OUT defaults to resources/type_en_ru.gif)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/type_en_ru.gif}

python3 - "$here/font/type_en_ru.txt" "$out" <<'EOF'
import os, re, subprocess, sys, tempfile

source, out = sys.argv[1:]
CELL_W, CELL_H, CELLS = 8, 10, 256
COLOURS = {".": "000000", "#": "707070", "+": "303030", "|": "FF00FF"}
INK, MARKER = "#+", "|"

# Glyph widths by code, 16 codes a row from the code given; codes not listed are 0.
WIDTH_ROWS = {
    0x20: "5 1 3 5 1 5 5 7 2 2 5 5 1 5 1 5",
    0x30: "5 2 5 5 5 5 5 5 5 5 1 1 3 5 3 4",
    0x40: "7 7 7 7 7 7 7 7 7 3 7 7 7 7 7 7",
    0x50: "7 7 7 7 7 7 7 7 7 7 7 2 5 2 5 5",
    0x60: "0 5 5 5 5 5 4 5 5 1 2 5 1 5 5 5",
    0x70: "5 5 4 5 4 5 5 5 5 5 5 3 1 3 6 0",
    0xA0: "0 0 0 0 0 0 0 0 7 0 0 0 0 0 0 0",
    0xB0: "0 0 0 0 0 0 0 0 5 0 0 0 0 0 0 0",
    0xC0: "7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7",
    0xD0: "7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7",
    0xE0: "5 5 5 5 6 5 5 5 5 5 5 5 5 5 5 5",
    0xF0: "5 5 5 5 5 5 5 5 5 6 5 6 4 5 6 5",
}
width = [0] * CELLS
for first, row in WIDTH_ROWS.items():
    for i, w in enumerate(row.split()):
        width[first + i] = int(w)
# Codes drawn with ink; the space and the apostrophe stay empty although they advance.
DRAWN = set(range(0x21, 0x7F)) - {0x27, 0x60} | set(range(0xC0, 0x100)) | {0xA8, 0xB8}

def fail(message):
    sys.exit(f"make_font.sh: {message}")

# cells[c] = the 10 rows of code c; where[c] = the line number of its header, for messages.
cells, where = [], []
with open(source, encoding="utf-8") as text:
    for number, line in enumerate(text, 1):
        line = line.rstrip("\n")
        if line.startswith(";") or not line.strip():
            continue
        header = re.fullmatch(r"0x([0-9A-F]{2})(?: .*)?", line)
        if header:
            code = int(header.group(1), 16)
            if code != len(cells):
                fail(f"{source}:{number}: cell 0x{code:02X} where 0x{len(cells):02X} was due")
            if cells and len(cells[-1]) != CELL_H:
                fail(f"{source}:{where[-1]}: cell has {len(cells[-1])} rows, not {CELL_H}")
            cells.append([])
            where.append(number)
        elif len(line) == CELL_W and set(line) <= set(COLOURS) and cells:
            cells[-1].append(line)
        else:
            fail(f"{source}:{number}: neither a comment, a cell header nor a row of {CELL_W} pixels: {line!r}")
if len(cells) != CELLS or len(cells[-1]) != CELL_H:
    fail(f"{source}: needs {CELLS} cells of {CELL_H} rows")

for code, rows in enumerate(cells):
    at = f"{source}:{where[code]}: cell 0x{code:02X}"
    markers = [(y, x) for y, row in enumerate(rows) for x, p in enumerate(row) if p == MARKER]
    if markers != [(0, width[code])]:
        fail(f"{at}: wants one marker, in column {width[code]} of the top row; found {markers}")
    beyond = [(y, x) for y, row in enumerate(rows) for x, p in enumerate(row) if p in INK and x >= width[code]]
    if beyond:
        fail(f"{at}: ink at or right of the marker (row, column): {beyond}")
    inked = any(p in INK for row in rows for p in row)
    if inked != (code in DRAWN):
        fail(f"{at}: {'has ink but should be empty' if inked else 'has no glyph'}")

strip = [row for rows in cells for row in rows]
with tempfile.TemporaryDirectory() as work:
    xpm = os.path.join(work, "font.xpm")
    with open(xpm, "w") as f:
        f.write("/* XPM */\nstatic char *font[] = {\n")
        f.write(f'"{CELL_W} {len(strip)} {len(COLOURS)} 1",\n')
        f.writelines(f'"{symbol} c #{rgb}",\n' for symbol, rgb in COLOURS.items())
        f.write(",\n".join(f'"{row}"' for row in strip) + "\n};\n")
    gif = os.path.join(work, "font.gif")
    subprocess.run(["convert", xpm, "-strip", gif], check=True)
    decoded = subprocess.run(["convert", gif, "rgb:-"], check=True, capture_output=True).stdout
    expected = b"".join(bytes.fromhex(COLOURS[p]) for row in strip for p in row)
    if decoded != expected:
        fail("the converted GIF does not decode to the source's pixels")
    # Written beside OUT first, so a failed run never leaves half a GIF behind.
    with open(gif, "rb") as built, open(out + ".tmp", "wb") as f:
        f.write(built.read())
    os.replace(out + ".tmp", out)
EOF
