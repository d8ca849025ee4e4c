// Exact-area coverage of a polygon, by coverage cells.
//
// The method is the cell rasteriser of the classic anti-aliasing libraries: it computes, for every
// pixel, the area of the pixel inside the outline, exactly up to the 1/256-pixel grid, with integer
// arithmetic only, and never looks at a pixel the outline does not pass through.
//
// The outline is walked in fixed point (1/256 pixel, kPixelBits) and cut at every pixel boundary it
// crosses. Each piece lands in the cell of its pixel, which sums two things over its pieces:
//   cover: the signed vertical extent of the piece (downward positive), and
//   area:  (entry x fraction + exit x fraction) * vertical extent, twice the signed area between the
//          piece and the pixel's left edge.
// Sweeping a row from left to right, the running sum of cover says how much of the pixel height lies
// inside the outline right of the cells seen so far (the winding, times 256). A pixel that holds
// pieces itself loses the part left of them: its raw coverage is (cover * 512 - area) >> 9, in
// 1/256 of the pixel. Between two cells the coverage is constant, so the sweep hands the span buffer
// one run for the gap and one single pixel per cell, and the interiors of shapes cost nothing per
// pixel here.
//
// Crossings of cell boundaries are found by incremental floor divisions with a running remainder, so
// each crossing is the exact intersection rounded toward minus infinity in 1/256 units, without
// accumulated error. The fill rule is even-odd, folded per pixel: raw coverage is taken modulo 512
// and mirrored above 256.
//
// Cells live in 64 KB blocks that are reused from shape to shape; at most 1024 blocks serve one
// shape and further cells are dropped. The cells are sorted by one packed key (row, then column):
// copied into their rows by a counting sort, then each row ordered by column, which is one pass for
// the usual row that the outline crossed in one direction. Cells of equal key, from different pieces
// of the outline, are merged by the sweep.
//
// Limits. Lines are clipped to the rows -1..viewHeight (the rows outside only balance the running
// cover). There is no horizontal clipping as such: what lies left of the view still carries its
// cover into each row. But a cell holds a 16-bit column, and the line walk's products must fit 32
// bits, so lines are projected into the columns kMinCellX..kMaxCellX: the part of a line beyond
// one of those columns becomes a vertical line on it, with the same vertical extent. Left of the
// view this keeps every row's cover, and so the picture; a shape wholly between those columns is not
// touched by it. Fixed coordinates saturate at +-kFixedLimit, and NaN becomes 0.
#include "raster/cells.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "host/frame_buffer.h"
#include "raster/grow_array.h"
#include "raster/spans.h"

// The curve below the diagonal that maps raw coverage to what a span carries.
const uint8_t shapeCoverageTable[256] = {
    0,   0,   1,   1,   2,   2,   3,   4,   4,   5,   5,   6,   7,   7,   8,   8,    //
    9,   10,  10,  11,  11,  12,  13,  13,  14,  14,  15,  16,  16,  17,  18,  18,   //
    19,  19,  20,  21,  21,  22,  22,  23,  24,  24,  25,  25,  26,  27,  27,  28,   //
    29,  29,  30,  30,  31,  32,  32,  33,  34,  34,  35,  36,  36,  37,  37,  38,   //
    39,  39,  40,  41,  41,  42,  43,  43,  44,  45,  45,  46,  47,  47,  48,  49,   //
    49,  50,  51,  51,  52,  53,  53,  54,  55,  55,  56,  57,  57,  58,  59,  60,   //
    60,  61,  62,  62,  63,  64,  65,  65,  66,  67,  68,  68,  69,  70,  71,  71,   //
    72,  73,  74,  74,  75,  76,  77,  78,  78,  79,  80,  81,  82,  83,  83,  84,   //
    85,  86,  87,  88,  89,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,   //
    100, 101, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 114, 115,  //
    116, 117, 118, 119, 120, 121, 122, 123, 124, 126, 127, 128, 129, 130, 131, 132,  //
    134, 135, 136, 137, 139, 140, 141, 142, 144, 145, 146, 147, 149, 150, 151, 153,  //
    154, 155, 157, 158, 159, 161, 162, 164, 165, 166, 168, 169, 171, 172, 174, 175,  //
    177, 178, 180, 181, 183, 184, 186, 188, 189, 191, 192, 194, 195, 197, 199, 200,  //
    202, 204, 205, 207, 209, 210, 212, 214, 215, 217, 219, 220, 222, 224, 225, 227,  //
    229, 230, 232, 234, 236, 237, 239, 241, 242, 244, 246, 248, 249, 251, 253, 255,  //
};

