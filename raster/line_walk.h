// Raster core, the fixed-point grid and the exact walk of a line through its cells, shared by the
// cell store (raster/cells.cpp) and the row-by-row outlines of batched discs (raster/disc_rows.h), so
// that both cut every line at the same points.
//
// Coordinates are fixed point, 1/256 pixel. A line is first clipped to the rows -1..rows (the rows
// outside only balance the running cover) and projected into the columns kMinCellX..kMaxCellX, then
// cut at every row boundary, and each row's piece at every column boundary. Every cut is an
// incremental floor division with a running remainder: the exact crossing rounded toward minus
// infinity in 1/256 units, without accumulated error.
#pragma once

#include <algorithm>
#include <cstdint>

// Fixed point: 1/256 pixel.
constexpr int32_t kPixelBits = 8;
constexpr int32_t kOnePixel = 1 << kPixelBits;
constexpr int32_t kPixelMask = kOnePixel - 1;

// Fixed coordinates are kept within +-kFixedLimit (about 4 million pixels), and lines are projected
// into the columns kMinCellX..kMaxCellX before they reach the cells. Inside those columns every
// product of the line walk fits 32 bits and every column fits a cell's 16 bits; a shape wholly inside
// is rasterised exactly as it would be without the limits.
constexpr int32_t kFixedLimit = 1 << 30;
constexpr int32_t kMinFixedX = -(1 << 22);
constexpr int32_t kMaxFixedX = (1 << 22) - 1;
constexpr int32_t kMinCellX = kMinFixedX >> kPixelBits;  // -16384
constexpr int32_t kMaxCellX = kMaxFixedX >> kPixelBits;  // 16383
// Rows at or beyond this are never drawn (a cell's row is 16 bits).
constexpr int32_t kRowLimit = 32767;

// Floor division by a positive d: the remainder is never negative.
inline void FloorDivide(int32_t p, int32_t d, int32_t& quotient, int32_t& remainder) {
    quotient = p / d;
    remainder = p % d;
    if (remainder < 0) {
        --quotient;
        remainder += d;
    }
}

// floor(2^32 / d) + 1 for the widths d of a piece in two columns (2..511; 1 would not fit and needs
// none). For 0 <= p <= 65536, (p * that) >> 32 is floor(p / d) exactly: the error the rounding adds,
// p (m d - 2^32) / (d 2^32), stays below 1 / d because p d < 2^32 (for p < 0, -p + d - 1 is divided
// instead). A multiplication instead of a division on the usual row of a disc.
struct NarrowReciprocals {
    uint32_t of[512];
};
inline const NarrowReciprocals narrowReciprocals = [] {
    NarrowReciprocals t{};
    for (uint32_t d = 2; d < 512; ++d) t.of[d] = static_cast<uint32_t>((uint64_t{1} << 32) / d + 1);
    return t;
}();

// floor(p / d) for |p| <= 65536 and 0 < d < 512: a piece of a row in two columns.
inline int32_t FloorDivideNarrow(int32_t p, int32_t d) {
    if (d == 1) return p;
    const uint64_t m = narrowReciprocals.of[d];
    if (p >= 0) return static_cast<int32_t>((static_cast<uint64_t>(p) * m) >> 32);
    return -static_cast<int32_t>((static_cast<uint64_t>(d - 1 - p) * m) >> 32);
}

// What a row piece from (xa, ya) to (xb, yb) in two neighbouring columns leaves in the column it
// starts in and in the one it ends in (cover, area), as CutRowPiece cuts it.
struct TwoColumnCut {
    int32_t startCover, startArea, endCover, endArea;
};
inline TwoColumnCut CutAcrossOneBoundary(int32_t xa, int32_t ya, int32_t xb, int32_t yb) {
    const int32_t fx1 = xa & kPixelMask, fx2 = xb & kPixelMask, extent = yb - ya;
    const bool rightward = xb > xa;
    const int32_t first = rightward ? kOnePixel : 0;  // the boundary crossed, within the start column
    // d < 512 and |p| <= 65536, as the narrow division needs.
    const int32_t delta =
        FloorDivideNarrow(rightward ? (kOnePixel - fx1) * extent : fx1 * extent, rightward ? xb - xa : xa - xb);
    const int32_t rest = extent - delta;
    return {delta, (fx1 + first) * delta, rest, (fx2 + kOnePixel - first) * rest};
}

inline int32_t ClampFixedX(int64_t x) {
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(x, kMinFixedX), kMaxFixedX));
}

