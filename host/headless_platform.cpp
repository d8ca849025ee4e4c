// The platform without a window: the back buffer lives in plain memory (headless_buffer.h), Present
// only counts frames, and time is the pacing's virtual clock, so a headless run never waits.
#include "host/headless_platform.h"

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "host/host_config.h"
#include "host/pacing.h"
#include "host/platform.h"

int32_t presentedFrames = 0;
void (*afterHeadlessPresent)() = nullptr;
int32_t splashTimerPollsLeft = 0;

void SetFullScreenSize() { RecomputeView(); }

int32_t CreateBackBuffer() {
    // The stored view survives a new buffer, as it does for the Windows bitmap.
    const int32_t left = frameBuffer.viewLeft, top = frameBuffer.viewTop;
    const int32_t right = frameBuffer.viewRight, bottom = frameBuffer.viewBottom;
    frameBuffer.clearColour = hostConfig.clearColour;
    if (!CreateHeadlessBuffer(hostConfig.windowWidth, hostConfig.windowHeight)) return 0;
    if (left != -1) SetView(left, top, right, bottom);
    if (hookTable.splashPainter) hookTable.splashPainter();
    return 1;
}

void ReleaseBackBuffer() {
    ReleaseHeadlessBuffer();
    pacingPlatform.closeVerticalBlank();
}

void Present() {
    UpdateLoad();
    StampFrame();
    if (frameBuffer.matchesWindow) ++presentedFrames;
    if (afterHeadlessPresent) afterHeadlessPresent();
}

void SleepMs(int32_t ms) { pacingPlatform.sleepMs(ms > 0 ? static_cast<uint32_t>(ms) : 0); }

void RaiseWindow() {}

int32_t SplashTimerRunning() {
    if (splashTimerPollsLeft == 0) return 0;
    if (splashTimerPollsLeft > 0) --splashTimerPollsLeft;
    return 1;
}
