// The fast disc: exact pixels of small discs worked out by hand, every mode's edge and run formulas
// against a per-channel evaluation written here, clipping against the same disc drawn unclipped, and
// the shape of larger discs.
#include "sprite/disc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"

namespace {

// A 64 x 64 buffer whose view is the 40 x 40 square from (12, 12): every pixel outside the view is a
// guard that must never change.
constexpr int32_t kBufferSide = 64;
constexpr int32_t kGuard = 12;
constexpr int32_t kViewSide = 40;

class DiscTest : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_EQ(CreateHeadlessBuffer(kBufferSide, kBufferSide), 1);
        SetView(kGuard, kGuard, kGuard + kViewSide - 1, kGuard + kViewSide - 1);
        ASSERT_EQ(frameBuffer.viewWidth, kViewSide);
        Fill(0xff000000u);
    }
    void TearDown() override { ReleaseHeadlessBuffer(); }

    // Fills the whole buffer, guard included.
    static void Fill(uint32_t colour) {
        for (int32_t i = 0; i < kBufferSide * kBufferSide; ++i) frameBuffer.pixels[i] = colour;
    }
    // Fills the whole buffer with reproducible noise.
    static void FillNoise(uint32_t seed) {
        std::mt19937 random(seed);
        for (int32_t i = 0; i < kBufferSide * kBufferSide; ++i) frameBuffer.pixels[i] = static_cast<uint32_t>(random());
    }
    static std::vector<uint32_t> Snapshot() {
        return std::vector<uint32_t>(frameBuffer.pixels, frameBuffer.pixels + kBufferSide * kBufferSide);
    }
    // View pixel, or the buffer pixel at view coordinates outside the view (in the guard band).
    static uint32_t At(int32_t x, int32_t y) {
        const int32_t bx = x + kGuard, by = y + kGuard;
        return frameBuffer.pixels[(kBufferSide - 1 - by) * kBufferSide + bx];
    }
    static uint32_t Before(const std::vector<uint32_t>& before, int32_t x, int32_t y) {
        const int32_t bx = x + kGuard, by = y + kGuard;
        return before[(kBufferSide - 1 - by) * kBufferSide + bx];
    }
};

// ---- Per-channel evaluation of the formulas, written independently of the code under test.

uint32_t PerChannel(uint32_t d, uint32_t c, const std::function<int(int d, int c, int channel)>& f) {
    uint32_t out = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const int v = f(static_cast<int>((d >> (8 * ch)) & 255), static_cast<int>((c >> (8 * ch)) & 255), ch);
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 255);
        out |= static_cast<uint32_t>(v) << (8 * ch);
    }
    return out;
}

int FloorDiv256(int v) { return static_cast<int>(std::floor(v / 256.0)); }

// The edge formula of `mode` with coverage a. narrow: the point and clipped-cross weight of mode 2.
uint32_t ExpectedEdge(BlendMode mode, uint32_t d, uint32_t colour, int a, bool narrow) {
    const int alpha = static_cast<int>(colour >> 24);
    switch (mode) {
    case 2: {
        const int weight = narrow ? a * alpha / 256 : a * alpha / 255;
        return ExpectedEdge(Normal, d, colour, weight, false);
    }
    case 3:
        return PerChannel(d, colour, [a](int dc, int c, int) { return std::min(255, dc + c * a / 256); });
    case 4:
        return PerChannel(d, colour, [a](int dc, int c, int) { return std::max(0, dc - c * a / 256); });
    case 5:
        return PerChannel(d, colour, [a](int dc, int c, int ch) {
            const int m = ch == 3 ? c * a / 256 : FloorDiv256(255 * 256 + a * (c - 255));
            return dc * m / 256;
        });
    case 10:
        return PerChannel(d, colour, [a](int dc, int c, int) { return 255 - (255 - dc) * (255 - c * a / 256) / 256; });
    default:
        return PerChannel(d, colour, [a](int dc, int c, int) { return FloorDiv256(256 * dc + a * (c - dc)); });
    }
}

