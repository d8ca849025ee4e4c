#include "raster/polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "exact_area.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/cells.h"
#include "raster/portable_trig.h"

namespace {

using exact_area::Readout;

constexpr uint32_t kBlack = 0xff000000u;
constexpr uint32_t kWhite = 0xffffffffu;

// The disc outline as stated: a quarter sine table by single-precision angle steps, four quarters
// from the leftmost point toward the lowest, the rightmost, the highest and back, each product
// rounded to single before the sum.
std::vector<ShapeVertex> DiscVertices(float cx, float cy, float r, int32_t n) {
    const float step = static_cast<float>(2.0 * 3.14159265358979323846 / n);
    const int32_t q = n / 4;
    std::vector<float> t(static_cast<size_t>(q) + 1);
    float a = 0.0f;
    for (int32_t i = 0; i <= q; ++i) {
        t[i] = static_cast<float>(PortableSin(static_cast<double>(a)));
        a += step;
    }
    std::vector<ShapeVertex> v;
    const auto product = [r](float s) { return static_cast<float>(r * s); };
    for (int32_t i = 0; i < q; ++i) v.push_back({cx - product(t[q - i]), cy + product(t[i])});
    for (int32_t i = 0; i < q; ++i) v.push_back({cx + product(t[i]), cy + product(t[q - i])});
    for (int32_t i = 0; i < q; ++i) v.push_back({cx + product(t[q - i]), cy - product(t[i])});
    for (int32_t i = 0; i < q; ++i) v.push_back({cx - product(t[i]), cy - product(t[q - i])});
    return v;
}

// The rounded rectangle as stated: corners of radius 20 with 8 steps of a quarter each, clockwise on
// screen from the left end of the top-left arc.
std::vector<ShapeVertex> RoundedRectVertices(float x0, float y0, float x1, float y1) {
    const float r = 20.0f;
    const int32_t m = 8;
    const float step = static_cast<float>(2.0 * 3.14159265358979323846 / (4 * m));
    const float cxs[4] = {x0 + r, x1 - r, x1 - r, x0 + r};
    const float cys[4] = {y0 + r, y0 + r, y1 - r, y1 - r};
    std::vector<ShapeVertex> v;
    for (int32_t k = 0; k < 4; ++k) {
        for (int32_t i = 0; i <= m; ++i) {
            const float theta = static_cast<float>(i + k * m) * step;
            const float c = static_cast<float>(PortableCos(static_cast<double>(theta)));
            const float s = static_cast<float>(PortableSin(static_cast<double>(theta)));
            v.push_back({cxs[k] - static_cast<float>(r * c), cys[k] - static_cast<float>(r * s)});
        }
    }
    v[0] = {cxs[0] - r, cys[0]};
    return v;
}

class PolygonTest : public ::testing::Test {
  protected:
    void SetUp() override { InitShapeRasteriser(); }
    void TearDown() override {
        ReleaseShapeRasteriser();
        ReleaseHeadlessBuffer();
    }

    // Draws the disc white onto black in mode 1, checks it against the exact area of its polygon and
    // against the same outline built here, and that nothing outside the view changed.
    double CheckDisc(float cx, float cy, float r, double base = 1.0, bool exactWalk = true) {
        const std::string what = "disc (" + std::to_string(cx) + ", " + std::to_string(cy) + ") r " + std::to_string(r);
        exact_area::FillBuffer(kBlack);
        const std::vector<ShapeVertex> vertices = DiscVertices(cx, cy, r, VertexCountForRadius(r));
        exact_area::DrawOutline(vertices, kWhite, Normal);
        const std::vector<uint32_t> fromOutline = exact_area::Snapshot();

        exact_area::FillBuffer(kBlack);
        DrawPolygonDisc(cx, cy, r, kWhite, Normal);
        EXPECT_TRUE(exact_area::Snapshot() == fromOutline) << what << ": the disc is not the stated outline";
        EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0) << what;
        if (exactWalk) exact_area::ExpectWalkedExactly(vertices, Readout::WhiteOnBlack, what);
        const exact_area::PixelReference ref =
            exact_area::ReferenceFor(exact_area::FixedPolygon(vertices), frameBuffer.viewWidth, frameBuffer.viewHeight);
        return exact_area::ExpectMatchesReference(ref, base, Readout::WhiteOnBlack, what);
    }
};

