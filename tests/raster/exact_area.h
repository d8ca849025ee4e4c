// Test-only reference for the shape rasteriser: the exact area of a polygon inside each pixel,
// computed in double precision by a method unrelated to coverage cells (clipping the polygon to the
// pixel square and measuring what is left), and the pixel values a drawn coverage may show.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/cells.h"
#include "raster/spans.h"

namespace exact_area {

struct Point {
    double x, y;
};
using Polygon = std::vector<Point>;

// Keeps the part of polygon on one side of an axis-parallel line (Sutherland-Hodgman). The signed
// area of the result is the integral of the winding number over that half-plane, whatever the
// polygon's self-intersections.
inline Polygon ClipHalfPlane(const Polygon& polygon, bool vertical, double limit, bool keepBelow) {
    Polygon out;
    const size_t n = polygon.size();
    if (n == 0) return out;
    const auto coordinate = [&](const Point& p) { return vertical ? p.x : p.y; };
    const auto inside = [&](const Point& p) { return keepBelow ? coordinate(p) <= limit : coordinate(p) >= limit; };
    for (size_t i = 0; i < n; ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % n];
        const bool aIn = inside(a), bIn = inside(b);
        if (aIn) out.push_back(a);
        if (aIn != bIn) {
            const double t = (limit - coordinate(a)) / (coordinate(b) - coordinate(a));
            Point p = vertical ? Point{limit, a.y + (b.y - a.y) * t} : Point{a.x + (b.x - a.x) * t, limit};
            out.push_back(p);
        }
    }
    return out;
}

inline double SignedArea(const Polygon& polygon) {
    double twice = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

// The polygon the rasteriser really fills: each float vertex as its fixed-point coordinates, in view
// pixels (pixel i spans [i - 0.5, i + 0.5)).
inline Polygon FixedPolygon(const std::vector<ShapeVertex>& vertices) {
    Polygon polygon;
    for (const ShapeVertex& v : vertices) {
        polygon.push_back({FixedFromFloat(v.x) / 256.0 - 0.5, FixedFromFloat(v.y) / 256.0 - 0.5});
    }
    return polygon;
}

// Per view pixel: the integral of the winding number over the pixel (in pixels), and how many times
// the outline crosses the pixel's border.
struct PixelReference {
    int32_t width = 0, height = 0;
    std::vector<double> winding;
    std::vector<int32_t> crossings;
    double Winding(int32_t x, int32_t y) const { return winding[static_cast<size_t>(y) * width + x]; }
    int32_t Crossings(int32_t x, int32_t y) const { return crossings[static_cast<size_t>(y) * width + x]; }
};

inline PixelReference ReferenceFor(const Polygon& polygon, int32_t width, int32_t height) {
    PixelReference ref;
    ref.width = width, ref.height = height;
    ref.winding.assign(static_cast<size_t>(width) * height, 0.0);
    ref.crossings.assign(static_cast<size_t>(width) * height, 0);
    for (int32_t y = 0; y < height; ++y) {
        const Polygon row = ClipHalfPlane(ClipHalfPlane(polygon, false, y - 0.5, false), false, y + 0.5, true);
        if (row.size() < 3) continue;
        double minX = row[0].x, maxX = row[0].x;
        for (const Point& p : row) minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        const int32_t first = std::max(0, static_cast<int32_t>(std::floor(minX + 0.5)));
        const int32_t last = std::min(width - 1, static_cast<int32_t>(std::floor(maxX + 0.5)));
        // Right of the polygon the winding is 0; the pixels between are clipped one by one.
        for (int32_t x = first; x <= last; ++x) {
            const Polygon cell = ClipHalfPlane(ClipHalfPlane(row, true, x - 0.5, false), true, x + 0.5, true);
            ref.winding[static_cast<size_t>(y) * width + x] = cell.size() < 3 ? 0.0 : SignedArea(cell);
        }
    }
    // Crossings with the pixel grid lines. A crossing counts for the two pixels whose common side it
    // lies on, and for their neighbours too when it is within two 1/256 steps of their corner, since
    // the rasteriser may place it there.
    const auto count = [&](int32_t x, int32_t y) {
        if (x >= 0 && x < width && y >= 0 && y < height) ++ref.crossings[static_cast<size_t>(y) * width + x];
    };
    const auto countAlong = [&](double along, int32_t line, bool onRowLine) {
        const int32_t cell = static_cast<int32_t>(std::floor(along + 0.5));
        const double offset = along + 0.5 - cell;  // 0..1 within the cell
        const auto mark = [&](int32_t c) {
            if (onRowLine) {
                count(c, line), count(c, line + 1);
            } else {
                count(line, c), count(line + 1, c);
            }
        };
        mark(cell);
        if (offset < 2.0 / 256) mark(cell - 1);
        if (offset > 1 - 2.0 / 256) mark(cell + 1);
    };
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if (a.y != b.y) {  // the lines between pixel rows
            const int32_t lo = std::max(-2, static_cast<int32_t>(std::ceil(std::min(a.y, b.y) - 0.5)));
            const int32_t hi = std::min(height + 1, static_cast<int32_t>(std::floor(std::max(a.y, b.y) - 0.5)));
            for (int32_t line = lo; line <= hi; ++line) {
                countAlong(a.x + (b.x - a.x) * (line + 0.5 - a.y) / (b.y - a.y), line, true);
            }
        }
        if (a.x != b.x) {  // the lines between pixel columns
            const int32_t lo = std::max(-2, static_cast<int32_t>(std::ceil(std::min(a.x, b.x) - 0.5)));
            const int32_t hi = std::min(width + 1, static_cast<int32_t>(std::floor(std::max(a.x, b.x) - 0.5)));
            for (int32_t line = lo; line <= hi; ++line) {
                countAlong(a.y + (b.y - a.y) * (line + 0.5 - a.x) / (b.x - a.x), line, false);
            }
        }
    }
    return ref;
}