// The interior run of `mode`.
uint32_t ExpectedRun(BlendMode mode, uint32_t d, uint32_t colour) {
    const int alpha = static_cast<int>(colour >> 24);
    switch (mode) {
    case 2:
        return PerChannel(d, colour, [alpha](int dc, int c, int) { return FloorDiv256(256 * dc + alpha * (c - dc)); });
    case 3:
        return PerChannel(d, colour, [](int dc, int c, int) { return std::min(255, dc + c); });
    case 4:
        return PerChannel(d, colour, [](int dc, int c, int) { return std::max(0, dc - c); });
    case 5:
        return PerChannel(d, colour, [](int dc, int c, int) { return dc * c / 256; });
    case 10:
        return PerChannel(d, colour, [](int dc, int c, int) { return 255 - (255 - dc) * (255 - c) / 256; });
    default:
        return colour;
    }
}

// What happened to each pixel of a disc drawn around (cx, cy): unchanged, run, or edge with coverage.
struct Role {
    int dx, dy;
    int coverage;  // -1: interior run
    bool narrow = false;
};

constexpr uint32_t kWhite = 0xffffffffu;
constexpr uint32_t kBlack = 0xff000000u;

// Checks every view pixel in a (2k+1)-square around (cx, cy): the listed roles, all others unchanged;
// and that nothing outside the view changed.
void ExpectRoles(BlendMode mode, int cx, int cy, int k, uint32_t colour, const std::vector<uint32_t>& before,
                 const std::vector<Role>& roles) {
    for (int dy = -k; dy <= k; ++dy) {
        for (int dx = -k; dx <= k; ++dx) {
            const int x = cx + dx, y = cy + dy;
            const bool inView = x >= 0 && x < kViewSide && y >= 0 && y < kViewSide;
            if (x < -kGuard || y < -kGuard || x >= kViewSide + kGuard || y >= kViewSide + kGuard) continue;
            const uint32_t d = DiscTest::Before(before, x, y);
            uint32_t expected = d;
            if (inView) {
                for (const Role& r : roles) {
                    if (r.dx == dx && r.dy == dy) {
                        expected = r.coverage < 0 ? ExpectedRun(mode, d, colour)
                                                  : ExpectedEdge(mode, d, colour, r.coverage, r.narrow);
                    }
                }
            }
            EXPECT_EQ(DiscTest::At(x, y), expected) << "mode " << mode << " pixel offset (" << dx << ", " << dy << ")";
        }
    }
}

// Nothing changed anywhere in the buffer except inside the view.
void ExpectGuardUnchanged(const std::vector<uint32_t>& before) {
    for (int32_t by = 0; by < kBufferSide; ++by) {
        for (int32_t bx = 0; bx < kBufferSide; ++bx) {
            const bool inView = bx >= kGuard && bx < kGuard + kViewSide && by >= kGuard && by < kGuard + kViewSide;
            if (inView) continue;
            const int32_t i = (kBufferSide - 1 - by) * kBufferSide + bx;
            ASSERT_EQ(frameBuffer.pixels[i], before[i]) << "guard pixel (" << bx << ", " << by << ") written";
        }
    }
}

// The roles of a disc of radius 1.0: cross with h = 127, centre run, corners with 26.
std::vector<Role> RadiusOneRoles(bool clippedCross) {
    return {{0, 0, -1},
            {-1, 0, 127, clippedCross},
            {1, 0, 127, clippedCross},
            {0, -1, 127, clippedCross},
            {0, 1, 127, clippedCross},
            {-1, -1, 26},
            {1, -1, 26},
            {-1, 1, 26},
            {1, 1, 26}};
}

// ---- Small discs, worked out by hand from the rules.

