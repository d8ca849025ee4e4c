// The fast disc. A disc of radius r around pixel (cx, cy) is drawn by octant symmetry: the centre row
// with the four axis end pixels (the cross), four diagonal corner pixels for radii below 1.5, and for
// larger radii one pair of rows per step i of the first octant, each with its mirrored cap rows. The
// edge pixel of a row gets a coverage 0..255 from the fraction of its exact half-width plus one half;
// interior runs are drawn at full strength with the mode's colour run.
//
// Each blend mode has its own set of seven operations (point, cross, corners, rows; unclipped and
// clipped), installed into slots when the mode changes. A disc whose axis extent lies wholly inside
// the view uses the unclipped set; any other uses the clipped set, which tests every pixel and run.
#include "sprite/disc.h"

#include <cmath>
#include <cstdint>

#include "host/frame_buffer.h"
#include "raster/blend.h"
#include "raster/blend_channels.h"
#include "raster/pixel.h"
#include "sprite/disc_octant.h"

namespace {

// Bits of the clip flags: which of the disc's centre and axis extremes lie inside the view.
constexpr uint32_t kLeftInside = 1u << 0;    // cx - n
constexpr uint32_t kRightInside = 1u << 1;   // cx + n
constexpr uint32_t kTopInside = 1u << 2;     // cy - n
constexpr uint32_t kBottomInside = 1u << 3;  // cy + n
constexpr uint32_t kColumnInside = 1u << 4;  // cx
constexpr uint32_t kRowInside = 1u << 5;     // cy
constexpr uint32_t kExtentInside = kLeftInside | kRightInside | kTopInside | kBottomInside;

// Radii above this are never drawn (no caller comes near it): it keeps every coordinate and the
// octant loop's i * i within 32 bits and the loop itself bounded.
constexpr float kMaxDiscRadius = 16777216.0f;

// One unsigned comparison: negative values count as outside.
inline bool Inside(int32_t v, int32_t size) { return static_cast<uint32_t>(v) < static_cast<uint32_t>(size); }

// The edge blends and interior runs of each mode. Edge blends the pixel by coverage a (0..255).
// Wide and narrow differ only in mode 2, whose opacity weight is a * alpha / 255 in most operations
// but a * alpha / 256 in the point and clipped cross.
struct NormalMode {
    static void Edge(uint32_t* p, uint32_t colour, uint32_t a) { *p = channels::BlendPacked(*p, colour, a); }
    static void EdgeNarrow(uint32_t* p, uint32_t colour, uint32_t a) { Edge(p, colour, a); }
    static void Run(uint32_t* p, uint32_t colour, uint32_t n) { FillRun(p, colour, n); }
};

struct AlphaMode {
    static void Edge(uint32_t* p, uint32_t colour, uint32_t a) {
        NormalMode::Edge(p, colour, a * (colour >> 24) / 255u);
    }
    static void EdgeNarrow(uint32_t* p, uint32_t colour, uint32_t a) {
        NormalMode::Edge(p, colour, (a * (colour >> 24)) >> 8);
    }
    static void Run(uint32_t* p, uint32_t colour, uint32_t n) { BlendRun(p, colour, n); }
};

struct AddMode {
    static void Edge(uint32_t* p, uint32_t colour, uint32_t a) { *p = channels::Add(*p, channels::Scale(colour, a)); }
    static void EdgeNarrow(uint32_t* p, uint32_t colour, uint32_t a) { Edge(p, colour, a); }
    static void Run(uint32_t* p, uint32_t colour, uint32_t n) { AddRun(p, colour, n); }
};

struct SubtractMode {
    static void Edge(uint32_t* p, uint32_t colour, uint32_t a) {
        *p = channels::Subtract(*p, channels::Scale(colour, a));
    }
    static void EdgeNarrow(uint32_t* p, uint32_t colour, uint32_t a) { Edge(p, colour, a); }
    static void Run(uint32_t* p, uint32_t colour, uint32_t n) { SubtractRun(p, colour, n); }
};

struct MultiplyMode {
    // The colour faded toward white by the missing coverage on blue, green and red; alpha is scaled.
    static void Edge(uint32_t* p, uint32_t colour, uint32_t a) {
        const uint32_t faded =
            (channels::Blend(0x00ffffffu, colour, a) & 0x00ffffffu) | (channels::Scale(colour, a) & 0xff000000u);
        *p = channels::Multiply(*p, faded);
    }
    static void EdgeNarrow(uint32_t* p, uint32_t colour, uint32_t a) { Edge(p, colour, a); }
    static void Run(uint32_t* p, uint32_t colour, uint32_t n) { MultiplyRun(p, colour, n); }
};

struct ScreenMode {
    static void Edge(uint32_t* p, uint32_t colour, uint32_t a) {
        *p = channels::Screen(*p, channels::Scale(colour, a));
    }
    static void EdgeNarrow(uint32_t* p, uint32_t colour, uint32_t a) { Edge(p, colour, a); }
    static void Run(uint32_t* p, uint32_t colour, uint32_t n) { ScreenRun(p, colour, n); }
};

// The seven operations, one instance per mode.

template <class M>
void PointOp(int32_t x, int32_t y, uint32_t colour, uint32_t a) {
    M::EdgeNarrow(ViewPixel(x, y), colour, a);
}

template <class M>
void CrossOp(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t h) {
    M::Edge(ViewPixel(cx - n, cy), colour, h);
    M::Edge(ViewPixel(cx + n, cy), colour, h);
    M::Edge(ViewPixel(cx, cy - n), colour, h);
    M::Edge(ViewPixel(cx, cy + n), colour, h);
    M::Run(ViewPixel(cx - n + 1, cy), colour, static_cast<uint32_t>(2 * n - 1));
}

// Row y from first to last inclusive, cut to the view's columns; y must be inside.
template <class M>
void ClippedRun(int32_t y, int32_t first, int32_t last, uint32_t colour) {
    const int32_t start = first > 0 ? first : 0;
    const int32_t end = last + 1 < frameBuffer.viewWidth ? last + 1 : frameBuffer.viewWidth;
    if (end > start) M::Run(ViewPixel(start, y), colour, static_cast<uint32_t>(end - start));
}

template <class M>
void CrossClippedOp(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t h, uint32_t clip) {
    if ((clip & kRowInside) && (clip & kLeftInside)) M::EdgeNarrow(ViewPixel(cx - n, cy), colour, h);
    if ((clip & kRowInside) && (clip & kRightInside)) M::EdgeNarrow(ViewPixel(cx + n, cy), colour, h);
    if ((clip & kColumnInside) && (clip & kTopInside)) M::EdgeNarrow(ViewPixel(cx, cy - n), colour, h);
    if ((clip & kColumnInside) && (clip & kBottomInside)) M::EdgeNarrow(ViewPixel(cx, cy + n), colour, h);
    if (clip & kRowInside) ClippedRun<M>(cy, cx - n + 1, cx + n - 1, colour);
}

template <class M>
void CornersOp(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t c) {
    M::Edge(ViewPixel(cx - n, cy - n), colour, c);
    M::Edge(ViewPixel(cx + n, cy - n), colour, c);
    M::Edge(ViewPixel(cx - n, cy + n), colour, c);
    M::Edge(ViewPixel(cx + n, cy + n), colour, c);
}

template <class M>
void CornersClippedOp(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t c, uint32_t clip) {
    if ((clip & kLeftInside) && (clip & kTopInside)) M::Edge(ViewPixel(cx - n, cy - n), colour, c);
    if ((clip & kRightInside) && (clip & kTopInside)) M::Edge(ViewPixel(cx + n, cy - n), colour, c);
    if ((clip & kLeftInside) && (clip & kBottomInside)) M::Edge(ViewPixel(cx - n, cy + n), colour, c);
    if ((clip & kRightInside) && (clip & kBottomInside)) M::Edge(ViewPixel(cx + n, cy + n), colour, c);
}

// One octant step: rows cy +- i with half-width o, and when o != i the mirrored cap rows cy +- o.
template <class M>
void RowsOp(int32_t cx, int32_t cy, int32_t i, int32_t o, uint32_t colour, uint32_t e, bool changed) {
    M::Edge(ViewPixel(cx - o, cy - i), colour, e);
    M::Edge(ViewPixel(cx + o, cy - i), colour, e);
    M::Edge(ViewPixel(cx - o, cy + i), colour, e);
    M::Edge(ViewPixel(cx + o, cy + i), colour, e);
    if (o != i) {
        M::Edge(ViewPixel(cx - i, cy - o), colour, e);
        M::Edge(ViewPixel(cx + i, cy - o), colour, e);
        M::Edge(ViewPixel(cx - i, cy + o), colour, e);
        M::Edge(ViewPixel(cx + i, cy + o), colour, e);
    }
    const uint32_t rowLength = static_cast<uint32_t>(2 * o - 1);
    M::Run(ViewPixel(cx - o + 1, cy - i), colour, rowLength);
    M::Run(ViewPixel(cx - o + 1, cy + i), colour, rowLength);
    if (changed && o != i) {
        // A cap row is filled once, on the step where o first takes its value.
        const uint32_t capLength = static_cast<uint32_t>(2 * i - 1);
        M::Run(ViewPixel(cx - i + 1, cy - o), colour, capLength);
        M::Run(ViewPixel(cx - i + 1, cy + o), colour, capLength);
    }
}

template <class M>
void EdgeIfInside(int32_t x, int32_t y, uint32_t colour, uint32_t e) {
    if (Inside(x, frameBuffer.viewWidth) && Inside(y, frameBuffer.viewHeight)) M::Edge(ViewPixel(x, y), colour, e);
}

template <class M>
void RunIfInside(int32_t y, int32_t first, int32_t last, uint32_t colour) {
    if (Inside(y, frameBuffer.viewHeight)) ClippedRun<M>(y, first, last, colour);
}

template <class M>
void RowsClippedOp(int32_t cx, int32_t cy, int32_t i, int32_t o, uint32_t colour, uint32_t e, bool changed) {
    EdgeIfInside<M>(cx - o, cy - i, colour, e);
    EdgeIfInside<M>(cx + o, cy - i, colour, e);
    EdgeIfInside<M>(cx - o, cy + i, colour, e);
    EdgeIfInside<M>(cx + o, cy + i, colour, e);
    if (o != i) {
        EdgeIfInside<M>(cx - i, cy - o, colour, e);
        EdgeIfInside<M>(cx + i, cy - o, colour, e);
        EdgeIfInside<M>(cx - i, cy + o, colour, e);
        EdgeIfInside<M>(cx + i, cy + o, colour, e);
    }
    RunIfInside<M>(cy - i, cx - o + 1, cx + o - 1, colour);
    RunIfInside<M>(cy + i, cx - o + 1, cx + o - 1, colour);
    if (changed && o != i) {
        RunIfInside<M>(cy - o, cx - i + 1, cx + i - 1, colour);
        RunIfInside<M>(cy + o, cx - i + 1, cx + i - 1, colour);
    }
}

// The operation slots and the mode they were filled for.
struct DiscOperations {
    void (*pointOp)(int32_t x, int32_t y, uint32_t colour, uint32_t a);
    void (*crossOp)(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t h);
    void (*crossClippedOp)(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t h, uint32_t clip);
    void (*cornersOp)(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t c);
    void (*cornersClippedOp)(int32_t cx, int32_t cy, int32_t n, uint32_t colour, uint32_t c, uint32_t clip);
    void (*rowsOp)(int32_t cx, int32_t cy, int32_t i, int32_t o, uint32_t colour, uint32_t e, bool changed);
    void (*rowsClippedOp)(int32_t cx, int32_t cy, int32_t i, int32_t o, uint32_t colour, uint32_t e, bool changed);
};

template <class M>
constexpr DiscOperations OperationsOf() {
    return {PointOp<M>, CrossOp<M>, CrossClippedOp<M>, CornersOp<M>, CornersClippedOp<M>, RowsOp<M>, RowsClippedOp<M>};
}

// The operations of the last mode a disc was drawn in (drawing thread only).
struct InstalledDiscOperations {
    DiscOperations operations{};
    BlendMode mode = Normal;
    bool installed = false;  // no mode at start, so the first disc always installs
};
InstalledDiscOperations installedDisc;

void SelectDiscOperations(BlendMode mode) {
    if (installedDisc.installed && mode == installedDisc.mode) return;
    switch (mode) {
    case Alpha:
        installedDisc.operations = OperationsOf<AlphaMode>();
        break;
    case Add:
        installedDisc.operations = OperationsOf<AddMode>();
        break;
    case Subtract:
        installedDisc.operations = OperationsOf<SubtractMode>();
        break;
    case Multiply:
        installedDisc.operations = OperationsOf<MultiplyMode>();
        break;
    case Screen:
        installedDisc.operations = OperationsOf<ScreenMode>();
        break;
    default:
        installedDisc.operations = OperationsOf<NormalMode>();
        break;
    }
    installedDisc.mode = mode;
    installedDisc.installed = true;
}

}  // namespace

