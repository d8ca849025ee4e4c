#!/usr/bin/env python3
"""Compares a screenshot with the help panel up against the paused picture under it.

   panel_check.py CONVERT PAUSED.png PANEL.png LEFT TOP RIGHT BOTTOM   (the box, screen pixels)

Inside the box (less its half-covered edge and its rounded corners) every channel must be the paused
picture's multiplied by 0x32, (d x 0x32) >> 8, or more where the text's ink is added; outside the
box nothing may differ. Prints one line of counts; exit code 0 when every rule held."""
import subprocess
import sys

convert, paused_png, panel_png = sys.argv[1:4]
left, top, right, bottom = map(int, sys.argv[4:8])
CORNER = 20


def rgb(png):
    size = subprocess.run([convert, png, "-format", "%w %h", "info:"], capture_output=True, text=True,
                          check=True).stdout.split()
    data = subprocess.run([convert, png, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return int(size[0]), int(size[1]), data


w, h, paused = rgb(paused_png)
w2, h2, panel = rgb(panel_png)
if (w, h) != (w2, h2):
    sys.exit(f"screenshots of different sizes: {w}x{h} and {w2}x{h2}")

exact = inked = darker = outside_changed = 0
for y in range(h):
    for x in range(w):
        i = 3 * (y * w + x)
        before, after = paused[i:i + 3], panel[i:i + 3]
        in_box = left <= x <= right and top <= y <= bottom
        if not in_box:
            outside_changed += before != after
            continue
        on_edge = x in (left, right) or y in (top, bottom)
        in_corner = (x < left + CORNER or x > right - CORNER) and (y < top + CORNER or y > bottom - CORNER)
        if on_edge or in_corner:
            continue
        dark = bytes((c * 0x32) >> 8 for c in before)
        if after == dark:
            exact += 1
        elif all(a >= d for a, d in zip(after, dark)):
            inked += 1
        else:
            darker += 1
print(f"box: {exact} pixels darkened exactly, {inked} with ink added, {darker} wrong; "
      f"{outside_changed} pixels changed outside the box")
sys.exit(0 if exact > 20000 and inked > 500 and darker == 0 and outside_changed == 0 else 1)