TEST_F(DiscTest, TinyRadiiDrawOnePixelWithCoverageRTimes510) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 0.5f, kWhite);  // 0.5 x 510 = 255
    ExpectRoles(Normal, 20, 20, 3, kWhite, before, {{0, 0, 255}});
    EXPECT_EQ(At(20, 20), 0xfffefefeu);  // 255 over 0 with coverage 255 gives 254

    const std::vector<uint32_t> before2 = Snapshot();
    DrawDisc(Normal, 10, 10, 0.501f, kWhite);  // still the point: trunc(0.501f x 510) = 255
    ExpectRoles(Normal, 10, 10, 3, kWhite, before2, {{0, 0, 255}});

    const std::vector<uint32_t> before3 = Snapshot();
    DrawDisc(Normal, 30, 10, 0.25f, kWhite);  // trunc(127.5) = 127
    ExpectRoles(Normal, 30, 10, 3, kWhite, before3, {{0, 0, 127}});
}

TEST_F(DiscTest, RadiusZeroLeavesNoMark) {
    FillNoise(1);
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 0.0f, kWhite);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(DiscTest, NegativeOrNanRadiusDrawsNothing) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, -3.0f, kWhite);
    DrawDisc(Normal, 20, 20, std::nanf(""), kWhite);
    DrawDisc(Normal, 20, 20, 1e30f, kWhite);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(DiscTest, Radius0502IsACrossWithZeroEdgesAndNoCorners) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 0.502f, kWhite);
    // n = 1, h = trunc(0.002 x 255) = 0: the centre is stored, its neighbours blended with 0.
    ExpectRoles(Normal, 20, 20, 3, kWhite, before, {{0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}});
    EXPECT_EQ(At(20, 20), kWhite);
    EXPECT_EQ(At(19, 20), kBlack);
}

TEST_F(DiscTest, RadiusOneHasAxisEdges127AndCorners26) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 1.0f, kWhite);
    ExpectRoles(Normal, 20, 20, 3, kWhite, before, RadiusOneRoles(false));
    EXPECT_EQ(At(21, 20), 0xff7e7e7eu);  // floor(127 x 255 / 256) = 126
}

TEST_F(DiscTest, CornerCoverageStartsAbove0575) {
    EXPECT_EQ(CornerCoverage(1.0f), 26u);
    EXPECT_EQ(CornerCoverage(0.575f), 0u);
    EXPECT_EQ(CornerCoverage(0.758f * 0.758f), 0u);  // r up to about 0.758 has no corners
    EXPECT_GT(CornerCoverage(0.76f * 0.76f), 0u);
    // r = 0.75: a cross and nothing diagonal.
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 0.75f, kWhite);
    ExpectRoles(Normal, 20, 20, 3, kWhite, before,
                {{0, 0, -1}, {-1, 0, 63}, {1, 0, 63}, {0, -1, 63}, {0, 1, 63}});  // h = trunc(0.25 x 255)
}

TEST_F(DiscTest, RadiusOneAndAHalfHasRowsWithEdge157) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 1.5f, kWhite);
    // n = 2, h = 0; one octant step i = 1, o = trunc(sqrt(1.25) + 0.5) = 1, e = trunc(0.618034 x 255).
    ExpectRoles(Normal, 20, 20, 4, kWhite, before,
                {{0, 0, -1},
                 {-1, 0, -1},
                 {1, 0, -1},  // the cross run cx - 1 .. cx + 1
                 {-2, 0, 0},
                 {2, 0, 0},
                 {0, -2, 0},
                 {0, 2, 0},
                 {-1, -1, 157},
                 {1, -1, 157},
                 {-1, 1, 157},
                 {1, 1, 157},
                 {0, -1, -1},
                 {0, 1, -1}});
}