// What the rasteriser makes of raw coverage: even-odd fold, clamp, table. 0: no span at all.
inline int32_t FoldedCoverage(int64_t raw) {
    int64_t c = std::llabs(raw) & 511;
    if (c > 256) c = 512 - c;
    return static_cast<int32_t>(std::min<int64_t>(c, 255));
}

// How a drawn pixel reads back. Mode 1, white onto black, blue channel: floor(255 k / 256) for a
// single pixel, and for a run the same except that k = 255 stores the colour (255). Mode 5, black
// onto white: the factor 255 - k, then floor(255 * (255 - k) / 256), for pixels and runs alike.
enum class Readout { WhiteOnBlack, BlackOnWhiteMultiply };

using ValueSet = std::bitset<256>;

inline ValueSet ValuesForCoverage(int32_t c, Readout readout) {
    ValueSet values;
    if (c == 0) {  // no span: untouched
        values.set(readout == Readout::WhiteOnBlack ? 0 : 255);
        return values;
    }
    const int32_t k = shapeCoverageTable[c];
    if (readout == Readout::WhiteOnBlack) {
        values.set(255 * k / 256);
        if (k == 255) values.set(255);
        return values;
    }
    const int32_t f = (256 * 255 + k * (0 - 255)) >> 8;
    values.set(255 * f / 256);
    return values;
}

// The values a pixel may show when its raw coverage is within tolerance of 256 * winding.
inline ValueSet AcceptableValues(double winding, double tolerance, Readout readout) {
    ValueSet values;
    const double exact = 256.0 * winding;
    for (int64_t raw = static_cast<int64_t>(std::ceil(exact - tolerance)); raw <= std::floor(exact + tolerance);
         ++raw) {
        values |= ValuesForCoverage(FoldedCoverage(raw), readout);
    }
    return values;
}

