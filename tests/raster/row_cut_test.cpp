// One row of a batch: spans clipped and cut around the range later discs store over, kept with the
// operation their whole span had, the disc's stores noted, and the pieces drawn earliest disc first;
// and the narrow floor division of the usual disc row, against plain floor division.
#include "raster/row_cut.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "raster/blend_channels.h"
#include "raster/line_walk.h"

namespace {

using Piece = std::tuple<int32_t, int32_t, uint32_t, bool>;  // x, length, coverage, drawn as a run

std::vector<Piece> PiecesFrom(const RowCut& cut, int32_t from) {
    std::vector<Piece> out;
    for (int32_t p = from; p < cut.pieces.count; ++p) {
        const RowPiece& r = cut.pieces.at[p];
        out.emplace_back(r.x, static_cast<int32_t>(r.packed >> 9), r.packed & 255u, (r.packed & 0x100u) != 0);
    }
    return out;
}

bool operator==(ColumnRange a, ColumnRange b) {
    const bool noneA = a.begin > a.end, noneB = b.begin > b.end;
    return noneA || noneB ? noneA == noneB : a.begin == b.begin && a.end == b.end;
}

class RowCutTest : public ::testing::Test {
  protected:
    void TearDown() override { delete[] cut.pieces.at; }
    RowCut cut;
};

TEST_F(RowCutTest, SpansAreClippedCutAroundTheCoverAndTheirStoresNoted) {
    StartCutRow(cut, 200);
    struct Step {
        ColumnRange cover;
        int32_t x, length;
        uint32_t k;
        std::vector<Piece> kept;
        ColumnRange stored;  // the disc's store noted
    };
    const Step steps[] = {
        {kNoColumns, 10, 60, 255, {{10, 60, 255, true}}, {10, 69}},                      // a store
        {{10, 69}, 0, 100, 128, {{0, 10, 128, true}, {70, 30, 128, true}}, kNoColumns},  // around the cover
        {{10, 69}, 63, 2, 255, {}, {63, 64}},                                            // under it, still a store
        {{10, 69}, 69, 2, 77, {{70, 1, 77, true}}, kNoColumns},                          // one pixel left: a run
        {{10, 69}, 70, 1, 90, {{70, 1, 90, false}}, kNoColumns},                         // a pixel span
        {{10, 69}, 69, 1, 90, {}, kNoColumns},                                           // a pixel under it
        {kNoColumns, -5, 6, 255, {{0, 1, 255, false}}, kNoColumns},                      // one pixel in view: no store
        {kNoColumns, 195, 10, 255, {{195, 5, 255, true}}, {195, 199}},                   // clipped, a store
        {{195, 199}, 150, 60, 200, {{150, 45, 200, true}}, kNoColumns},                  // cut at the view's edge
        {{0, 199}, 20, 30, 255, {}, {20, 49}},                                           // wholly under it
        {kNoColumns, -20, 10, 255, {}, kNoColumns},                                      // wholly outside
        {kNoColumns, 200, 3, 255, {}, kNoColumns},
    };
    for (const Step& s : steps) {
        StartCutDisc(cut, s.cover);
        const int32_t from = cut.pieces.count;
        ASSERT_TRUE(KeepSpan(cut, s.x, s.length, s.k, 0xff000000u));
        EXPECT_EQ(PiecesFrom(cut, from), s.kept) << "span at " << s.x << ", " << s.length;
        EXPECT_TRUE(cut.stored == s.stored) << "span at " << s.x << ", " << s.length;
    }

    StartCutDisc(cut, {10, 69});
    const int32_t from = cut.pieces.count;
    for (const int32_t x : {10, 69, -1, 200}) EXPECT_TRUE(KeepPixel(cut, x, 10, 0));
    EXPECT_TRUE(KeepPixel(cut, 70, 0, 0));
    EXPECT_TRUE(PiecesFrom(cut, from).empty()) << "a pixel under the cover, outside the view or of no coverage";
    const ColumnRange hidden[][2] = {{{10, 69}, {1, 1}},  {{9, 69}, {0, 0}},    {{10, 70}, {0, 0}},
                                     {{-10, -1}, {1, 1}}, {{200, 300}, {1, 1}}, {{30, 40}, {1, 1}}};
    for (const auto& h : hidden) EXPECT_EQ(CutHidden(cut, h[0].begin, h[0].end), h[1].begin == 1) << h[0].begin;
    StartCutDisc(cut, {-5, 250});
    EXPECT_TRUE(CutHidden(cut, -100, 400)) << "only the columns in the view count";

    // A new row starts with nothing kept.
    StartCutRow(cut, 200);
    EXPECT_EQ(cut.pieces.count, 0);
}

TEST(ColumnRangeTest, MergingKeepsBothWhereTheyMeetOrTouchElseTheLonger) {
    const ColumnRange cases[][3] = {
        {kNoColumns, kNoColumns, kNoColumns}, {{3, 9}, kNoColumns, {3, 9}}, {kNoColumns, {3, 9}, {3, 9}},
        {{3, 9}, {5, 20}, {3, 20}},           {{3, 9}, {10, 12}, {3, 12}},  {{10, 12}, {3, 9}, {3, 12}},
        {{3, 9}, {11, 12}, {3, 9}},           {{3, 4}, {11, 30}, {11, 30}}, {{0, 100}, {20, 30}, {0, 100}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(MergeColumns(c[0], c[1]) == c[2]) << c[0].begin << ".." << c[0].end << " with " << c[1].begin;
    }
}

// Against one flag per pixel: each span keeps exactly its pixels in the view outside the cover, as runs
// if the span reaches the view as two pixels or more, and notes exactly its stores.
TEST_F(RowCutTest, CutsAsAFlagPerPixelWould) {
    std::mt19937 random(7);
    const auto draw = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random); };
    for (const int32_t width : {1, 200, 5000}) {
        StartCutRow(cut, width);
        for (int32_t step = 0; step < 400; ++step) {
            const int32_t coverBegin = draw(-5, width + 5);
            const ColumnRange cover = {coverBegin, coverBegin + draw(-2, width)};
            const int32_t length = draw(0, 3) == 0 ? draw(1, 3) : draw(1, width / 2 + 2);
            const int32_t x = draw(-length - 2, width + 2);
            const uint32_t k = draw(0, 2) == 0 ? static_cast<uint32_t>(draw(1, 254)) : 255u;
            const int32_t begin = std::max(x, 0), end = std::min(x + length, width);
            std::vector<Piece> expected;
            for (int32_t p = begin; p < end;) {
                const auto covered = [&](int32_t c) { return c >= cover.begin && c <= cover.end; };
                if (covered(p)) {
                    ++p;
                    continue;
                }
                int32_t q = p;
                while (q < end && !covered(q)) ++q;
                expected.emplace_back(p, q - p, k, end - begin > 1);
                p = q;
            }
            const ColumnRange stored = k == 255 && end - begin > 1 ? ColumnRange{begin, end - 1} : kNoColumns;
            StartCutDisc(cut, cover);
            const int32_t from = cut.pieces.count;
            ASSERT_TRUE(KeepSpan(cut, x, length, k, 0));
            ASSERT_EQ(PiecesFrom(cut, from), expected) << "width " << width << ", span at " << x << ", " << length;
            ASSERT_TRUE(cut.stored == stored) << "width " << width << ", span at " << x << ", " << length;
        }
    }
}

TEST_F(RowCutTest, PiecesAreDrawnEarliestDiscFirst) {
    // Kept backwards: a later disc's edge pixel and store, then an earlier disc's store under both.
    StartCutRow(cut, 20);
    const uint32_t later = 0xff2080c0u, earlier = 0xff604020u;
    ASSERT_TRUE(KeepPixel(cut, 5, 128, later));
    ASSERT_TRUE(KeepSpan(cut, 7, 2, 255, later));
    ASSERT_TRUE(KeepSpan(cut, 0, 10, 255, earlier));
    uint32_t row[20];
    for (uint32_t& p : row) p = 0xff000000u;
    DrawCutRow(cut, row, nullptr);
    EXPECT_EQ(row[4], earlier);
    EXPECT_EQ(row[5], channels::BlendPacked(earlier, later, 128));
    EXPECT_EQ(row[7], later);
    EXPECT_EQ(row[9], earlier);
    EXPECT_EQ(row[10], 0xff000000u);
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

}  // namespace
