// Sprites: the fast anti-aliased disc, assembled by octant symmetry from seven small operations
// (point, cross, corners, rows; each unclipped and clipped), and dot-mode drawing of a pixel array
// as one disc per pixel. The operation set is installed per blend mode. Drawing thread only.
#pragma once

#include <cstdint>

#include "raster/pixel.h"

// A filled disc around pixel (cx, cy) with the given radius, colour and blend mode (1..5, 10; any
// other value acts as 1). Radii up to 0.501 draw the one pixel (cx, cy) with coverage r x 510.
// A negative or NaN radius, or one above 2^24, draws nothing.
void DrawDisc(BlendMode mode, int32_t cx, int32_t cy, float radius, uint32_t colour);

// Coverage 0..255 of the four diagonal corner pixels of a disc of radius below 1.5, from r squared
// in single precision: 0 up to 0.575, else trunc(x * pi/4 * x * 255) with x = sqrt(r^2 - 1/4) - 1/2.
uint32_t CornerCoverage(float rSquared);

// Draws width x height pixels (rows top first) as discs of diameter dotSize, gap pixels apart, from
// (left, top); each row j is shifted right by rowShift x (height - 1 - j).
void DrawDots(int32_t gap, int32_t dotSize, int32_t left, int32_t top, BlendMode mode, int32_t width, int32_t height,
              const uint32_t* pixels, int32_t rowShift);
