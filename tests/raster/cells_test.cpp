#include "raster/cells.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "exact_area.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/polygon.h"
#include "tests/view_pixels.h"

namespace {

using exact_area::Readout;

constexpr uint32_t kBlack = 0xff000000u;
constexpr uint32_t kWhite = 0xffffffffu;

std::vector<ShapeVertex> Rectangle(float x0, float y0, float x1, float y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// Blue channel of a view pixel.
uint32_t Blue(int32_t x, int32_t y) { return *ViewPixel(x, y) & 255u; }

class CellsTest : public ::testing::Test {
  protected:
    void SetUp() override { InitShapeRasteriser(); }
    void TearDown() override {
        ReleaseShapeRasteriser();
        ReleaseHeadlessBuffer();
    }

    // Draws white onto black in mode 1 and compares every view pixel with the exact area of the
    // polygon; exact: only the final floor may differ (the outline's crossings fall on the grid).
    double DrawAndCompare(const std::vector<ShapeVertex>& vertices, const std::string& what, bool exact,
                          double base = 1.0, bool walked = true) {
        exact_area::FillBuffer(kBlack);
        exact_area::DrawOutline(vertices, kWhite, Normal);
        EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0) << what;
        if (walked) exact_area::ExpectWalkedExactly(vertices, Readout::WhiteOnBlack, what);
        const exact_area::PixelReference ref =
            exact_area::ReferenceFor(exact_area::FixedPolygon(vertices), frameBuffer.viewWidth, frameBuffer.viewHeight);
        return exact_area::ExpectMatchesReference(ref, exact ? 1e-6 : base, Readout::WhiteOnBlack, what, !exact);
    }
};

TEST_F(CellsTest, CoverageTableIsTheCurveBelowTheDiagonal) {
    EXPECT_EQ(shapeCoverageTable[0], 0);
    EXPECT_EQ(shapeCoverageTable[64], 39);
    EXPECT_EQ(shapeCoverageTable[128], 85);
    EXPECT_EQ(shapeCoverageTable[192], 154);
    EXPECT_EQ(shapeCoverageTable[255], 255);
    for (int32_t raw = 1; raw < 256; ++raw) {
        EXPECT_GE(shapeCoverageTable[raw], shapeCoverageTable[raw - 1]) << raw;
        if (raw < 255) {
            EXPECT_LT(shapeCoverageTable[raw], raw) << raw;
        }
    }
}

TEST_F(CellsTest, FixedCoordinatesTruncateTowardZeroAndSaturate) {
    EXPECT_EQ(FixedFromFloat(0.0f), 128);
    EXPECT_EQ(FixedFromFloat(-0.5f), 0);
    EXPECT_EQ(FixedFromFloat(2.25f), 704);
    EXPECT_EQ(FixedFromFloat(-1.0f), -128);
    EXPECT_EQ(FixedFromFloat(-0.501f), 0);    // -0.256 truncates toward zero
    EXPECT_EQ(FixedFromFloat(-0.5045f), -1);  // -1.152
    EXPECT_EQ(FixedFromFloat(0.3f), 204);     // 0.8f * 256 = 204.8 in single precision
    EXPECT_EQ(FixedFromFloat(1e9f), kFixedLimit);
    EXPECT_EQ(FixedFromFloat(-1e9f), -kFixedLimit);
    EXPECT_EQ(FixedFromFloat(std::numeric_limits<float>::infinity()), kFixedLimit);
    EXPECT_EQ(FixedFromFloat(-std::numeric_limits<float>::infinity()), -kFixedLimit);
    EXPECT_EQ(FixedFromFloat(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(FixedFromFloat(4194303.0f), 1073741824 - 128);  // just inside the limit
}

TEST_F(CellsTest, AxisAlignedRectanglesGetTheirExactCoverage) {
    exact_area::MakeView(40, 30, kBlack);
    // Fractions of a quarter and an eighth: every partial pixel has a whole raw value.
    DrawAndCompare(Rectangle(2.25f, 1.5f, 9.75f, 5.125f), "quarters", true);
    DrawAndCompare(Rectangle(-3.0f, -2.0f, 12.0f, 7.375f), "across the top-left corner", true);
    DrawAndCompare(Rectangle(30.625f, 20.5f, 45.0f, 40.0f), "across the bottom-right corner", true);

    // Half a pixel is raw 128, table 85, read back as floor(255 * 85 / 256) = 84.
    exact_area::FillBuffer(kBlack);
    exact_area::DrawOutline(Rectangle(2.0f, 3.5f, 6.5f, 6.5f), kWhite, Normal);
    for (int32_t y = 4; y <= 6; ++y) {
        EXPECT_EQ(Blue(2, y), 84u);
        for (int32_t x = 3; x <= 6; ++x)
            EXPECT_EQ(Blue(x, y), 255u) << x << ", " << y;  // a run at 255 stores the colour
        EXPECT_EQ(Blue(7, y), 0u);
    }
    EXPECT_EQ(Blue(2, 3), 0u);
    EXPECT_EQ(Blue(2, 7), 0u);

    // A narrow bar inside one column: both edges vertical in the same cells, over many rows.
    DrawAndCompare(Rectangle(2.75f, 0.3f, 3.25f, 20.8f), "bar", true);
}

TEST_F(CellsTest, FullPixelIsRaw256AndDrawsAtCoverage255) {
    exact_area::MakeView(20, 20, kBlack);
    // Exactly pixel (5, 5): its edges lie on the pixel's borders and leave no area in any cell, so
    // the pixel is a one-pixel run at raw 256, coverage 255, drawn by the pixel operation:
    // floor(255 * 255 / 256) = 254.
    exact_area::DrawOutline(Rectangle(4.5f, 4.5f, 5.5f, 5.5f), kWhite, Normal);
    EXPECT_EQ(Blue(5, 5), 254u);
    EXPECT_EQ(Blue(4, 5), 0u);
    EXPECT_EQ(Blue(6, 5), 0u);
    EXPECT_EQ(Blue(5, 4), 0u);
    EXPECT_EQ(Blue(5, 6), 0u);
    // Three pixels wide: a run at 255 stores the colour itself.
    exact_area::FillBuffer(kBlack);
    exact_area::DrawOutline(Rectangle(9.5f, 9.5f, 12.5f, 10.5f), kWhite, Normal);
    EXPECT_EQ(Blue(10, 10), 255u);
    EXPECT_EQ(Blue(11, 10), 255u);
    EXPECT_EQ(Blue(12, 10), 255u);
    EXPECT_EQ(Blue(13, 10), 0u);
    EXPECT_EQ(Blue(9, 10), 0u);
}

TEST_F(CellsTest, EvenOddFoldsTheCoverageOfEachPixel) {
    exact_area::MakeView(20, 12, kBlack);
    // A square traced twice is wound twice: raw 512 folds to nothing inside. At its half-covered
    // left and right columns twice a half is a full pixel: the fold works on each pixel's sum.
    std::vector<ShapeVertex> twice = Rectangle(2.0f, 2.5f, 8.0f, 6.5f);
    const std::vector<ShapeVertex> once = twice;
    twice.insert(twice.end(), once.begin(), once.end());
    exact_area::FillBuffer(kBlack);
    exact_area::DrawOutline(twice, kWhite, Normal);
    for (int32_t y = 3; y <= 6; ++y) {
        EXPECT_EQ(Blue(2, y), 254u) << y;  // raw 256, a single pixel
        for (int32_t x = 3; x <= 7; ++x) EXPECT_EQ(Blue(x, y), 0u) << x << ", " << y;
        EXPECT_EQ(Blue(8, y), 254u) << y;
    }
    // Three times: like once again, the half-covered columns at raw 384, folded to 128.
    std::vector<ShapeVertex> thrice = twice;
    thrice.insert(thrice.end(), once.begin(), once.end());
    exact_area::FillBuffer(kBlack);
    exact_area::DrawOutline(thrice, kWhite, Normal);
    for (int32_t y = 3; y <= 6; ++y) {
        EXPECT_EQ(Blue(2, y), 84u) << y;
        for (int32_t x = 3; x <= 7; ++x) EXPECT_EQ(Blue(x, y), 255u) << x << ", " << y;
        EXPECT_EQ(Blue(8, y), 84u) << y;
    }
}

TEST_F(CellsTest, SelfIntersectingOutlinesFollowEvenOdd) {
    exact_area::MakeView(64, 64, kBlack);
    // A five-pointed star drawn in one stroke: its centre is wound twice and stays empty.
    std::vector<ShapeVertex> star;
    for (int32_t i = 0; i < 5; ++i) {
        const double a = -1.5707963267948966 + i * 4 * 3.141592653589793 / 5;
        star.push_back({static_cast<float>(31.7 + 28.3 * std::cos(a)), static_cast<float>(32.2 + 28.3 * std::sin(a))});
    }
    DrawAndCompare(star, "star", false);
    EXPECT_EQ(Blue(32, 32), 0u);    // the centre
    EXPECT_EQ(Blue(32, 10), 255u);  // the top point

    // Two outlines in one store: the second move closes the first; the inner square is a hole.
    exact_area::FillBuffer(kBlack);
    CellMoveTo(FixedFromFloat(4.5f), FixedFromFloat(4.5f));
    CellLineTo(FixedFromFloat(40.5f), FixedFromFloat(4.5f));
    CellLineTo(FixedFromFloat(40.5f), FixedFromFloat(40.5f));
    CellLineTo(FixedFromFloat(4.5f), FixedFromFloat(40.5f));
    CellMoveTo(FixedFromFloat(10.5f), FixedFromFloat(10.5f));
    CellLineTo(FixedFromFloat(20.5f), FixedFromFloat(10.5f));
    CellLineTo(FixedFromFloat(20.5f), FixedFromFloat(20.5f));
    CellLineTo(FixedFromFloat(10.5f), FixedFromFloat(20.5f));
    SelectShapeMode(Normal);
    SweepCells(kWhite);
    EXPECT_EQ(Blue(7, 7), 255u);
    EXPECT_EQ(Blue(15, 15), 0u);
    EXPECT_EQ(Blue(30, 30), 255u);
    EXPECT_EQ(Blue(41, 30), 0u);
    EXPECT_EQ(Blue(5, 40), 255u);

    // Thousands of vertices, folding over each other: a long list, many cells of equal key.
    exact_area::MakeView(96, 96, kBlack);
    std::vector<ShapeVertex> tangle;
    uint32_t seed = 12345;
    for (int32_t i = 0; i < 1500; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double a = i * 0.0123 + (seed >> 16) % 1000 * 0.002;
        const double r = 10.0 + (seed >> 8) % 4000 * 0.01;
        tangle.push_back({static_cast<float>(48.3 + r * std::cos(a)), static_cast<float>(47.9 + r * std::sin(a))});
    }
    DrawAndCompare(tangle, "tangle", false);
}

TEST_F(CellsTest, DegenerateAndOutOfViewListsProduceNoOutline) {
    exact_area::MakeView(30, 20, kBlack);
    EXPECT_EQ(RasteriseVertexList(), 0);
    AddShapeVertex(5.0f, 5.0f);
    EXPECT_EQ(RasteriseVertexList(), 0);
    EXPECT_EQ(rasterThread.vertices.count, 0);
    // Wholly left of the view: dropped, and the bounding box starts afresh.
    for (const ShapeVertex& v : Rectangle(-20.0f, 2.0f, -0.6f, 8.0f)) AddShapeVertex(v.x, v.y);
    EXPECT_EQ(RasteriseVertexList(), 0);
    EXPECT_EQ(rasterThread.vertices.count, 0);
    EXPECT_EQ(rasterThread.vertices.maxX, -100000.0f);
    EXPECT_EQ(rasterThread.vertices.minX, 100000.0f);
    // Wholly below: dropped too. Touching the view's last half pixel: rasterised.
    for (const ShapeVertex& v : Rectangle(2.0f, 19.6f, 8.0f, 30.0f)) AddShapeVertex(v.x, v.y);
    EXPECT_EQ(RasteriseVertexList(), 0);
    for (const ShapeVertex& v : Rectangle(2.0f, 19.5f, 8.0f, 30.0f)) AddShapeVertex(v.x, v.y);
    EXPECT_EQ(RasteriseVertexList(), 1);
    SweepCells(kWhite);
    EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0);
    for (int32_t x = 0; x < 30; ++x) EXPECT_EQ(Blue(x, 19), 0u);
}

TEST_F(CellsTest, FarCoordinatesKeepTheVisibleCoverage) {
    exact_area::MakeView(80, 60, kBlack);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // A band reaching 40000 pixels left: every row fully covered up to its right end.
    exact_area::FillBuffer(kBlack);
    exact_area::DrawOutline(Rectangle(-40000.0f, 2.5f, 10.5f, 5.5f), kWhite, Normal);
    for (int32_t y = 3; y <= 5; ++y) {
        for (int32_t x = 0; x <= 10; ++x) ASSERT_EQ(Blue(x, y), 255u) << x << ", " << y;
        EXPECT_EQ(Blue(11, y), 0u);
    }
    EXPECT_EQ(Blue(5, 2), 0u);
    EXPECT_EQ(Blue(5, 6), 0u);

    // Slanted edges from far away, beyond the projection columns and beyond the fixed limit; the
    // reference uses the same saturated vertices. The projected lines may be one more step off.
    const std::vector<std::vector<ShapeVertex>> shapes = {
        {{-1e9f, -5.0f}, {50.3f, 30.7f}, {-1e9f, 80.0f}},
        {{1e9f, 10.0f}, {20.5f, 30.2f}, {1e9f, 50.0f}},
        {{-40000.0f, -300.0f}, {60.2f, 20.7f}, {-39000.0f, 500.0f}},
        {{40000.0f, -300.0f}, {10.2f, 20.7f}, {39000.0f, 500.0f}},
        {{-40000.0f, 10.3f}, {40000.0f, 50.6f}, {-40000.0f, 40.2f}},  // through the whole view
        {{-3e6f, -2e6f}, {3e6f, 2e6f}, {3e6f, 2.1e6f}},
        {{-inf, 5.0f}, {40.0f, 40.0f}, {-inf, 55.0f}},
        {{10.0f, 10.0f}, {nan, nan}, {60.0f, 50.0f}, {10.0f, 50.0f}},  // NaN stands for the fixed point 0
    };
    for (size_t i = 0; i < shapes.size(); ++i)
        DrawAndCompare(shapes[i], "far shape " + std::to_string(i), false, 2.0, false);

    // Extreme outlines with no sensible picture: defined, and nothing outside the view.
    const std::vector<std::vector<ShapeVertex>> wild = {
        {{nan, nan}, {nan, 1.0f}, {2.0f, nan}},
        {{inf, inf}, {-inf, -inf}, {inf, -inf}, {-inf, inf}},
        {{3e38f, -3e38f}, {-3e38f, 3e38f}, {20.0f, 20.0f}},
        {{-2e9f, 30.0f}, {2e9f, 30.5f}, {-2e9f, 31.0f}, {2e9f, 31.5f}},
    };
    for (const auto& shape : wild) {
        exact_area::FillBuffer(kBlack);
        exact_area::DrawOutline(shape, kWhite, Normal);
        EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0);
    }
}

TEST_F(CellsTest, SpansLongerThanOneSpanHoldsReachTheViewsLastColumn) {
    exact_area::MakeView(5000, 8, kBlack);
    exact_area::DrawOutline(Rectangle(-10.0f, 1.5f, 4990.25f, 4.5f), kWhite, Normal);
    for (int32_t y = 2; y <= 4; ++y) {
        for (int32_t x = 0; x <= 4989; ++x) ASSERT_EQ(Blue(x, y), 255u) << x << ", " << y;
        EXPECT_EQ(Blue(4990, y), 153u);  // 3/4 of the pixel: raw 192, table 154, floor(255 * 154 / 256)
        EXPECT_EQ(Blue(4991, y), 0u);
    }
    DrawAndCompare({{-100.0f, -20.0f}, {5100.0f, 3.3f}, {-100.0f, 9.0f}}, "wide wedge", false);
}

TEST_F(CellsTest, CellsBeyondTheBlockLimitAreDroppedWithoutHarm) {
    exact_area::MakeView(4096, 20, kBlack);
    // Each stroke across the view leaves about 4100 cells; 1100 strokes need more than 1024 blocks.
    std::vector<ShapeVertex> zigzag;
    for (int32_t i = 0; i < 1101; ++i) zigzag.push_back(i % 2 ? ShapeVertex{4095.3f, 16.6f} : ShapeVertex{-0.4f, 0.2f});
    zigzag.push_back({-0.4f, 18.0f});
    for (const ShapeVertex& v : zigzag) AddShapeVertex(v.x, v.y);
    ASSERT_EQ(RasteriseVertexList(), 1);
    EXPECT_EQ(rasterThread.cells.blocksInUse, kMaxBlocks);
    EXPECT_EQ(rasterThread.cells.cellCount, kMaxBlocks * kCellsPerBlock);
    SelectShapeMode(Normal);
    SweepCells(kWhite);
    EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0);

