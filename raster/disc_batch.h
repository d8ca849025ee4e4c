// Raster core, polygon disc batches: many mode-1 polygon discs drawn as one picture by the row
// batches (raster/row_batch.h), each disc leaving out what the next stores over, on two threads when
// there are two cores. Drawing thread only.
#pragma once

#include <cstdint>

struct BatchDisc {
    float x, y;  // centre in view coordinates
    float radius;
    uint32_t colour;
};

// Draws discs[0..count-1] in Normal mode so that every pixel ends exactly as it would after
// DrawPolygonDisc(x, y, radius, colour, Normal) for each disc in turn, but leaves out of each disc the
// pixels that the next disc of the batch stores over for certain, and does not cut a side of a disc's
// row into cells where it lies wholly among them. Working memory grows to the largest batch and view
// and is kept; without memory the discs are drawn one by one.
void DrawPolygonDiscs(const BatchDisc* discs, int32_t count);

// DrawPolygonDiscs with the view rows from split on drawn by the drawing helper (raster/draw_helper.h),
// if there is one, at the same time as the rows above. DrawPolygonDiscs splits where the last batches
// say the work halves; the picture is the same wherever the split lies.
void DrawPolygonDiscsSplit(const BatchDisc* discs, int32_t count, int32_t split);
