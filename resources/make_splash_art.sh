#!/usr/bin/env bash
# Builds the four pictures of the splash and preview screens from their sources:
#   load_scr.png     655 x 214 RGB PNG: a spiral drawn by gyrata-render and the name in an outline font
#   info_scr.bmp     152 x 13 8-bit BMP: the information line, in the help panel's bitmap font
#   url_scr.bmp      108 x 13 8-bit BMP: the address line, same font, in bright strokes because the
#                    program shows it tinted and as single-pixel dots at twice its size
#   preview_scr.bmp  152 x 112 8-bit RLE8 BMP: a spiral frame reduced to a palette
# The texts, the outline font and the bitmap font are named in resources/splash/splash.txt.
#
# The files are written by python itself rather than by ImageMagick, so every header field and chunk
# is ours: PNGs with IHDR, IDAT and IEND only (no gamma, colour profile or date), BMPs with a full
# 256-entry palette at 96 dpi (so GDI+ draws them unscaled). ImageMagick draws and reduces pixels;
# each written file is decoded again with it and compared, so a writer fault cannot go unnoticed.
#
# Needs python3, ImageMagick's convert, fonts-dejavu-core and a native gyrata-render. Run from anywhere:
#   bash resources/make_splash_art.sh [RENDER [OUT_DIR]]
# RENDER defaults to build/native/tools/gyrata-render, OUT_DIR to resources/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
render=${1:-$here/../build/native/tools/gyrata-render}
out=${2:-$here}
if [ ! -x "$render" ]; then
  echo "make_splash_art.sh: no gyrata-render at $render (build it, or pass its path)" >&2
  exit 1
fi

python3 - "$here" "$render" "$out" <<'EOF'
import os, struct, subprocess, sys, tempfile, zlib

here, render, out = sys.argv[1:]

def fail(message):
    sys.exit(f"make_splash_art.sh: {message}")

def run(*command, data=None):
    return subprocess.run(command, check=True, input=data, capture_output=True).stdout

def read_settings(path):
    settings = {}
    for number, line in enumerate(open(path, encoding="utf-8").read().splitlines(), 1):
        if not line.strip() or line.startswith(";"):
            continue
        key, sep, value = line.partition(": ")
        if not sep or not value:
            fail(f"{path}:{number}: not a 'key: value' line: {line!r}")
        settings[key] = value
    for key in ("name", "name font", "bitmap font", "info line", "address line"):
        if key not in settings:
            fail(f"{path}: no '{key}' setting")
    return settings

settings = read_settings(os.path.join(here, "splash", "splash.txt"))

# --- Files -------------------------------------------------------------------------------------

def png_file(width, height, rgb):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    stride = 3 * width
    # Each row with the Sub filter (byte minus the same channel of the left pixel): the spiral and the
    # name are smooth, so this roughly halves the file against no filter.
    raw = bytearray()
    for y in range(height):
        row = rgb[y * stride:(y + 1) * stride]
        raw.append(1)
        raw += bytes(row[:3]) + bytes((row[i] - row[i - 3]) & 0xFF for i in range(3, stride))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))

def rle8(rows):
    """RLE8 data of bottom-up rows: runs of two or more as (count, index), other stretches of three
    or more in absolute mode (padded to a 16-bit boundary), an end of line after every row and an
    end of bitmap after the last."""
    data = bytearray()
    for row in reversed(rows):
        i, n = 0, len(row)
        while i < n:
            run = 1
            while i + run < n and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 2:
                data += bytes((run, row[i]))
                i += run
                continue
            end = i + 1  # a literal stretch ends where a run of two begins
            while end < n and end - i < 255 and not (end + 1 < n and row[end] == row[end + 1]):
                end += 1
            if end - i >= 3:
                data += bytes((0, end - i)) + bytes(row[i:end]) + (b"\0" if (end - i) % 2 else b"")
            else:
                for index in row[i:end]:
                    data += bytes((1, index))
            i = end
        data += b"\0\0"
    return bytes(data + b"\0\1")

def bmp_file(width, height, palette, rows, rle):
    """An 8-bit BMP (BITMAPINFOHEADER, bottom-up) of palette indices, uncompressed or RLE8."""
    if len(palette) > 256:
        fail(f"{len(palette)} colours do not fit an 8-bit palette")
    palette = palette + [(0, 0, 0)] * (256 - len(palette))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    if rle:
        pixels = rle8(rows)
    else:
        pad = b"\0" * (-width % 4)
        pixels = b"".join(bytes(row) + pad for row in reversed(rows))
    dots_per_metre = 3780  # 96 dpi
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1 if rle else 0, len(pixels),
                       dots_per_metre, dots_per_metre, 256, 0)
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + pixels

def write(name, data, width, height, rgb):
    """Writes OUT/name, first checking that ImageMagick decodes it to exactly the intended pixels."""
    path = os.path.join(out, name)
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    decoded = run("convert", path + ".tmp", "-depth", "8", "rgb:-")
    if decoded != bytes(rgb) or len(decoded) != 3 * width * height:
        os.remove(path + ".tmp")
        fail(f"{name} does not decode to the pixels it was written from")
    os.replace(path + ".tmp", path)

def indexed(rgb):
    """Palette (sorted, so the same pixels always give the same file) and rows of indices."""
    colours = sorted({tuple(rgb[i:i + 3]) for i in range(0, len(rgb), 3)})
    index = {c: i for i, c in enumerate(colours)}
    return colours, [index[tuple(rgb[i:i + 3])] for i in range(0, len(rgb), 3)]

