#include "raster/row_batch.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "host/frame_buffer.h"
#include "raster/draw_helper.h"
#include "raster/line_walk.h"

namespace {

// Draws the batch in rows first..end-1, disc by disc; returns the first disc it could not draw (count
// if it drew them all).
int32_t DrawDiscs(RasterThread& t, const RowFamily& family, const void* discs, int32_t count, int32_t first,
                  int32_t end) {
    DiscBatch& b = t.batch;
    // Gets the first disc from i on that reaches the band ready and walked; returns its index, count if
    // there is none, or -1 if it could not.
    const auto walkNext = [&](int32_t i, DiscRows& rows, WalkedDisc& walked) {
        for (; i < count; ++i) {
            switch (family.prepare(t, discs, i, first, end, rows)) {
            case DiscRowsResult::ready:
                return family.walk(t, rows, walked) ? i : -1;
            case DiscRowsResult::empty:
                break;
            default:
                return -1;
            }
        }
        return count;
    };
    DiscRows* rows = &b.discs[0];
    DiscRows* aheadRows = &b.discs[1];
    WalkedDisc* walked = &b.walked[0];
    WalkedDisc* ahead = &b.walked[1];
    int32_t i = walkNext(0, *rows, *walked);
    if (i < 0) return 0;
    while (i < count) {
        const int32_t next = walkNext(i + 1, *aheadRows, *ahead);
        if (next < 0) return i;
        family.draw(t, *rows, *walked, next < count ? aheadRows : nullptr, next < count ? ahead : nullptr);
        std::swap(rows, aheadRows);
        std::swap(walked, ahead);
        i = next;
    }
    return count;
}

// The batch in the view rows first..end-1, which no other thread draws.
void DrawBand(const RowFamily& family, const void* discs, int32_t count, int32_t first, int32_t end) {
    const int32_t drawn = DrawDiscs(rasterThread, family, discs, count, first, end);
    if (drawn < count) family.drawOneByOne(discs, drawn, count, first, end);
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
