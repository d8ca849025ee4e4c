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

// Widens the box min..max to take in (x, y), as the vertex list's box is widened; a NaN widens nothing.
inline void WidenVertexBox(float& minX, float& maxX, float& minY, float& maxY, float x, float y) {
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
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

// Closes the outline and sorts its cells, or keeps the cells already sorted; false if there are none.
bool PrepareSweep();

// Raw coverage to 0..255 by the even-odd rule; 0 means nothing to draw.
inline int32_t CoverageOfRaw(int64_t raw) {
    int64_t c = raw < 0 ? -raw : raw;
    c &= 511;
    if (c > kOnePixel) c = 512 - c;
    return static_cast<int32_t>(std::min<int64_t>(c, 255));
}

// The sweep of the sorted cells (PrepareSweep): hands emit(x, y, length, coverage) every span of
// nonzero coverage, row by row and in order of x within a row, unclipped. A cell whose pieces leave
// area in it is a span of its own pixel; the gap to the next cell is one span. With prefetchPixels
// the pixels of the cells a few rows ahead are announced, so that they are in the cache by the time
// their row is drawn: a cell's pixel is the one most likely to be read, not just written.
template <bool prefetchPixels, class Emit>
void SweepSortedCells(Emit&& emit) {
    constexpr int32_t kPrefetchKeys = 3 * 65536;  // three rows
    const CellStore& s = rasterThread.cells;
    // Not reset between rows: a closed outline brings it back to 0 at the end of every row.
    int64_t cover = 0;
    const CoverageCell* cell = s.sorted;
    const CoverageCell* const end = cell + s.cellCount;  // the sentinel, whose key no cell has
    const CoverageCell* ahead = cell;
    int32_t announcedLine = 0x7fffffff;
    while (cell != end) {
        int32_t x = cell->x;
        const int32_t y = cell->y;
        const int32_t key = cell->key;
        if (prefetchPixels) {
            for (; ahead->key - kPrefetchKeys <= key && ahead != end; ++ahead) {
                const int32_t line = ahead->key >> 4;  // 16 pixels, one cache line or so
                if (line != announcedLine) PrefetchViewPixel(ahead->x, ahead->y);
                announcedLine = line;
            }
        }
        int64_t area = cell->area;
        cover += cell->cover;
        for (++cell; cell->key == key; ++cell) {
            area += cell->area;
            cover += cell->cover;
        }
        // A cell whose pieces leave no area in it (an edge on its left boundary) is covered like the
        // gap after it, so it joins that run.
        if (area != 0) {
            const int32_t c = CoverageOfRaw((cover * 512 - area) >> 9);
            if (c != 0) emit(x, y, 1u, static_cast<uint32_t>(shapeCoverageTable[c]));
            ++x;
        }
        if (cell == end) break;
        if (cell->x > x) {
            const int32_t c = CoverageOfRaw(cover);
            if (c != 0) {
                emit(x, y, static_cast<uint32_t>(cell->x - x), static_cast<uint32_t>(shapeCoverageTable[c]));
            }
        }
    }
}

// Start-up state, and the release of every block, the block table, the sorted array and the row counters.
void ResetCellStore();
