// Coverage spans and the blend-mode dispatch of shapes.
//
// The rasteriser hands over one row at a time as spans of equal coverage. A row is drawn span by span,
// clipped to the view; a span of one pixel goes to the mode's PixelOp, a longer one to its RunOp, so
// the two may round differently (mode 2 divides by 256 for a pixel and by 255 for a run, and a run at
// full opacity is a plain fill while a pixel only nears the colour).
//
// A span holds at most 4095 pixels. A longer run is stored as several pieces marked kSpanContinues,
// and the pieces are joined again before clipping, so it draws exactly as one run would: splitting
// must not turn a piece that clips to one pixel into a PixelOp.
#include "raster/spans.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/frame_buffer.h"
#include "raster/blend.h"
#include "raster/blend_channels.h"
#include "raster/pixel.h"

// Mode 1: blend toward the colour by coverage; the alpha channel moves toward the colour's alpha for
// a pixel, toward k for a partial run.
void NormalShapePixel(uint32_t* p, uint32_t colour, uint32_t k) { DrawNormalPart(p, colour, 1, k, false); }
void NormalShapeRun(uint32_t* p, uint32_t colour, uint32_t n, uint32_t k) { DrawNormalPart(p, colour, n, k, true); }

namespace {

constexpr int32_t kEmptyRow = 0x7fff;

uint32_t AlphaOf(uint32_t colour) { return colour >> 24; }
uint32_t WithAlpha(uint32_t colour, uint32_t alpha) { return (colour & 0x00ffffffu) | (alpha << 24); }

// Mode 2: the colour's own opacity scaled by coverage.
void AlphaPixel(uint32_t* p, uint32_t colour, uint32_t k) {
    *p = channels::Blend(*p, colour, (AlphaOf(colour) * k) >> 8);
}
void AlphaRun(uint32_t* p, uint32_t colour, uint32_t n, uint32_t k) {
    const uint32_t e = AlphaOf(colour) * k / 255;
    if (e == 255) {
        FillRun(p, colour, n);
    } else {
        BlendRun(p, WithAlpha(colour, e), n);
    }
}

void AddPixel(uint32_t* p, uint32_t colour, uint32_t k) { *p = channels::Add(*p, channels::Scale(colour, k)); }
void AddSpanRun(uint32_t* p, uint32_t colour, uint32_t n, uint32_t k) { AddRun(p, channels::Scale(colour, k), n); }

void SubtractPixel(uint32_t* p, uint32_t colour, uint32_t k) {
    *p = channels::Subtract(*p, channels::Scale(colour, k));
}
void SubtractSpanRun(uint32_t* p, uint32_t colour, uint32_t n, uint32_t k) {
    SubtractRun(p, channels::Scale(colour, k), n);
}

// Mode 5: the factor fades from white at coverage 0 to the colour at 255; its alpha from 0 to the
// colour's alpha.
uint32_t MultiplyFactor(uint32_t colour, uint32_t k) {
    const uint32_t white = channels::Blend(0xffffffffu, colour, k);
    return WithAlpha(white, (k * AlphaOf(colour)) >> 8);
}
void MultiplyPixel(uint32_t* p, uint32_t colour, uint32_t k) { *p = channels::Multiply(*p, MultiplyFactor(colour, k)); }
void MultiplySpanRun(uint32_t* p, uint32_t colour, uint32_t n, uint32_t k) {
    MultiplyRun(p, MultiplyFactor(colour, k), n);
}

// Mode 10: the colour scaled by coverage, then multiplied into the destination.
void ScreenModePixel(uint32_t* p, uint32_t colour, uint32_t k) {
    *p = channels::Multiply(*p, channels::Scale(colour, k));
}
void ScreenModeRun(uint32_t* p, uint32_t colour, uint32_t n, uint32_t k) {
    MultiplyRun(p, channels::Scale(colour, k), n);
}

// Makes room for need spans in all (64-bit so no range overflows); keeps the held spans if asked.
// Returns 0 if memory runs out, leaving the buffer as it was.
int32_t Reserve(int64_t need, bool keep) {
    ScanlineBuffer& sb = rasterThread.spans;
    if (need <= static_cast<int64_t>(sb.capacity)) return 1;
    const int64_t steps = (need + kSpanGrowth - 1) / kSpanGrowth;
    const int64_t capacity = steps * kSpanGrowth;
    if (capacity > 0x7fffffff / static_cast<int64_t>(sizeof(CoverageSpan))) return 0;
    CoverageSpan* grown = new (std::nothrow) CoverageSpan[static_cast<size_t>(capacity)];
    if (!grown) return 0;
    if (keep && sb.count > 0) std::memcpy(grown, sb.spans, static_cast<size_t>(sb.count) * sizeof(CoverageSpan));
    delete[] sb.spans;
    sb.spans = grown;
    sb.capacity = static_cast<uint32_t>(capacity);
    return 1;
}

void Empty() {
    rasterThread.spans.count = 0;
    rasterThread.spans.lastY = kEmptyRow;
}

}  // namespace