// Every view pixel against the reference. The tolerance in raw units (1/256 pixel area) is
// base + crossings: base covers the final floor of the area sum, and every crossing of the pixel
// border is placed up to one 1/256 step off (floored, and up to one more step after a line was
// clipped at the top or bottom of the view), which moves the area by less than one raw unit.
// Returns the largest distance, in raw units, between the exact value and the nearest raw value
// that would read as drawn (what the tolerance has to allow).
// With countCrossings false the tolerance is base alone (for outlines whose crossings are exact).
inline double ExpectMatchesReference(const PixelReference& ref, double base, Readout readout, const std::string& what,
                                     bool countCrossings = true) {
    const FrameBuffer& fb = frameBuffer;
    int32_t failures = 0;
    double worst = 0;
    for (int32_t y = 0; y <= fb.maxY; ++y) {
        for (int32_t x = 0; x <= fb.maxX; ++x) {
            const int32_t value = static_cast<int32_t>(*ViewPixel(x, y) & 255u);
            const double exact = 256.0 * ref.Winding(x, y);
            const double tolerance = base + (countCrossings ? ref.Crossings(x, y) : 0);
            const ValueSet ok = AcceptableValues(ref.Winding(x, y), tolerance, readout);
            double nearest = 1e9;
            for (int64_t raw = static_cast<int64_t>(exact) - 8; raw <= static_cast<int64_t>(exact) + 8; ++raw) {
                if (ValuesForCoverage(FoldedCoverage(raw), readout).test(value))
                    nearest = std::min(nearest, std::fabs(raw - exact));
            }
            worst = std::max(worst, nearest);
            if (!ok.test(value) && ++failures <= 5) {
                std::string list;
                for (int32_t v = 0; v < 256; ++v) {
                    if (ok.test(v)) list += std::to_string(v) + " ";
                }
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") reads " << value << ", winding area "
                              << ref.Winding(x, y) << " (raw " << exact << ", tolerance " << tolerance << ") allows "
                              << list;
            }
        }
    }
    EXPECT_EQ(failures, 0) << what;
    return worst;
}

// Floor of a / b, b != 0.
inline int64_t FloorDivide(int64_t a, int64_t b) {
    int64_t q = a / b;
    if (a % b != 0 && ((a % b < 0) != (b < 0))) --q;
    return q;
}

// The outline as the rasteriser is stated to walk it, in view pixels: the vertices in fixed point
// (equal neighbours skipped), every edge clipped to the rows -1..rows (the moved end's x truncated
// toward zero), then cut at every row line at the exact crossing rounded down to the 1/256 grid, and
// each piece cut at every column line likewise. Edges dropped by the clipping leave gaps that close
// along row -1 or row `rows`, which are not drawn. Every piece of the result lies in one pixel, so
// the area it leaves in each pixel is what the cells must hold, exactly.
inline Polygon WalkedOutline(const std::vector<ShapeVertex>& vertices, int32_t rows) {
    struct P {
        int64_t x, y;
    };
    std::vector<P> fixed;
    for (const ShapeVertex& v : vertices) {
        const P p{FixedFromFloat(v.x), FixedFromFloat(v.y)};
        if (fixed.empty() || p.x != fixed.back().x || p.y != fixed.back().y) fixed.push_back(p);
    }
    Polygon out;
    const auto emit = [&](int64_t x, int64_t y) { out.push_back({x / 256.0 - 0.5, y / 256.0 - 0.5}); };
    const int64_t h = static_cast<int64_t>(rows) * 256;
    for (size_t i = 0; i < fixed.size(); ++i) {
        P a = fixed[i], b = fixed[(i + 1) % fixed.size()];
        if (a.x == b.x && a.y == b.y) continue;
        const bool down = a.y <= b.y;
        P& top = down ? a : b;
        P& bottom = down ? b : a;
        if (bottom.y < 0 || top.y >= h) continue;
        if (top.y < -1) top = {bottom.x + (top.x - bottom.x) * (bottom.y + 1) / (bottom.y - top.y), -1};
        if (bottom.y > h) bottom = {top.x + (bottom.x - top.x) * (h - top.y) / (bottom.y - top.y), h};
        std::vector<P> rowCuts{a};
        if (b.y > a.y) {
            for (int64_t yk = (FloorDivide(a.y, 256) + 1) * 256; yk <= b.y; yk += 256)
                rowCuts.push_back({a.x + FloorDivide((yk - a.y) * (b.x - a.x), b.y - a.y), yk});
        } else if (b.y < a.y) {
            for (int64_t yk = FloorDivide(a.y, 256) * 256; yk > b.y; yk -= 256)
                rowCuts.push_back({a.x + FloorDivide((yk - a.y) * (b.x - a.x), b.y - a.y), yk});
        }
        rowCuts.push_back(b);
        for (size_t k = 0; k + 1 < rowCuts.size(); ++k) {
            const P pa = rowCuts[k], pb = rowCuts[k + 1];
            emit(pa.x, pa.y);
            if (pa.y == pb.y) continue;
            if (pb.x > pa.x) {
                for (int64_t xk = (FloorDivide(pa.x, 256) + 1) * 256; xk <= pb.x; xk += 256)
                    emit(xk, pa.y + FloorDivide((xk - pa.x) * (pb.y - pa.y), pb.x - pa.x));
            } else if (pb.x < pa.x) {
                for (int64_t xk = FloorDivide(pa.x, 256) * 256; xk > pb.x; xk -= 256)
                    emit(xk, pa.y + FloorDivide((xk - pa.x) * (pb.y - pa.y), pb.x - pa.x));
            }
        }
        emit(b.x, b.y);
    }
    return out;
}