    // The next shape starts in the first block again and is exact.
    exact_area::MakeView(40, 30, kBlack);
    DrawAndCompare(Rectangle(2.25f, 1.5f, 9.75f, 5.125f), "after the limit", true);
    EXPECT_EQ(rasterThread.cells.blocksInUse, 1);
}

TEST_F(CellsTest, CellRowsLimitTheRowsDrawnAndLeaveTheirPixelsAsWithEveryRow) {
    // A disc across many rows drawn in full, then with only some rows given cells: those rows come
    // out exactly as in full, whatever other rows their lines cross, and no other pixel changes.
    ASSERT_EQ(CreateHeadlessBuffer(80, 60), 1);
    FillWithNoise(5);
    const std::vector<uint32_t> before = ViewPixels();
    DrawPolygonDisc(37.3f, 29.6f, 25.2f, 0xc0308050u, Normal);
    const std::vector<uint32_t> full = ViewPixels();
    const int32_t limits[][2] = {{0, 60}, {10, 11}, {4, 37}, {30, 60}, {-5, 3}, {59, 1000}, {20, 20}};
    for (const auto& rows : limits) {
        FillWithNoise(5);
        SetCellRows(rows[0], rows[1]);
        DrawPolygonDisc(37.3f, 29.6f, 25.2f, 0xc0308050u, Normal);
        SetCellRows(INT32_MIN, INT32_MAX);
        const std::vector<uint32_t> limited = ViewPixels();
        for (int32_t i = 0; i < 80 * 60; ++i) {
            const bool drawn = i / 80 >= rows[0] && i / 80 < rows[1];
            ASSERT_EQ(limited[i], drawn ? full[i] : before[i])
                << "rows " << rows[0] << ".." << rows[1] << ", pixel " << i;
        }
    }
}

}  // namespace