TEST_F(DiscTest, RadiusTwoAddsMirroredCapEdgesOnAnUnchangedStep) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 2.0f, kWhite);
    // n = 2, h = 127. i = 1: w = sqrt(3) + 0.5, o = 2 (unchanged), e = trunc(0.2320508 x 255) = 59:
    // rows cy +- 1 run over cx - 1 .. cx + 1 with edges at cx +- 2, and the mirrored edges (cx +- 1,
    // cy +- 2); the cap rows get no run since o did not change.
    std::vector<Role> roles = {{-2, 0, 127}, {2, 0, 127}, {0, -2, 127}, {0, 2, 127}};
    for (int dx = -1; dx <= 1; ++dx) roles.push_back({dx, 0, -1});
    for (int dy : {-1, 1}) {
        for (int dx = -1; dx <= 1; ++dx) roles.push_back({dx, dy, -1});
        roles.push_back({-2, dy, 59});
        roles.push_back({2, dy, 59});
    }
    for (int dy : {-2, 2}) {
        roles.push_back({-1, dy, 59});
        roles.push_back({1, dy, 59});
    }
    ExpectRoles(Normal, 20, 20, 4, kWhite, before, roles);
}

TEST_F(DiscTest, RadiusThreeFillsACapRowWhenTheHalfWidthChanges) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 3.0f, kWhite);
    // n = 3, h = 127. i = 1: w = sqrt(8) + 0.5, o = 3 unchanged, e = trunc(0.3284271 x 255) = 83.
    // i = 2: w = sqrt(5) + 0.5, o = 2 changed but equal to i, e = trunc(0.7360680 x 255) = 187.
    std::vector<Role> roles = {{-3, 0, 127}, {3, 0, 127}, {0, -3, 127}, {0, 3, 127}};
    for (int dx = -2; dx <= 2; ++dx) roles.push_back({dx, 0, -1});
    for (int dy : {-1, 1}) {
        for (int dx = -2; dx <= 2; ++dx) roles.push_back({dx, dy, -1});
        roles.push_back({-3, dy, 83});
        roles.push_back({3, dy, 83});
    }
    for (int dy : {-3, 3}) {
        roles.push_back({-1, dy, 83});
        roles.push_back({1, dy, 83});
    }
    for (int dy : {-2, 2}) {
        for (int dx = -1; dx <= 1; ++dx) roles.push_back({dx, dy, -1});
        roles.push_back({-2, dy, 187});
        roles.push_back({2, dy, 187});
    }
    ExpectRoles(Normal, 20, 20, 5, kWhite, before, roles);
}

// ---- Every mode.

TEST_F(DiscTest, EveryModeBlendsEdgesAndRunsByItsOwnFormula) {
    const uint32_t colours[] = {0xffffffffu, 0x80c04020u, 0x00ff7f01u, 0xff000000u, 0x3319e6b4u};
    for (int32_t number : {1, 2, 3, 4, 5, 10, 6, 0, 99}) {
        const auto mode = static_cast<BlendMode>(number);
        for (uint32_t colour : colours) {
            FillNoise(static_cast<uint32_t>(mode) * 977u + colour);
            std::vector<uint32_t> before = Snapshot();
            DrawDisc(mode, 20, 20, 1.0f, colour);  // unclipped cross and corners
            ExpectRoles(mode, 20, 20, 2, colour, before, RadiusOneRoles(false));

            before = Snapshot();
            DrawDisc(mode, 8, 30, 1.5f, colour);  // unclipped rows
            ExpectRoles(mode, 8, 30, 3, colour, before,
                        {{0, 0, -1},
                         {-1, 0, -1},
                         {1, 0, -1},
                         {-2, 0, 0},
                         {2, 0, 0},
                         {0, -2, 0},
                         {0, 2, 0},
                         {-1, -1, 157},
                         {1, -1, 157},
                         {-1, 1, 157},
                         {1, 1, 157},
                         {0, -1, -1},
                         {0, 1, -1}});

            before = Snapshot();
            DrawDisc(mode, 0, 20, 1.0f, colour);  // clipped cross and corners at the left edge
            ExpectRoles(mode, 0, 20, 2, colour, before, RadiusOneRoles(true));

            before = Snapshot();
            DrawDisc(mode, 39, 39, 1.5f, colour);  // clipped rows in the bottom right corner
            ExpectRoles(mode, 39, 39, 3, colour, before,
                        {{0, 0, -1}, {-1, 0, -1}, {-2, 0, 0, true}, {0, -2, 0, true}, {-1, -1, 157}, {0, -1, -1}});

            before = Snapshot();
            DrawDisc(mode, 30, 5, 0.3f, colour);  // the point: trunc(0.3f x 510) = 153
            ExpectRoles(mode, 30, 5, 1, colour, before, {{0, 0, 153, true}});
            ExpectGuardUnchanged(before);
        }
    }
}

