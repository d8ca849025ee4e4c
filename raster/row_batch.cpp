#include "raster/row_batch.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <new>

#include "host/frame_buffer.h"
#include "raster/draw_helper.h"
#include "raster/grow_array.h"
#include "raster/line_walk.h"
#include "raster/row_cut.h"

namespace {

// A kept piece's length has 23 bits.
constexpr int32_t kMaxPieceLength = (1 << 23) - 1;
constexpr int32_t kRowGrowth = 256;

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

// How many of the discs after a disc are looked at for the one it is cut against.
constexpr int32_t kLookAhead = 6;

int64_t BoxOverlap(const DiscRows& a, const DiscRows& b) {
    const auto common = [](int32_t lowA, int32_t highA, int32_t lowB, int32_t highB) {
        const int64_t low = std::max(lowA, lowB), high = std::min(highA, highB);
        return high >= low ? high - low + 1 : 0;
    };
    return common(a.top, a.bottom, b.top, b.bottom) * common(a.left, a.right, b.left, b.right);
}

// Each disc is cut against one of the next few, the one whose box it has most in common with: in a
// spiral that is the next disc, which hides all but a crescent, and its cover holds what the discs
// after it store over too, where the two meet.
void ChooseCullers(DiscRows* discs, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        DiscRows& d = discs[i];
        d.culler = -1;
        d.coverRow = INT32_MIN;
        if (d.top == INT32_MAX) continue;
        int64_t best = 0;
        for (int32_t j = i + 1; j < count && j <= i + kLookAhead; ++j) {
            if (discs[j].top == INT32_MAX) continue;
            const int64_t overlap = BoxOverlap(d, discs[j]);
            if (overlap > best) best = overlap, d.culler = j;
        }
    }
}

// Draws the batch in rows first..end-1 row by row; returns the first row it could not draw (end if
// it drew them all).
int32_t DrawRows(RasterThread& t, const RowFamily& family, const void* discs, int32_t count, int32_t first,
                 int32_t end) {
    DiscBatch& b = t.batch;
    const FrameBuffer& fb = frameBuffer;
    const int32_t rows = end - first;
    if (!ProvideDiscs(b, count) || !ProvideArray(b.rowStarts, b.rowCapacity, rows + 1, kRowGrowth)) return first;

    // The discs that reach the band, by their top row (rowStarts[r + 1] counts row first + r).
    b.lineCount = 0;  // the band's line store, which the families' discs fill
    int32_t* const starts = b.rowStarts;
    std::fill(starts, starts + rows + 1, 0);
    for (int32_t i = 0; i < count; ++i) {
        DiscRows& d = b.discs[i];
        switch (family.prepare(t, discs, i, first, end, d)) {
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
    ChooseCullers(b.discs, count);
    for (int32_t r = 1; r <= rows; ++r) starts[r] += starts[r - 1];
    // Placing a disc moves its row's start on, so afterwards starts[r] is where row r + 1's discs begin.
    for (int32_t i = 0; i < count; ++i) {
        if (b.discs[i].top != INT32_MAX) b.order[starts[b.discs[i].top - first]++] = i;
    }

    // The discs reaching the current row, in batch order.
    int32_t* const active = b.active;
    RowCut& cut = b.cut;
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
        StartCutRow(cut, fb.viewWidth);
        for (int32_t a = activeCount - 1; a >= 0; --a) {
            DiscRows& d = b.discs[active[a]];
            const DiscRows* culler = d.culler >= 0 ? &b.discs[d.culler] : nullptr;
            StartCutDisc(cut, culler && culler->coverRow == y ? culler->cover : kNoColumns);
            if (!family.cutRow(t, d, y)) return y;
            d.coverRow = y;
            d.cover = MergeColumns(cut.stored, cut.cover);
        }
        DrawCutRow(cut, fb.rows[y], y + 1 < end ? fb.rows[y + 1] : nullptr);
    }
    return end;
}

// The batch in the view rows first..end-1, which no other thread draws.
void DrawBand(const RowFamily& family, const void* discs, int32_t count, int32_t first, int32_t end) {
    const int32_t drawn = DrawRows(rasterThread, family, discs, count, first, end);
    if (drawn < end) family.drawOneByOne(discs, count, drawn, end);
}

struct BandTask {
    const RowFamily* family;
    const void* discs;
    int32_t count, first, end;
    double seconds;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void DrawBandTask(void* argument) {
    BandTask& task = *static_cast<BandTask*>(argument);
    const auto start = std::chrono::steady_clock::now();
    DrawBand(*task.family, task.discs, task.count, task.first, task.end);
    task.seconds = SecondsSince(start);
}

// Moves the split toward the share at which both bands would have taken equally long, had each row
// of a band cost the band's average.
void BalanceShares(BandSplit& split, double upperSeconds, double lowerSeconds) {
    constexpr double kMinShare = 0.1, kMaxShare = 0.9;
    double& upperShare = split.upperShare;
    const double upperRate = upperSeconds / upperShare, lowerRate = lowerSeconds / (1.0 - upperShare);
    if (!(upperRate > 0.0 && lowerRate > 0.0)) return;
    const double balanced = lowerRate / (upperRate + lowerRate);
    upperShare = std::min(kMaxShare, std::max(kMinShare, (upperShare + balanced) / 2.0));
}

}  // namespace

void DrawRowBatch(const RowFamily& family, const void* discs, int32_t count) {
    const int32_t rows = std::min(frameBuffer.viewHeight, kRowLimit);
    DrawRowBatchSplit(family, discs, count, static_cast<int32_t>(rows * family.split->upperShare));
}

void DrawRowBatchSplit(const RowFamily& family, const void* discs, int32_t count, int32_t split) {
    const FrameBuffer& fb = frameBuffer;
    if (count <= 0 || !fb.viewBase) return;
    const int32_t rows = std::min(fb.viewHeight, kRowLimit);
    if (fb.viewWidth > kMaxPieceLength) {
        family.drawOneByOne(discs, count, 0, rows);
        return;
    }
    // The lower rows go to the helper thread. A row's pixels depend on no other row, so the bands
    // need nothing from each other and the picture is the same wherever the split lies.
    split = std::min(rows - 1, std::max(1, split));
    BandTask lower = {&family, discs, count, split, rows, 0.0};
    if (rows < 2 || !StartHelperTask(DrawBandTask, &lower)) {
        DrawBand(family, discs, count, 0, rows);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    DrawBand(family, discs, count, 0, split);
    const double upperSeconds = SecondsSince(start);
    WaitForHelperTask();
    BalanceShares(*family.split, upperSeconds, lower.seconds);
}
