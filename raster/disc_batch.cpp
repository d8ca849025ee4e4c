// Disc batches: dead writes removed before they are made, one view row at a time.
//
// A batch draws its discs row by row (raster/row_cut.h): in each row the discs that reach it are
// visited from the last to the first, each disc's spans in that row (raster/disc_rows.h) are cut
// against the pixels later discs store over, and what survives is drawn, the earliest disc first,
// while the row is in the cache. A disc row wholly under later stores costs no more than finding
// where it lies; neither does one side of a disc in a row. Every pixel ends exactly as after
// DrawPolygonDisc for each disc in turn, since a row's pixels depend on no other row.
//
// With two cores the batch is drawn in two bands of rows at once, the lower band by the drawing
// helper (raster/draw_helper.h), each thread in its own record (raster/raster_thread.h). The split
// row follows the time the bands took, so that neither thread waits long for the other.
//
// If memory runs out, or a disc's outline is not one the rows can take (only pathological values
// make such outlines), the band's rows from there on are drawn disc by disc through the cell store,
// which gives the same picture.
#include "raster/disc_batch.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <new>

#include "host/frame_buffer.h"
#include "raster/cells.h"
#include "raster/disc_rows.h"
#include "raster/draw_helper.h"
#include "raster/polygon.h"
#include "raster/raster_thread.h"
#include "raster/row_cut.h"
#include "raster/spans.h"

namespace {

// A kept piece's length has 23 bits.
constexpr int32_t kMaxPieceLength = (1 << 23) - 1;

template <class T>
bool ProvideArray(T*& array, int32_t& capacity, int32_t need) {
    if (need <= capacity) return true;
    T* fresh = new (std::nothrow) T[static_cast<size_t>(need)];
    if (!fresh) return false;
    delete[] array;
    array = fresh;
    capacity = need;
    return true;
}

bool ProvideDiscs(DiscBatch& b, int32_t count) {
    if (count <= b.discCapacity) return true;
    DiscRows* discs = new (std::nothrow) DiscRows[static_cast<size_t>(count)];
    int32_t* order = new (std::nothrow) int32_t[static_cast<size_t>(count)];
    int32_t* active = new (std::nothrow) int32_t[static_cast<size_t>(count)];
    if (!discs || !order || !active) {
        delete[] discs;
        delete[] order;
        delete[] active;
        return false;
    }
    delete[] b.discs;
    delete[] b.order;
    delete[] b.active;
    b.discs = discs;
    b.order = order;
    b.active = active;
    b.discCapacity = count;
    return true;
}

// Draws the discs one by one in rows first..end-1 only.
void DrawOneByOne(const BatchDisc* discs, int32_t count, int32_t first, int32_t end) {
    SetCellRows(first, end);
    SelectShapeMode(Normal);
    for (int32_t i = 0; i < count; ++i) {
        const BatchDisc& d = discs[i];
        if (BuildDiscOutline(d.x, d.y, d.radius) && RasteriseVertexList()) SweepCells(d.colour);
    }
    SetCellRows(INT32_MIN, INT32_MAX);
}

// Draws the batch in rows first..end-1 row by row; returns the first row it could not draw (end if
// it drew them all).
int32_t DrawRows(RasterThread& t, const BatchDisc* discs, int32_t count, int32_t first, int32_t end) {
    DiscBatch& b = t.batch;
    const FrameBuffer& fb = frameBuffer;
    const int32_t rows = end - first;
    if (!ProvideDiscs(b, count) || !ProvideArray(b.rowStarts, b.rowCapacity, rows + 1)) return first;

    // The discs that reach the band, by their top row (rowStarts[r + 1] counts row first + r).
    b.lineCount = 0;
    int32_t* const starts = b.rowStarts;
    std::fill(starts, starts + rows + 1, 0);
    for (int32_t i = 0; i < count; ++i) {
        DiscRows& d = b.discs[i];
        switch (PrepareDiscRows(t, discs[i], first, end, d)) {
        case DiscRowsResult::ready:
            ++starts[d.top - first + 1];
            break;
        case DiscRowsResult::empty:
            d.top = INT32_MAX;
            break;
        default:
            return first;
        }
    }
    for (int32_t r = 1; r <= rows; ++r) starts[r] += starts[r - 1];
    // Placing a disc moves its row's start on, so afterwards starts[r] is where row r + 1's discs begin.
    for (int32_t i = 0; i < count; ++i) {
        if (b.discs[i].top != INT32_MAX) b.order[starts[b.discs[i].top - first]++] = i;
    }

    // The discs reaching the current row, in batch order.
    int32_t* const active = b.active;
    int32_t activeCount = 0, minBottom = INT32_MAX;
    for (int32_t y = first, from = 0; y < end; ++y) {
        if (y > minBottom) {
            int32_t kept = 0;
            minBottom = INT32_MAX;
            for (int32_t a = 0; a < activeCount; ++a) {
                const int32_t bottom = b.discs[active[a]].bottom;
                if (bottom < y) continue;
                active[kept++] = active[a];
                minBottom = std::min(minBottom, bottom);
            }
            activeCount = kept;
        }
        for (const int32_t to = starts[y - first]; from < to; ++from) {
            const int32_t i = b.order[from];
            int32_t at = activeCount++;
            for (; at > 0 && active[at - 1] > i; --at) active[at] = active[at - 1];
            active[at] = i;
            minBottom = std::min(minBottom, b.discs[i].bottom);
        }
        if (activeCount == 0) continue;
        if (!StartCutRow(b.cut, fb.viewWidth)) return y;
        for (int32_t a = activeCount - 1; a >= 0; --a) {
            if (!CutDiscRow(t, b.discs[active[a]], y)) return y;
        }
        DrawCutRow(b.cut, fb.rows[y]);
    }
    return end;
}

// The batch in the view rows first..end-1, which no other thread draws.
void DrawBand(const BatchDisc* discs, int32_t count, int32_t first, int32_t end) {
    const int32_t drawn = DrawRows(rasterThread, discs, count, first, end);
    if (drawn < end) DrawOneByOne(discs, count, drawn, end);
}

struct BandTask {
    const BatchDisc* discs;
    int32_t count, first, end;
    double seconds;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void DrawBandTask(void* argument) {
    BandTask& task = *static_cast<BandTask*>(argument);
    const auto start = std::chrono::steady_clock::now();
    DrawBand(task.discs, task.count, task.first, task.end);
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
    if (fb.viewWidth > kMaxPieceLength) {
        DrawOneByOne(discs, count, 0, rows);
        return;
    }
    // The lower rows go to the helper thread. A row's pixels depend on no other row, so the bands
    // need nothing from each other and the picture is the same wherever the split lies.
    split = std::min(rows - 1, std::max(1, split));
    BandTask lower = {discs, count, split, rows, 0.0};
    if (rows < 2 || !StartHelperTask(DrawBandTask, &lower)) {
        DrawBand(discs, count, 0, rows);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    DrawBand(discs, count, 0, split);
    const double upperSeconds = SecondsSince(start);
    WaitForHelperTask();
    BalanceShares(upperSeconds, lower.seconds);
}
