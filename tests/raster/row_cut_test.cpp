// One row of a batch: spans clipped and cut against the pixels later discs store over, at every word
// boundary of the stored bits, kept with the operation their whole span had, and drawn earliest disc
// first; and the narrow floor division of the usual disc row, against plain floor division.
#include "raster/row_cut.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "raster/blend_channels.h"
#include "raster/line_walk.h"

namespace {

using Piece = std::tuple<int32_t, int32_t, uint32_t, bool>;  // x, length, coverage, drawn as a run

// The pieces kept since the counts were last taken (a span keeps only stores or only others).
struct NewPieces {
    int32_t stores = 0, others = 0;
    std::vector<Piece> Take(const RowCut& cut) {
        std::vector<Piece> out;
        for (const auto& [list, from] : {std::pair{&cut.stores, &stores}, std::pair{&cut.others, &others}}) {
            for (int32_t p = *from; p < list->count; ++p) {
                const RowPiece& r = list->at[p];
                out.emplace_back(r.x, static_cast<int32_t>(r.packed >> 9), r.packed & 255u, (r.packed & 0x100u) != 0);
            }
            *from = list->count;
        }
        return out;
    }
};

class RowCutTest : public ::testing::Test {
  protected:
    void TearDown() override {
        delete[] cut.stored;
        delete[] cut.stores.at;
        delete[] cut.others.at;
    }
    RowCut cut;
};

TEST_F(RowCutTest, SpansAreClippedCutAndStoredAcrossWordBoundaries) {
    ASSERT_TRUE(StartCutRow(cut, 200));
    struct Step {
        int32_t x, length;
        uint32_t k;
        std::vector<Piece> kept;  // the pieces this span adds
    };
    const Step steps[] = {
        {10, 60, 255, {{10, 60, 255, true}}},                      // a store over a word boundary
        {0, 100, 128, {{0, 10, 128, true}, {70, 30, 128, true}}},  // a partial run around it, not a store
        {63, 2, 255, {}},                                          // under the store, on the boundary
        {69, 2, 77, {{70, 1, 77, true}}},                          // one pixel left of a run: still a run
        {70, 1, 90, {{70, 1, 90, false}}},                         // a pixel span
        {-5, 6, 255, {{0, 1, 255, false}}},                        // clipped to one pixel: a pixel, no store
        {195, 10, 255, {{195, 5, 255, true}}},                     // clipped at the right edge, a store
        {150, 60, 200, {{150, 45, 200, true}}},                    // cut by it
        {-20, 10, 255, {}},                                        // wholly outside
        {200, 3, 255, {}},
    };
    NewPieces kept;
    for (const Step& s : steps) {
        ASSERT_TRUE(KeepSpan(cut, s.x, s.length, s.k, 0xff000000u));
        EXPECT_EQ(kept.Take(cut), s.kept) << "span at " << s.x << ", " << s.length;
    }
    // What is stored over now: 10..69 and 195..199, and nothing else (pixel 0 was no store).
    const struct {
        int32_t x0, x1;
        bool hidden;
    } ranges[] = {{10, 69, true},   {9, 69, false},    {10, 70, false}, {63, 64, true},   {0, 0, false},
                  {195, 250, true}, {194, 199, false}, {-10, -1, true}, {200, 300, true}, {-5, 15, false}};
    for (const auto& r : ranges) EXPECT_EQ(CutHidden(cut, r.x0, r.x1), r.hidden) << r.x0 << ".." << r.x1;
    EXPECT_TRUE(KeepPixel(cut, 69, 10, 0));
    EXPECT_TRUE(KeepPixel(cut, -1, 10, 0));
    EXPECT_TRUE(KeepPixel(cut, 200, 10, 0));
    EXPECT_TRUE(kept.Take(cut).empty()) << "a pixel under a store or outside the view is dropped";

    // A new row starts with nothing stored and nothing kept.
    ASSERT_TRUE(StartCutRow(cut, 200));
    EXPECT_EQ(cut.stores.count + cut.others.count, 0);
    EXPECT_FALSE(CutHidden(cut, 10, 69));
}

// Against one flag per pixel: each span keeps exactly its longest stretches not yet stored over, and
// hidden ranges are told exactly, in rows wide enough for several words of full-word marks.
TEST_F(RowCutTest, CutsAsAFlagPerPixelWould) {
    std::mt19937 random(7);
    const auto draw = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random); };
    for (const int32_t width : {1, 200, 5000, 9000}) {
        ASSERT_TRUE(StartCutRow(cut, width));
        NewPieces kept;
        std::vector<bool> stored(static_cast<size_t>(width), false);
        for (int32_t step = 0; step < 400; ++step) {
            const int32_t length = draw(0, 3) == 0 ? draw(1, 3) : draw(1, width / 2 + 2);
            const int32_t x = draw(-length - 2, width + 2);
            const uint32_t k = draw(0, 2) == 0 ? static_cast<uint32_t>(draw(1, 254)) : 255u;
            const int32_t begin = std::max(x, 0), end = std::min(x + length, width);
            std::vector<Piece> expected;
            for (int32_t p = begin; p < end;) {
                if (stored[static_cast<size_t>(p)]) {
                    ++p;
                    continue;
                }
                int32_t q = p;
                while (q < end && !stored[static_cast<size_t>(q)]) ++q;
                expected.emplace_back(p, q - p, k, end - begin > 1);
                p = q;
            }
            if (k == 255 && end - begin > 1) std::fill(stored.begin() + begin, stored.begin() + end, true);
            ASSERT_TRUE(KeepSpan(cut, x, length, k, 0));
            ASSERT_EQ(kept.Take(cut), expected) << "width " << width << ", span at " << x << ", " << length;

            const int32_t x0 = draw(-3, width + 2), x1 = x0 + draw(0, width / 3 + 1);
            bool hidden = true;
            for (int32_t p = std::max(x0, 0); p <= std::min(x1, width - 1); ++p)
                hidden = hidden && stored[static_cast<size_t>(p)];
            ASSERT_EQ(CutHidden(cut, x0, x1), hidden) << "width " << width << ", " << x0 << ".." << x1;
        }
    }
}

TEST_F(RowCutTest, PiecesAreDrawnEarliestDiscFirst) {
    // Kept backwards: a later disc's edge pixel, then an earlier disc's store under it.
    ASSERT_TRUE(StartCutRow(cut, 20));
    const uint32_t later = 0xff2080c0u, earlier = 0xff604020u;
    ASSERT_TRUE(KeepPixel(cut, 5, 128, later));
    ASSERT_TRUE(KeepSpan(cut, 0, 10, 255, earlier));
    uint32_t row[20];
    for (uint32_t& p : row) p = 0xff000000u;
    DrawCutRow(cut, row, nullptr);
    EXPECT_EQ(row[4], earlier);
    EXPECT_EQ(row[5], channels::BlendPacked(earlier, later, 128));
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
