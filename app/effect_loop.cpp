#include "app/effect_loop.h"

#include <atomic>
#include <string>

#include "app/help_overlay.h"
#include "app/key_controls.h"
#include "app/render_passes.h"
#include "app/settings_file.h"
#include "app/spiral.h"
#include "app/steering.h"
#include "host/host_config.h"
#include "host/platform.h"
#include "host/start_up.h"
#include "raster/polygon.h"
#include "raster/raster_thread.h"

namespace {

constexpr int32_t kSplashPollMs = 100;
// The splash's one-second timer normally ends the wait; a timer that never reaches the window
// procedure must not keep the saver from starting.
constexpr int32_t kSplashPollLimit = 30;
constexpr int32_t kPausedPassMs = 150;

void StartUp() {
    SetUpPacing();
    LoadSettings(std::wstring(programPath));
    RaiseWindow();
    if (hookTable.splashPainter) {
        for (int32_t polls = 0; polls < kSplashPollLimit && SplashTimerRunning(); ++polls) SleepMs(kSplashPollMs);
    }
    StartHelpOverlay();
    hookTable.keyUpHook.store(KeyControlsHook, std::memory_order_relaxed);
    KeyControlsHook();  // no key is released yet: this only resets the input state
}

// One pass: a paused pass shows the unchanged picture; hidden passes are drawn but not paced or shown.
// The help panel is drawn on every pass and removed once its frame has been shown.
void RunPass() {
    if (Load(steering.paused)) {
        SleepMs(kPausedPassMs);
    } else {
        DrawSpiralFrame();
    }
    DrawHelpPanel();
    if (!CountDownHiddenFrame()) {
        Present();
        RemoveHelpPanel();
    }
}

void ShutDown() {
    StopHelpOverlay();
    ReleaseBackBuffer();
    SaveSettings();
    // The rasteriser's records are per thread, and the releases at exit run on the main thread.
    ReleaseThreadRasteriser();
}

}  // namespace

void EffectMainLoop() {
    StartUp();
    while (!Load(steering.exitRequested)) RunPass();
    ShutDown();
}
