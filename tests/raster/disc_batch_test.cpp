// Disc batches against the same discs drawn one by one: every pixel, alpha included, must match,
// whatever the discs hide of each other, wherever they cross the view's edges, and whatever the
// buffer held before (noise, so that a pixel operation put where a run operation belongs shows).
#include "raster/disc_batch.h"

#include <gtest/gtest.h>

#include "tests/view_pixels.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/cells.h"
#include "raster/disc_rows.h"
#include "raster/draw_helper.h"
#include "raster/pixel.h"
#include "raster/polygon.h"

namespace {

class DiscBatchTest : public ::testing::Test {
  protected:
    void SetUp() override { InitShapeRasteriser(); }
    void TearDown() override {
        ReleaseShapeRasteriser();
        ReleaseHeadlessBuffer();
    }
};

// Compares the view with expected; reports the first pixel that differs.
void ExpectViewIs(const std::vector<uint32_t>& expected, const char* how, int32_t width, int32_t height,
                  uint32_t seed) {
    const std::vector<uint32_t> actual = ViewPixels();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            ADD_FAILURE() << how << ", " << width << "x" << height << " seed " << seed << ": pixel (" << i % width
                          << ", " << i / width << ") is " << std::hex << actual[i] << ", one by one " << expected[i];
            return;
        }
    }
}

// The discs drawn one by one and as a batch, on one thread and split over two, on the same noise.
void ExpectBatchMatchesOneByOne(int32_t width, int32_t height, const std::vector<BatchDisc>& discs, uint32_t seed) {
    ASSERT_EQ(CreateHeadlessBuffer(width, height), 1);
    FillWithNoise(seed);
    for (const BatchDisc& d : discs) DrawPolygonDisc(d.x, d.y, d.radius, d.colour, Normal);
    const std::vector<uint32_t> expected = ViewPixels();
    for (const bool helped : {true, false}) {
        AllowDrawHelper(helped);
        FillWithNoise(seed);
        DrawPolygonDiscs(discs.data(), static_cast<int32_t>(discs.size()));
        ExpectViewIs(expected, helped ? "two threads" : "one thread", width, height, seed);
    }
    AllowDrawHelper(true);
}

// Random discs over and around a view, from dots to discs wider than the view, with colours of any
// alpha (a store is a store whatever the colour's alpha).
std::vector<BatchDisc> RandomDiscs(int32_t width, int32_t height, int32_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> x(-0.3f * width, 1.3f * width), y(-0.3f * height, 1.3f * height);
    std::uniform_real_distribution<float> logRadius(-2.0f, 7.0f);
    std::vector<BatchDisc> discs;
    for (int32_t i = 0; i < count; ++i) {
        discs.push_back({x(random), y(random), std::exp(logRadius(random)), static_cast<uint32_t>(random())});
    }
    return discs;
}

TEST_F(DiscBatchTest, RandomOverlappingDiscsMatchDrawingOneByOne) {
    const int32_t sizes[][2] = {{1, 1}, {2, 3}, {64, 48}, {320, 240}, {641, 479}, {97, 700}, {1500, 9}};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        for (int32_t round = 0; round < 3; ++round, ++seed) {
            ExpectBatchMatchesOneByOne(size[0], size[1], RandomDiscs(size[0], size[1], 150, seed), seed);
        }
    }
}

TEST_F(DiscBatchTest, DiscsOnTheViewEdgesMatchDrawingOneByOne) {
    // Centres on and just beside the edges, so that runs clip to one pixel or none at the border,
    // and one disc covering the whole view with others before and after it.
    const int32_t w = 200, h = 150;
    std::vector<BatchDisc> discs;
    const float offsets[] = {-30.6f, -20.5f, -10.49f, -0.5f, 0.0f, 0.49f, 1.5f};
    uint32_t colour = 0x80ff2040u;
    for (float o : offsets) {
        for (float r : {0.7f, 1.5f, 10.25f, 30.5f}) {
            discs.push_back({o, 75.3f, r + 20.0f, colour += 0x01030507u});
            discs.push_back({w - 1 - o, 40.7f, r + 20.0f, colour += 0x01030507u});
            discs.push_back({100.2f, o, r + 20.0f, colour += 0x01030507u});
            discs.push_back({60.1f, h - 1 - o, r + 20.0f, colour += 0x01030507u});
            discs.push_back({o, o, r, colour += 0x01030507u});
        }
    }
    discs.insert(discs.begin() + 40, {100.0f, 75.0f, 400.0f, 0xff123456u});
    ExpectBatchMatchesOneByOne(w, h, discs, 7);
    // The same in reverse: large discs first, then smaller ones over them.
    std::vector<BatchDisc> reversed(discs.rbegin(), discs.rend());
    ExpectBatchMatchesOneByOne(w, h, reversed, 8);
}

