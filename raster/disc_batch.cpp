// Disc batches: dead writes removed before they are made.
//
// In mode 1 a span at full coverage (255) that reaches the view as a run of two or more pixels is a
// plain store of the colour: what the pixels held before does not matter, so every earlier write to
// them is dead. A batch therefore works backwards. Discs are rasterised from the last to the first;
// the sweep's spans, clipped to the view exactly as they would be drawn, are captured instead of
// being drawn. Each span is cut against the pixels that later discs store over (kept per
// view row as sorted, disjoint intervals); what remains is kept as pieces of that disc, and the
// disc's own stores join the intervals. Then the kept pieces are drawn forwards, disc by disc, each
// with the operation its whole span would have had: a piece cut from a run is still drawn as a run,
// even one pixel long, since the pixel operation rounds differently.
//
// Most of the cost of a disc is its cells, and a row of a disc that lies wholly inside later stores
// (over the whole chord its cells can reach) leaves nothing: the cell store is told to skip such
// rows, and a disc with nothing but such rows is not rasterised at all.
//
// With two cores the batch is drawn in two bands of rows at once, the lower band by the drawing
// helper (raster/draw_helper.h). Everything above is per row, so each band is the same batch with the
// other band's rows hidden from the cell store; each thread rasterises in its own record (raster/raster_thread.h). The
// split row follows the time the bands took, so that neither thread waits long for the other.
//
// The intervals are an under-estimate when a row has more of them than it can hold: a store that
// finds no room is just not recorded, which only keeps more writes. If memory for the pieces runs
// out, the discs not yet captured are drawn one by one first and the captured ones after: a captured
// disc was only cut against discs after it, so the picture is the same. A helper without memory for
// its band draws nothing, and the drawing thread draws that band after its own.
#include "raster/disc_batch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>

#include "host/frame_buffer.h"
#include "raster/cells.h"
#include "raster/draw_helper.h"
#include "raster/pixel.h"
#include "raster/polygon.h"
#include "raster/raster_thread.h"
#include "raster/spans.h"

namespace {

constexpr int32_t kStoresPerRow = 64;
constexpr int32_t kPieceGrowth = 16384;
constexpr uint32_t kPieceRun = 0x100u;
constexpr int32_t kMaxPieceLength = (1 << 23) - 1;

bool ProvideStoreRows(int32_t rows) {
    DiscBatch& b = rasterThread.batch;
    if (rows <= b.storeRows) return true;
    BatchInterval* stores = new (std::nothrow) BatchInterval[static_cast<size_t>(rows) * kStoresPerRow];
    int32_t* counts = new (std::nothrow) int32_t[static_cast<size_t>(rows)];
    uint8_t* hidden = new (std::nothrow) uint8_t[static_cast<size_t>(rows)];
    if (!stores || !counts || !hidden) {
        delete[] stores;
        delete[] counts;
        delete[] hidden;
        return false;
    }
    delete[] b.stores;
    delete[] b.storeCounts;
    delete[] b.hidden;
    b.stores = stores;
    b.storeCounts = counts;
    b.hidden = hidden;
    b.storeRows = rows;
    return true;
}

bool ProvideDiscs(int32_t count) {
    DiscBatch& b = rasterThread.batch;
    if (count <= b.discCapacity) return true;
    int32_t* first = new (std::nothrow) int32_t[static_cast<size_t>(count)];
    if (!first) return false;
    delete[] b.firstPiece;
    b.firstPiece = first;
    b.discCapacity = count;
    return true;
}

[[gnu::noinline]] bool GrowPieces() {
    DiscBatch& b = rasterThread.batch;
    const int64_t capacity = int64_t{b.pieceCapacity} + kPieceGrowth;
    BatchPiece* grown = capacity > 0x7fffffff / static_cast<int64_t>(sizeof(BatchPiece))
                            ? nullptr
                            : new (std::nothrow) BatchPiece[static_cast<size_t>(capacity)];
    if (!grown) {
        b.outOfMemory = true;
        return false;
    }
    if (b.pieceCount > 0) std::memcpy(grown, b.pieces, sizeof(BatchPiece) * static_cast<size_t>(b.pieceCount));
    delete[] b.pieces;
    b.pieces = grown;
    b.pieceCapacity = static_cast<int32_t>(capacity);
    return true;
}

inline void KeepPiece(int32_t x, int32_t y, int32_t end, uint32_t kind) {
    DiscBatch& b = rasterThread.batch;
    if (b.pieceCount == b.pieceCapacity && !GrowPieces()) return;
    b.pieces[b.pieceCount++] = {x, y, static_cast<uint32_t>(end - x) << 9 | kind};
}

// The first of count intervals whose end lies beyond x.
const BatchInterval* FirstEndingAfter(const BatchInterval* row, int32_t count, int32_t x) {
    return std::upper_bound(row, row + count, x, [](int32_t v, const BatchInterval& i) { return v < i.end; });
}

// Adds begin..end-1 to a row's stores, merging what it overlaps or touches.
void AddStore(BatchInterval* row, int32_t& count, int32_t begin, int32_t end) {
    const auto endsBefore = [](const BatchInterval& i, int32_t v) { return i.end < v; };
    const int32_t first = static_cast<int32_t>(std::lower_bound(row, row + count, begin, endsBefore) - row);
    int32_t last = first;  // one past the intervals merged
    while (last < count && row[last].begin <= end) ++last;
    if (first == last) {
        if (count == kStoresPerRow) return;  // no room: the store is just not used
        std::memmove(row + first + 1, row + first, sizeof(BatchInterval) * static_cast<size_t>(count - first));
        row[first] = {begin, end};
        ++count;
        return;
    }
    const BatchInterval merged = {std::min(begin, row[first].begin), std::max(end, row[last - 1].end)};
    row[first] = merged;
    if (last == first + 1) return;  // the usual case: one interval grown
    std::memmove(row + first + 1, row + last, sizeof(BatchInterval) * static_cast<size_t>(count - last));
    count -= last - first - 1;
}

// Takes a disc's spans from the sweep and keeps the parts that no later disc stores over. The spans
// are clipped to the view exactly as drawing them would clip them. They come row by row and in order
// of x, so the search for the first store that may cut a span only moves on; a row's own stores join
// its intervals once the row is done (its spans do not overlap).
class SpanCapture {
  public:
    [[gnu::always_inline]] void operator()(int32_t x, int32_t y, uint32_t length, uint32_t k) {
        if (y != y_) StartRow(y);
        if (!inView_) return;
        const int64_t last = int64_t{x} + length - 1;
        if (x > maxX_ || last < 0) return;
        const int32_t begin = std::max(x, 0);
        const int32_t end = static_cast<int32_t>(std::min<int64_t>(last, maxX_)) + 1;
        const uint32_t kind = k | (end - begin != 1 ? kPieceRun : 0);
        if (!row_) {  // no intervals kept for this row
            KeepPiece(begin, y, end, kind);
            return;
        }
        Keep(begin, end, kind);
    }

