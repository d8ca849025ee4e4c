// Host shell: the one 32-bit back buffer and its view, the clip rectangle through which every raster
// operation addresses pixels.
//
// This is the portable half: the record, the view arithmetic, clearing, and attaching pixel memory.
// Where the memory comes from is not its concern: on Windows a DIB section (win_back_buffer.cpp),
// in tools and tests plain memory (headless_buffer.h). Pixels are 0xAARRGGBB words.
//
// Only the drawing thread calls these, except that static initialisation attaches the first buffer.
#pragma once

#include <cstdint>

struct FrameBuffer {
    uint32_t* pixels = nullptr;  // first pixel in memory; owned by whoever attached it
    int32_t width = 0;
    int32_t height = 0;
    int32_t bottomUp = 1;  // rows stored bottom row first, as in a bitmap of positive height
    int32_t viewLeft = -1, viewTop = -1, viewRight = -1, viewBottom = -1;  // -1: the whole buffer
    int32_t viewWidth = 0, viewHeight = 0;
    int32_t maxX = 0, maxY = 0;
    float maxXf = 0.5f, maxYf = 0.5f;
    int32_t viewArea = 0;
    int32_t pitch = 0;             // bytes from a row to the row below it on screen
    uint32_t** rows = nullptr;     // rows[y]: view pixel (0, y), for y = 0..maxY
    uint32_t* viewBase = nullptr;  // lowest address of any view pixel
    int32_t viewIsFullWidth = 0;
    int32_t matchesWindow = 0;
    uint32_t clearColour = 0xff000000u;
};
extern FrameBuffer frameBuffer;

// Address of view pixel (x, y); no bounds check.
inline uint32_t* ViewPixel(int32_t x, int32_t y) { return frameBuffer.rows[y] + x; }

// Sets the view to the rectangle with corners (x0, y0) and (x1, y1) in absolute buffer coordinates,
// in any order, clamped to the buffer; x0 = -1 selects the whole buffer. Calls viewChangedHook.
void SetView(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// SetView without the hook: used when the buffer size changes under an unchanged view.
void RecomputeView();

// Fills the view with clearColour, unless mayClearHook says no or customClearHook does it instead.
void ClearView();

// Makes pixels (width x height, bottom-up, rows without gaps) the back buffer and recomputes the view
// on the stored view rectangle. The row table is sized here; pixels may be null to detach.
void AttachPixels(uint32_t* pixels, int32_t width, int32_t height);

// Stores clearColour into every pixel of the buffer (a fresh back buffer).
void FillWholeBuffer();
