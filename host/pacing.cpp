#include "host/pacing.h"

#include <cstdlib>

#include "host/host_config.h"

FramePacing framePacing;

namespace {

uint32_t virtualMilliseconds = 0;

uint64_t VirtualCounter() { return virtualMilliseconds; }
uint64_t NoCounterFrequency() { return 0; }
uint32_t VirtualMilliseconds() { return virtualMilliseconds; }
void AdvanceVirtualClock(uint32_t ms) { virtualMilliseconds += ms; }
int32_t NoVerticalBlank() { return 0; }
void NothingToDo() {}
void NoSlowStateReport(int32_t) {}

constexpr int32_t kMeasureTargetMs = 33;
constexpr int32_t kMeasureAttempts = 30;

void ReportSlowState(int32_t slow) {
    if (hookTable.slowStateHook) hookTable.slowStateHook(slow);
}

// Sleep (n - 1) ms, or 0 when that is not positive: wake about a millisecond early and finish the wait
// on something finer.
void SleepAlmost(int32_t n) { pacingPlatform.sleepMs(n - 1 > 0 ? static_cast<uint32_t>(n - 1) : 0); }

}  // namespace

extern constexpr PacingPlatform kVirtualPacingPlatform = {
    VirtualCounter,  NoCounterFrequency, VirtualMilliseconds, AdvanceVirtualClock,
    NoVerticalBlank, NothingToDo,        NothingToDo,         NothingToDo,
};
PacingPlatform pacingPlatform = kVirtualPacingPlatform;

uint64_t PacingNow() {
    const FramePacing& p = framePacing;
    if (!p.useVsync && p.usePerformanceCounter) return pacingPlatform.readPerformanceCounter();
    return pacingPlatform.readMilliseconds();
}

void RecordRefreshRate(uint32_t hz) {
    FramePacing& p = framePacing;
    if (p.refreshRateCount >= 16) return;
    p.refreshRates[p.refreshRateCount++] = hz;
}

int32_t MeasureRefreshPeriod() {
    FramePacing& p = framePacing;
    pacingPlatform.waitForVerticalBlank();
    const uint32_t t0 = pacingPlatform.readMilliseconds();
    int32_t best = 1000;
    bool found = false;
    uint32_t tBest = t0;
    for (int32_t i = 0; i < kMeasureAttempts; ++i) {
        pacingPlatform.waitForVerticalBlank();
        const uint32_t t = pacingPlatform.readMilliseconds();
        const int32_t d = std::abs(static_cast<int32_t>(t - t0) - kMeasureTargetMs);
        if (d < best) {
            best = d, tBest = t, found = true;
        } else if (found) {
            break;
        }
    }
    const int32_t period = static_cast<int32_t>(tBest - t0);
    // Waits that return at once measure 0 ms, and waits that never come near 33 ms measure nothing.
    if (!found || period <= 0) return 0;
    p.refreshPeriodMs = period;
    p.targetFps = static_cast<int32_t>(1000.0 / period + 0.6);
    return 1;
}

void SetUpPacing() {
    FramePacing& p = framePacing;
    p.targetFps = 30;
    if (p.usePerformanceCounter) {
        p.performanceFrequency = pacingPlatform.readPerformanceFrequency();
        p.usePerformanceCounter = p.performanceFrequency != 0;
    }
    p.frameStartValid = 0;
    p.pacingIdle = 0;
    if (p.slowState) {
        p.slowState = 0;
        ReportSlowState(0);
    }
    p.averageLoad = 0.7f;
    p.recoverCooldown = 0;
    p.slowState = 0;
    p.recoverThreshold = 0.75f;
    pacingPlatform.closeVerticalBlank();
    if (p.useVsync) {
        if (!pacingPlatform.openVerticalBlank()) {
            p.useVsync = 0;
        } else if (!MeasureRefreshPeriod()) {
            p.useVsync = 0;
            pacingPlatform.closeVerticalBlank();
        }
    }
    if (!p.useVsync) {
        p.refreshRateCount = 0;
        p.refreshRates[0] = 0;
        pacingPlatform.readRefreshRates();
        if (p.refreshRates[0] != 0 && p.refreshRates[0] % 25 == 0) p.targetFps = 25;
    }
    hookTable.slowStateHook = NoSlowStateReport;
}

