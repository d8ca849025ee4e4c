// Raster core, one row of a disc of a batch (raster/disc_batch.h): its spans drawn but for the columns
// a later disc stores over.
//
// In mode 1 a run at full coverage that reaches the view as two pixels or more is a plain store of the
// colour: whatever the pixels held before does not matter, so every earlier write to them is dead. A
// batch draws its discs in order, each row of a disc cut against the columns that the next disc stores
// in that row (its cover): the next disc stores over them, or leaves them out in turn for one after it
// that does. Each part of a span is drawn with the operation its whole span would have had: a part cut
// from a run is still drawn as a run, even one pixel long, since the pixel operation rounds
// differently. A row's RowCut (raster/raster_thread.h) is a local of the code that draws it.
#pragma once

#include <algorithm>
#include <cstdint>

#include "raster/blend.h"
#include "raster/blend_channels.h"
#include "raster/column_range.h"
#include "raster/raster_thread.h"

// Starts a disc's row: the view row's pixels, width of them, drawn but for the columns of cover.
inline void StartCutRow(RowCut& cut, uint32_t* row, int32_t width, ColumnRange cover) {
    cut.row = row;
    cut.maxX = width - 1;
    cut.cover = cover;
}

// Whether every pixel of columns x0..x1 that lies in the view is under the cover (or none lies in it).
inline bool CutHidden(const RowCut& cut, int32_t x0, int32_t x1) {
    x0 = x0 < 0 ? 0 : x0;
    x1 = x1 > cut.maxX ? cut.maxX : x1;
    return x0 > x1 || (cut.cover.begin <= x0 && x1 <= cut.cover.end);
}

// The columns of span x..x+length-1 that lie in the view; none if it misses the view.
inline ColumnRange SpanInView(const RowCut& cut, int32_t x, int32_t length) {
    const int64_t last = int64_t{x} + length - 1;
    if (x > cut.maxX || last < 0) return kNoColumns;
    return {std::max(x, 0), static_cast<int32_t>(std::min<int64_t>(last, cut.maxX))};
}

// A span of the sweep, unclipped: pixels x..x+length-1 at coverage k (1..255) in colour, clipped to
// the view as drawing clips it and drawn but for the cover.
void DrawCutSpan(const RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour);

// DrawCutSpan for one pixel, the usual span of an edge, and for any coverage k (none draws nothing).
// Without a branch on whether it is drawn, which is as good as random: a pixel left alone is blended at
// no coverage, which leaves it as it was, and one outside the view stands in for pixel 0 of the row.
inline void DrawCutPixel(const RowCut& cut, int32_t x, uint32_t k, uint32_t colour) {
    const uint32_t inside = static_cast<uint32_t>(x) <= static_cast<uint32_t>(cut.maxX);
    const uint32_t open = static_cast<uint32_t>(x < cut.cover.begin) | static_cast<uint32_t>(x > cut.cover.end);
    uint32_t* const pixel = cut.row + (x & -static_cast<int32_t>(inside));
    *pixel = channels::BlendPacked(*pixel, colour, k & -(open & inside));
}

// DrawCutSpan for full coverage (k = 255), the usual run between a disc's edges, without the call.
inline void FillCutSpan(const RowCut& cut, int32_t x, int32_t length, uint32_t colour) {
    const ColumnRange span = SpanInView(cut, x, length);
    if (span.begin > span.end) return;
    if (span.begin == span.end) {  // one pixel in the view: the pixel operation, as for an edge
        DrawCutPixel(cut, span.begin, 255, colour);
        return;
    }
    const ColumnsAround parts = ColumnsOutside(span, cut.cover);
    FillColumns(cut.row, parts.before, colour);
    FillColumns(cut.row, parts.after, colour);
}
