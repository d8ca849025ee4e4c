#include "host/frame_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/headless_buffer.h"
#include "host/host_config.h"

namespace {

class FrameBufferTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ReleaseHeadlessBuffer();
        hookTable.viewChangedHook = nullptr;
        hookTable.mayClearHook = nullptr;
        hookTable.customClearHook = nullptr;
    }
};

TEST_F(FrameBufferTest, FullScreenBufferOf1368x768IsBottomUpWithNegativePitch) {
    ASSERT_EQ(CreateHeadlessBuffer(1368, 768), 1);
    const FrameBuffer& fb = frameBuffer;
    EXPECT_EQ(fb.pitch, -5472);
    EXPECT_EQ(fb.maxX, 1367);
    EXPECT_EQ(fb.maxY, 767);
    EXPECT_FLOAT_EQ(fb.maxXf, 1367.5f);
    EXPECT_EQ(fb.viewArea, 1368 * 768);
    EXPECT_EQ(fb.rows[0], fb.pixels + 767 * 1368);  // the top row is the last one in memory
    EXPECT_EQ(fb.rows[767], fb.pixels);
    EXPECT_EQ(fb.viewBase, fb.pixels);
    EXPECT_EQ(fb.viewIsFullWidth, 1);
    EXPECT_EQ(fb.matchesWindow, 1);
    for (int32_t i = 0; i < 1368 * 768; ++i) ASSERT_EQ(fb.pixels[i], 0xff000000u) << i;
    // Moving one row down on screen adds pitch bytes.
    EXPECT_EQ(reinterpret_cast<char*>(fb.rows[1]) - reinterpret_cast<char*>(fb.rows[0]), fb.pitch);
}

TEST_F(FrameBufferTest, ViewCornersInAnyOrderAreClampedToTheBuffer) {
    ASSERT_EQ(CreateHeadlessBuffer(64, 48), 1);
    SetView(50, 40, 10, 5);
    const FrameBuffer forward = frameBuffer;
    SetView(10, 5, 50, 40);
    EXPECT_EQ(frameBuffer.viewLeft, forward.viewLeft);
    EXPECT_EQ(frameBuffer.viewBottom, forward.viewBottom);
    EXPECT_EQ(frameBuffer.rows[0], forward.rows[0]);
    EXPECT_EQ(frameBuffer.viewLeft, 10);
    EXPECT_EQ(frameBuffer.viewTop, 5);
    EXPECT_EQ(frameBuffer.maxX, 40);
    EXPECT_EQ(frameBuffer.maxY, 35);
    EXPECT_EQ(frameBuffer.viewIsFullWidth, 0);
    EXPECT_EQ(frameBuffer.rows[0], frameBuffer.pixels + (48 - 5 - 1) * 64 + 10);
    EXPECT_EQ(frameBuffer.viewBase, frameBuffer.rows[35]);

    SetView(-20, -30, 500, 700);
    EXPECT_EQ(frameBuffer.viewLeft, 0);
    EXPECT_EQ(frameBuffer.viewTop, 0);
    EXPECT_EQ(frameBuffer.viewRight, 63);
    EXPECT_EQ(frameBuffer.viewBottom, 47);

    SetView(3, 3, 4, 4);
    SetView(-1, 12345, 0, 0);  // x0 = -1: the whole buffer, whatever the rest says
    EXPECT_EQ(frameBuffer.viewWidth, 64);
    EXPECT_EQ(frameBuffer.viewHeight, 48);
}

int viewChanges = 0;
TEST_F(FrameBufferTest, SetViewCallsTheHookButRecomputeDoesNot) {
    ASSERT_EQ(CreateHeadlessBuffer(16, 8), 1);
    viewChanges = 0;
    hookTable.viewChangedHook = [] { ++viewChanges; };
    SetView(0, 0, 7, 7);
    EXPECT_EQ(viewChanges, 1);
    RecomputeView();
    EXPECT_EQ(viewChanges, 1);
}

TEST_F(FrameBufferTest, ClearViewFillsOnlyThePartialView) {
    ASSERT_EQ(CreateHeadlessBuffer(16, 8), 1);
    std::fill(frameBuffer.pixels, frameBuffer.pixels + 16 * 8, 0x12345678u);
    frameBuffer.clearColour = 0xff000000u;
    SetView(3, 2, 9, 5);
    ClearView();
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            const bool inside = x >= 3 && x <= 9 && y >= 2 && y <= 5;
            const uint32_t stored = frameBuffer.pixels[(7 - y) * 16 + x];
            EXPECT_EQ(stored, inside ? 0xff000000u : 0x12345678u) << x << "," << y;
        }
    }
}

TEST_F(FrameBufferTest, ClearHooksCanRefuseOrReplaceTheFill) {
    ASSERT_EQ(CreateHeadlessBuffer(8, 8), 1);
    frameBuffer.pixels[0] = 7;
    hookTable.mayClearHook = [] { return int32_t{0}; };
    ClearView();
    EXPECT_EQ(frameBuffer.pixels[0], 7u);
    hookTable.mayClearHook = [] { return int32_t{1}; };
    hookTable.customClearHook = [] { frameBuffer.pixels[0] = 9; };
    ClearView();
    EXPECT_EQ(frameBuffer.pixels[0], 9u);
    EXPECT_EQ(frameBuffer.pixels[1], 0xff000000u);
}

TEST_F(FrameBufferTest, OddWidthsAreFilledCompletely) {
    ASSERT_EQ(CreateHeadlessBuffer(1023, 3), 1);
    for (int32_t i = 0; i < 1023 * 3; ++i) ASSERT_EQ(frameBuffer.pixels[i], 0xff000000u);
    EXPECT_EQ(CreateHeadlessBuffer(0, 5), 0);
}

}  // namespace
