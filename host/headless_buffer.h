// Host shell, headless side: a back buffer in plain memory for tools and tests, laid out exactly like
// the Windows DIB section (bottom-up, rows without gaps), so drawing runs the same code paths.
#pragma once

#include <cstdint>

// Allocates a width x height buffer, makes it the window size too (so it counts as presentable),
// attaches it with the whole-buffer view and fills it with clearColour. Returns 1, or 0 if the size
// is not positive or memory runs out. Replaces any earlier headless buffer.
int32_t CreateHeadlessBuffer(int32_t width, int32_t height);
void ReleaseHeadlessBuffer();
