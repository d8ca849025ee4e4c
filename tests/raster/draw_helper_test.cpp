// The drawing helper: tasks run on another thread, the caller waits for them, and the rasteriser's
// records seen there are the helper's own.
#include "raster/draw_helper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/headless_buffer.h"
#include "raster/cells.h"
#include "raster/polygon.h"

namespace {

struct Probe {
    std::thread::id ranOn;
    int32_t cellsSeen = -1;
    int32_t cellsLeft = -1;
    std::atomic<int32_t> runs{0};
};

// Rasterises a square on the helper and reports what its own cell store held before and after.
void ProbeTask(void* argument) {
    Probe& probe = *static_cast<Probe*>(argument);
    probe.ranOn = std::this_thread::get_id();
    probe.cellsSeen = rasterThread.cells.cellCount;
    CellMoveTo(0, 0);
    CellLineTo(10 * kOnePixel, 0);
    CellLineTo(10 * kOnePixel, 10 * kOnePixel);
    probe.cellsLeft = rasterThread.cells.cellCount;
    DiscardVertexList();
    ResetCellStore();
    ++probe.runs;
}

TEST(DrawHelperTest, TasksRunElsewhereWithTheirOwnCellStoreAndAreWaitedFor) {
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: no helper";
    InitShapeRasteriser();
    ASSERT_EQ(CreateHeadlessBuffer(64, 64), 1);
    // An outline in progress on this thread; the helper must not see its cells, nor spoil them.
    CellMoveTo(0, 0);
    for (int32_t i = 1; i <= 40; ++i) CellLineTo(i * 300, i * 200 + (i % 3) * 700);
    const int32_t ownCells = rasterThread.cells.cellCount;
    ASSERT_GT(ownCells, 0);

    Probe probe;
    for (int32_t round = 0; round < 3; ++round) {
        ASSERT_TRUE(StartHelperTask(ProbeTask, &probe));
        WaitForHelperTask();
        EXPECT_EQ(probe.runs.load(), round + 1);  // finished when the wait returns
        EXPECT_NE(probe.ranOn, std::this_thread::get_id());
        EXPECT_EQ(probe.cellsSeen, 0);
        EXPECT_GT(probe.cellsLeft, 0);
        EXPECT_EQ(rasterThread.cells.cellCount, ownCells);
    }
    // Stopped, the helper starts again on the next task.
    StopDrawHelper();
    ASSERT_TRUE(StartHelperTask(ProbeTask, &probe));
    WaitForHelperTask();
    EXPECT_EQ(probe.runs.load(), 4);
    ReleaseShapeRasteriser();
    ReleaseHeadlessBuffer();
}

TEST(DrawHelperTest, ANotAllowedHelperTakesNoTask) {
    Probe probe;
    AllowDrawHelper(false);
    EXPECT_FALSE(StartHelperTask(ProbeTask, &probe));
    WaitForHelperTask();  // nothing to wait for
    AllowDrawHelper(true);
    EXPECT_EQ(probe.runs.load(), 0);
}

}  // namespace