TEST_F(DiscBatchTest, RowsWithMoreStoresThanTheyKeepMatchDrawingOneByOne) {
    // Two hundred small discs side by side cross the same rows, more separate stores than a row
    // keeps; then a second layer shifted by half a disc, then discs between them.
    std::vector<BatchDisc> discs;
    for (int32_t layer = 0; layer < 3; ++layer) {
        for (int32_t i = 0; i < 200; ++i) {
            const float x = 4.5f + 10.0f * i + 3.3f * layer;
            discs.push_back({x, 10.0f + 0.7f * layer, 3.6f, 0xff000000u | static_cast<uint32_t>(i * 997 + layer)});
        }
    }
    ExpectBatchMatchesOneByOne(2010, 21, discs, 11);
}

TEST_F(DiscBatchTest, DiscsFromDotsToThousandsOfPixelsMatchDrawingOneByOne) {
    // Radii from a hundredth of a pixel to thousands, sub-pixel centres inside and far outside the
    // view, some so far to the left that their lines are projected onto the outermost cell column.
    std::mt19937 random(31);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<BatchDisc> discs;
    for (int32_t i = 0; i < 120; ++i) {
        const float r = 0.01f * std::pow(600000.0f, unit(random));  // 0.01 .. 6000
        const float reach = 300.0f + r;
        discs.push_back({-reach + (600.0f + 2 * reach) * unit(random), -reach + (400.0f + 2 * reach) * unit(random), r,
                         static_cast<uint32_t>(random())});
    }
    discs.push_back({-20000.25f, 150.5f, 20150.0f, 0xff204060u});
    discs.push_back({30000.75f, -200.0f, 29900.0f, 0xff604020u});
    discs.push_back({150.0f, 100.0f, 2.5f, 0xffffffffu});
    ExpectBatchMatchesOneByOne(300, 200, discs, 13);
}

TEST_F(DiscBatchTest, CrowdsOfSmallDiscsMatchDrawingOneByOne) {
    // Small discs packed densely: rows where one side of a disc lies under later discs and the run
    // between its sides is a pixel or two, and edges on column boundaries (centres on quarter pixels).
    for (uint32_t seed = 40; seed < 44; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int32_t> quarter(-8, 4 * 120 + 8);
        std::uniform_real_distribution<float> radius(0.4f, 4.5f);
        std::vector<BatchDisc> discs;
        for (int32_t i = 0; i < 1500; ++i) {
            discs.push_back({0.25f * quarter(random) - 0.5f, 0.25f * quarter(random) * 0.5f - 0.5f, radius(random),
                             static_cast<uint32_t>(random())});
        }
        ExpectBatchMatchesOneByOne(120, 60, discs, seed);
    }
}

TEST_F(DiscBatchTest, TinyScenesOfSmallDiscsMatchDrawingOneByOne) {
    // Thousands of scenes of a few small discs on a fine grid of centres: the rarer rows, such as one
    // whose hidden side ends exactly on a column boundary beside a run of a pixel or two.
    for (uint32_t seed = 1; seed <= 3000 && !HasFailure(); ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int32_t> eighth(-8, 72);
        std::uniform_real_distribution<float> radius(0.6f, 6.0f);
        std::vector<BatchDisc> discs;
        for (int32_t i = 0; i < 6; ++i) {
            const float x = 0.0625f * (eighth(random) + eighth(random)) - 0.5f, y = 0.125f * eighth(random) - 0.5f;
            discs.push_back({x, y, radius(random), static_cast<uint32_t>(random())});
        }
        ExpectBatchMatchesOneByOne(16, 10, discs, seed);
    }
}

// A spiral's crescents: each disc a little larger and a little along from the one before, which it
// hides but for a sliver; some off the view in between, so that a disc's next one is elsewhere.
std::vector<BatchDisc> Crescents(int32_t count) {
    std::vector<BatchDisc> discs;
    for (int32_t i = 0; i < count; ++i) {
        const float turn = 0.11f * i, r = 2.0f + 0.35f * i;
        const bool away = i % 37 == 5;
        discs.push_back({away ? -500.0f : 160.3f + 0.9f * i * std::cos(turn), 120.6f + 0.8f * i * std::sin(turn), r,
                         0xff000000u | static_cast<uint32_t>(i * 0x010307)});
    }
    return discs;
}

TEST_F(DiscBatchTest, DiscsEachHidingMostOfTheOneBeforeMatchDrawingOneByOne) {
    ExpectBatchMatchesOneByOne(320, 240, Crescents(240), 17);
    // From the outside in, as the spiral draws them: discs far larger than the view, whose sides are
    // long runs of lone-line rows, each disc hiding all but a crescent of the one before.
    std::vector<BatchDisc> inward;
    for (int32_t i = 0; i < 240; ++i) {
        inward.push_back({200.3f + 40.0f * std::cos(0.3f * i), 150.6f + 40.0f * std::sin(0.3f * i), 3000.0f - 12.0f * i,
                          0xff000000u | static_cast<uint32_t>(i * 0x030105)});
    }
    ExpectBatchMatchesOneByOne(400, 300, inward, 19);
}

