// Raster core, the shape rasteriser's working parts: the vertex list a shape is built in, the cell
// store that turns the outline into exact-area coverage, and the sweep that hands the coverage to the
// span buffer (raster/spans.h). polygon.cpp builds shapes with these; tests drive them directly.
//
// A shape is: AddShapeVertex for every vertex, RasteriseVertexList(), then, if it produced an outline,
// SelectShapeMode(mode) and SweepCells(colour). The vertex list and the cell store are the calling
// thread's own (raster/raster_thread.h), so that two threads can each rasterise their own shapes
// (raster/draw_helper.h); each grows to the largest shape.
#pragma once

#include <algorithm>
#include <cstdint>

#include "raster/line_walk.h"
#include "raster/raster_thread.h"
#include "raster/spans.h"

// The cell store's limits.
constexpr int32_t kCellsPerBlock = 4096;
constexpr int32_t kBlockTableGrowth = 512;
constexpr int32_t kMaxBlocks = 1024;
constexpr int32_t kSortedGrowth = 16384;

// Raw coverage 0..255 (255 also for 256, a full pixel) to the coverage a span carries.
extern const uint8_t shapeCoverageTable[256];

// (v + 0.5) * 256 in single precision, truncated toward zero; beyond +-kFixedLimit it saturates, and
// NaN gives 0.
inline int32_t FixedFromFloat(float v) {
    const float f = (v + 0.5f) * 256.0f;
    constexpr float kLimit = static_cast<float>(kFixedLimit);
    if (f >= kLimit) return kFixedLimit;
    if (f <= -kLimit) return -kFixedLimit;
    if (!(f == f)) return 0;  // NaN
    return static_cast<int32_t>(f);
}

// Whether a vertex list with that box lies wholly outside the view, so that it produces no outline.
bool VertexBoxOutsideView(float minX, float maxX, float minY, float maxY);

// Appends a vertex, growing the list and widening its bounding box.
void AddShapeVertex(float x, float y);

// Turns the vertex list into cells; 1 if an outline was produced. Empties the list either way.
int32_t RasteriseVertexList();

// Only rows firstRow..endRow-1 get cells until the next call (at start-up every row does), and lines
// that lie wholly outside them are not walked. Those rows come out exactly as with every row: a closed
// outline's cover sums to zero along every row, so no row depends on the cells of another.
void SetCellRows(int32_t firstRow, int32_t endRow);

// Empties the vertex list without rasterising it.
void DiscardVertexList();

// The cell store's pen, in fixed coordinates.
void CellMoveTo(int32_t x, int32_t y);
void CellLineTo(int32_t x, int32_t y);

// Closes and sorts the outline and draws its coverage with colour in the selected shape mode.
void SweepCells(uint32_t colour);

// Raw coverage to 0..255 by the even-odd rule; 0 means nothing to draw.
inline int32_t CoverageOfRaw(int64_t raw) {
    int64_t c = raw < 0 ? -raw : raw;
    c &= 511;
    if (c > kOnePixel) c = 512 - c;
    return static_cast<int32_t>(std::min<int64_t>(c, 255));
}

// Start-up state, and the release of every block, the block table, the sorted array and the row counters.
void ResetCellStore();
