#!/usr/bin/env python3
"""Checks the splash and preview artwork: each committed file has the layout the program loads
(sizes, bit depth, palette, compression, no alpha or colour-management chunks in the PNG), the splash
picture fades to black at its edge (it is shown on a black screen), and the build script makes
exactly the committed files from their sources and a fresh gyrata-render.

Usage: check_splash.py SCRIPT RENDER RESOURCES"""
import os, struct, subprocess, sys, tempfile, zlib

FILES = ["load_scr.png", "info_scr.bmp", "url_scr.bmp", "preview_scr.bmp"]
BI_RGB, BI_RLE8 = 0, 1
# The brightest channel allowed in the splash picture's outermost ring: above this its edge shows.
EDGE_LIMIT = 8


def png_faults(data, width, height):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return ["not a PNG file"]
    chunks, pos = [], 8
    while pos + 12 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length or struct.unpack_from(">I", data, pos + 8 + length)[0] != zlib.crc32(kind + body):
            return [f"chunk {kind!r} at byte {pos} is cut short or fails its CRC"]
        chunks.append((kind, body))
        pos += 12 + length
    faults = [] if pos == len(data) else [f"{len(data) - pos} bytes after the chunks"]
    kinds = [kind for kind, _ in chunks]
    # Only the critical chunks: no tRNS (alpha), no gAMA, cHRM, iCCP or sRGB (decoders would adjust
    # colours differently), no tIME or text (a rebuild would differ).
    if kinds[:1] != [b"IHDR"] or kinds[-1:] != [b"IEND"] or set(kinds[1:-1]) != {b"IDAT"}:
        faults.append(f"chunks {[k.decode() for k in kinds]}, not IHDR, IDAT..., IEND")
    if kinds[:1] == [b"IHDR"]:
        w, h, depth, colour, *rest = struct.unpack(">IIBBBBB", chunks[0][1])
        if (w, h) != (width, height):
            faults.append(f"{w}x{h}, not {width}x{height}")
        if (depth, colour) != (8, 2):
            faults.append(f"bit depth {depth} colour type {colour}, not 8-bit RGB without alpha (8, 2)")
        if rest != [0, 0, 0]:
            faults.append(f"compression, filter, interlace {rest}, not 0, 0, 0")
    return faults


def rle8_faults(data, width, height, colours):
    """Decodes RLE8 strictly: every row exactly the width and ended by an end of line (the last one
    may end with the end of bitmap instead), indices inside the palette, and no deltas, whose skipped
    pixels each decoder fills its own way."""
    pos, rows, row = 0, 0, 0
    while pos + 1 < len(data):
        count, value = data[pos], data[pos + 1]
        pos += 2
        if count:
            row += count
            pixels = [value]
        elif value in (0, 1):
            if value == 1 and row == 0 and rows == height:
                break  # the end of bitmap after the last row's end of line
            if row != width:
                return [f"row {rows} holds {row} pixels, not {width}"]
            rows, row = rows + 1, 0
            if value == 1:
                break
            continue
        elif value == 2:
            return ["a delta escape"]
        else:
            pixels = data[pos:pos + value]
            row += value
            pos += value + value % 2
        if max(pixels) >= colours:
            return [f"an index beyond the {colours} palette entries"]
    else:
        return ["no end-of-bitmap code"]
    faults = [] if rows == height else [f"{rows} rows, not {height}"]
    return faults + ([] if pos == len(data) else [f"{len(data) - pos} bytes after the end of bitmap"])


def bmp_faults(data, width, height, compression):
    if data[:2] != b"BM" or len(data) < 54:
        return ["not a BMP file"]
    size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    (header, w, h, planes, bits, comp, image_size,
     _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    faults = []
    if header != 40:
        faults.append(f"info header of {header} bytes, not a BITMAPINFOHEADER")
    if size != len(data):
        faults.append(f"file size field {size}, file {len(data)} bytes")
    # Bottom-up, the only order RLE8 allows and the one every loader reads.
    if (w, h) != (width, height):
        faults.append(f"{w}x{h}, not {width}x{height} bottom-up")
    if (planes, bits) != (1, 8):
        faults.append(f"{planes} planes of {bits} bits, not one of 8 (a palette image)")
    if comp != compression:
        faults.append(f"compression {comp}, not {compression}")
    colours = used or 256
    if colours > 256 or offset != 14 + header + 4 * colours:
        faults.append(f"a palette of {colours} entries does not end at the pixel offset {offset}")
    pixels = data[offset:]
    if image_size != len(pixels):
        faults.append(f"image size field {image_size}, pixel data {len(pixels)} bytes")
    if faults:
        return faults
    if compression == BI_RLE8:
        return rle8_faults(pixels, width, height, colours)
    stride = (width + 3) // 4 * 4
    if len(pixels) != stride * height:
        return [f"{len(pixels)} bytes of pixels, not {height} rows of {stride}"]
    if max(pixels[y * stride + x] for y in range(height) for x in range(width)) >= colours:
        return [f"an index beyond the {colours} palette entries"]
    return []


def edge_faults(path, width, height):
    rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    ring = [(x, y) for x in range(width) for y in (0, height - 1)] + \
           [(x, y) for y in range(height) for x in (0, width - 1)]
    brightest = max(max(rgb[3 * (y * width + x):3 * (y * width + x) + 3]) for x, y in ring)
    return [] if brightest <= EDGE_LIMIT else [f"its outermost pixels reach {brightest}, not black"]


def main(script, render, resources):
    paths = {name: os.path.join(resources, name) for name in FILES}
    data = {name: open(path, "rb").read() for name, path in paths.items()}
    faults = {
        "load_scr.png": png_faults(data["load_scr.png"], 655, 214),
        "info_scr.bmp": bmp_faults(data["info_scr.bmp"], 152, 13, BI_RGB),
        "url_scr.bmp": bmp_faults(data["url_scr.bmp"], 108, 13, BI_RGB),
        "preview_scr.bmp": bmp_faults(data["preview_scr.bmp"], 152, 112, BI_RLE8),
    }
    if not faults["load_scr.png"]:
        faults["load_scr.png"] += edge_faults(paths["load_scr.png"], 655, 214)
    # Every file is written by the script's own code from deterministic pixels (the renderer draws
    # the same bits in every build; ImageMagick's reduction has no randomness), so bytes must match.
    with tempfile.TemporaryDirectory() as work:
        if subprocess.run(["bash", script, render, work]).returncode:
            faults["script"] = ["does not build the pictures from their sources"]
        else:
            for name in FILES:
                if open(os.path.join(work, name), "rb").read() != data[name]:
                    faults[name].append("differs from a fresh build of its sources")
    for name, found in faults.items():
        for fault in found:
            print(f"{name}: {fault}", file=sys.stderr)
    return 1 if any(faults.values()) else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
