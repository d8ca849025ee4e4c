// Spiral effect: the drawing part of the effect loop's passes, without pacing or presentation, so
// that the loop, the headless renderer and the tests draw the same frames.
//
// Effect thread only (or the one thread of a tool or test).
#pragma once

#include <cstdint>

// The state at program start: spiralPhase 0 and kHiddenFramesAfterChange hidden frames.
void ResetSpiralRun();

// After a pass has drawn its frame: a non-zero hiddenFrames is decreased by one and 1 is returned
// (the frame is not shown); 0 means the frame is to be presented. A value the key controls store at
// the same moment is not lost.
int32_t CountDownHiddenFrame();

// Runs `passes` passes as the effect loop does: each draws one spiral frame (fast discs while
// hiddenFrames is non-zero, polygon discs otherwise) and the help panel if it is up, then counts a
// hidden frame down; a presented pass then removes the panel, except the last one, which is left as
// it would be on the screen. afterPass, when given, hears of every finished pass.
void RenderPasses(int64_t passes, void (*afterPass)(int64_t done, int64_t total) = nullptr);