TEST_F(DiscTest, AlphaModeWeighsTheUnclippedCrossBy255AndTheClippedCrossBy256) {
    // r = 2.003: n = 2 and h = trunc(0.503 x 255) = 128.
    DrawDisc(Alpha, 20, 20, 2.003f, kWhite);
    EXPECT_EQ(At(18, 20), ExpectedEdge(Normal, kBlack, kWhite, 128, false));  // weight 128 x 255 / 255 = 128
    EXPECT_EQ(At(18, 20), 0xff7f7f7fu);
    // The same disc with its top axis pixel above the view: the clipped cross weighs 127.
    DrawDisc(Alpha, 20, 1, 2.003f, kWhite);
    EXPECT_EQ(At(18, 1), ExpectedEdge(Normal, kBlack, kWhite, 127, false));
    EXPECT_EQ(At(18, 1), 0xff7e7e7eu);
}

TEST_F(DiscTest, ModesThatShareTheNormalSetDrawIdenticalPixels) {
    std::vector<std::vector<uint32_t>> results;
    for (int32_t number : {1, 7, 1, 6, 8, 9, 0, -5, 7}) {
        const auto mode = static_cast<BlendMode>(number);
        FillNoise(42);
        for (float r : {0.4f, 1.0f, 2.7f, 9.3f}) DrawDisc(mode, 20, 20, r, 0x9060a0c0u);
        DrawDisc(mode, 2, 3, 6.5f, 0x9060a0c0u);
        results.push_back(Snapshot());
    }
    for (size_t i = 1; i < results.size(); ++i) EXPECT_EQ(results[i], results[0]) << "mode set " << i;
}

// ---- Clipping: a disc cut by the view equals the same disc drawn wholly inside a larger view,
// restricted to the smaller view, and nothing outside the view changes.