// The polygon discs as a family that fails at one disc: its preparing or its walk.
int32_t failingDisc = -1;
bool walkFails = false;
thread_local int32_t preparedDisc = -1;

DiscRowsResult PrepareFailing(RasterThread& t, const void* discs, int32_t index, int32_t first, int32_t end,
                              DiscRows& rows) {
    preparedDisc = index;
    if (index == failingDisc && !walkFails) return DiscRowsResult::noMemory;
    return PrepareDiscRows(t, static_cast<const BatchDisc*>(discs)[index], first, end, rows);
}

bool WalkFailing(RasterThread& t, DiscRows& rows, WalkedDisc& w) {
    return !(preparedDisc == failingDisc && walkFails) && WalkDiscRows(t, rows, w);
}

void DrawOneByOne(const void* discs, int32_t from, int32_t count, int32_t first, int32_t end) {
    SetCellRows(first, end);
    for (int32_t i = from; i < count; ++i) {
        const BatchDisc& d = static_cast<const BatchDisc*>(discs)[i];
        DrawPolygonDisc(d.x, d.y, d.radius, d.colour, Normal);
    }
    SetCellRows(INT32_MIN, INT32_MAX);
}

TEST_F(DiscBatchTest, ADiscThatCannotBePreparedOrWalkedLeavesTheRestToBeDrawnOneByOne) {
    const int32_t w = 320, h = 240;
    const std::vector<BatchDisc> discs = Crescents(120);
    ASSERT_EQ(CreateHeadlessBuffer(w, h), 1);
    FillWithNoise(23);
    for (const BatchDisc& d : discs) DrawPolygonDisc(d.x, d.y, d.radius, d.colour, Normal);
    const std::vector<uint32_t> expected = ViewPixels();
    BandSplit split;
    const RowFamily family = {PrepareFailing, WalkFailing, DrawWalkedDisc, DrawOneByOne, &split};
    for (const bool walk : {false, true}) {
        for (const int32_t at : {0, 1, 60, 119}) {
            failingDisc = at, walkFails = walk;
            FillWithNoise(23);
            DrawRowBatch(family, discs.data(), static_cast<int32_t>(discs.size()));
            ExpectViewIs(expected, walk ? "walk fails" : "preparing fails", w, h, static_cast<uint32_t>(at));
        }
    }
    failingDisc = -1;
}

TEST_F(DiscBatchTest, DegenerateDiscsMatchDrawingOneByOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<BatchDisc> discs = {
        {50.0f, 50.0f, 30.0f, 0xff00ff00u},        {nan, 40.0f, 10.0f, 0xffff0000u},
        {40.0f, 40.0f, nan, 0xff0000ffu},          {30.0f, 30.0f, inf, 0x40ffffffu},
        {50.0f, 50.0f, 0.0f, 0xff777777u},         {20.0f, 60.0f, 8.0f, 0xff102030u},
        {-1e9f, 50.0f, 1e9f + 40.0f, 0xff405060u}, {60.0f, 45.0f, -12.5f, 0xff00ff00u},
        {61.0f, 44.0f, -0.03f, 0xffabcdefu},       {50.0f, 50.0f, 10.0f, 0xff00ff00u}};
    ExpectBatchMatchesOneByOne(100, 100, discs, 3);
}

TEST_F(DiscBatchTest, EmptyBatchAndSingleDiscAreLikeDrawingOneByOne) {
    ExpectBatchMatchesOneByOne(50, 40, {}, 5);
    ExpectBatchMatchesOneByOne(50, 40, {{25.0f, 20.0f, 12.3f, 0xff336699u}}, 6);
}

TEST_F(DiscBatchTest, BatchesMatchWhereverTheRowsAreSplitBetweenTheThreads) {
    // Split rows out of range are taken to the nearest split that leaves both threads a row.
    const int32_t w = 300, h = 257;
    const std::vector<BatchDisc> discs = RandomDiscs(w, h, 120, 21);
    ASSERT_EQ(CreateHeadlessBuffer(w, h), 1);
    FillWithNoise(21);
    for (const BatchDisc& d : discs) DrawPolygonDisc(d.x, d.y, d.radius, d.colour, Normal);
    const std::vector<uint32_t> expected = ViewPixels();
    for (const int32_t split : {-5, 0, 1, 2, 3, 64, 128, 129, 200, 255, 256, 257, 4000}) {
        FillWithNoise(21);
        DrawPolygonDiscsSplit(discs.data(), static_cast<int32_t>(discs.size()), split);
        ExpectViewIs(expected, "split", w, h, static_cast<uint32_t>(split));
    }
}

}  // namespace
