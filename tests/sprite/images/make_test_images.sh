#!/usr/bin/env bash
# Regenerates the small images of the sprite tests (committed beside this script), each with colours
# the tests know: run from anywhere with ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")"
plain=(-define png:exclude-chunks=date,time +set date:create +set date:modify -strip)

# 8-bit RGB without alpha (colour type 2): red, green, blue / white, black, grey 0x808080.
convert -size 1x1 xc:'#ff0000' xc:'#00ff00' xc:'#0000ff' +append \
        \( -size 1x1 xc:'#ffffff' xc:'#000000' xc:'#808080' +append \) -append "${plain[@]}" PNG24:opaque.png
# One pixel with alpha 0x80, not premultiplied.
convert -size 1x1 xc:'rgba(17,34,51,0.50196)' "${plain[@]}" PNG32:dot.png
# A GIF whose second and fourth pixels are transparent.
convert -size 1x1 xc:'#ff0000' xc:none xc:'#0000ff' xc:none +append "${plain[@]}" holes.gif
# One name as both a bitmap (green) and an image file (magenta).
convert -size 2x1 xc:'#00ff00' -type Palette "${plain[@]}" BMP3:both.bmp
convert -size 2x1 xc:'#ff00ff' "${plain[@]}" PNG24:both.png
# White and grey 0x808080, for the tint.
convert -size 1x1 xc:'#ffffff' xc:'#808080' +append -type Palette "${plain[@]}" BMP3:white.bmp
# An 8-bit palette bitmap compressed RLE8: a run of four, then four different pixels.
convert -size 4x1 xc:'#102030' \( -size 1x1 xc:'#ff0000' xc:'#00ff00' xc:'#0000ff' xc:'#ffff00' +append \) \
        -append -type Palette -compress RLE "${plain[@]}" BMP3:rle8.bmp
