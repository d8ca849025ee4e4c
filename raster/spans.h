// Raster core, coverage spans: one row of runs of equal coverage, drawn into the view with the shape's
// colour through the PixelOp/RunOp pair of the selected blend mode. The buffer and the installed pair
// are the calling thread's own (raster/raster_thread.h).
//
// A shape's sweep goes: SelectShapeMode(mode), SetScanlineColour(colour), ResetScanline(min, max), then
// AddSpan for every span in row order, and a final FlushScanline(colour) if HeldSpanCount() > 0.
// AddSpan draws each finished row itself, with the colour set by SetScanlineColour.
#pragma once

#include <cstdint>

#include "raster/pixel.h"
#include "raster/raster_thread.h"

#include "host/frame_buffer.h"
#include "raster/blend.h"
#include "raster/blend_channels.h"

// Set in the packed word of a span that continues the span before it: a run longer than one span's
// 4095 pixels is held as several pieces and drawn as the one run it was.
constexpr uint32_t kSpanContinues = 0x80000000u;
constexpr uint32_t kMaxSpanLength = 4095;

constexpr uint32_t kSpanGrowth = 1280;

// Installs the pixel and run operations of mode (1..5, 10; any other value acts as 1) unless they
// are installed already.
void SelectShapeMode(BlendMode mode);

// The colour the rows of the coming sweep are drawn with when AddSpan finishes a row.
void SetScanlineColour(uint32_t colour);

// Empties the buffer and makes room for a row spanning cell columns minX..maxX.
void ResetScanline(int32_t minX, int32_t maxX);

// Appends a span of row y; a span of another row first flushes the held row. Lengths beyond what one
// span holds are split over several spans. The array grows if a row needs more room than
// ResetScanline made, and is never written beyond. The common case, one more span of the held row
// with room for it, is inline; AddSpanInGeneral does the rest, and alone would do the same.
void AddSpanInGeneral(int32_t x, int32_t y, uint32_t length, uint32_t coverage);
inline void AddSpan(int32_t x, int32_t y, uint32_t length, uint32_t coverage) {
    ScanlineBuffer& sb = rasterThread.spans;
    if (y == sb.lastY && length <= kMaxSpanLength && static_cast<uint32_t>(sb.count) < sb.capacity &&
        x <= 0x7fffffff - static_cast<int32_t>(length)) {
        sb.spans[sb.count++] = {x, (length << 8) | (coverage & 255u)};
    } else {
        AddSpanInGeneral(x, y, length, coverage);
    }
}

// A hint that pixel (x, y) of the view is about to be drawn: starts loading it, so that the row's
// operations do not wait for memory. Nothing for a pixel outside the view.
inline void PrefetchViewPixel(int32_t x, int32_t y) {
    const FrameBuffer& fb = frameBuffer;
    if (fb.viewBase && static_cast<uint32_t>(y) < static_cast<uint32_t>(fb.viewHeight) &&
        static_cast<uint32_t>(x) <= static_cast<uint32_t>(fb.maxX)) {
        __builtin_prefetch(fb.rows[y] + x, 1);
    }
}

// Draws the held row with colour; leaves the buffer as it is.
void FlushScanline(uint32_t colour);

// Mode 1, the spiral's, for a span or a part of one: run says whether the whole span was drawn by the
// run operation (more than one pixel after clipping to the view). A part cut from a run keeps the
// run operation even at one pixel: the pixel operation rounds differently (at full coverage it only
// nears the colour instead of storing it, and its alpha moves toward the colour's, not toward k).
inline void DrawNormalPart(uint32_t* first, uint32_t colour, uint32_t length, uint32_t k, bool run) {
    if (!run) {
        *first = channels::BlendPacked(*first, colour, k);
    } else if (k == 255) {
        FillRun(first, colour, length);
    } else {
        BlendRun(first, (colour & 0x00ffffffu) | (k << 24), length);
    }
}

// Number of spans held (for the rasteriser's final flush).
int32_t HeldSpanCount();