namespace {

constexpr CoverageCell kNoCell = {0x7fff, 0x7fff, 0x7fff7fff, 0, 0};
constexpr float kEmptyBoxMin = 100000.0f;
constexpr float kEmptyBoxMax = -100000.0f;

// Rows the store renders: the view's, as far as a cell's row reaches.
int32_t RenderedRows() { return std::max(0, std::min(frameBuffer.viewHeight, kRowLimit)); }

// A cell's sums wrap instead of overflowing: only a pathological outline folding thousands of times
// through one pixel could reach the limit, and it must not be undefined behaviour.
inline int32_t WrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline void Accumulate(int32_t cover, int32_t area) {
    CoverageCell& c = rasterThread.cells.current;
    c.cover = WrappingAdd(c.cover, cover);
    c.area = WrappingAdd(c.area, area);
}

// Makes sure block number blocksInUse exists; false if memory runs out.
bool ProvideBlock() {
    CellStore& s = rasterThread.cells;
    if (s.blocksInUse < s.blocksAllocated) return true;
    if (s.blocksAllocated == s.blockTableSize) {
        const int32_t size = s.blockTableSize + kBlockTableGrowth;
        CoverageCell** table = new (std::nothrow) CoverageCell*[static_cast<size_t>(size)];
        if (!table) return false;
        if (s.blocksAllocated > 0)
            std::memcpy(table, s.blocks, sizeof(CoverageCell*) * static_cast<size_t>(s.blocksAllocated));
        delete[] s.blocks;
        s.blocks = table;
        s.blockTableSize = size;
    }
    CoverageCell* block = new (std::nothrow) CoverageCell[kCellsPerBlock];
    if (!block) return false;
    s.blocks[s.blocksAllocated++] = block;
    return true;
}

// Opens the next block for the cell about to be stored; false if the cell must be dropped.
[[gnu::noinline]] bool OpenNextBlock() {
    CellStore& s = rasterThread.cells;
    if (s.blocksInUse >= kMaxBlocks || !ProvideBlock()) return false;
    ++s.blocksInUse;
    return true;
}

inline void StoreCurrentCell() {
    CellStore& s = rasterThread.cells;
    const CoverageCell& c = s.current;
    if (c.cover == 0 && c.area == 0) return;
    if (c.y < s.firstCellRow || c.y >= s.endCellRow) return;
    const int32_t slot = s.cellCount & (kCellsPerBlock - 1);
    if (slot == 0 && !OpenNextBlock()) return;  // the cell is dropped
    s.blocks[s.blocksInUse - 1][slot] = c;
    ++s.cellCount;
    if (c.y < s.minCellY) s.minCellY = c.y;
    if (c.y > s.maxCellY) s.maxCellY = c.y;
}

// Callers keep ex within kMinCellX..kMaxCellX and ey within -1..kRowLimit.
inline void SetCell(int32_t ex, int32_t ey) {
    CellStore& s = rasterThread.cells;
    const int32_t key = ex + ey * 65536;
    if (key == s.current.key) return;
    StoreCurrentCell();
    s.current = {static_cast<int16_t>(ex), static_cast<int16_t>(ey), key, 0, 0};
}

void UpdateCellRange(int32_t x) {
    CellStore& s = rasterThread.cells;
    const int32_t ex = ClampFixedX(x) >> kPixelBits;
    if (ex < s.minCellX) s.minCellX = ex;
    if (ex > s.maxCellX) s.maxCellX = ex + 1;
}

// The cell store as the line walk's cells within row ey.
struct StoreRowCells {
    int32_t ey;
    void Enter(int32_t ex) const { SetCell(ex, ey); }
    static void Add(int32_t cover, int32_t area) { Accumulate(cover, area); }
};

inline void RowPiece(int32_t ey, int32_t xa, int32_t ya, int32_t xb, int32_t yb) {
    StoreRowCells cells{ey};
    CutRowPiece(cells, xa, ya, xb, yb);
}

// A line already clipped to rows and columns: cut at every row boundary into row pieces.
void WalkLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    int32_t ey1 = y1 >> kPixelBits;
    const int32_t ey2 = y2 >> kPixelBits;
    const int32_t fy1 = y1 & kPixelMask;
    const int32_t fy2 = y2 & kPixelMask;
    const int32_t dx = x2 - x1;
    int32_t dy = y2 - y1;

