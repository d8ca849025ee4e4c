// Help overlay: the rectangle save stack, which keeps the view's pixels under the help panel from the
// pass that draws it until the presented pass that removes it. Up to 256 rectangles, their pixels
// packed oldest first in one aligned arena that is reused and only ever grows.
//
// Created during static initialisation (or by a tool or test), then used by the drawing thread only.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kSaveStackEntries = 256;
constexpr uint32_t kSaveArenaStep = 655360;  // the arena at start, and the spare room of a grown one

struct SavedRect {
    int32_t x0, y0, x1, y1;  // view coordinates, inclusive, as clamped when saved
    uint32_t* block;         // the rectangle's pixels in the arena, rows top first
};

struct SaveStack {
    SavedRect entries[kSaveStackEntries];
    int32_t count = 0;
    uint32_t* arena = nullptr;
    uint32_t arenaSize = 0;  // bytes
    uint32_t arenaUsed = 0;
    uint32_t growth = kSaveArenaStep;
};
extern SaveStack saveStack;

// The arena of kSaveArenaStep bytes, nothing saved. Returns 0 when there is no memory for it.
int32_t CreateSaveStack();
void ReleaseSaveStack();

// Saves the view's pixels in the rectangle, clamped to the view. Returns 1 when saved or when nothing
// of it lies in the view, 0 when the stack is full or the arena cannot grow (nothing saved).
int32_t SaveRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Writes every saved rectangle back, newest first, clipped to the current view, and empties the
// stack. Returns 0 when nothing was saved.
int32_t RestoreRects();
