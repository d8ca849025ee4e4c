#include "host/pacing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/host_config.h"

namespace {

// A scripted machine: time in fractional milliseconds, a vertical blank every vblankPeriodMs (0: the
// waits return at once), a performance counter of `frequency` counts per second, and sleeps that take
// exactly their time (a zero sleep a hundredth of a millisecond).
struct Machine {
    double nowMs = 5.3;
    double vblankPeriodMs = 0.0;
    uint64_t frequency = 0;
    int32_t vblankAvailable = 1;
    std::vector<uint32_t> sleeps;
    int32_t vblankWaits = 0;
    int32_t opened = 0;
    int32_t closed = 0;
    std::vector<uint32_t> monitors;
};
Machine machine;

uint64_t Counter() { return static_cast<uint64_t>(machine.nowMs * static_cast<double>(machine.frequency) / 1000.0); }
uint64_t Frequency() { return machine.frequency; }
uint32_t Milliseconds() { return static_cast<uint32_t>(std::floor(machine.nowMs)); }
void Sleep(uint32_t ms) {
    machine.sleeps.push_back(ms);
    machine.nowMs += ms == 0 ? 0.01 : ms;
}
int32_t OpenVerticalBlank() {
    ++machine.opened;
    return machine.vblankAvailable;
}
void WaitForVerticalBlank() {
    ++machine.vblankWaits;
    if (machine.vblankPeriodMs > 0)
        machine.nowMs = (std::floor(machine.nowMs / machine.vblankPeriodMs) + 1) * machine.vblankPeriodMs;
}
void CloseVerticalBlank() { ++machine.closed; }
void ReadRefreshRates() {
    for (uint32_t hz : machine.monitors) RecordRefreshRate(hz);
}

std::vector<int32_t> slowReports;
void RecordSlowState(int32_t slow) { slowReports.push_back(slow); }

class PacingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = Machine{};
        framePacing = FramePacing{};
        slowReports.clear();
        pacingPlatform = {Counter,
                          Frequency,
                          Milliseconds,
                          Sleep,
                          OpenVerticalBlank,
                          WaitForVerticalBlank,
                          CloseVerticalBlank,
                          ReadRefreshRates};
    }
    void TearDown() override {
        pacingPlatform = kVirtualPacingPlatform;
        framePacing = FramePacing{};
        hookTable.slowStateHook = nullptr;
    }
    // One Present's pacing: the wait and load step, then the stamp.
    static void PacedPresent() {
        UpdateLoad();
        StampFrame();
    }
};

TEST_F(PacingTest, VerticalBlankAt60HzGivesTwoIntervalsAnd30Fps) {
    machine.vblankPeriodMs = 1000.0 / 60.0;
    SetUpPacing();
    EXPECT_EQ(framePacing.useVsync, 1);
    EXPECT_TRUE(framePacing.refreshPeriodMs == 33 || framePacing.refreshPeriodMs == 34) << framePacing.refreshPeriodMs;
    EXPECT_EQ(framePacing.targetFps, 30);
}

TEST_F(PacingTest, VerticalBlankAt75HzPrefersTwoIntervalsOverThree) {
    machine.vblankPeriodMs = 1000.0 / 75.0;
    for (double start : {0.0, 0.4, 5.3, 12.9}) {
        machine.nowMs = start;
        framePacing = FramePacing{};
        SetUpPacing();
        ASSERT_EQ(framePacing.useVsync, 1);
        const int32_t period = framePacing.refreshPeriodMs;
        ASSERT_TRUE(period == 26 || period == 27) << period;
        EXPECT_EQ(framePacing.targetFps, period == 26 ? 39 : 37);
    }
}

TEST_F(PacingTest, WaitsThatReturnAtOnceFallBackToTheCounter) {
    machine.vblankPeriodMs = 0.0;  // what a vertical-blank wait without a real display does
    machine.frequency = 10000000;
    machine.monitors = {60};
    SetUpPacing();
    EXPECT_EQ(framePacing.useVsync, 0);
    EXPECT_EQ(framePacing.usePerformanceCounter, 1);
    EXPECT_EQ(framePacing.performanceFrequency, 10000000u);
    EXPECT_EQ(framePacing.targetFps, 30);
    EXPECT_GE(machine.closed, 2);  // the useless vertical-blank object is given up
    EXPECT_EQ(PacingNow(), Counter());
}