TEST_F(PolygonTest, VertexCountFollowsTheRadius) {
    EXPECT_EQ(VertexCountForRadius(0.0f), 12);
    EXPECT_EQ(VertexCountForRadius(3.9f), 12);
    EXPECT_EQ(VertexCountForRadius(4.0f), 16);
    EXPECT_EQ(VertexCountForRadius(6.99f), 16);
    for (float r : {7.0f, 8.0f, 9.0f, 10.0f}) EXPECT_EQ(VertexCountForRadius(r), 20) << r;
    EXPECT_EQ(VertexCountForRadius(20.0f), 28);
    EXPECT_EQ(VertexCountForRadius(50.0f), 44);
    EXPECT_EQ(VertexCountForRadius(100.0f), 76);
    EXPECT_EQ(VertexCountForRadius(500.0f), 212);
    EXPECT_EQ(VertexCountForRadius(1999.0f), 360);
    EXPECT_EQ(VertexCountForRadius(2000.0f), 364);
    EXPECT_EQ(VertexCountForRadius(2000.5f), 360);
    // Every count is a multiple of 4 and never falls as the radius grows.
    int32_t previous = 0;
    for (float r = 0.0f; r < 2000.0f; r += 0.37f) {
        const int32_t n = VertexCountForRadius(r);
        ASSERT_EQ(n % 4, 0) << r;
        ASSERT_GE(n, previous) << r;
        previous = n;
    }
    // Radii no disc has still give a count the disc can be built with.
    EXPECT_EQ(VertexCountForRadius(-5.0f), 12);
    EXPECT_EQ(VertexCountForRadius(std::numeric_limits<float>::quiet_NaN()), 12);
    EXPECT_EQ(VertexCountForRadius(std::numeric_limits<float>::infinity()), 360);
}

TEST_F(PolygonTest, DiscsOfManyRadiiMatchTheExactAreaInsideAndAcrossEveryEdge) {
    exact_area::MakeView(96, 72, kBlack);
    const float w = 95.0f, h = 71.0f;  // last column and row
    double worst = 0;
    for (float r :
         {0.3f, 0.7f, 1.0f, 1.5f, 2.2f, 3.9f, 4.0f, 6.5f, 7.0f, 10.3f, 20.0f, 33.3f, 50.0f, 100.0f, 250.0f, 600.0f}) {
        const float offset = r * 0.6f;
        const float positions[][2] = {
            {47.3f, 35.6f},                // inside, sub-pixel centre
            {0.21f - offset, 36.45f},      // across the left edge
            {w + offset - 0.37f, 20.13f},  // across the right edge
            {50.77f, 0.41f - offset},      // across the top edge
            {30.5f, h + offset - 0.19f},   // across the bottom edge
            {-offset, -offset * 0.9f},     // across the top-left corner
            {61.0f, 0.0f},                 // centred on row 0: its lower half only
        };
        for (const auto& p : positions) worst = std::max(worst, CheckDisc(p[0], p[1], r));
    }
    // The floor of the area sum alone allows one raw unit; the crossings account for the rest.
    EXPECT_LT(worst, 4.0);
}