    // Adds the stores of the row in progress to its intervals.
    void FinishRow() {
        if (row_) {
            for (int32_t f = 0; f < freshCount_; ++f) {
                AddStore(row_, rasterThread.batch.storeCounts[y_], fresh_[f].begin, fresh_[f].end);
            }
        }
        freshCount_ = 0;
        row_ = nullptr;
    }

  private:
    [[gnu::noinline]] void StartRow(int32_t y) {
        FinishRow();
        const DiscBatch& b = rasterThread.batch;
        y_ = y;
        inView_ = static_cast<uint32_t>(y) < static_cast<uint32_t>(frameBuffer.viewHeight);
        if (inView_ && y < b.rows) {
            row_ = b.stores + static_cast<size_t>(y) * kStoresPerRow;
            store_ = row_;
            last_ = row_ + b.storeCounts[y];
        }
    }

    [[gnu::always_inline]] void Keep(int32_t x, int32_t end, uint32_t kind) {
        const int32_t begin = x;
        while (store_ != last_ && store_->end <= x) ++store_;
        for (const BatchInterval* i = store_; i != last_ && i->begin < end; ++i) {
            if (i->begin > x) KeepPiece(x, y_, i->begin, kind);
            x = i->end;
            if (x >= end) break;
        }
        if (x < end) KeepPiece(x, y_, end, kind);
        if (kind == (255 | kPieceRun)) {
            if (freshCount_ == kFresh) {  // rare: make room by adding the ones so far
                const int32_t y = y_;
                BatchInterval* const row = row_;
                FinishRow();
                row_ = row;
                store_ = row;
                last_ = row + rasterThread.batch.storeCounts[y];
            }
            fresh_[freshCount_++] = {begin, end};
        }
    }