TEST_F(PacingTest, WaitsFarFrom33MsFallBackToMilliseconds) {
    machine.vblankPeriodMs = 2000.0;  // no wait comes closer than 1000 ms to the mark
    machine.monitors = {0};
    SetUpPacing();
    EXPECT_EQ(framePacing.useVsync, 0);
    EXPECT_EQ(framePacing.usePerformanceCounter, 0);
    EXPECT_EQ(framePacing.targetFps, 30);
    EXPECT_EQ(PacingNow(), Milliseconds());
}

TEST_F(PacingTest, WithoutVerticalBlankA25HzMultipleOnTheFirstMonitorGives25Fps) {
    machine.vblankAvailable = 0;
    machine.frequency = 3579545;
    struct Case {
        std::vector<uint32_t> monitors;
        int32_t fps;
    };
    const Case cases[] = {{{50}, 25}, {{75}, 25},     {{100}, 25},    {{60}, 30}, {{0}, 30},
                          {{}, 30},   {{60, 50}, 30}, {{50, 60}, 25}, {{85}, 30}};
    for (const Case& c : cases) {
        machine.monitors = c.monitors;
        framePacing = FramePacing{};
        SetUpPacing();
        EXPECT_EQ(framePacing.useVsync, 0);
        EXPECT_EQ(framePacing.targetFps, c.fps) << (c.monitors.empty() ? 0 : c.monitors[0]);
        EXPECT_EQ(machine.vblankWaits, 0);
    }
}

TEST_F(PacingTest, MoreThan16MonitorsStayInsideTheTable) {
    machine.vblankAvailable = 0;
    for (uint32_t i = 0; i < 20; ++i) machine.monitors.push_back(50 + i);
    SetUpPacing();
    EXPECT_EQ(framePacing.refreshRateCount, 16);
    EXPECT_EQ(framePacing.refreshRates[15], 65u);
    EXPECT_EQ(framePacing.targetFps, 25);
}

TEST_F(PacingTest, PresentBeforeSetUpNeverWaits) {
    PacedPresent();
    PacedPresent();
    EXPECT_EQ(framePacing.frameStartValid, 0);
    EXPECT_TRUE(machine.sleeps.empty());
}

TEST_F(PacingTest, MillisecondModeWaitsForTheRestOfThePeriod) {
    machine.vblankAvailable = 0;
    SetUpPacing();
    PacedPresent();  // the first one does not wait
    EXPECT_TRUE(machine.sleeps.empty());
    machine.nowMs += 10.0;  // drawing
    PacedPresent();
    // trunc(33.33 - 10) = 23
    EXPECT_EQ(machine.sleeps, std::vector<uint32_t>{23});
    EXPECT_FLOAT_EQ(framePacing.frameLoad, static_cast<float>(1.0 - 23 / (1000.0 / 30)));
    // A late frame does not sleep.
    machine.sleeps.clear();
    machine.nowMs += 50.0;
    PacedPresent();
    EXPECT_TRUE(machine.sleeps.empty());
    EXPECT_GT(framePacing.frameLoad, 1.0f);
}

TEST_F(PacingTest, CounterModeSleepsThenSpinsToTheDeadline) {
    machine.vblankAvailable = 0;
    machine.frequency = 1000000;
    SetUpPacing();
    PacedPresent();
    const uint64_t start = framePacing.frameStart;
    machine.nowMs += 10.0;
    PacedPresent();
    // x = (33333.3 - 10000) / 33333.3 = 0.7, waitMs = trunc(0.7 * 1000 / 30) = 23, slept 22.
    ASSERT_FALSE(machine.sleeps.empty());
    EXPECT_EQ(machine.sleeps[0], 22u);
    for (size_t i = 1; i < machine.sleeps.size(); ++i) EXPECT_EQ(machine.sleeps[i], 0u);
    EXPECT_NEAR(framePacing.frameLoad, 0.3f, 1e-4);
    EXPECT_GE(framePacing.frameStart - start, 33333u);  // released at the deadline, not before
    EXPECT_LT(framePacing.frameStart - start, 33333u + 100u);
}