# --- Pictures ----------------------------------------------------------------------------------

work = tempfile.mkdtemp()

def frame(width, height, name):
    """A spiral frame as the screen saver first shows it, with the default settings."""
    raw = os.path.join(work, name + ".raw")
    run(render, "--size", f"{width}x{height}", "--frames", "86", "--scheme", "0", "--period", "3",
        "--direction", "-1", "--raw", raw)
    return ["-size", f"{width}x{height}", "-depth", "8", f"bgra:{raw}", "-alpha", "off"]

def splash_picture():
    W, H = 655, 214
    # The square around the centre of a full-HD frame, reduced to the picture's height and faded
    # to black from 80% of its radius, so the picture has no visible edge on the black screen.
    fade = "dd=hypot(i-106.5,j-106.5)/107; kk=clamp((dd-0.8)/0.2); 1-kk*kk*(3-2*kk)"
    spiral = os.path.join(work, "spiral.png")
    run("convert", *frame(1920, 1080, "splash"), "-crop", "1080x1080+420+0", "+repage",
        "-filter", "Lanczos", "-resize", f"{H}x{H}",
        "(", "-size", f"{H}x{H}", "xc:", "-fx", fade, ")", "-compose", "multiply", "-composite",
        "-strip", spiral)
    # The name as large as fits right of the spiral, in the spiral's orange fading to its red.
    box_x, box_w, box_h = H + 14, W - H - 14 - 15, 130
    mask = os.path.join(work, "name.png")
    run("convert", "-background", "black", "-fill", "white", "-font", settings["name font"],
        "-size", f"{box_w}x{box_h}", "label:" + settings["name"], "-trim", "+repage", "-strip", mask)
    w, h = map(int, run("identify", "-format", "%w %h", mask).split())
    name = os.path.join(work, "name_colour.png")
    run("convert", "-size", f"{w}x{h}", "gradient:#ffb050-#d03800", mask,
        "-compose", "copy_opacity", "-composite", "-strip", name)
    rgb = run("convert", "-size", f"{W}x{H}", "xc:black", spiral, "-composite",
              name, "-geometry", f"+{box_x + (box_w - w) // 2}+{(H - h) // 2}", "-composite",
              "-alpha", "off", "-depth", "8", "rgb:-")
    write("load_scr.png", png_file(W, H, rgb), W, H, rgb)

def bitmap_font(path):
    """The 256 cells (10 rows of 8 symbols) of the bitmap font's text source, and their widths."""
    cells = []
    for line in open(path, encoding="utf-8").read().splitlines():
        if line.startswith("0x"):
            cells.append([])
        elif line and not line.startswith(";"):
            cells[-1].append(line)
    return cells, [rows[0].index("|") for rows in cells]

cells, widths = bitmap_font(os.path.join(here, settings["bitmap font"]))

def text_line(name, key, W, H, colours):
    """One line of the bitmap font as the text engine lays it out (glyph after glyph, each advancing
    by its width and one pixel), centred in W x H with the capitals' rows in the middle."""
    codes = settings[key].encode("cp1251")
    width = sum(widths[c] + 1 for c in codes) - 1
    if width > W:
        fail(f"the {key} {settings[key]!r} is {width} pixels wide, more than {W}")
    symbols = [["."] * W for _ in range(H)]
    x, top = (W - width) // 2, 2
    for c in codes:
        for y, row in enumerate(cells[c]):
            for dx in range(widths[c]):
                symbols[top + y][x + dx] = row[dx]
        x += widths[c] + 1
    rgb = bytes(v for row in symbols for p in row for v in colours[p])
    palette, indices = indexed(rgb)
    rows = [indices[y * W:(y + 1) * W] for y in range(H)]
    write(name, bmp_file(W, H, palette, rows, rle=False), W, H, rgb)

def preview_picture():
    W, H = 152, 112
    # A frame of a screen of the preview's shape, reduced ten times, so the preview looks like the
    # screen; drawn at 152 x 112 itself, only the bright inner turns fit and its centre is jagged.
    # Without dithering the stripes stay clean.
    rgb = run("convert", *frame(10 * W, 10 * H, "preview"), "-filter", "Lanczos", "-resize", f"{W}x{H}",
              "+dither", "-colors", "256", "-depth", "8", "rgb:-")
    palette, indices = indexed(rgb)
    rows = [indices[y * W:(y + 1) * W] for y in range(H)]
    write("preview_scr.bmp", bmp_file(W, H, palette, rows, rle=True), W, H, rgb)

try:
    splash_picture()
    # Light grey, brighter than the help panel's ink: the line stands alone at the screen's bottom.
    text_line("info_scr.bmp", "info line", 152, 13,
              {".": (0, 0, 0), "#": (0xD0, 0xD0, 0xD0), "+": (0x59, 0x59, 0x59)})
    # Full white strokes: the tint takes a third off, and every pixel becomes a lone dot.
    text_line("url_scr.bmp", "address line", 108, 13,
              {".": (0, 0, 0), "#": (0xFF, 0xFF, 0xFF), "+": (0x6D, 0x6D, 0x6D)})
    preview_picture()
finally:
    subprocess.run(["rm", "-rf", work])
EOF