int32_t WaitForFrame() {
    FramePacing& p = framePacing;
    if (!p.frameStartValid) return 0;
    p.frameStartValid = 0;
    const int32_t elapsed =
        static_cast<int32_t>(static_cast<uint32_t>(PacingNow()) - static_cast<uint32_t>(p.frameStart));

    if (p.useVsync) {
        const int32_t remain = p.refreshPeriodMs - elapsed;
        p.frameLoad = 1.0f - static_cast<float>(remain) / static_cast<float>(p.refreshPeriodMs);
        if (remain < 0) return 1;
        SleepAlmost(remain);
        pacingPlatform.waitForVerticalBlank();
        return 1;
    }

    if (p.usePerformanceCounter) {
        const uint64_t ticks = p.performanceFrequency / static_cast<uint64_t>(p.targetFps);
        const double period = static_cast<double>(p.performanceFrequency) / p.targetFps;
        double x = (period - elapsed) / period;
        if (x > 1.0) x = 0.25;
        p.frameLoad = static_cast<float>(1.0 - x);
        const int32_t waitMs = static_cast<int32_t>(x * 1000.0 / p.targetFps);
        if (waitMs < 0) return 1;
        SleepAlmost(waitMs);
        const uint64_t target = p.frameStart + ticks;
        for (;;) {
            const int64_t d = static_cast<int64_t>(target - PacingNow());
            if (d <= 0) return 1;
            pacingPlatform.sleepMs(0);
            if (d > static_cast<int64_t>(ticks)) return 1;
        }
    }

    const double period = 1000.0 / p.targetFps;
    const int32_t waitMs = static_cast<int32_t>(period - elapsed);
    p.frameLoad = static_cast<float>(1.0 - waitMs / period);
    if (waitMs > 0) pacingPlatform.sleepMs(static_cast<uint32_t>(waitMs));
    return 1;
}

void SmoothFrameLoad() {
    FramePacing& p = framePacing;
    if (p.frameLoad > p.averageLoad) {
        if (p.frameLoad > 8.0f) return;  // a stall, not a load
        p.averageLoad += (p.frameLoad - p.averageLoad) * 0.03125f;
        if (p.recoverCooldown != 0 && static_cast<double>(p.averageLoad) > 0.9) {
            p.recoverThreshold -= 0.1f;
            if (p.recoverThreshold < 0.15f) p.recoverThreshold = 0.15f;
            p.recoverCooldown = 0;
        }
        if (p.slowState == 0 && p.averageLoad > 1.0f) {
            p.slowState = 1;
            ReportSlowState(1);
        }
    } else {
        p.averageLoad += (p.frameLoad - p.averageLoad) * 0.0078125f;
        if (p.slowState != 0 && p.recoverThreshold > p.averageLoad) {
            p.slowState = 0;
            ReportSlowState(0);
            p.recoverCooldown = 1024;
        }
    }
    if (p.recoverCooldown != 0) {
        --p.recoverCooldown;
        if (p.recoverCooldown == 0 && static_cast<double>(p.averageLoad) < 0.85) {
            p.recoverThreshold += 0.1f;
            if (static_cast<double>(p.recoverThreshold) > 0.85) p.recoverThreshold = 0.85f;
        }
    }
}

void UpdateLoad() {
    if (WaitForFrame()) SmoothFrameLoad();
}

void StampFrame() {
    FramePacing& p = framePacing;
    p.frameStartValid = 0;
    if (p.pacingIdle) return;
    p.frameStart = PacingNow();
    p.frameStartValid = 1;
}