TEST_F(PacingTest, CounterModeLateAndBackwardsFrames) {
    machine.vblankAvailable = 0;
    machine.frequency = 1000000;
    SetUpPacing();
    PacedPresent();
    machine.nowMs += 50.0;
    PacedPresent();
    EXPECT_TRUE(machine.sleeps.empty());  // waitMs is negative
    EXPECT_NEAR(framePacing.frameLoad, 1.5f, 1e-4);
    // A clock that seems to run backwards counts as a quarter period left.
    framePacing.frameStart = Counter() + 1000;
    framePacing.frameStartValid = 1;
    EXPECT_EQ(WaitForFrame(), 1);
    EXPECT_FLOAT_EQ(framePacing.frameLoad, 0.75f);
}

TEST_F(PacingTest, VsyncModeSleepsUntilAMillisecondBeforeThenWaitsForTheBlank) {
    machine.vblankPeriodMs = 1000.0 / 60.0;
    SetUpPacing();
    ASSERT_EQ(framePacing.useVsync, 1);
    const int32_t period = framePacing.refreshPeriodMs;
    PacedPresent();
    const int32_t waitsBefore = machine.vblankWaits;
    machine.sleeps.clear();
    machine.nowMs += 10.0;
    const int32_t elapsed = static_cast<int32_t>(Milliseconds() - static_cast<uint32_t>(framePacing.frameStart));
    PacedPresent();
    EXPECT_EQ(machine.sleeps, std::vector<uint32_t>{static_cast<uint32_t>(period - elapsed - 1)});
    EXPECT_EQ(machine.vblankWaits, waitsBefore + 1);
    EXPECT_FLOAT_EQ(framePacing.frameLoad, 1.0f - static_cast<float>(period - elapsed) / period);
    // Late: neither sleep nor wait.
    machine.sleeps.clear();
    machine.nowMs += 60.0;
    PacedPresent();
    EXPECT_TRUE(machine.sleeps.empty());
    EXPECT_EQ(machine.vblankWaits, waitsBefore + 1);
}

TEST_F(PacingTest, SustainedLoadOf1Point5EntersTheSlowStateAtThe15thFrame) {
    hookTable.slowStateHook = RecordSlowState;
    for (int32_t frame = 1; frame <= 14; ++frame) {
        framePacing.frameLoad = 1.5f;
        SmoothFrameLoad();
    }
    EXPECT_TRUE(slowReports.empty());
    EXPECT_LT(framePacing.averageLoad, 1.0f);
    framePacing.frameLoad = 1.5f;
    SmoothFrameLoad();
    EXPECT_EQ(slowReports, std::vector<int32_t>{1});
    EXPECT_EQ(framePacing.slowState, 1);
    framePacing.frameLoad = 1.5f;
    SmoothFrameLoad();
    EXPECT_EQ(slowReports.size(), 1u);  // reported once
}

TEST_F(PacingTest, AStallAbove8IsIgnored) {
    framePacing.frameLoad = 8.5f;
    SmoothFrameLoad();
    EXPECT_EQ(framePacing.averageLoad, 0.7f);
    framePacing.frameLoad = 8.0f;
    SmoothFrameLoad();
    EXPECT_GT(framePacing.averageLoad, 0.7f);
}

TEST_F(PacingTest, AveragesRiseAt1Over32AndFallAt1Over128) {
    framePacing.frameLoad = 1.02f;
    SmoothFrameLoad();
    EXPECT_FLOAT_EQ(framePacing.averageLoad, 0.7f + (1.02f - 0.7f) / 32);
    const float before = framePacing.averageLoad;
    framePacing.frameLoad = 0.1f;
    SmoothFrameLoad();
    EXPECT_FLOAT_EQ(framePacing.averageLoad, before + (0.1f - before) / 128);
}

