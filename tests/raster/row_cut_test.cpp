// One row of a batch's disc: spans clipped, drawn but for the columns the next disc stores over, each
// part with the operation its whole span had (the full-coverage span's inline drawer likewise); edge
// pixels likewise; the narrow floor division of the usual disc row, against plain floor division; and
// the cut of a piece across one column boundary that lone-line rows rely on.
#include "raster/row_cut.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "raster/blend_channels.h"
#include "raster/line_walk.h"
#include "raster/spans.h"

namespace {

constexpr uint32_t kColour = 0x80c04020u;

// A row of distinct pixels, so that a pixel drawn by the wrong operation or not at all shows.
std::vector<uint32_t> NoiseRow(int32_t width, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> row(static_cast<size_t>(width) + 1);  // one more, which nothing may touch
    for (uint32_t& p : row) p = static_cast<uint32_t>(random());
    return row;
}

// What a span leaves the row as, pixel by pixel: each pixel in the view and outside the cover drawn
// with the run operation if the span reaches the view as two pixels or more, else the pixel operation.
std::vector<uint32_t> Expected(std::vector<uint32_t> row, int32_t width, ColumnRange cover, int32_t x, int32_t length,
                               uint32_t k) {
    const int32_t begin = std::max(x, 0), end = std::min(x + length, width);
    for (int32_t p = begin; p < end; ++p) {
        if (p < cover.begin || p > cover.end)
            DrawNormalPart(&row[static_cast<size_t>(p)], kColour, 1, k, end - begin > 1);
    }
    return row;
}

// The row after DrawCutSpan, and at full coverage after FillCutSpan as well, which must draw the same.
std::vector<std::vector<uint32_t>> DrawnBoth(const std::vector<uint32_t>& before, int32_t width, ColumnRange cover,
                                             int32_t x, int32_t length, uint32_t k) {
    std::vector<std::vector<uint32_t>> rows;
    for (const bool fill : {false, true}) {
        if (fill && k != 255) break;
        std::vector<uint32_t> row = before;
        RowCut cut;
        StartCutRow(cut, row.data(), width, cover);
        if (fill) {
            FillCutSpan(cut, x, length, kColour);
        } else {
            DrawCutSpan(cut, x, length, k, kColour);
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(RowCutTest, SpansAreClippedAndDrawnButForTheCover) {
    const int32_t width = 200;
    const struct {
        ColumnRange cover;
        int32_t x, length;
        uint32_t k;
    } spans[] = {
        {kNoColumns, 10, 60, 255},  {{10, 69}, 0, 100, 128}, {{10, 69}, 63, 2, 255},     {{10, 69}, 69, 2, 77},
        {{10, 69}, 70, 1, 90},      {{10, 69}, 69, 1, 90},   {kNoColumns, -5, 6, 255},   {kNoColumns, 195, 10, 255},
        {{195, 199}, 150, 60, 200}, {{0, 199}, 20, 30, 255}, {kNoColumns, -20, 10, 255}, {kNoColumns, 200, 3, 255},
        {{-5, 3}, -2, 8, 255},      {{50, 40}, 30, 30, 128},
    };
    uint32_t seed = 1;
    for (const auto& s : spans) {
        const std::vector<uint32_t> row = NoiseRow(width, ++seed);
        const std::vector<uint32_t> expected = Expected(row, width, s.cover, s.x, s.length, s.k);
        for (const std::vector<uint32_t>& drawn : DrawnBoth(row, width, s.cover, s.x, s.length, s.k)) {
            EXPECT_EQ(drawn, expected) << "span at " << s.x << ", " << s.length << ", cover " << s.cover.begin << ".."
                                       << s.cover.end;
        }
    }
}

TEST(RowCutTest, RandomSpansAreDrawnAsAFlagPerPixelSays) {
    std::mt19937 random(7);
    const auto draw = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random); };
    for (const int32_t width : {1, 200, 5000}) {
        for (int32_t step = 0; step < 300; ++step) {
            const int32_t coverBegin = draw(-5, width + 5);
            const ColumnRange cover = {coverBegin, coverBegin + draw(-2, width)};
            const int32_t length = draw(0, 3) == 0 ? draw(1, 3) : draw(1, width / 2 + 2);
            const int32_t x = draw(-length - 2, width + 2);
            const uint32_t k = draw(0, 2) == 0 ? static_cast<uint32_t>(draw(1, 254)) : 255u;
            const std::vector<uint32_t> row = NoiseRow(width, static_cast<uint32_t>(step));
            const std::vector<uint32_t> expected = Expected(row, width, cover, x, length, k);
            for (const std::vector<uint32_t>& drawn : DrawnBoth(row, width, cover, x, length, k)) {
                ASSERT_EQ(drawn, expected) << "width " << width << ", span at " << x << ", " << length;
            }
        }
    }
}

TEST(RowCutTest, EdgePixelsAreBlendedOnlyInTheViewOutsideTheCover) {
    const int32_t width = 100;
    const struct {
        int32_t x;
        uint32_t k;
        bool drawn;
    } pixels[] = {{9, 128, true}, {10, 128, false}, {69, 128, false},  {70, 255, true}, {0, 1, true},
                  {99, 77, true}, {-1, 128, false}, {100, 128, false}, {50, 0, false},  {30, 0, false}};
    for (const auto& p : pixels) {
        std::vector<uint32_t> row = NoiseRow(width, 3);
        std::vector<uint32_t> expected = row;
        if (p.drawn)
            expected[static_cast<size_t>(p.x)] = channels::BlendPacked(row[static_cast<size_t>(p.x)], kColour, p.k);
        RowCut cut;
        StartCutRow(cut, row.data(), width, {10, 69});
        DrawCutPixel(cut, p.x, p.k, kColour);
        EXPECT_EQ(row, expected) << "pixel " << p.x;
    }
}

TEST(RowCutTest, ARangeIsHiddenIfTheCoverHoldsAllOfItThatLiesInTheView) {
    uint32_t row[100];
    RowCut cut;
    StartCutRow(cut, row, 100, {10, 69});
    const struct {
        int32_t x0, x1;
        bool hidden;
    } ranges[] = {{10, 69, true}, {9, 69, false}, {10, 70, false}, {-10, -1, true}, {100, 300, true}, {30, 40, true}};
    for (const auto& r : ranges) EXPECT_EQ(CutHidden(cut, r.x0, r.x1), r.hidden) << r.x0 << ".." << r.x1;
    StartCutRow(cut, row, 100, {-5, 150});
    EXPECT_TRUE(CutHidden(cut, -100, 400)) << "only the columns in the view count";
    StartCutRow(cut, row, 100, kNoColumns);
    EXPECT_FALSE(CutHidden(cut, 0, 0));
}

TEST(NarrowDivisionTest, IsFloorDivisionForEveryWidthOfAPieceInTwoColumns) {
    for (int32_t d = 1; d < 512; ++d) {
        const auto check = [d](int32_t p) {
            int32_t q, r;
            FloorDivide(p, d, q, r);
            ASSERT_EQ(FloorDivideNarrow(p, d), q) << p << " / " << d;
        };
        for (int32_t p = -65536; p <= 65536; p += 97) check(p);
        // Around every multiple of d, where a rounding error would show first.
        for (int32_t m = -65536 / d; m <= 65536 / d; ++m) {
            for (int32_t e = -1; e <= 1; ++e) {
                const int32_t p = m * d + e;
                if (p >= -65536 && p <= 65536) check(p);
            }
        }
        check(65536);
        check(-65536);
    }
}

TEST(TwoColumnCutTest, APieceCrossingTheWholeRowLeavesSumsInTheLeftColumn) {
    // Every start fraction and width of a piece in two columns, either way and either chain's
    // direction: the covers add up to the extent, and the left column's cell is never empty.
    for (const int32_t extent : {kOnePixel, -kOnePixel}) {
        const int32_t ya = extent > 0 ? 0 : kOnePixel, yb = ya + extent;
        for (int32_t fx = 0; fx < kOnePixel; ++fx) {
            for (int32_t d = 1; d < 2 * kOnePixel; ++d) {
                for (const int32_t step : {d, -d}) {
                    const int32_t xa = 10 * kOnePixel + fx, xb = xa + step;
                    if (std::abs((xb >> kPixelBits) - (xa >> kPixelBits)) != 1) continue;
                    const TwoColumnCut cut = CutAcrossOneBoundary(xa, ya, xb, yb);
                    ASSERT_EQ(cut.startCover + cut.endCover, extent) << fx << " " << step;
                    const bool rightward = step > 0;
                    ASSERT_NE((rightward ? cut.startCover : cut.endCover) | (rightward ? cut.startArea : cut.endArea),
                              0)
                        << "start fraction " << fx << ", width " << step << ", extent " << extent;
                }
            }
        }
    }
}

}  // namespace