void SelectShapeMode(BlendMode mode) {
    ShapeModeSlots& slots = rasterThread.shapeMode;
    if (mode == slots.mode) return;
    switch (mode) {
    case Alpha:
        slots.pixelOp = AlphaPixel, slots.runOp = AlphaRun;
        break;
    case Add:
        slots.pixelOp = AddPixel, slots.runOp = AddSpanRun;
        break;
    case Subtract:
        slots.pixelOp = SubtractPixel, slots.runOp = SubtractSpanRun;
        break;
    case Multiply:
        slots.pixelOp = MultiplyPixel, slots.runOp = MultiplySpanRun;
        break;
    case Screen:
        slots.pixelOp = ScreenModePixel, slots.runOp = ScreenModeRun;
        break;
    default:
        slots.pixelOp = NormalShapePixel, slots.runOp = NormalShapeRun;
        break;
    }
    slots.mode = mode;
}

void SetScanlineColour(uint32_t colour) { rasterThread.spans.colour = colour; }

void ResetScanline(int32_t minX, int32_t maxX) {
    Empty();
    // A failed allocation leaves the old array; AddSpan then grows or flushes as it goes.
    Reserve(static_cast<int64_t>(maxX) - minX + 2, false);
}

void AddSpanInGeneral(int32_t x, int32_t y, uint32_t length, uint32_t coverage) {
    ScanlineBuffer& sb = rasterThread.spans;
    if (sb.count > 0 && y != sb.lastY) {
        FlushScanline(sb.colour);
        Empty();
    }
    // Pieces stop where x would leave the 32-bit range: no view reaches that far.
    int64_t start = x;
    int64_t remaining = std::min<int64_t>(length, int64_t{0x7fffffff} - start + 1);
    const int64_t pieces = std::max<int64_t>(1, (remaining + kMaxSpanLength - 1) / kMaxSpanLength);

    if (!Reserve(sb.count + pieces, true)) {
        // No more memory: draw what is held so far and start over in the room there is.
        if (sb.count > 0) FlushScanline(sb.colour);
        Empty();
        if (sb.capacity == 0) return;
    }
    sb.lastY = y;
    uint32_t continues = 0;
    do {
        if (static_cast<uint32_t>(sb.count) == sb.capacity) {
            FlushScanline(sb.colour);
            sb.count = 0;
            continues = 0;  // the drawn part already stands on its own; the rest starts anew
        }
        const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(remaining, kMaxSpanLength));
        CoverageSpan& span = sb.spans[sb.count++];
        span.x = static_cast<int32_t>(start);
        span.packed = continues | (n << 8) | (coverage & 255u);
        start += n;
        remaining -= n;
        continues = kSpanContinues;
    } while (remaining > 0);
}

namespace {

// Hands every held span, its pieces joined and clipped to the view's columns, to visit(x, n, k) in
// order of x.
template <class Visit>
void ForEachClippedHeldSpan(Visit visit) {
    const ScanlineBuffer& sb = rasterThread.spans;
    const int64_t maxX = frameBuffer.maxX;
    for (int32_t i = 0; i < sb.count;) {
        int64_t x = sb.spans[i].x;
        int64_t n = (sb.spans[i].packed >> 8) & kMaxSpanLength;
        const uint32_t k = sb.spans[i].packed & 255u;
        for (++i; i < sb.count && (sb.spans[i].packed & kSpanContinues); ++i) {
            n += (sb.spans[i].packed >> 8) & kMaxSpanLength;
        }
        const int64_t end = x + n - 1;
        if (x > maxX || end < 0) continue;
        if (x < 0) x = 0, n = end + 1;
        if (end > maxX) n = maxX - x + 1;
        visit(static_cast<int32_t>(x), static_cast<uint32_t>(n), k);
    }
}

// Draws the held spans into row with the pixel and run operations given; see FlushScanline.
template <class Pixel, class Run>
void DrawHeldSpans(uint32_t* row, uint32_t colour, Pixel pixelOp, Run runOp) {
    ForEachClippedHeldSpan([&](int32_t x, uint32_t n, uint32_t k) {
        if (n == 1) {
            pixelOp(row + x, colour, k);
        } else {
            runOp(row + x, colour, n, k);
        }
    });
}

}  // namespace

void FlushScanline(uint32_t colour) {
    const ScanlineBuffer& sb = rasterThread.spans;
    const FrameBuffer& fb = frameBuffer;
    if (!fb.viewBase) return;
    if (static_cast<uint32_t>(sb.lastY) >= static_cast<uint32_t>(fb.viewHeight)) return;
    uint32_t* const row = fb.rows[sb.lastY];
    const ShapeModeSlots& slots = rasterThread.shapeMode;
    if (slots.pixelOp == NormalShapePixel && slots.runOp == NormalShapeRun) {
        // The spiral's mode: the same operations, called directly so that they are inlined.
        DrawHeldSpans(
            row, colour, [](uint32_t* p, uint32_t c, uint32_t k) { NormalShapePixel(p, c, k); },
            [](uint32_t* p, uint32_t c, uint32_t n, uint32_t k) { NormalShapeRun(p, c, n, k); });
    } else {
        DrawHeldSpans(row, colour, slots.pixelOp, slots.runOp);
    }
}

int32_t HeldSpanCount() { return rasterThread.spans.count; }