// Every view pixel must show exactly the coverage of the walked outline: the signed area it leaves
// in the pixel (downward edges count positive, so the sign is that of the screen's clockwise),
// floored to 1/256, folded even-odd, through the table.
inline void ExpectWalkedExactly(const std::vector<ShapeVertex>& vertices, Readout readout, const std::string& what) {
    const FrameBuffer& fb = frameBuffer;
    const PixelReference ref = ReferenceFor(WalkedOutline(vertices, fb.viewHeight), fb.viewWidth, fb.viewHeight);
    int32_t failures = 0;
    for (int32_t y = 0; y <= fb.maxY; ++y) {
        for (int32_t x = 0; x <= fb.maxX; ++x) {
            const int64_t raw = static_cast<int64_t>(std::floor(-256.0 * ref.Winding(x, y) + 1e-7));
            const int32_t value = static_cast<int32_t>(*ViewPixel(x, y) & 255u);
            if (!ValuesForCoverage(FoldedCoverage(raw), readout).test(value) && ++failures <= 5) {
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") reads " << value
                              << ", walked outline gives raw " << raw << " (" << -256.0 * ref.Winding(x, y) << ")";
            }
        }
    }
    EXPECT_EQ(failures, 0) << what;
}

// 64-bit FNV-1a over the view's pixels, row by row.
inline uint64_t HashView() {
    uint64_t h = 1469598103934665603ull;
    for (int32_t y = 0; y <= frameBuffer.maxY; ++y) {
        for (int32_t x = 0; x <= frameBuffer.maxX; ++x) {
            uint32_t p = *ViewPixel(x, y);
            for (int i = 0; i < 4; ++i, p >>= 8) h = (h ^ (p & 255u)) * 1099511628211ull;
        }
    }
    return h;
}

// The buffer outside the view keeps its fill: nothing is ever drawn outside the view.
inline int32_t ChangedPixelsOutsideView(uint32_t fill) {
    const FrameBuffer& fb = frameBuffer;
    int32_t changed = 0;
    for (int32_t by = 0; by < fb.height; ++by) {
        for (int32_t bx = 0; bx < fb.width; ++bx) {
            const bool inView = bx >= fb.viewLeft && bx <= fb.viewRight && by >= fb.viewTop && by <= fb.viewBottom;
            const uint32_t p = fb.pixels[static_cast<size_t>(fb.height - 1 - by) * fb.width + bx];
            if (!inView && p != fill) ++changed;
        }
    }
    return changed;
}

}  // namespace exact_area

namespace exact_area {

// A view of width x height inside a buffer with a margin all round, every pixel set to fill.
constexpr int32_t kMargin = 5;
inline void MakeView(int32_t width, int32_t height, uint32_t fill) {
    ASSERT_EQ(CreateHeadlessBuffer(width + 2 * kMargin, height + 2 * kMargin), 1);
    SetView(kMargin, kMargin, kMargin + width - 1, kMargin + height - 1);
    std::fill(frameBuffer.pixels, frameBuffer.pixels + static_cast<size_t>(frameBuffer.width) * frameBuffer.height,
              fill);
}
inline void FillBuffer(uint32_t fill) {
    std::fill(frameBuffer.pixels, frameBuffer.pixels + static_cast<size_t>(frameBuffer.width) * frameBuffer.height,
              fill);
}
inline std::vector<uint32_t> Snapshot() {
    return std::vector<uint32_t>(frameBuffer.pixels,
                                 frameBuffer.pixels + static_cast<size_t>(frameBuffer.width) * frameBuffer.height);
}

// Draws an outline through the rasteriser's own steps, as the shapes do.
inline void DrawOutline(const std::vector<ShapeVertex>& vertices, uint32_t colour, BlendMode mode) {
    RasteriseVertexList();
    for (const ShapeVertex& v : vertices) AddShapeVertex(v.x, v.y);
    if (RasteriseVertexList()) {
        SelectShapeMode(mode);
        SweepCells(colour);
    }
}

}  // namespace exact_area