TEST_F(PolygonTest, DiscEdgeCases) {
    exact_area::MakeView(64, 48, kBlack);
    const std::vector<uint32_t> blank = exact_area::Snapshot();
    const float maxXf = frameBuffer.maxXf, maxYf = frameBuffer.maxYf;
    const float r = 10.0f;
    // Just beyond the view on each side: culled before any work, the store untouched.
    const float justOutside[][2] = {
        {std::nextafter(-0.5f - r, -1e9f), 20.0f},
        {std::nextafter(maxXf + r, 1e9f), 20.0f},
        {20.0f, std::nextafter(-0.5f - r, -1e9f)},
        {20.0f, std::nextafter(maxYf + r, 1e9f)},
    };
    for (const auto& c : justOutside) {
        ResetCellStore();
        DrawPolygonDisc(c[0], c[1], r, kWhite, Normal);
        EXPECT_EQ(rasterThread.cells.cellCount, 0) << c[0] << ", " << c[1];
        EXPECT_EQ(rasterThread.cells.open, 0);
    }
    // Touching the view's outer edge: rasterised (the store took an outline, with or without cells),
    // yet no pixel inside is covered.
    const float touching[][2] = {{-0.5f - r, 20.0f}, {maxXf + r, 20.0f}, {20.0f, -0.5f - r}, {20.0f, maxYf + r}};
    for (const auto& c : touching) {
        ResetCellStore();
        DrawPolygonDisc(c[0], c[1], r, kWhite, Normal);
        EXPECT_TRUE(rasterThread.cells.cellCount > 0 || rasterThread.cells.open == 1) << c[0] << ", " << c[1];
        EXPECT_TRUE(exact_area::Snapshot() == blank) << c[0] << ", " << c[1];
    }
    // Radius 0: every vertex is the centre, no line, nothing drawn.
    ResetCellStore();
    DrawPolygonDisc(30.3f, 20.7f, 0.0f, kWhite, Normal);
    EXPECT_EQ(rasterThread.cells.cellCount, 0);
    EXPECT_TRUE(exact_area::Snapshot() == blank);

    // The polygon changes from 12 to 16 vertices at radius 4 and to 20 at 7.
    const struct {
        float r;
        int32_t n;
    } counts[] = {{3.9f, 12}, {4.0f, 16}, {6.9f, 16}, {7.0f, 20}};
    for (const auto& c : counts) {
        exact_area::FillBuffer(kBlack);
        exact_area::DrawOutline(DiscVertices(30.3f, 20.6f, c.r, c.n), kWhite, Normal);
        const std::vector<uint32_t> expected = exact_area::Snapshot();
        exact_area::FillBuffer(kBlack);
        DrawPolygonDisc(30.3f, 20.6f, c.r, kWhite, Normal);
        EXPECT_TRUE(exact_area::Snapshot() == expected) << "radius " << c.r << " is not a " << c.n << "-gon";
    }

    // A disc centred on row 0 covers row 0 and below; the rows above the view stay as they were.
    exact_area::FillBuffer(kBlack);
    DrawPolygonDisc(32.0f, 0.0f, 12.0f, kWhite, Normal);
    EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0);
    EXPECT_EQ(*ViewPixel(32, 0) & 255u, 255u);
    EXPECT_EQ(*ViewPixel(32, 11) & 255u, 255u);
    EXPECT_EQ(*ViewPixel(32, 13) & 255u, 0u);

    // A disc mostly left of column 0 still fills what it covers of the view: the cover of its left
    // side, out of the view, carries into every row.
    exact_area::FillBuffer(kBlack);
    DrawPolygonDisc(-30.0f, 24.0f, 40.0f, kWhite, Normal);
    for (int32_t y = 20; y <= 28; ++y) {
        for (int32_t x = 0; x <= 8; ++x) ASSERT_EQ(*ViewPixel(x, y) & 255u, 255u) << x << ", " << y;
    }
    EXPECT_EQ(*ViewPixel(11, 24) & 255u, 0u);
    EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0);

    // Only the low 4 bits of the mode count: 17 draws as 1.
    exact_area::FillBuffer(kBlack);
    DrawPolygonDisc(30.3f, 20.6f, 9.0f, kWhite, Normal);
    const std::vector<uint32_t> modeOne = exact_area::Snapshot();
    exact_area::FillBuffer(kBlack);
    DrawPolygonDisc(30.3f, 20.6f, 9.0f, kWhite, static_cast<BlendMode>(17));
    EXPECT_TRUE(exact_area::Snapshot() == modeOne);
}

TEST_F(PolygonTest, RoundedRectanglesMatchTheExactAreaEvenWhenTheirCornersCross) {
    exact_area::MakeView(120, 90, kWhite);
    const float rects[][4] = {
        {10.3f, 8.6f, 100.7f, 70.2f},    // ordinary
        {20.25f, 5.5f, 45.75f, 80.5f},   // 25.5 wide: the corner arcs cross
        {60.1f, 30.2f, 66.3f, 39.9f},    // 6 x 9.7: everything crosses
        {5.0f, 40.0f, 115.0f, 52.0f},    // 12 high
        {100.7f, 70.2f, 10.3f, 8.6f},    // corners given the other way round
        {-50.4f, -30.6f, 30.2f, 20.3f},  // across the top-left corner
        {80.6f, 60.3f, 200.0f, 150.0f},  // across the bottom-right corner
        {0.0f, 0.0f, 119.0f, 89.0f},     // the whole view, on pixel centres
    };
    double worst = 0;
    for (const auto& rc : rects) {
        const std::string what = "rect " + std::to_string(rc[0]) + ", " + std::to_string(rc[1]) + ", " +
                                 std::to_string(rc[2]) + ", " + std::to_string(rc[3]);
        exact_area::FillBuffer(kWhite);
        const std::vector<ShapeVertex> vertices = RoundedRectVertices(rc[0], rc[1], rc[2], rc[3]);
        ASSERT_EQ(vertices.size(), 36u);
        exact_area::DrawOutline(vertices, kBlack, Multiply);
        const std::vector<uint32_t> fromOutline = exact_area::Snapshot();

        exact_area::FillBuffer(kWhite);
        SelectShapeMode(Normal);  // the rectangle selects Multiply itself
        FillRoundedRect(kBlack, rc[0], rc[1], rc[2], rc[3]);
        EXPECT_TRUE(exact_area::Snapshot() == fromOutline) << what << ": not the stated outline in mode 5";
        EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kWhite), 0) << what;
        exact_area::ExpectWalkedExactly(vertices, Readout::BlackOnWhiteMultiply, what);
        const exact_area::PixelReference ref =
            exact_area::ReferenceFor(exact_area::FixedPolygon(vertices), frameBuffer.viewWidth, frameBuffer.viewHeight);
        worst = std::max(worst, exact_area::ExpectMatchesReference(ref, 1.0, Readout::BlackOnWhiteMultiply, what));
    }
    EXPECT_LT(worst, 4.0);
}