// The piece of a line inside one row, from (xa, ya) to (xb, yb); ya and yb are vertical fractions
// 0..256 within the row. The cell holding (xa, ya) is the current one. cells.Enter(ex) makes column
// ex the current cell (nothing if it is already); cells.Add(cover, area) adds to the current cell.
template <class Cells>
[[gnu::always_inline]] inline void CutRowPiece(Cells& cells, int32_t xa, int32_t ya, int32_t xb, int32_t yb) {
    int32_t ex1 = xa >> kPixelBits;
    const int32_t ex2 = xb >> kPixelBits;
    const int32_t fx1 = xa & kPixelMask;
    const int32_t fx2 = xb & kPixelMask;

    if (ya == yb) {  // horizontal: no cover, only the cell it ends in
        cells.Enter(ex2);
        return;
    }
    if (ex1 == ex2) {
        const int32_t delta = yb - ya;
        cells.Add(delta, (fx1 + fx2) * delta);
        return;
    }
    if (ex2 == ex1 + 1 || ex2 == ex1 - 1) {  // two columns, the usual: no loop and no division
        const TwoColumnCut c = CutAcrossOneBoundary(xa, ya, xb, yb);
        cells.Add(c.startCover, c.startArea);
        cells.Enter(ex2);
        cells.Add(c.endCover, c.endArea);
        return;
    }

    // Cut at every column boundary; delta is the vertical extent up to the next boundary.
    int32_t first, step, p, d;
    if (xb > xa) {
        first = kOnePixel, step = 1, p = (kOnePixel - fx1) * (yb - ya), d = xb - xa;
    } else {
        first = 0, step = -1, p = fx1 * (yb - ya), d = xa - xb;
    }
    int32_t delta, mod;
    FloorDivide(p, d, delta, mod);
    cells.Add(delta, (fx1 + first) * delta);
    ex1 += step;
    cells.Enter(ex1);
    ya += delta;

    if (ex1 != ex2) {
        int32_t lift, rem;
        FloorDivide(kOnePixel * (yb - ya + delta), d, lift, rem);
        mod -= d;
        while (ex1 != ex2) {
            // Without a branch: whether the remainder carries is as good as random.
            mod += rem;
            const int32_t carry = mod >= 0 ? 1 : 0;
            mod -= d & -carry;
            delta = lift + carry;
            cells.Add(delta, kOnePixel * delta);
            ya += delta;
            ex1 += step;
            cells.Enter(ex1);
        }
    }
    delta = yb - ya;
    cells.Add(delta, (fx2 + kOnePixel - first) * delta);
}

// Clips the line (x1, y1)-(x2, y2) to the fixed rows -1..h (h = rows * 256), keeping its direction,
// projects the parts beyond kMinFixedX or kMaxFixedX onto those columns, and hands walk(ax, ay, bx, by)
// each resulting line in order. The top end moves first; the bottom end then moves along the line
// from the moved top end. Products in 64 bits, divisions truncating toward zero.
template <class Walk>
inline void ClipAndProjectLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int64_t h, Walk&& walk) {
    // The usual line, inside the rows and the columns: as it is.
    const int32_t top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (top >= -1 && bottom >= 0 && bottom <= h && top < h && std::min(x1, x2) >= kMinFixedX &&
        std::max(x1, x2) <= kMaxFixedX) {
        walk(x1, y1, x2, y2);
        return;
    }
    const bool downward = y1 <= y2;
    int64_t xt = downward ? x1 : x2, yt = downward ? y1 : y2;
    int64_t xb = downward ? x2 : x1, yb = downward ? y2 : y1;
    if (yb < 0 || yt >= h) return;
    if (yt < -1) {
        xt = xb + (xt - xb) * (yb + 1) / (yb - yt);
        yt = -1;
    }
    if (yb > h) {
        xb = xt + (xb - xt) * (h - yt) / (yb - yt);
        yb = h;
    }
    const int64_t ax = downward ? xt : xb, ay = downward ? yt : yb;
    const int64_t bx = downward ? xb : xt, by = downward ? yb : yt;
    if (ax >= kMinFixedX && ax <= kMaxFixedX && bx >= kMinFixedX && bx <= kMaxFixedX) {
        walk(static_cast<int32_t>(ax), static_cast<int32_t>(ay), static_cast<int32_t>(bx), static_cast<int32_t>(by));
        return;
    }
    struct Point {
        int64_t x, y;
    };
    Point points[4];
    int32_t count = 0;
    points[count++] = {ax, ay};
    const auto crossing = [&](int64_t cx) { return Point{cx, ay + (by - ay) * (cx - ax) / (bx - ax)}; };
    const bool crossesMin = (ax < kMinFixedX) != (bx < kMinFixedX);
    const bool crossesMax = (ax > kMaxFixedX) != (bx > kMaxFixedX);
    if (ax < bx) {
        if (crossesMin) points[count++] = crossing(kMinFixedX);
        if (crossesMax) points[count++] = crossing(kMaxFixedX);
    } else {
        if (crossesMax) points[count++] = crossing(kMaxFixedX);
        if (crossesMin) points[count++] = crossing(kMinFixedX);
    }
    points[count++] = {bx, by};
    for (int32_t i = 0; i + 1 < count; ++i) {
        const int32_t px = ClampFixedX(points[i].x), qx = ClampFixedX(points[i + 1].x);
        const int32_t py = static_cast<int32_t>(points[i].y), qy = static_cast<int32_t>(points[i + 1].y);
        if (px != qx || py != qy) walk(px, py, qx, qy);
    }
}