// Drives the estimate into the slow state and out again; returns with the watch just started.
void EnterAndLeaveSlowState() {
    while (!framePacing.slowState) {
        framePacing.frameLoad = 1.5f;
        SmoothFrameLoad();
    }
    while (framePacing.slowState) {
        framePacing.frameLoad = 0.0f;
        SmoothFrameLoad();
    }
}

TEST_F(PacingTest, LeavingTheSlowStateStartsAWatchOf1023Frames) {
    hookTable.slowStateHook = RecordSlowState;
    EnterAndLeaveSlowState();
    EXPECT_EQ(slowReports, (std::vector<int32_t>{1, 0}));
    EXPECT_LT(framePacing.averageLoad, 0.75f);
    EXPECT_EQ(framePacing.recoverCooldown, 1023);
}

TEST_F(PacingTest, ALoadAbove0Point9WithinTheWatchLowersTheThreshold) {
    EnterAndLeaveSlowState();
    while (framePacing.recoverCooldown != 0 && framePacing.averageLoad <= 0.9f) {
        framePacing.frameLoad = 1.2f;  // below 1.0 on average for a long while: no new slow state
        SmoothFrameLoad();
    }
    EXPECT_EQ(framePacing.recoverCooldown, 0);
    EXPECT_FLOAT_EQ(framePacing.recoverThreshold, 0.65f);

    // Never below 0.15.
    framePacing.recoverThreshold = 0.2f;
    framePacing.recoverCooldown = 500;
    framePacing.averageLoad = 0.95f;
    framePacing.frameLoad = 1.0f;
    SmoothFrameLoad();
    EXPECT_FLOAT_EQ(framePacing.recoverThreshold, 0.15f);
    EXPECT_EQ(framePacing.recoverCooldown, 0);
}

TEST_F(PacingTest, AnUndisturbedWatchRaisesTheThresholdUpTo0Point85) {
    EnterAndLeaveSlowState();
    for (int32_t frame = 0; frame < 1022; ++frame) {
        framePacing.frameLoad = 0.5f;
        SmoothFrameLoad();
    }
    EXPECT_EQ(framePacing.recoverCooldown, 1);
    EXPECT_FLOAT_EQ(framePacing.recoverThreshold, 0.75f);
    framePacing.frameLoad = 0.5f;
    SmoothFrameLoad();
    EXPECT_EQ(framePacing.recoverCooldown, 0);
    EXPECT_FLOAT_EQ(framePacing.recoverThreshold, 0.85f);

    // Never above 0.85.
    framePacing.recoverThreshold = 0.8f;
    framePacing.recoverCooldown = 1;
    SmoothFrameLoad();
    EXPECT_FLOAT_EQ(framePacing.recoverThreshold, 0.85f);

    // A watch that ends with averageLoad at 0.85 or more leaves it.
    framePacing.recoverThreshold = 0.5f;
    framePacing.recoverCooldown = 1;
    framePacing.averageLoad = 0.86f;
    framePacing.frameLoad = 0.86f;
    SmoothFrameLoad();
    EXPECT_FLOAT_EQ(framePacing.recoverThreshold, 0.5f);
}

TEST_F(PacingTest, SetUpLeavesTheSlowStateAndInstallsAQuietHook) {
    hookTable.slowStateHook = RecordSlowState;
    framePacing.slowState = 1;
    framePacing.averageLoad = 1.3f;
    framePacing.recoverThreshold = 0.35f;
    framePacing.recoverCooldown = 7;
    machine.vblankAvailable = 0;
    SetUpPacing();
    EXPECT_EQ(slowReports, std::vector<int32_t>{0});
    EXPECT_EQ(framePacing.slowState, 0);
    EXPECT_EQ(framePacing.averageLoad, 0.7f);
    EXPECT_EQ(framePacing.recoverThreshold, 0.75f);
    EXPECT_EQ(framePacing.recoverCooldown, 0);
    EXPECT_NE(hookTable.slowStateHook, nullptr);
    EXPECT_NE(hookTable.slowStateHook, RecordSlowState);
    hookTable.slowStateHook(1);  // does nothing
    EXPECT_EQ(slowReports.size(), 1u);
}

}  // namespace