TEST_F(PolygonTest, TinyRoundedRectangleFollowsTheParityOfItsWinding) {
    // 6 x 9.7: each corner arc reaches past the opposite side, and the outline winds up to three
    // times around the middle. Even-odd fills what is wound once or three times and leaves empty
    // what is wound twice.
    exact_area::MakeView(60, 60, kWhite);
    const float rc[4] = {27.0f, 25.0f, 33.0f, 34.7f};
    FillRoundedRect(kBlack, rc[0], rc[1], rc[2], rc[3]);
    const std::vector<ShapeVertex> vertices = RoundedRectVertices(rc[0], rc[1], rc[2], rc[3]);
    const exact_area::PixelReference ref = exact_area::ReferenceFor(exact_area::FixedPolygon(vertices), 60, 60);
    int32_t pixelsWoundTimes[4] = {0, 0, 0, 0};
    for (int32_t y = 0; y < 60; ++y) {
        for (int32_t x = 0; x < 60; ++x) {
            const double w = std::fabs(ref.Winding(x, y));
            const int32_t n = static_cast<int32_t>(std::lround(w));
            if (ref.Crossings(x, y) != 0 || std::fabs(w - n) > 1e-3 || n > 3) continue;
            ++pixelsWoundTimes[n];
            if (n % 2 == 0) {
                EXPECT_EQ(*ViewPixel(x, y), kWhite) << x << ", " << y << " wound " << n;  // no span at all
            } else {
                EXPECT_EQ(*ViewPixel(x, y) & 0xffffffu, 0u) << x << ", " << y << " wound " << n;  // factor 0
            }
        }
    }
    EXPECT_GT(pixelsWoundTimes[1], 4);
    EXPECT_GE(pixelsWoundTimes[2], 4);
    EXPECT_GT(pixelsWoundTimes[3], 0);
    exact_area::ExpectWalkedExactly(vertices, Readout::BlackOnWhiteMultiply, "tiny rect");
    exact_area::ExpectMatchesReference(ref, 1.0, Readout::BlackOnWhiteMultiply, "tiny rect");
}

TEST_F(PolygonTest, FarAwayAndNonFiniteCoordinatesAreSafeAndKeepTheVisiblePicture) {
    exact_area::MakeView(96, 72, kBlack);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Discs whose outline reaches far beyond what a cell can hold, but which cross the view: the
    // visible part must still be right. Far left, the outline is projected onto a column left of
    // the view and carries its cover; the projected lines deviate by less than one more 1/256 step.
    const float far[][3] = {
        {-40000.0f, 36.3f, 40050.2f}, {40090.0f, 30.7f, 40050.4f}, {48.2f, -40000.0f, 40030.3f},
        {48.2f, 40070.0f, 40030.3f},  {-1e9f, 30.0f, 1e9f},        {1e9f, 30.0f, 1e9f},
        {-3e5f, -3e5f, 4.2e5f},       {20000.0f, 36.0f, 19990.0f},
    };
    for (const auto& d : far) CheckDisc(d[0], d[1], d[2], 2.0, false);

    // Non-finite and absurd values draw something defined and stay inside the view.
    const float odd[][3] = {
        {nan, 30.0f, 10.0f},    {30.0f, nan, 10.0f}, {30.0f, 30.0f, nan},   {inf, 30.0f, 10.0f},
        {-inf, 30.0f, 10.0f},   {30.0f, inf, 10.0f}, {30.0f, 30.0f, inf},   {30.0f, 30.0f, -inf},
        {inf, inf, inf},        {-inf, -inf, inf},   {3e38f, 3e38f, 3e38f}, {-3e38f, 20.0f, 3e38f},
        {40.0f, 30.0f, -12.0f}, {1e9f, 1e9f, 2e9f},  {5e6f, 36.0f, 5e6f},
    };
    for (const auto& d : odd) {
        exact_area::FillBuffer(kBlack);
        DrawPolygonDisc(d[0], d[1], d[2], kWhite, Normal);
        EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kBlack), 0) << d[0] << ", " << d[1] << ", " << d[2];
    }
    const float rects[][4] = {
        {nan, 10.0f, 50.0f, 60.0f}, {10.0f, 10.0f, inf, 60.0f},       {-inf, -inf, inf, inf},
        {-1e9f, -1e9f, 1e9f, 1e9f}, {-40000.0f, 10.0f, 50.0f, 60.0f}, {nan, nan, nan, nan},
    };
    for (const auto& rc : rects) {
        exact_area::FillBuffer(kWhite);
        FillRoundedRect(kBlack, rc[0], rc[1], rc[2], rc[3]);
        EXPECT_EQ(exact_area::ChangedPixelsOutsideView(kWhite), 0) << rc[0] << ", " << rc[1] << ", " << rc[2];
    }
    // A rectangle reaching 40000 pixels to the left is still exact where it is seen.
    exact_area::FillBuffer(kWhite);
    FillRoundedRect(kBlack, -40000.0f, 10.3f, 50.6f, 60.2f);
    const exact_area::PixelReference ref =
        exact_area::ReferenceFor(exact_area::FixedPolygon(RoundedRectVertices(-40000.0f, 10.3f, 50.6f, 60.2f)), 96, 72);
    exact_area::ExpectMatchesReference(ref, 2.0, Readout::BlackOnWhiteMultiply, "rect from -40000");
}