    // Clipping may have moved the start away from the pen, so the walk begins in its own cell.
    SetCell(x1 >> kPixelBits, ey1);

    if (ey1 == ey2) {
        RowPiece(ey1, x1, fy1, x2, fy2);
        return;
    }

    int32_t first, step, p;
    if (dy >= 0) {
        first = kOnePixel, step = 1, p = (kOnePixel - fy1) * dx;
    } else {
        first = 0, step = -1, p = fy1 * dx, dy = -dy;
    }

    if (dx == 0) {  // vertical: every row between the ends is crossed whole
        const int32_t ex = x1 >> kPixelBits;
        const int32_t twoFx = 2 * (x1 & kPixelMask);
        Accumulate(first - fy1, twoFx * (first - fy1));
        const int32_t fullCover = 2 * first - kOnePixel;
        for (ey1 += step; ey1 != ey2; ey1 += step) {
            SetCell(ex, ey1);
            rasterThread.cells.current.cover = fullCover;
            rasterThread.cells.current.area = twoFx * fullCover;
        }
        SetCell(ex, ey2);
        Accumulate(fy2 - kOnePixel + first, twoFx * (fy2 - kOnePixel + first));
        return;
    }

    int32_t delta, mod;
    FloorDivide(p, dy, delta, mod);
    int32_t xFrom = x1 + delta;
    RowPiece(ey1, x1, fy1, xFrom, first);
    ey1 += step;
    SetCell(xFrom >> kPixelBits, ey1);

    if (ey1 != ey2) {
        int32_t lift, rem;
        FloorDivide(kOnePixel * dx, dy, lift, rem);
        mod -= dy;
        while (ey1 != ey2) {
            delta = lift;
            mod += rem;
            if (mod >= 0) {
                mod -= dy;
                ++delta;
            }
            const int32_t xTo = xFrom + delta;
            RowPiece(ey1, xFrom, kOnePixel - first, xTo, first);
            xFrom = xTo;
            ey1 += step;
            SetCell(xFrom >> kPixelBits, ey1);
        }
    }
    RowPiece(ey1, xFrom, kOnePixel - first, x2, fy2);
}

// Clips a line to the rows -1..rows, keeping its direction, projects it into the columns and walks it.
void RenderLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ClipAndProjectLine(x1, y1, x2, y2, static_cast<int64_t>(RenderedRows()) * kOnePixel,
                       [](int32_t ax, int32_t ay, int32_t bx, int32_t by) { WalkLine(ax, ay, bx, by); });
}

// Sorts the cells of one row by column. The outline crosses a row in stretches that each run one
// way, and a convex shape's stretches in one row all run the same way, so most rows arrive in order
// or in reverse order and cost one pass; the others are sorted outright. Cells of equal column may
// end in any order: the sweep adds them up.
void SortRow(CoverageCell* first, CoverageCell* last) {
    constexpr ptrdiff_t kInsertionLimit = 16;
    if (last - first < 2) return;
    bool ascending = true, descending = true;
    for (const CoverageCell* c = first + 1; c != last; ++c) {
        ascending = ascending && c[-1].x <= c->x;
        descending = descending && c[-1].x >= c->x;
    }
    if (ascending) return;
    if (descending) {
        std::reverse(first, last);
    } else if (last - first <= kInsertionLimit) {
        for (CoverageCell* c = first + 1; c != last; ++c) {
            const CoverageCell moving = *c;
            CoverageCell* to = c;
            for (; to != first && moving.x < to[-1].x; --to) *to = to[-1];
            *to = moving;
        }
    } else {
        std::sort(first, last, [](const CoverageCell& a, const CoverageCell& b) { return a.x < b.x; });
    }
}