    static constexpr int32_t kFresh = 4;
    const int32_t maxX_ = frameBuffer.maxX;
    int32_t y_ = 0x7fffffff;
    bool inView_ = false;
    BatchInterval* row_ = nullptr;  // the row's intervals, if any are kept for it
    const BatchInterval* store_ = nullptr;
    const BatchInterval* last_ = nullptr;
    BatchInterval fresh_[kFresh];
    int32_t freshCount_ = 0;
};

// Whether a later store covers columns x0..x1 of row y.
bool StoredOver(int32_t y, int32_t x0, int32_t x1) {
    const BatchInterval* const row = rasterThread.batch.stores + static_cast<size_t>(y) * kStoresPerRow;
    const int32_t count = rasterThread.batch.storeCounts[y];
    const BatchInterval* i = FirstEndingAfter(row, count, x1);
    return i != row + count && i->begin <= x0;
}

// Hides the rows of the disc in the band whose pixels later discs all store over, besides the rows
// outside the band, which are always hidden; true if that leaves no row of the disc. The polygon is
// inscribed in the circle, so in a row its cells lie within the circle's chord over the row's
// height. The margins take in the rounding of the vertices and the truncation of their fixed
// coordinates (a few 1/256 pixel): 0.05 pixel on the circle and the row, and one whole pixel on
// either end of the chord. ClearMarkedRows undoes the marks.
bool MarkHiddenRows(const BatchDisc& d) {
    DiscBatch& b = rasterThread.batch;
    const FrameBuffer& fb = frameBuffer;
    const double cx = d.x, cy = d.y;
    const double r = std::fabs(static_cast<double>(d.radius)) * (1.0 + 1.0e-5) + 0.05;
    constexpr double kFar = 1.0e6;
    if (!(std::fabs(cx) < kFar && std::fabs(cy) < kFar && r < kFar)) return false;
    const int32_t y0 = std::max(b.bandFirst, static_cast<int32_t>(std::floor(cy - r + 0.5)) - 1);
    const int32_t y1 = std::min(b.bandEnd - 1, static_cast<int32_t>(std::floor(cy + r + 0.5)) + 1);
    bool all = true;
    for (int32_t y = y0; y <= y1; ++y) {
        // Pixel row y holds the coordinates y - 0.5 .. y + 0.5.
        const double dy = std::max(0.0, std::max(y - 0.55 - cy, cy - (y + 0.55)));
        bool hidden = dy >= r;
        if (!hidden) {
            // Truncation instead of floor: it differs only below zero, where it can only widen the
            // chord (x0 is at least 0 either way).
            const double w = std::sqrt(r * r - dy * dy);
            const int32_t x0 = std::max(0, static_cast<int32_t>(cx - w + 0.5) - 1);
            const int32_t x1 = std::min(fb.maxX, static_cast<int32_t>(cx + w + 0.5) + 1);
            hidden = x0 > x1 || StoredOver(y, x0, x1);
        }
        b.hidden[y] = hidden;
        all = all && hidden;
    }
    b.markedFirst = y0;
    b.markedEnd = std::max(y0, y1 + 1);
    return all;
}

void ClearMarkedRows() {
    DiscBatch& b = rasterThread.batch;
    std::fill(b.hidden + b.markedFirst, b.hidden + b.markedEnd, uint8_t{0});
    b.markedFirst = b.markedEnd = 0;
}

// Draws the discs one by one, in the band's rows only (the hidden rows are all the others).
void DrawOneByOne(const BatchDisc* discs, int32_t count) {
    SelectShapeMode(Normal);
    for (int32_t i = 0; i < count; ++i) {
        const BatchDisc& d = discs[i];
        if (BuildDiscOutline(d.x, d.y, d.radius) && RasteriseVertexList()) SweepCells(d.colour);
    }
}

// The batch in the view rows first..end-1, which no other thread draws; false, with nothing drawn,
// if there is no memory for it.
bool DrawBand(const BatchDisc* discs, int32_t count, int32_t first, int32_t end) {
    DiscBatch& b = rasterThread.batch;
    const FrameBuffer& fb = frameBuffer;
    b.rows = std::min(fb.viewHeight, kRowLimit);
    if (!ProvideDiscs(count) || !ProvideStoreRows(b.rows)) return false;
    b.bandFirst = first;
    b.bandEnd = end;
    b.markedFirst = b.markedEnd = 0;
    for (int32_t y = 0; y < b.rows; ++y) b.hidden[y] = y < first || y >= end;
    std::fill(b.storeCounts + first, b.storeCounts + end, 0);
    b.pieceCount = 0;
    b.outOfMemory = false;
    // The rows outside the band, and those MarkHiddenRows adds for each disc, get no cells.
    SetHiddenRows(b.hidden, 0, b.rows);

    int32_t i = count - 1;
    for (; i >= 0; --i) {
        const BatchDisc& d = discs[i];
        b.firstPiece[i] = b.pieceCount;
        if (!BuildDiscOutline(d.x, d.y, d.radius)) continue;
        const bool hidden = MarkHiddenRows(d);
        if (hidden) {
            DiscardVertexList();
        } else if (RasteriseVertexList() && PrepareSweep()) {
            SpanCapture capture;
            SweepSortedCells<false>(capture);
            capture.FinishRow();
        }
        ClearMarkedRows();
        if (b.outOfMemory) {
            b.pieceCount = b.firstPiece[i];
            break;
        }
    }
    // Discs 0..i were not captured (memory ran out); nothing earlier was cut against them.
    DrawOneByOne(discs, i + 1);
    SetHiddenRows(nullptr, 0, 0);
    // The pixels of the pieces a little ahead are loaded while the current ones are drawn: most
    // pieces are single edge pixels far apart, whose reads would otherwise wait for memory.
    constexpr int32_t kPrefetchPieces = 16;
    for (int32_t j = i + 1; j < count; ++j) {
        const uint32_t colour = discs[j].colour;
        const int32_t stop = j - 1 > i ? b.firstPiece[j - 1] : b.pieceCount;
        for (int32_t p = b.firstPiece[j]; p < stop; ++p) {
            const BatchPiece& ahead = b.pieces[std::min(p + kPrefetchPieces, b.pieceCount - 1)];
            __builtin_prefetch(fb.rows[ahead.y] + ahead.x, 1);
            const BatchPiece& piece = b.pieces[p];
            DrawNormalPart(fb.rows[piece.y] + piece.x, colour, piece.packed >> 9, piece.packed & 255u,
                           (piece.packed & kPieceRun) != 0);
        }
    }
    return true;
}

struct BandTask {
    const BatchDisc* discs;
    int32_t count, first, end;
    bool drawn;
    double seconds;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void DrawBandTask(void* argument) {
    BandTask& task = *static_cast<BandTask*>(argument);
    const auto start = std::chrono::steady_clock::now();
    task.drawn = DrawBand(task.discs, task.count, task.first, task.end);
    task.seconds = SecondsSince(start);
}

// How a batch is split between the two threads, kept from batch to batch (drawing thread only).
struct BandSplit {
    // The share of the rows the drawing thread keeps: moved after every batch toward the share at
    // which both bands would have taken equally long, had each row of a band cost the band's average.
    double upperShare = 0.5;
};
BandSplit bandSplit;

void BalanceShares(double upperSeconds, double lowerSeconds) {
    constexpr double kMinShare = 0.1, kMaxShare = 0.9;
    double& upperShare = bandSplit.upperShare;
    const double upperRate = upperSeconds / upperShare, lowerRate = lowerSeconds / (1.0 - upperShare);
    if (!(upperRate > 0.0 && lowerRate > 0.0)) return;
    const double balanced = lowerRate / (upperRate + lowerRate);
    upperShare = std::min(kMaxShare, std::max(kMinShare, (upperShare + balanced) / 2.0));
}

}  // namespace

void DrawPolygonDiscs(const BatchDisc* discs, int32_t count) {
    const int32_t rows = std::min(frameBuffer.viewHeight, kRowLimit);
    DrawPolygonDiscsSplit(discs, count, static_cast<int32_t>(rows * bandSplit.upperShare));
}

void DrawPolygonDiscsSplit(const BatchDisc* discs, int32_t count, int32_t split) {
    const FrameBuffer& fb = frameBuffer;
    if (count <= 0 || !fb.viewBase) return;
    const int32_t rows = std::min(fb.viewHeight, kRowLimit);
    if (fb.viewWidth > kMaxPieceLength || !ProvideDiscs(count) || !ProvideStoreRows(rows)) {
        for (int32_t i = 0; i < count; ++i) {
            DrawPolygonDisc(discs[i].x, discs[i].y, discs[i].radius, discs[i].colour, Normal);
        }
        return;
    }
    // The lower rows go to the helper thread. A row's pixels depend on no other row, so the bands
    // need nothing from each other and the picture is the same wherever the split lies.
    split = std::min(rows - 1, std::max(1, split));
    BandTask lower = {discs, count, split, rows, false, 0.0};
    if (rows < 2 || !StartHelperTask(DrawBandTask, &lower)) {
        DrawBand(discs, count, 0, rows);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    DrawBand(discs, count, 0, split);
    const double upperSeconds = SecondsSince(start);
    WaitForHelperTask();
    if (lower.drawn) {
        BalanceShares(upperSeconds, lower.seconds);
    } else {
        DrawBand(discs, count, split, rows);  // the helper had no memory
    }
}