TEST_F(DiscTest, ClippedDiscsEqualTheUnclippedDiscInsideTheView) {
    struct Case {
        int cx, cy;
        float r;
    };
    const Case cases[] = {
        {-1, 20, 4.0f}, {0, 20, 7.3f},  {39, 20, 7.3f},  {40, 20, 3.2f}, {20, -3, 5.0f},
        {20, 0, 2.5f},  {20, 39, 6.1f}, {20, 42, 4.6f},  {-2, -2, 6.0f}, {41, -1, 5.5f},
        {-1, 41, 3.9f}, {41, 41, 9.9f}, {20, 20, 25.0f}, {3, 5, 1.2f},   {0, 0, 1.0f},
        {39, 39, 1.4f}, {-1, 20, 1.0f}, {40, 20, 1.2f},  {20, -2, 2.0f}, {-11, 20, 11.7f},
    };
    for (const Case& c : cases) {
        for (int32_t number : {1, 3, 5, 10}) {
            const auto mode = static_cast<BlendMode>(number);
            // Reference: the whole 64 x 64 buffer as the view, disc shifted by the guard.
            SetView(-1, 0, 0, 0);
            FillNoise(7);
            DrawDisc(mode, c.cx + kGuard, c.cy + kGuard, c.r, 0xc0a05030u);
            const std::vector<uint32_t> reference = Snapshot();

            SetView(kGuard, kGuard, kGuard + kViewSide - 1, kGuard + kViewSide - 1);
            FillNoise(7);
            const std::vector<uint32_t> before = Snapshot();
            DrawDisc(mode, c.cx, c.cy, c.r, 0xc0a05030u);
            ExpectGuardUnchanged(before);
            for (int y = 0; y < kViewSide; ++y) {
                for (int x = 0; x < kViewSide; ++x) {
                    ASSERT_EQ(At(x, y), Before(reference, x, y)) << "mode " << mode << " disc (" << c.cx << ", " << c.cy
                                                                 << ") r " << c.r << " at (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST_F(DiscTest, DiscsWhollyOutsideAreRejected) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, -4, 20, 3.4f, kWhite);  // n = 3: cx + n < 0
    DrawDisc(Normal, 20, -4, 3.4f, kWhite);  // cy + n < 0
    DrawDisc(Normal, 43, 20, 3.4f, kWhite);  // cx - n > maxX
    DrawDisc(Normal, 20, 43, 3.4f, kWhite);  // cy - n > maxY
    DrawDisc(Normal, -1, 20, 0.5f, kWhite);  // a point outside
    DrawDisc(Normal, 20, 40, 0.5f, kWhite);
    DrawDisc(Normal, INT32_MAX, INT32_MAX, 100.0f, kWhite);  // no wrap-around of cx + n
    DrawDisc(Normal, INT32_MIN, INT32_MIN, 100.0f, kWhite);
    EXPECT_EQ(Snapshot(), before);

    DrawDisc(Normal, -3, 20, 3.4f, kWhite);  // cx + n = 0: only column 0 is reached
    EXPECT_NE(At(0, 20), kBlack);
    for (int y = 0; y < kViewSide; ++y) EXPECT_EQ(At(1, y), kBlack);
}

TEST_F(DiscTest, ADiscCoveringTheWholeViewFillsIt) {
    const std::vector<uint32_t> before = Snapshot();
    DrawDisc(Normal, 20, 20, 100.0f, kWhite);
    ExpectGuardUnchanged(before);
    for (int y = 0; y < kViewSide; ++y) {
        for (int x = 0; x < kViewSide; ++x) ASSERT_EQ(At(x, y), kWhite);
    }
}

// ---- Larger discs: symmetric, convex, and of the right area.

TEST(DiscShape, LargerDiscsAreSymmetricConvexAndOfTheRightArea) {
    ASSERT_EQ(CreateHeadlessBuffer(241, 241), 1);  // centre 120, so every mirror lies inside
    for (float r = 1.5f; r < 110.0f; r = r * 1.09f + 0.013f) {
        FillWholeBuffer();
        const int c = 120;
        DrawDisc(Normal, c, c, r, kWhite);
        // Coverage of each pixel from its blue byte: 255 for the run, floor(a x 255 / 256) for an edge.
        auto cov = [](int x, int y) { return static_cast<int>(*ViewPixel(x, y) & 255u); };
        double area = 0;
        const int extent = static_cast<int>(r + 0.5f);
        for (int y = 0; y < 241; ++y) {
            int transitions = 0, previous = 0;
            for (int x = 0; x < 241; ++x) {
                const int v = cov(x, y);
                area += v == 255 ? 1.0 : (v == 0 ? 0.0 : (v + 0.5) / 255.0);
                ASSERT_EQ(v, cov(2 * c - x, y)) << "mirror x, r " << r;
                ASSERT_EQ(v, cov(x, 2 * c - y)) << "mirror y, r " << r;
                ASSERT_EQ(v, cov(c + (y - c), c + (x - c))) << "diagonal, r " << r;
                const double dist = std::hypot(x - c, y - c);
                if (dist <= r - 1.5) {
                    ASSERT_EQ(v, 255) << "inside, r " << r << " at " << x << "," << y;
                }
                if (dist >= r + 1.5 || std::abs(x - c) > extent || std::abs(y - c) > extent) {
                    ASSERT_EQ(v, 0) << "outside, r " << r << " at " << x << "," << y;
                }
                if ((v > 0) != (previous > 0)) ++transitions;
                previous = v;
            }
            ASSERT_LE(transitions, 2) << "one run per row, r " << r;  // convex: no gaps in a row
        }
        const double exact = 3.141592653589793 * r * r;
        EXPECT_NEAR(area, exact, 0.002 * exact + 1.0) << "r " << r;
    }
    ReleaseHeadlessBuffer();
}

// ---- Dot mode.

TEST_F(DiscTest, DotModeShiftsEachRowRightOfTheRowBelow) {
    const uint32_t pixels[6] = {0xff100000u, 0xff200000u, 0xff300000u, 0xff400000u, 0xff500000u, 0xff600000u};
    const std::vector<uint32_t> before = Snapshot();
    // dotSize 1, gap 1: single-pixel dots (coverage 255) two pixels apart; x0 = trunc(10 + 1.001) = 11.
    DrawDots(1, 1, 10, 5, Normal, 2, 3, pixels, 2);
    const int x0 = 11, y0 = 6;
    const int rowStart[3] = {x0 + 4, x0 + 2, x0};
    for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 2; ++k) {
            const int x = rowStart[j] + 2 * k, y = y0 + 2 * j;
            EXPECT_EQ(At(x, y), ExpectedEdge(Normal, Before(before, x, y), pixels[j * 2 + k], 255, true))
                << j << "," << k;
        }
    }
    // Nothing else changed.
    int changed = 0;
    for (int y = 0; y < kViewSide; ++y) {
        for (int x = 0; x < kViewSide; ++x) changed += At(x, y) != Before(before, x, y);
    }
    EXPECT_EQ(changed, 6);
}

TEST_F(DiscTest, DotModeWithANegativeCornerStartsTwoPixelsInside) {
    const uint32_t pixels[3] = {kWhite, kWhite, kWhite};
    const std::vector<uint32_t> before = Snapshot();
    DrawDots(1, 1, -3, -3, Normal, 3, 1, pixels, 0);  // y0 = trunc(-1.999) = -1: the row is above the view
    EXPECT_EQ(Snapshot(), before);
    DrawDots(1, 1, -3, 0, Normal, 3, 1, pixels, 0);  // x0 = trunc(-1.999) = -1, y0 = 1: dots at -1, 1, 3
    EXPECT_NE(At(1, 1), kBlack);
    EXPECT_NE(At(3, 1), kBlack);
    EXPECT_EQ(At(0, 1), kBlack);
    EXPECT_EQ(At(2, 1), kBlack);
    EXPECT_EQ(At(-1, 1), kBlack);  // guard
}

TEST_F(DiscTest, DotModeDrawsEachPixelAsADiscOfHalfTheDotSize) {
    const uint32_t pixels[2] = {0xff336699u, 0x80ffffffu};
    DrawDots(2, 3, 4, 4, Alpha, 2, 1, pixels, 0);  // radius 1.5, step 5, x0 = trunc(4 + 2.001) = 6
    const std::vector<uint32_t> dots = Snapshot();
    Fill(kBlack);
    DrawDisc(Alpha, 6, 6, 1.5f, pixels[0]);
    DrawDisc(Alpha, 11, 6, 1.5f, pixels[1]);
    EXPECT_EQ(Snapshot(), dots);
}

TEST_F(DiscTest, DotModeInAlphaModeSkipsTransparentPixels) {
    FillNoise(3);
    const std::vector<uint32_t> before = Snapshot();
    const uint32_t pixels[4] = {0x00ffffffu, 0x00123456u, 0x00000000u, 0x00ff00ffu};
    DrawDots(0, 4, 2, 2, Alpha, 2, 2, pixels, 1);
    EXPECT_EQ(Snapshot(), before);
}

}  // namespace
