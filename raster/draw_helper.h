// Raster core, the drawing helper: one extra thread that takes half of a disc batch, so that a frame
// is rasterised on two cores. Drawing thread only; the helper's own rasteriser state is its own
// (raster/raster_thread.h).
#pragma once

// Starts task(argument) on the helper thread, starting the thread on first use; false if there is no
// helper (a single core, or no thread could be started), and the caller then does the work itself.
// At most one task at a time: WaitForHelperTask before the next.
bool StartHelperTask(void (*task)(void* argument), void* argument);

// Whether StartHelperTask may use the helper (it may at start-up); for comparing the two ways of
// drawing.
void AllowDrawHelper(bool allowed);

// Returns once the started task has finished (at once if none is running).
void WaitForHelperTask();

// Ends the helper thread, which first releases its rasteriser memory (process exit).
void StopDrawHelper();
