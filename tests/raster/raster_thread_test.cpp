#include "raster/raster_thread.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/disc_batch.h"
#include "raster/polygon.h"

// Each drawing thread has its own working record; releasing it frees every part and leaves it as new.

namespace {

std::vector<uint32_t> DrawScene() {
    const BatchDisc discs[] = {
        {20.5f, 18.25f, 15.7f, 0xffe08040u}, {40.0f, 30.0f, 22.0f, 0xff2040a0u}, {10.0f, 50.0f, 9.5f, 0xff80ff20u}};
    ClearView();
    DrawPolygonDiscs(discs, 3);
    DrawPolygonDisc(50.0f, 12.0f, 7.3f, 0x80ffffffu, Alpha);
    FillRoundedRect(0xff808080u, 5.0f, 35.0f, 58.0f, 60.0f);
    return std::vector<uint32_t>(frameBuffer.pixels, frameBuffer.pixels + 64 * 64);
}

bool WalkedIsEmpty(const WalkedDisc& w) {
    return !w.stored && !w.rows && !w.crossings && !w.pieces && !w.stretches && w.storedCapacity == 0 &&
           w.rowCapacity == 0 && w.crossingCapacity == 0 && w.pieceCapacity == 0 && w.stretchCapacity == 0 &&
           w.stretchCount == 0;
}

bool HoldsNoMemory(const RasterThread& t) {
    return !t.cells.blocks && !t.cells.sorted && !t.cells.rowStarts && t.cells.blocksAllocated == 0 &&
           !t.vertices.vertices && t.vertices.capacity == 0 && !t.spans.spans && t.spans.capacity == 0 &&
           !t.batch.lines && !t.batch.cells && t.batch.lineCapacity == 0 && t.batch.cellCapacity == 0 &&
           WalkedIsEmpty(t.batch.walked[0]) && WalkedIsEmpty(t.batch.walked[1]);
}

TEST(RasterThreadTest, ReleaseFreesEveryPartAndDrawingAfterwardsIsUnchanged) {
    ASSERT_EQ(CreateHeadlessBuffer(64, 64), 1);
    InitShapeRasteriser();
    const std::vector<uint32_t> first = DrawScene();
    const RasterThread& t = rasterThread;
    EXPECT_FALSE(HoldsNoMemory(t)) << "the scene uses every part";
    EXPECT_EQ(t.shapeMode.mode, Multiply) << "the rounded rectangle came last";

    ReleaseThreadRasteriser();
    EXPECT_TRUE(HoldsNoMemory(t));
    EXPECT_EQ(t.shapeMode.mode, Normal);
    EXPECT_EQ(t.shapeMode.pixelOp, NormalShapePixel);
    EXPECT_EQ(t.cells.cellCount, 0);
    EXPECT_EQ(DrawScene(), first);

    // Another thread starts with a record of its own, empty whatever this one holds.
    bool otherWasNew = false;
    std::thread other([&] { otherWasNew = HoldsNoMemory(rasterThread) && rasterThread.shapeMode.mode == Normal; });
    other.join();
    EXPECT_TRUE(otherWasNew);
    ReleaseThreadRasteriser();
    ReleaseHeadlessBuffer();
}

}  // namespace
