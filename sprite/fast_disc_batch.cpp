// Fast discs drawn as a batch. In mode 1 a disc's interior runs store its colour, so whatever an
// earlier disc wrote under them is lost: the last store to a pixel and the blends after it decide
// the pixel. So a disc may leave out what a later disc stores over, and the discs are still drawn in
// order, their own writes in DrawDisc's order, with the same arithmetic.
//
// A fast disc's runs in a row are all centred on its column, so what it stores in row y is one
// centred run, tabled per row. Each disc is cut against the runs of one later disc, the one of the
// next few whose box overlaps its own the most: in a spiral that is the next disc, which hides all
// but a crescent. Leaving out less than everything stored over later changes nothing, and one disc
// leaves out nearly all: the cost of the batch is then its rows, not its pixels.
#include "sprite/fast_disc_batch.h"

#include <cstdint>

#include "host/frame_buffer.h"
#include "raster/blend.h"
#include "raster/blend_channels.h"
#include "raster/column_range.h"
#include "raster/grow_array.h"
#include "raster/pixel.h"
#include "sprite/disc.h"
#include "sprite/disc_octant.h"

namespace {

// A disc is cut only from this axis extent up: for smaller ones the cutting costs more than it
// saves. Above the largest, the tables would grow large; such discs are drawn whole.
constexpr int32_t kSmallestCut = 8;
constexpr int32_t kLargestCut = 4096;
// How many of the discs after a disc are looked at for the one it is cut against.
constexpr int32_t kLookAhead = 6;
// Rows whose lines are brought in ahead of their drawing, in octant steps; one less than a power
// of two, the size of the rings that hold their covers.
constexpr int32_t kPrefetchSteps = 7;

inline bool Inside(int32_t v, int32_t size) { return static_cast<uint32_t>(v) < static_cast<uint32_t>(size); }

struct OctantStep {
    int32_t o;
    uint16_t e;
    uint16_t changed;
};

struct PreparedDisc {
    int32_t cx, cy, n;
    uint32_t h, colour;
    bool cut;           // drawn here; otherwise by DrawDisc
    int32_t firstStep;  // its octant steps, i = 1, 2, ...
    int32_t stepCount;
    int32_t firstStore;  // half-widths of its stored runs in rows cy - n .. cy + n (-1: none in the row)
};

// The later disc a disc is cut against: its centre column and its table of stored half-widths.
struct Culler {
    int32_t cx, top;  // top: the row of the table's first entry
    uint32_t span;    // 2n: the last entry
    const int32_t* stores;
};
constexpr int32_t kNoStores[1] = {-1};
constexpr Culler kNoCuller = {0, 0, 0, kNoStores};

// The working arrays, kept between batches (drawing thread only).
struct FastDiscArrays {
    PreparedDisc* discs = nullptr;
    int32_t discCapacity = 0;
    OctantStep* steps = nullptr;
    int32_t stepCapacity = 0;
    int32_t* stores = nullptr;
    int32_t storeCapacity = 0;
};
FastDiscArrays arrays;

// The columns a later disc stores over in row y; a stored half-width of -1 gives none.
inline ColumnRange CoverAt(int32_t y, const Culler& c) {
    const auto row = static_cast<uint32_t>(y - c.top);
    if (row > c.span) return kNoColumns;
    const int32_t half = c.stores[row];
    return {c.cx - half, c.cx + half};
}

void EdgePixel(uint32_t* row, int32_t x, ColumnRange cover, uint32_t colour, uint32_t e) {
    if (Inside(x, frameBuffer.viewWidth) && !InColumns(x, cover)) row[x] = channels::BlendPacked(row[x], colour, e);
}

// The columns of first..last that lie in the view, before the cover and after it.
inline ColumnsAround PiecesOutside(int32_t first, int32_t last, ColumnRange cover) {
    return ColumnsOutside({first < 0 ? 0 : first, last > frameBuffer.maxX ? frameBuffer.maxX : last}, cover);
}

// Stores the colour over pixels first..last of the row, clipped to the view, except the cover.
void CutRun(uint32_t* row, int32_t first, int32_t last, ColumnRange cover, uint32_t colour) {
    const ColumnsAround pieces = PiecesOutside(first, last, cover);
    FillColumns(row, pieces.before, colour);
    FillColumns(row, pieces.after, colour);
}

// One row of a disc: edge pixels at left and right, then the run between (none when run is false).
inline void CutRow(int32_t y, ColumnRange cover, int32_t cx, int32_t half, uint32_t colour, uint32_t e, bool run) {
    uint32_t* row = frameBuffer.rows[y];
    EdgePixel(row, cx - half, cover, colour, e);
    EdgePixel(row, cx + half, cover, colour, e);
    if (run) CutRun(row, cx - half + 1, cx + half - 1, cover, colour);
}

// Starts loading the lines of a piece. This and PrefetchRow are always inlined: GCC takes a function
// of nothing but prefetches for one without effects and drops the calls to it.
[[gnu::always_inline]] inline void PrefetchPiece(const uint32_t* row, ColumnRange p) {
    if (p.end < p.begin) return;
    for (int32_t x = p.begin; x < p.end; x += 16) __builtin_prefetch(row + x);
    __builtin_prefetch(row + p.end);
}

// Brings in the lines a row's pixels first..last (clipped) will be written in, but for the cover.
[[gnu::always_inline]] inline void PrefetchRow(int32_t y, int32_t first, int32_t last, ColumnRange cover) {
    if (!Inside(y, frameBuffer.viewHeight)) return;
    const ColumnsAround pieces = PiecesOutside(first, last, cover);
    PrefetchPiece(frameBuffer.rows[y], pieces.before);
    PrefetchPiece(frameBuffer.rows[y], pieces.after);
}

// DrawDisc's cross and octant steps for a disc of radius 1.5 or more, in its order, clipped.
void DrawCutDisc(const PreparedDisc& d, const OctantStep* steps, const Culler& culler) {
    const int32_t height = frameBuffer.viewHeight;
    const int32_t cx = d.cx, cy = d.cy, n = d.n;
    const auto cover = [&](int32_t y) { return CoverAt(y, culler); };
    // The cross's pixels do not overlap one another; neither do those of one octant step.
    if (Inside(cy, height)) CutRow(cy, cover(cy), cx, n, d.colour, d.h, true);
    if (Inside(cy - n, height)) EdgePixel(frameBuffer.rows[cy - n], cx, cover(cy - n), d.colour, d.h);
    if (Inside(cy + n, height)) EdgePixel(frameBuffer.rows[cy + n], cx, cover(cy + n), d.colour, d.h);

    // The covers of rows cy +- i are found a few steps ahead, and their lines brought in meanwhile.
    ColumnRange aheadAbove[kPrefetchSteps + 1], aheadBelow[kPrefetchSteps + 1];  // rings: 8 entries
    const auto lookAhead = [&](int32_t s) {
        const int32_t i = s + 1, o = steps[s].o, slot = s & kPrefetchSteps;
        aheadAbove[slot] = cover(cy - i);
        aheadBelow[slot] = cover(cy + i);
        PrefetchRow(cy - i, cx - o, cx + o, aheadAbove[slot]);
        PrefetchRow(cy + i, cx - o, cx + o, aheadBelow[slot]);
    };
    for (int32_t s = 0; s < kPrefetchSteps && s < d.stepCount; ++s) lookAhead(s);

    // A cap row (cy +- o) takes pixels on every step o keeps its value: its covers are kept meanwhile.
    int32_t capO = -1;
    ColumnRange capAbove = kNoColumns, capBelow = kNoColumns;
    for (int32_t s = 0; s < d.stepCount; ++s) {
        if (s + kPrefetchSteps < d.stepCount) lookAhead(s + kPrefetchSteps);
        const int32_t i = s + 1, o = steps[s].o, slot = s & kPrefetchSteps;
        const uint32_t e = steps[s].e;
        if (Inside(cy - i, height)) CutRow(cy - i, aheadAbove[slot], cx, o, d.colour, e, true);
        if (Inside(cy + i, height)) CutRow(cy + i, aheadBelow[slot], cx, o, d.colour, e, true);
        if (o == i) continue;
        if (o != capO) {
            capO = o;
            capAbove = cover(cy - o);
            capBelow = cover(cy + o);
        }
        const bool run = steps[s].changed != 0;
        if (Inside(cy - o, height)) CutRow(cy - o, capAbove, cx, i, d.colour, e, run);
        if (Inside(cy + o, height)) CutRow(cy + o, capBelow, cx, i, d.colour, e, run);
    }
}

// The octant steps and stored half-widths of a disc to be cut, written at the arrays' ends.
void PrepareCut(PreparedDisc& d, float radius, int32_t& stepEnd, int32_t& storeEnd) {
    d.firstStep = stepEnd;
    d.firstStore = storeEnd;
    int32_t* stores = arrays.stores + storeEnd;
    for (int32_t k = 0; k <= 2 * d.n; ++k) stores[k] = -1;
    stores[d.n] = d.n - 1;  // the cross's run
    OctantStep* steps = arrays.steps + stepEnd;
    int32_t count = 0;
    const auto widen = [&](int32_t row, int32_t half) {
        if (stores[row] < half) stores[row] = half;
    };
    ForEachOctantStep(ExtentOfDisc(radius), [&](int32_t i, int32_t o, uint32_t e, bool changed) {
        steps[count++] = {o, static_cast<uint16_t>(e), static_cast<uint16_t>(changed)};
        widen(d.n - i, o - 1);
        widen(d.n + i, o - 1);
        if (changed && o != i) {
            widen(d.n - o, i - 1);
            widen(d.n + o, i - 1);
        }
    });
    d.stepCount = count;
    stepEnd += count;
    storeEnd += 2 * d.n + 1;
}

// The area of the two discs' boxes in common; 0 when they do not meet.
int64_t BoxOverlap(const PreparedDisc& a, const PreparedDisc& b) {
    const auto common = [](int64_t centreA, int64_t centreB, int64_t na, int64_t nb) {
        const int64_t low = centreA - na > centreB - nb ? centreA - na : centreB - nb;
        const int64_t high = centreA + na < centreB + nb ? centreA + na : centreB + nb;
        return high >= low ? high - low + 1 : 0;
    };
    return common(a.cx, b.cx, a.n, b.n) * common(a.cy, b.cy, a.n, b.n);
}

// The disc k is cut against: of the next few that are cut, the one whose box has most in common.
Culler CullerFor(int32_t k, int32_t count) {
    Culler culler = kNoCuller;
    int64_t best = 0;
    const int32_t end = k + 1 + kLookAhead < count ? k + 1 + kLookAhead : count;
    for (int32_t j = k + 1; j < end; ++j) {
        const PreparedDisc& later = arrays.discs[j];
        if (!later.cut) continue;
        const int64_t overlap = BoxOverlap(arrays.discs[k], later);
        if (overlap <= best) continue;
        best = overlap;
        culler = {later.cx, later.cy - later.n, static_cast<uint32_t>(2 * later.n), arrays.stores + later.firstStore};
    }
    return culler;
}

void DrawEachAlone(const FastDisc* discs, int32_t count) {
    for (int32_t k = 0; k < count; ++k) DrawDisc(Normal, discs[k].cx, discs[k].cy, discs[k].radius, discs[k].colour);
}

}  // namespace

