#include "host/headless_platform.h"

#include <gtest/gtest.h>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "host/host_config.h"
#include "host/pacing.h"
#include "host/platform.h"

namespace {

int32_t splashCalls = 0;
void CountSplash() { ++splashCalls; }

class HeadlessPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hostConfig.windowWidth = 64;
        hostConfig.windowHeight = 32;
        framePacing = FramePacing{};
        pacingPlatform = kVirtualPacingPlatform;
        presentedFrames = 0;
    }
    void TearDown() override {
        ReleaseBackBuffer();
        hostConfig = HostConfig{};
        hookTable.splashPainter = nullptr;
        hookTable.slowStateHook = nullptr;
        framePacing = FramePacing{};
    }
};

TEST_F(HeadlessPlatformTest, FreshBufferHasTheWindowSizeAndTheConfiguredClearColour) {
    hostConfig.clearColour = 0xff102030u;
    ASSERT_EQ(CreateBackBuffer(), 1);
    EXPECT_EQ(frameBuffer.width, 64);
    EXPECT_EQ(frameBuffer.height, 32);
    EXPECT_EQ(frameBuffer.matchesWindow, 1);
    for (int32_t i = 0; i < 64 * 32; ++i) ASSERT_EQ(frameBuffer.pixels[i], 0xff102030u) << i;
    ReleaseBackBuffer();
    EXPECT_EQ(frameBuffer.pixels, nullptr);
}

TEST_F(HeadlessPlatformTest, SplashPainterReplacesTheFill) {
    splashCalls = 0;
    hookTable.splashPainter = CountSplash;
    ASSERT_EQ(CreateBackBuffer(), 1);
    EXPECT_EQ(splashCalls, 1);
    EXPECT_EQ(SplashTimerRunning(), 0);  // no timer without a window: nothing to wait for
}

TEST_F(HeadlessPlatformTest, PresentCountsFramesAndPacesOnAVirtualClock) {
    ASSERT_EQ(CreateBackBuffer(), 1);
    SetUpPacing();
    EXPECT_EQ(framePacing.useVsync, 0);
    EXPECT_EQ(framePacing.usePerformanceCounter, 0);
    const uint64_t start = PacingNow();
    for (int32_t i = 0; i < 31; ++i) Present();
    EXPECT_EQ(presentedFrames, 31);
    // Thirty periods of 33.3 ms, each waited in whole milliseconds: a virtual second, at once.
    EXPECT_GE(PacingNow() - start, 30u * 33u);
    EXPECT_LE(PacingNow() - start, 30u * 34u);
    SleepMs(250);
    EXPECT_GE(PacingNow() - start, 30u * 33u + 250u);
}

TEST_F(HeadlessPlatformTest, NothingIsCountedWhileTheBufferDoesNotMatchTheWindow) {
    ASSERT_EQ(CreateBackBuffer(), 1);
    hostConfig.windowWidth = 65;
    SetFullScreenSize();  // recomputes the view against the changed window size
    Present();
    EXPECT_EQ(presentedFrames, 0);
}

}  // namespace
