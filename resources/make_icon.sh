#!/usr/bin/env bash
# Regenerates resources/gyrata.ico ("ICON_MAIN": 48, 32 and 16 px, 32-bit with alpha).
#
# Each size shows a small version of the screen saver's picture: a spiral of discs on a dark
# rounded square, each disc further out and larger than the one before it (radius 0.4 x its
# distance from the centre), later discs drawn over earlier ones. Colours follow the default
# orange scheme: red = bright, green = dim, blue = 0, starting from bright 254 and dim 124 and
# darkening outward, every other disc 15 levels darker than its neighbours.
# Smaller icons get fewer, bigger discs so the spiral still reads at 16 px. Every size is drawn
# 16 times larger and box-filtered down, which gives exact-area anti-aliasing.
#
# Needs only ImageMagick's convert and python3. Run from the repository root:
#   bash resources/make_icon.sh
set -euo pipefail
cd "$(dirname "$0")/.."

out=resources/gyrata.ico
scale=16

# Prints the convert drawing options, one argument a line, for one icon size.
# Arguments: size in pixels, disc count, angle step per disc, growth of the distance per turn.
spiral() {
    python3 - "$@" "$scale" <<'EOF'
import math, sys
size, count, step, turn, scale = map(float, sys.argv[1:])
size, count, side = int(size), int(count), int(size * scale)   # side: the drawing, before downsampling
growth = turn ** (step / (2 * math.pi))   # distance grows by the factor turn per full turn
discs = []
for i in range(count):
    dist = growth ** i
    angle = (i - count + 1) * step + math.pi / 4   # the largest disc sits bottom right
    discs.append((math.sin(angle) * dist, math.cos(angle) * dist, 0.4 * dist))
# Centre the spiral's bounding box in the square and scale it to 86 % of the side.
left = min(x - r for x, y, r in discs); right = max(x + r for x, y, r in discs)
top = min(y - r for x, y, r in discs); bottom = max(y + r for x, y, r in discs)
fit = 0.86 * side / max(right - left, bottom - top)
ox = side / 2 - fit * (left + right) / 2
oy = side / 2 - fit * (top + bottom) / 2
print("-fill", "#0c0c0c", "-draw", f"roundrectangle 0,0 {side - 1},{side - 1} {side * 0.2:.1f},{side * 0.2:.1f}", sep="\n")
for i, (x, y, r) in enumerate(discs):
    darken = 100 * (i / (count - 1)) ** 2 + (15 if i % 2 else 0)
    bright = max(0, min(255, int(254 - darken)))
    dim = max(0, min(255, int(124 - darken)))
    cx, cy, rr = ox + fit * x, oy + fit * y, fit * r
    print("-fill", f"rgb({bright},{dim},0)", "-draw", f"circle {cx:.2f},{cy:.2f} {cx + rr:.2f},{cy:.2f}", sep="\n")
EOF
}

layers=()
for params in "48 30 0.45 3" "32 20 0.55 3" "16 10 0.7 2.6"; do
    read -r size count step turn <<<"$params"
    options=$(spiral "$size" "$count" "$step" "$turn")
    mapfile -t draw <<<"$options"
    big=$((size * scale))
    layers+=("(" -size "${big}x${big}" xc:none "${draw[@]}" -filter Box -resize "${size}x${size}" ")")
done

convert "${layers[@]}" "$out"
