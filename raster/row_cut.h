// Raster core, one view row of a disc batch (raster/disc_batch.h): which pixels of the row later discs
// store over, and the writes of earlier discs that survive them.
//
// In mode 1 a run at full coverage that reaches the view as two pixels or more is a plain store of the
// colour: whatever the pixels held before does not matter, so every earlier write to them is dead. A
// batch visits a row's discs from the last to the first; each disc's spans are cut against the pixels
// stored so far (one bit per pixel), what remains is kept, and the disc's own stores then set their
// bits. The kept stores are drawn first (each is the first kept piece over its pixels), then the other
// pieces backwards, which draws the discs forwards; each piece with the operation its whole span would
// have had: a piece cut from a run is still drawn as a run, even one pixel long, since the pixel
// operation rounds differently. The record is the calling thread's (raster/raster_thread.h).
#pragma once

#include <cstdint>

#include "raster/raster_thread.h"

// Starts row y of the view, width pixels wide, with nothing stored over; false if memory runs out.
bool StartCutRow(RowCut& cut, int32_t width);

// Whether every pixel of columns x0..x1 that lies in the view is stored over (or none lies in it).
// CutHiddenInGeneral takes columns inside the view and in different words.
bool CutHiddenInGeneral(const RowCut& cut, int32_t x0, int32_t x1);
inline bool CutHidden(const RowCut& cut, int32_t x0, int32_t x1) {
    x0 = x0 < 0 ? 0 : x0;
    x1 = x1 > cut.maxX ? cut.maxX : x1;
    if (x0 > x1) return true;
    if (x0 >> kCutWordShift != x1 >> kCutWordShift) return CutHiddenInGeneral(cut, x0, x1);
    const CutWord bits =
        (~CutWord{0} << (x0 & (kCutWordBits - 1))) & (~CutWord{0} >> (kCutWordBits - 1 - (x1 & (kCutWordBits - 1))));
    return (cut.stored[x0 >> kCutWordShift] & bits) == bits;
}

// A span of the sweep, unclipped: pixels x..x+length-1 at coverage k (1..255) in colour. Clipped to
// the view as drawing clips it, cut against the stores, kept; a store then covers its pixels (a
// disc's spans in a row do not overlap). False if memory runs out (the row is then incomplete).
bool KeepSpan(RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour);

// KeepSpan for one pixel, the usual span of an edge, and for any coverage k (none keeps nothing).
// Without a branch on whether it is kept, which is as good as random.
inline bool KeepPixel(RowCut& cut, int32_t x, uint32_t k, uint32_t colour) {
    RowPieces& others = cut.others;
    if (others.count == others.capacity) return k == 0 || KeepSpan(cut, x, 1, k, colour);
    const uint32_t inside = static_cast<uint32_t>(x) <= static_cast<uint32_t>(cut.maxX);
    const int32_t at = x & -static_cast<int32_t>(inside);  // a pixel outside the view reads pixel 0's bit
    const uint32_t open = static_cast<uint32_t>(~cut.stored[at >> kCutWordShift] >> (at & (kCutWordBits - 1))) & 1u;
    others.at[others.count] = {x, 1u << 9 | k, colour};
    others.count += static_cast<int32_t>(open & inside & static_cast<uint32_t>(k != 0));
    return true;
}

// Draws the kept pieces into the row's pixels, the earliest disc's first. Unless next is null, it
// starts loading the lines of the next row (next) under this row's stores: the discs go on there,
// and a frame larger than the cache would otherwise wait for each line as the stores reach it.
void DrawCutRow(const RowCut& cut, uint32_t* row, const uint32_t* next);