uint32_t CornerCoverage(float rSquared) {
    if (static_cast<double>(rSquared) <= 0.575) return 0;
    const float x = static_cast<float>(std::sqrt(static_cast<double>(rSquared - 0.25f)) - 0.5);
    const double xd = static_cast<double>(x);
    return static_cast<uint32_t>(xd * 0.7853981633974483 * xd * 255.0);
}

void DrawDisc(BlendMode mode, int32_t cx, int32_t cy, float radius, uint32_t colour) {
    SelectDiscOperations(mode);
    const DiscOperations& ops = installedDisc.operations;
    const FrameBuffer& fb = frameBuffer;
    if (!fb.pixels || fb.viewWidth <= 0 || fb.viewHeight <= 0) return;
    if (!(radius >= 0.0f) || radius > kMaxDiscRadius) return;  // negative, NaN or absurd: nothing

    if (static_cast<double>(radius) <= 0.501) {
        if (Inside(cx, fb.viewWidth) && Inside(cy, fb.viewHeight)) {
            ops.pointOp(cx, cy, colour, static_cast<uint32_t>(static_cast<double>(radius) * 510.0));
        }
        return;
    }

    const DiscExtent disc = ExtentOfDisc(radius);
    const int32_t n = disc.n;
    const uint32_t h = disc.h;

    // In 64 bits so that a centre near the ends of the 32-bit range cannot wrap.
    const int64_t cx64 = cx, cy64 = cy;
    if (cx64 + n < 0 || cy64 + n < 0 || cx64 - n > fb.maxX || cy64 - n > fb.maxY) return;

    uint32_t clip = 0;
    if (Inside(cy, fb.viewHeight)) clip |= kRowInside;
    if (Inside(cx, fb.viewWidth)) clip |= kColumnInside;
    if (Inside(cy + n, fb.viewHeight)) clip |= kBottomInside;
    if (Inside(cy - n, fb.viewHeight)) clip |= kTopInside;
    if (Inside(cx + n, fb.viewWidth)) clip |= kRightInside;
    if (Inside(cx - n, fb.viewWidth)) clip |= kLeftInside;
    const bool wholly = (clip & kExtentInside) == kExtentInside;

    if (wholly) {
        ops.crossOp(cx, cy, n, colour, h);
    } else {
        ops.crossClippedOp(cx, cy, n, colour, h, clip);
    }

    if (radius < 1.5f) {
        const uint32_t c = CornerCoverage(disc.rSquared);
        if (c == 0) return;
        if (wholly) {
            ops.cornersOp(cx, cy, n, colour, c);
        } else {
            ops.cornersClippedOp(cx, cy, n, colour, c, clip);
        }
        return;
    }

    const auto rows = wholly ? ops.rowsOp : ops.rowsClippedOp;
    ForEachOctantStep(disc,
                      [&](int32_t i, int32_t o, uint32_t e, bool changed) { rows(cx, cy, i, o, colour, e, changed); });
}