// Copies every cell into the sorted array in key order (row, then column), followed by kNoCell as a
// sentinel. A counting sort by row places each cell in its row, then each row is sorted by column;
// the rows of one shape span at most the view's height plus two. False if memory runs out.
bool GatherCells() {
    CellStore& s = rasterThread.cells;
    const int32_t rows = s.maxCellY - s.minCellY + 1;
    if (!ProvideArray(s.sorted, s.sortedCapacity, int64_t{s.cellCount} + 1, kSortedGrowth)) return false;
    if (!ProvideArray(s.rowStarts, s.rowStartsCapacity, int64_t{rows} + 1, kSortedGrowth)) return false;

    // rowStarts[r + 1] counts row r; summed up, rowStarts[r] is where row r begins.
    int32_t* const starts = s.rowStarts;
    std::fill(starts, starts + rows + 1, 0);
    const int32_t rowBase = s.minCellY - 1;
    for (int32_t b = 0, n = 0; n < s.cellCount; ++b, n += kCellsPerBlock) {
        const CoverageCell* const block = s.blocks[b];
        const int32_t inBlock = std::min(kCellsPerBlock, s.cellCount - n);
        for (int32_t i = 0; i < inBlock; ++i) ++starts[block[i].y - rowBase];
    }
    for (int32_t r = 1; r <= rows; ++r) starts[r] += starts[r - 1];
    // Placing a cell moves its row's start on, so afterwards rowStarts[r] is where row r ends.
    CoverageCell* const sorted = s.sorted;
    for (int32_t b = 0, n = 0; n < s.cellCount; ++b, n += kCellsPerBlock) {
        const CoverageCell* const block = s.blocks[b];
        const int32_t inBlock = std::min(kCellsPerBlock, s.cellCount - n);
        for (int32_t i = 0; i < inBlock; ++i) sorted[starts[block[i].y - s.minCellY]++] = block[i];
    }
    for (int32_t r = 0; r < rows; ++r) SortRow(sorted + (r == 0 ? 0 : starts[r - 1]), sorted + starts[r]);
    sorted[s.cellCount] = kNoCell;
    return true;
}

// Whether every row from fixed y1 to fixed y2 lies outside the rows that get cells (SetCellRows).
bool LineOutsideCellRows(int32_t y1, int32_t y2) {
    const CellStore& s = rasterThread.cells;
    return std::max(y1, y2) >> kPixelBits < s.firstCellRow || std::min(y1, y2) >> kPixelBits >= s.endCellRow;
}

void CloseOutline() {
    CellStore& s = rasterThread.cells;
    if (s.pending && (s.currentX != s.startX || s.currentY != s.startY)) CellLineTo(s.startX, s.startY);
}

}  // namespace

bool VertexBoxOutsideView(float minX, float maxX, float minY, float maxY) {
    const FrameBuffer& fb = frameBuffer;
    return maxX < -0.5f || minX > fb.maxXf || maxY < -0.5f || minY > fb.maxYf;
}

void AddShapeVertex(float x, float y) {
    ShapeVertexList& list = rasterThread.vertices;
    if (list.count == list.capacity) {
        const int64_t bytes = ((8 * static_cast<int64_t>(list.count) + 8) / 4096 + 1) * 4096;
        if (bytes / 8 > 0x7fffffff / 16) return;  // beyond any shape: dropped
        const int32_t capacity = static_cast<int32_t>(bytes / 8);
        ShapeVertex* grown = new (std::nothrow) ShapeVertex[static_cast<size_t>(capacity)];
        if (!grown) return;
        if (list.count > 0) std::memcpy(grown, list.vertices, sizeof(ShapeVertex) * static_cast<size_t>(list.count));
        delete[] list.vertices;
        list.vertices = grown;
        list.capacity = capacity;
    }
    if (x < list.minX) list.minX = x;  // a NaN widens nothing
    if (x > list.maxX) list.maxX = x;
    if (y < list.minY) list.minY = y;
    if (y > list.maxY) list.maxY = y;
    list.vertices[list.count++] = {x, y};
}

