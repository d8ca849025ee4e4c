// Host shell, frame pacing: how long Present waits so that frames leave at the target rate, measured
// from the previous Present, and a smoothed load estimate that reports a slow state to slowStateHook.
//
// Three ways to wait, chosen once by SetUpPacing: the vertical blank (where the platform can wait for
// it and its period measures sensibly), the performance counter, or the millisecond timer. The
// clocks, sleeps and vertical-blank waits come from pacingPlatform, so the arithmetic runs the same
// with the real clocks on Windows and with a scripted clock in tests. Its default is a virtual
// millisecond clock that only sleeping advances, so headless runs never wait.
//
// EffectThread only (Present is also called by the splash, on whichever thread draws it).
#pragma once

#include <cstdint>

struct FramePacing {
    int32_t targetFps = 30;
    int32_t useVsync = 1;
    int32_t usePerformanceCounter = 1;
    uint64_t performanceFrequency = 0;  // counts per second
    int32_t refreshPeriodMs = 1;        // frame period in vsync mode
    int32_t pacingIdle = 1;             // Present takes no timestamp until SetUpPacing
    uint64_t frameStart = 0;            // counter counts, or milliseconds with the high half 0
    int32_t frameStartValid = 0;
    float frameLoad = 0.0f;  // share of the frame period the last frame used
    float averageLoad = 0.7f;
    float recoverThreshold = 0.75f;  // averageLoad below which the slow state ends
    int32_t recoverCooldown = 0;     // frames left in the watch after leaving the slow state
    int32_t slowState = 0;
    uint32_t refreshRates[16] = {};  // display frequency of each monitor, in enumeration order
    int32_t refreshRateCount = 0;
};
extern FramePacing framePacing;

struct PacingPlatform {
    uint64_t (*readPerformanceCounter)();
    uint64_t (*readPerformanceFrequency)();  // 0 when there is no performance counter
    uint32_t (*readMilliseconds)();
    void (*sleepMs)(uint32_t ms);
    int32_t (*openVerticalBlank)();  // 1 when vertical-blank waits are possible from now on
    void (*waitForVerticalBlank)();  // returns at the end of the next vertical blank
    void (*closeVerticalBlank)();    // forgets whatever openVerticalBlank made; harmless when none
    void (*readRefreshRates)();      // calls RecordRefreshRate for each monitor
};
extern PacingPlatform pacingPlatform;
extern const PacingPlatform kVirtualPacingPlatform;  // the default: a virtual clock, no vertical blank

// Chooses the waiting mode and targetFps; resets the load estimate.
void SetUpPacing();

// Measures the vertical-blank period closest to 33 ms and derives targetFps from it. Returns 0 when
// the measurement is unusable (the waits return at once, or never come near 33 ms): the caller then
// falls back to the timer modes.
int32_t MeasureRefreshPeriod();

// Appends a monitor's display frequency; monitors beyond the table are ignored.
void RecordRefreshRate(uint32_t hz);

// Waits until the frame period since the last stamp has passed and sets frameLoad. Returns 1 when a
// period was measured, 0 when there was no stamp to measure from.
int32_t WaitForFrame();

// WaitForFrame, then folds frameLoad into averageLoad (see SmoothFrameLoad).
void UpdateLoad();

// The load estimate's step for one measured frame: rises at 1/32, falls at 1/128 of the difference,
// enters and leaves the slow state, and moves recoverThreshold after a watch period.
void SmoothFrameLoad();

// Present's timestamp after the wait: none while pacing is idle.
void StampFrame();

// The clock the pacing reads: the performance counter in counter mode, milliseconds otherwise.
uint64_t PacingNow();
