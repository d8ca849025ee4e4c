// Host shell, what the application's effect loop asks of the platform. Two implementations: the
// Windows layer (win_*.cpp: a window, a DIB section, real clocks) and a headless one
// (headless_platform.cpp, library gyrata_host_headless: plain memory, no window, a virtual clock) for
// tools and tests. The Windows executable never links the headless one.
//
// All run on the EffectThread, except SetFullScreenSize, the first CreateBackBuffer (static
// initialisation) and the one made for the window, which runs the splash on the main thread before
// the EffectThread starts.
#pragma once

#include <cstdint>

// Sizes the window and the back buffer to the screen (headless: leaves the configured size).
void SetFullScreenSize();

// (Re)creates the back buffer at the window size, sets the view, then runs splashPainter or fills
// the buffer with clearColour. Returns 1, or 0 when no buffer could be made.
int32_t CreateBackBuffer();

// Frees the back buffer (and the pacing's vertical-blank object).
void ReleaseBackBuffer();

// Waits for the frame period, stamps the frame and copies the view to the window.
void Present();

// Chooses the frame rate and the way to wait (pacing.h).
void SetUpPacing();

// Sleeps; headless, only the virtual clock advances.
void SleepMs(int32_t ms);

// Brings the window to the top of the Z order; nothing headless.
void RaiseWindow();

// 1 while the splash's one-shot timer has not fired yet.
int32_t SplashTimerRunning();
