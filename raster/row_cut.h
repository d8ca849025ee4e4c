// Raster core, one view row of a disc batch (raster/disc_batch.h): the writes of each disc that
// survive the columns later discs are known to store over.
//
// In mode 1 a run at full coverage that reaches the view as two pixels or more is a plain store of the
// colour: whatever the pixels held before does not matter, so every earlier write to them is dead. A
// batch visits a row's discs from the last to the first; each disc's spans are cut against one range
// of columns that later discs store over (its cover), what remains is kept, and the disc's own longest
// store is noted, from which the batch works out the range its earlier discs are cut against. The
// pieces are drawn backwards, which draws the discs forwards; each piece with the operation its whole
// span would have had: a piece cut from a run is still drawn as a run, even one pixel long, since the
// pixel operation rounds differently. The record is the calling thread's (raster/raster_thread.h).
#pragma once

#include <cstdint>

#include "raster/raster_thread.h"

// Starts a row of the view, width pixels wide, with nothing kept.
inline void StartCutRow(RowCut& cut, int32_t width) {
    cut.maxX = width - 1;
    cut.pieces.count = 0;
}

// Starts the next disc of the row (the one before the last started), cut against cover.
inline void StartCutDisc(RowCut& cut, ColumnRange cover) {
    cut.cover = cover;
    cut.stored = kNoColumns;
}

// The columns that one range or the other covers: both, if they meet or touch, else the longer.
inline ColumnRange MergeColumns(ColumnRange a, ColumnRange b) {
    if (a.begin > a.end) return b;
    if (b.begin > b.end) return a;
    if (a.begin <= b.end + 1 && b.begin <= a.end + 1) {
        return {a.begin < b.begin ? a.begin : b.begin, a.end > b.end ? a.end : b.end};
    }
    return a.end - a.begin >= b.end - b.begin ? a : b;
}

// Whether every pixel of columns x0..x1 that lies in the view is under the cover (or none lies in it).
inline bool CutHidden(const RowCut& cut, int32_t x0, int32_t x1) {
    x0 = x0 < 0 ? 0 : x0;
    x1 = x1 > cut.maxX ? cut.maxX : x1;
    return x0 > x1 || (cut.cover.begin <= x0 && x1 <= cut.cover.end);
}

// A span of the sweep, unclipped: pixels x..x+length-1 at coverage k (1..255) in colour. Clipped to
// the view as drawing clips it, cut against the cover, kept; a store is noted. False if memory runs
// out (the row is then incomplete).
bool KeepSpan(RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour);

// KeepSpan for one pixel, the usual span of an edge, and for any coverage k (none keeps nothing).
// Without a branch on whether it is kept, which is as good as random.
inline bool KeepPixel(RowCut& cut, int32_t x, uint32_t k, uint32_t colour) {
    RowPieces& pieces = cut.pieces;
    if (pieces.count == pieces.capacity) return k == 0 || KeepSpan(cut, x, 1, k, colour);
    const uint32_t inside = static_cast<uint32_t>(x) <= static_cast<uint32_t>(cut.maxX);
    const uint32_t open = static_cast<uint32_t>(x < cut.cover.begin) | static_cast<uint32_t>(x > cut.cover.end);
    pieces.at[pieces.count] = {x, 1u << 9 | k, colour};
    pieces.count += static_cast<int32_t>(open & inside & static_cast<uint32_t>(k != 0));
    return true;
}

// Draws the kept pieces into the row's pixels, the earliest disc's first. Unless next is null, it
// starts loading the lines of the next row (next) under this row's stores: the discs go on there,
// and a frame larger than the cache would otherwise wait for each line as the stores reach it.
void DrawCutRow(const RowCut& cut, uint32_t* row, const uint32_t* next);