TEST_F(PolygonTest, ViewsWiderThanOneSpanAreFilledToTheirLastColumn) {
    exact_area::MakeView(5000, 6, kBlack);
    // The bottom cap of a disc of radius 3000: rows of up to several thousand covered pixels.
    CheckDisc(2500.3f, -2994.6f, 3000.0f);
    exact_area::FillBuffer(kBlack);
    DrawPolygonDisc(2500.3f, -2994.6f, 3000.0f, kWhite, Normal);
    EXPECT_EQ(*ViewPixel(2500, 4) & 255u, 255u);
    EXPECT_EQ(*ViewPixel(4999, 1) & 255u, 0u);
    // A disc near the right end of the wide view.
    CheckDisc(4990.2f, 3.3f, 6.0f);
}

// One scene of every shape family and blend mode, hashed. The expected value was recorded from the
// native x86-64 build and checked to be the same in the 32-bit MinGW build under Wine: the picture
// must not depend on the platform.
TEST_F(PolygonTest, SceneIsTheSameOnEveryPlatform) {
    exact_area::MakeView(160, 120, 0xff203040u);
    float g = 2.0f;
    for (int32_t i = 0; i < 120; ++i) {
        const float theta = static_cast<float>(i) * 0.3f + 0.7f;
        const double dist = i * 0.00225 * 8.0 * g;
        const float x = static_cast<float>(PortableSin(theta) * dist + 80.0);
        const float y = static_cast<float>(PortableCos(theta) * dist + 60.0);
        const float radius = static_cast<float>(0.4 * dist + 0.2);
        const uint32_t colour =
            0x80000000u | (static_cast<uint32_t>(i * 37) & 0xffffffu) | (static_cast<uint32_t>(i) << 24);
        const BlendMode modes[] = {Normal, Alpha, Add, Subtract, Multiply, Screen, Average};
        DrawPolygonDisc(x, y, radius, colour, modes[i % 7]);
        g = static_cast<float>(g * 1.0235);
    }
    FillRoundedRect(0xff323232u, 20.3f, 15.7f, 140.2f, 100.9f);
    FillRoundedRect(0x80a0c0e0u, 70.5f, 10.5f, 95.5f, 110.5f);
    FillRoundedRect(0xff102030u, -30.0f, 90.25f, 400.0f, 160.0f);
    DrawPolygonDisc(-20.0f, 60.0f, 40.7f, 0xffff8000u, Normal);
    DrawPolygonDisc(170.0f, 60.0f, 25.3f, 0xff00ff80u, Add);
    DrawPolygonDisc(-250.3f, 40.6f, 330.7f, 0x60c08040u, Alpha);  // large discs across the edges
    DrawPolygonDisc(90.2f, 700.3f, 650.2f, 0xff4080c0u, Subtract);
    DrawPolygonDisc(80.0f, -1999.0f, 2010.0f, 0xffe0e0e0u, Multiply);  // 360 vertices, the bottom cap seen
    EXPECT_EQ(exact_area::ChangedPixelsOutsideView(0xff203040u), 0);
    EXPECT_EQ(exact_area::HashView(), 0x0cdba5cd0c1281beull);
}

}  // namespace
