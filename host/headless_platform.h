// The headless platform's own record: how many frames Present would have shown, and a slot that
// Present calls after counting, so a test can act at a chosen presented frame (release keys, look at
// the picture) as a user would while that frame is on the screen.
#pragma once

#include <cstdint>

extern int32_t presentedFrames;
extern void (*afterHeadlessPresent)();  // empty unless a test sets it

// How many more times SplashTimerRunning reports the splash timer as running; below 0 it never stops
// (a timer that never fires). 0 unless a test sets it.
extern int32_t splashTimerPollsLeft;
