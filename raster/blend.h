// Raster core, pixel arithmetic: image blocks, colour runs, and block copies in and out of the view.
//
// Every operation is a leaf: no allocation, no state. Results equal the per-channel formulas bit for
// bit whatever grouping of pixels the implementation uses. Drawing thread only.
#pragma once

#include <cstdint>

#include "raster/column_range.h"
#include "raster/pixel.h"

// Combines a (x1 - x0 + 1) x (y1 - y0 + 1) source image, rows top first, into the view by block mode
// 1..9 (any other value copies), clipped to the view. The source stride is the unclipped width.
void DrawBlock(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const uint32_t* pixels, BlendMode mode);

// Colour runs over n pixels of one row from p; no clipping.
void FillRun(uint32_t* p, uint32_t colour, uint32_t n);
void AddRun(uint32_t* p, uint32_t colour, uint32_t n);
void SubtractRun(uint32_t* p, uint32_t colour, uint32_t n);
void MultiplyRun(uint32_t* p, uint32_t colour, uint32_t n);
void ScreenRun(uint32_t* p, uint32_t colour, uint32_t n);
void BlendRun(uint32_t* p, uint32_t colour, uint32_t n);  // by the colour's own alpha byte

// FillRun over the columns of a row; nothing if there are none.
inline void FillColumns(uint32_t* row, ColumnRange columns, uint32_t colour) {
    if (columns.end >= columns.begin) {
        FillRun(row + columns.begin, colour, static_cast<uint32_t>(columns.end - columns.begin + 1));
    }
}

// Copies a view rectangle (already clipped by the caller) into buffer, rows top first, no gaps.
void ReadBlock(uint32_t* buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// Copies width x height pixels (stride pixels per source row) to the view from (x, y); no clipping.
void WriteBlock(int32_t x, int32_t y, const uint32_t* buffer, int32_t stride, int32_t width, int32_t height);