void DrawFastDiscs(const FastDisc* discs, int32_t count) {
    const FrameBuffer& fb = frameBuffer;
    if (count <= 0 || !fb.pixels || fb.viewWidth <= 0 || fb.viewHeight <= 0) return;

    // Which discs are cut, and room for their tables.
    if (!ProvideArray(arrays.discs, arrays.discCapacity, count, 256)) return DrawEachAlone(discs, count);
    int64_t stepNeed = 0, storeNeed = 0;
    for (int32_t k = 0; k < count; ++k) {
        const FastDisc& f = discs[k];
        PreparedDisc& d = arrays.discs[k];
        d.cut = false;
        d.cx = f.cx, d.cy = f.cy, d.colour = f.colour;
        if (!(f.radius >= 1.5f)) continue;  // tiny, small, negative or NaN: DrawDisc's own cases
        const DiscExtent extent = ExtentOfDisc(f.radius);
        if (extent.n < kSmallestCut || extent.n > kLargestCut) continue;
        d.n = extent.n, d.h = extent.h;
        const int64_t cx = f.cx, cy = f.cy;
        if (cx + d.n < 0 || cy + d.n < 0 || cx - d.n > fb.maxX || cy - d.n > fb.maxY) continue;  // drawn by no one
        d.cut = true;
        stepNeed += d.n;
        storeNeed += 2 * d.n + 1;
    }
    if (!ProvideArray(arrays.steps, arrays.stepCapacity, stepNeed, 4096) ||
        !ProvideArray(arrays.stores, arrays.storeCapacity, storeNeed, 8192)) {
        return DrawEachAlone(discs, count);
    }
    int32_t stepEnd = 0, storeEnd = 0;
    for (int32_t k = 0; k < count; ++k) {
        if (arrays.discs[k].cut) PrepareCut(arrays.discs[k], discs[k].radius, stepEnd, storeEnd);
    }

    for (int32_t k = 0; k < count; ++k) {
        const PreparedDisc& d = arrays.discs[k];
        if (d.cut) {
            DrawCutDisc(d, arrays.steps + d.firstStep, CullerFor(k, count));
        } else {
            DrawEachAlone(discs + k, 1);
        }
    }
}
