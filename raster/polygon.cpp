// The polygon shapes: discs and rounded rectangles as outlines for the cell rasteriser (cells.cpp).
//
// The vertices are computed in single precision with the sine and cosine of portable_trig.h rounded
// to single, each product rounded before it is added, so the outline, and with it every pixel, is
// the same on every platform.
#include "raster/polygon.h"

#include "host/frame_buffer.h"
#include "raster/cells.h"
#include "raster/draw_helper.h"
#include "raster/pixel.h"
#include "raster/portable_trig.h"
#include "raster/raster_thread.h"
#include "raster/spans.h"

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr float kCornerRadius = 20.0f;
constexpr int32_t kMaxQuarter = kMaxDiscVertices / 4;

}  // namespace

int32_t VertexCountForRadius(float r) {
    if (!(r >= 4.0f)) return 12;  // NaN too
    if (r < 7.0f) return 16;
    if (r > 2000.0f) return 360;
    // A curve from 20 vertices at r = 7 to 364 at r = 2000 that rises steeply for small discs.
    const float t = (r - 7.0f) * 0.000501756148878485f;
    const float u = (1.0f - t) * 0.25f + t;
    const float v = u != 0.0f ? t / u : 0.0f;
    return static_cast<int32_t>(v * 344.0f + 16.0f + 4.0f) & ~3;
}

namespace {

// A quarter of the sine for each vertex count, as the vertices are built from it: an angle stepped by
// 2 pi / n in single precision, its sine rounded to single. Read backwards it is the cosine.
struct QuarterSines {
    float of[kMaxQuarter + 1][kMaxQuarter + 1];  // by n / 4
};

const QuarterSines& DiscSines() {
    static const QuarterSines sines = [] {
        QuarterSines t{};
        for (int32_t q = 1; q <= kMaxQuarter; ++q) {
            const float step = static_cast<float>(kTwoPi / (4 * q));
            float a = 0.0f;
            for (int32_t i = 0; i <= q; ++i) {
                t.of[q][i] = static_cast<float>(PortableSin(a));
                a = a + step;
            }
        }
        return t;
    }();
    return sines;
}

}  // namespace

int32_t DiscOutlineVertices(float cx, float cy, float r, ShapeVertex* out) {
    const int32_t q = VertexCountForRadius(r) / 4;
    const float* const sine = DiscSines().of[q];
    ShapeVertex* v = out;
    for (int32_t i = 0; i < q; ++i) *v++ = {cx - r * sine[q - i], cy + r * sine[i]};
    for (int32_t i = 0; i < q; ++i) *v++ = {cx + r * sine[i], cy + r * sine[q - i]};
    for (int32_t i = 0; i < q; ++i) *v++ = {cx + r * sine[q - i], cy - r * sine[i]};
    for (int32_t i = 0; i < q; ++i) *v++ = {cx - r * sine[i], cy - r * sine[q - i]};
    return 4 * q;
}

bool BuildDiscOutline(float cx, float cy, float r) {
    if (VertexBoxOutsideView(cx - r, cx + r, cy - r, cy + r)) return false;
    RasteriseVertexList();  // discards anything left in the list
    ShapeVertex vertices[kMaxDiscVertices];
    const int32_t count = DiscOutlineVertices(cx, cy, r, vertices);
    for (int32_t i = 0; i < count; ++i) AddShapeVertex(vertices[i].x, vertices[i].y);
    return true;
}

void DrawPolygonDisc(float cx, float cy, float r, uint32_t colour, BlendMode mode) {
    if (BuildDiscOutline(cx, cy, r) && RasteriseVertexList()) {
        SelectShapeMode(static_cast<BlendMode>(mode & 15));  // only the low four bits name the mode
        SweepCells(colour);
    }
}

void FillRoundedRect(uint32_t colour, float x0, float y0, float x1, float y1) {
    const float xmin = x0 < x1 ? x0 : x1, xmax = x0 < x1 ? x1 : x0;
    const float ymin = y0 < y1 ? y0 : y1, ymax = y0 < y1 ? y1 : y0;
    if (VertexBoxOutsideView(xmin, xmax, ymin, ymax)) return;
    const float radius = kCornerRadius;
    const int32_t m = VertexCountForRadius(radius) / 4 + 1;
    const float step = static_cast<float>(kTwoPi / (4 * m));
    RasteriseVertexList();

    // Corner centres clockwise on screen from the top left; each arc turns a quarter.
    const float centreX[4] = {x0 + radius, x1 - radius, x1 - radius, x0 + radius};
    const float centreY[4] = {y0 + radius, y0 + radius, y1 - radius, y1 - radius};
    AddShapeVertex(centreX[0] - radius, centreY[0]);
    for (int32_t k = 0; k < 4; ++k) {
        for (int32_t i = k == 0 ? 1 : 0; i <= m; ++i) {
            const float theta = static_cast<float>(i + k * m) * step;
            const float c = static_cast<float>(PortableCos(theta));
            const float s = static_cast<float>(PortableSin(theta));
            AddShapeVertex(centreX[k] - radius * c, centreY[k] - radius * s);
        }
    }

    if (RasteriseVertexList()) {
        SelectShapeMode(Multiply);
        SweepCells(colour);
    }
}

void InitShapeRasteriser() { ResetCellStore(); }

void ReleaseShapeRasteriser() {
    StopDrawHelper();
    ReleaseThreadRasteriser();
}