int32_t RasteriseVertexList() {
    ShapeVertexList& list = rasterThread.vertices;
    int32_t produced = 0;
    const bool outside = VertexBoxOutsideView(list.minX, list.maxX, list.minY, list.maxY);
    if (list.count >= 2 && !outside) {
        CellMoveTo(FixedFromFloat(list.vertices[0].x), FixedFromFloat(list.vertices[0].y));
        for (int32_t i = 1; i < list.count; ++i) {
            const int32_t x = FixedFromFloat(list.vertices[i].x);
            const int32_t y = FixedFromFloat(list.vertices[i].y);
            if (rasterThread.cells.open && (x != rasterThread.cells.currentX || y != rasterThread.cells.currentY))
                CellLineTo(x, y);
        }
        produced = 1;
    }
    DiscardVertexList();
    return produced;
}

void DiscardVertexList() {
    ShapeVertexList& list = rasterThread.vertices;
    list.count = 0;
    list.minX = list.minY = kEmptyBoxMin;
    list.maxX = list.maxY = kEmptyBoxMax;
}

void CellMoveTo(int32_t x, int32_t y) {
    CellStore& s = rasterThread.cells;
    if (!s.open) {  // the previous shape has been swept: start afresh in the same blocks
        ResetCellStore();
        s.open = 1;
    }
    CloseOutline();
    const int32_t ey = y >> kPixelBits;
    if (ey >= -1 && ey < RenderedRows()) SetCell(ClampFixedX(x) >> kPixelBits, ey);
    UpdateCellRange(x);
    s.currentX = s.startX = x;
    s.currentY = s.startY = y;
}

void CellLineTo(int32_t x, int32_t y) {
    CellStore& s = rasterThread.cells;
    if (!s.open) return;  // no outline in progress: the cells are sorted and may be drawn again
    UpdateCellRange(x);
    if (!LineOutsideCellRows(s.currentY, y)) RenderLine(s.currentX, s.currentY, x, y);
    s.pending = 1;
    s.currentX = x;
    s.currentY = y;
}

namespace {

// Closes the outline and sorts its cells, or keeps the cells already sorted; false if there are none.
bool PrepareSweep() {
    CellStore& s = rasterThread.cells;
    CloseOutline();
    s.pending = 0;
    if (s.open) {
        StoreCurrentCell();
        s.current = kNoCell;
        if (s.cellCount == 0 || !GatherCells()) return false;
        s.open = 0;
    }
    return true;
}

// The sweep of the sorted cells (PrepareSweep): hands AddSpan every span of nonzero coverage, row by
// row and in order of x within a row, unclipped. A cell whose pieces leave area in it is a span of its
// own pixel; the gap to the next cell is one span. The pixels of the cells a few rows ahead are
// announced, so that they are in the cache by the time their row is drawn: a cell's pixel is the one
// most likely to be read, not just written.
void SweepSortedCells() {
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
        for (; ahead->key - kPrefetchKeys <= key && ahead != end; ++ahead) {
            const int32_t line = ahead->key >> 4;  // 16 pixels, one cache line or so
            if (line != announcedLine) PrefetchViewPixel(ahead->x, ahead->y);
            announcedLine = line;
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
            if (c != 0) AddSpan(x, y, 1u, static_cast<uint32_t>(shapeCoverageTable[c]));
            ++x;
        }
        if (cell == end) break;
        if (cell->x > x) {
            const int32_t c = CoverageOfRaw(cover);
            if (c != 0) {
                AddSpan(x, y, static_cast<uint32_t>(cell->x - x), static_cast<uint32_t>(shapeCoverageTable[c]));
            }
        }
    }
}

}  // namespace

void SweepCells(uint32_t colour) {
    if (!PrepareSweep()) return;
    SetScanlineColour(colour);
    ResetScanline(rasterThread.cells.minCellX, rasterThread.cells.maxCellX);
    SweepSortedCells();
    if (HeldSpanCount() > 0) FlushScanline(colour);
}

void SetCellRows(int32_t firstRow, int32_t endRow) {
    CellStore& s = rasterThread.cells;
    s.firstCellRow = firstRow;
    s.endCellRow = endRow;
}

void ResetCellStore() {
    CellStore& s = rasterThread.cells;
    s.cellCount = 0;
    s.blocksInUse = 0;
    s.current = kNoCell;
    s.minCellX = 0x7fffffff;
    s.maxCellX = static_cast<int32_t>(0x80000001u);
    s.minCellY = 0x7fffffff;
    s.maxCellY = static_cast<int32_t>(0x80000000u);
    s.open = 0;
    s.pending = 0;
}
