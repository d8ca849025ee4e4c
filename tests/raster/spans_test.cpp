#include "raster/spans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/raster_thread.h"

namespace {

// Expected values, channel by channel, computed independently of the library's helpers.
int Floor(double v) { return static_cast<int>(std::floor(v)); }
int Byte(uint32_t word, int channel) { return static_cast<int>((word >> (8 * channel)) & 255u); }

uint32_t Word(const int (&channels)[4]) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(channels[i] >= 0 && channels[i] <= 255);
        word |= static_cast<uint32_t>(channels[i]) << (8 * i);
    }
    return word;
}

// What a span of coverage k does to a pixel d with colour c: single = drawn as one pixel.
uint32_t ExpectedPixel(BlendMode mode, uint32_t d, uint32_t c, int k, bool single) {
    const int alpha = Byte(c, 3);
    int out[4];
    if (mode != Alpha && mode != Add && mode != Subtract && mode != Multiply && mode != Screen) mode = Normal;
    if (mode == 1 && !single && k == 255) return c;
    int e = 0;
    if (mode == 2) {
        e = single ? Floor(alpha * k / 256.0) : Floor(alpha * k / 255.0);
        if (!single && e == 255) return c;
    }
    for (int i = 0; i < 4; ++i) {
        const int dc = Byte(d, i), cc = Byte(c, i);
        const int scaled = Floor(cc * k / 256.0);
        switch (mode) {
        case 1: {
            const int target = (!single && i == 3) ? k : cc;
            out[i] = Floor((256 * dc + k * (target - dc)) / 256.0);
            break;
        }
        case 2: {
            const int target = (!single && i == 3) ? e : cc;
            out[i] = Floor((256 * dc + e * (target - dc)) / 256.0);
            break;
        }
        case 3:
            out[i] = std::min(255, dc + scaled);
            break;
        case 4:
            out[i] = std::max(0, dc - scaled);
            break;
        case 5: {
            const int factor = i < 3 ? Floor((256 * 255 + k * (cc - 255)) / 256.0) : Floor(k * alpha / 256.0);
            out[i] = Floor(dc * factor / 256.0);
            break;
        }
        default:
            out[i] = Floor(dc * scaled / 256.0);
            break;  // 10: scaled colour multiplied in
        }
    }
    return Word(out);
}

std::string Hex(uint32_t v) {
    std::ostringstream out;
    out << "0x" << std::hex << v;
    return out.str();
}

void SentinelPixel(uint32_t*, uint32_t, uint32_t) {}
void SentinelRun(uint32_t*, uint32_t, uint32_t, uint32_t) {}

struct SpanArgs {
    int32_t x, y;
    uint32_t length, coverage;
};

class SpansTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ReleaseHeadlessBuffer();
        ReleaseThreadRasteriser();
        SelectShapeMode(Normal);
    }

    void MakeView(int32_t width, int32_t height, int32_t guard) {
        ASSERT_EQ(CreateHeadlessBuffer(width + 2 * guard, height + 2 * guard), 1);
        SetView(guard, guard, guard + width - 1, guard + height - 1);
        ASSERT_EQ(frameBuffer.viewWidth, width);
        ASSERT_EQ(frameBuffer.viewHeight, height);
        ASSERT_LT(frameBuffer.pitch, 0);
    }

    void FillBuffer(uint32_t value) {
        std::fill_n(frameBuffer.pixels, static_cast<size_t>(frameBuffer.width) * frameBuffer.height, value);
    }

    std::vector<uint32_t> Snapshot() const {
        return std::vector<uint32_t>(frameBuffer.pixels,
                                     frameBuffer.pixels + static_cast<size_t>(frameBuffer.width) * frameBuffer.height);
    }

    std::vector<uint32_t> ViewRow(int32_t y) const {
        return std::vector<uint32_t>(frameBuffer.rows[y], frameBuffer.rows[y] + frameBuffer.viewWidth);
    }

    // One shape's worth of spans, the way the rasteriser drives them.
    static void DrawSpans(BlendMode mode, uint32_t colour, const std::vector<SpanArgs>& spans, int32_t minX,
                          int32_t maxX) {
        SelectShapeMode(mode);
        SetScanlineColour(colour);
        ResetScanline(minX, maxX);
        for (const SpanArgs& s : spans) AddSpan(s.x, s.y, s.length, s.coverage);
        if (HeldSpanCount() > 0) FlushScanline(colour);
    }
};

// The single-pixel and run operations of every shape mode against the formulas, for every coverage,
// colours with distinct channels (and the extremes), destinations covering each channel's range.
TEST_F(SpansTest, PixelAndRunOperationsOfEveryShapeModeMatchTheirFormulas) {
    std::mt19937 rng(11);
    std::vector<uint32_t> colours = {0x00000000u, 0xffffffffu, 0x80ff0000u, 0xff323232u,
                                     0x00ffffffu, 0xff000000u, 0x01fe807fu, 0xfe0180ffu};
    while (colours.size() < 24) colours.push_back(rng());
    std::vector<uint32_t> destinations;
    for (uint32_t v = 0; v < 256; v += 5)
        destinations.push_back(v * 0x01000000u + (255 - v) * 0x10000u + ((v * 7) & 255) * 0x100u +
                               ((v * 13 + 1) & 255));
    destinations.push_back(0xffffffffu);
    destinations.push_back(0x00000000u);
    for (int32_t number : {1, 2, 3, 4, 5, 10}) {
        const auto mode = static_cast<BlendMode>(number);
        SelectShapeMode(mode);
        const PixelOp pixelOp = rasterThread.shapeMode.pixelOp;
        const RunOp runOp = rasterThread.shapeMode.runOp;
        int failures = 0;
        for (uint32_t k = 0; k < 256 && failures < 5; ++k) {
            for (uint32_t colour : colours) {
                std::vector<uint32_t> run = destinations;
                runOp(run.data(), colour, static_cast<uint32_t>(run.size()), k);
                for (size_t i = 0; i < destinations.size() && failures < 5; ++i) {
                    uint32_t pixel = destinations[i];
                    pixelOp(&pixel, colour, k);
                    const uint32_t wantPixel = ExpectedPixel(mode, destinations[i], colour, static_cast<int>(k), true);
                    const uint32_t wantRun = ExpectedPixel(mode, destinations[i], colour, static_cast<int>(k), false);
                    if (pixel != wantPixel || run[i] != wantRun) {
                        ++failures;
                        ADD_FAILURE() << "mode " << mode << " k " << k << " colour " << Hex(colour) << " d "
                                      << Hex(destinations[i]) << ": pixel " << Hex(pixel) << " want " << Hex(wantPixel)
                                      << ", run " << Hex(run[i]) << " want " << Hex(wantRun);
                    }
                }
            }
        }
        ASSERT_EQ(failures, 0);
    }
}

// Mode 1 at full coverage tells the two operations apart: a run stores the colour, a pixel only nears it.
TEST_F(SpansTest, SpansAreClippedAtBothViewEdgesAndOnePixelLeftGoesThroughPixelOp) {
    MakeView(16, 3, 4);
    struct Case {
        int32_t x;
        uint32_t length;
        int32_t first, last;  // expected drawn columns, first > last for none
    };
    const std::vector<Case> cases = {
        {-3, 5, 0, 1},  {-4, 5, 0, 0},     {14, 5, 14, 15},       {15, 5, 15, 15},       {-1, 18, 0, 15},
        {-5, 5, 0, -1}, {16, 3, 0, -1},    {5, 1, 5, 5},          {5, 0, 0, -1},         {0, 16, 0, 15},
        {0, 2, 0, 1},   {-100, 101, 0, 0}, {INT32_MIN, 3, 0, -1}, {INT32_MAX, 3, 0, -1},
    };
    for (const Case& c : cases) {
        FillBuffer(0);
        const std::vector<uint32_t> before = Snapshot();
        DrawSpans(Normal, 0xffffffffu, {{c.x, 1, c.length, 255}}, -200, 200);
        const bool single = c.first == c.last;
        for (int32_t x = 0; x < 16; ++x) {
            const bool drawn = x >= c.first && x <= c.last;
            const uint32_t want = !drawn ? 0u : single ? 0xfefefefeu : 0xffffffffu;
            ASSERT_EQ(frameBuffer.rows[1][x], want) << "span " << c.x << " +" << c.length << " column " << x;
        }
        // Rows 0 and 2 and the guard band around the view are as they were.
        for (int32_t x = 0; x < 16; ++x) frameBuffer.rows[1][x] = 0;
        EXPECT_EQ(Snapshot(), before) << "span " << c.x << " +" << c.length;
    }
}

TEST_F(SpansTest, RowsOutsideTheViewDrawNothing) {
    MakeView(16, 5, 3);
    for (int32_t y : {-1, -2, 5, 6, 100, 0x7ffe, 0x7fff, INT32_MIN, INT32_MAX}) {
        FillBuffer(0x11223344u);
        const std::vector<uint32_t> before = Snapshot();
        DrawSpans(Normal, 0xffffffffu, {{0, y, 16, 255}, {-2, y, 30, 200}}, 0, 15);
        EXPECT_EQ(Snapshot(), before) << "row " << y;
    }
    // The first and last rows are drawn, each where it belongs in the bottom-up buffer.
    for (int32_t y : {0, 4}) {
        FillBuffer(0);
        DrawSpans(Normal, 0xffffffffu, {{0, y, 16, 255}}, 0, 15);
        for (int32_t row = 0; row < 5; ++row) {
            for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(frameBuffer.rows[row][x], row == y ? 0xffffffffu : 0u);
        }
    }
}

TEST_F(SpansTest, ANewRowFlushesTheHeldOneWithTheScanlineColourAndFlushKeepsTheSpans) {
    MakeView(16, 4, 2);
    FillBuffer(0);
    SelectShapeMode(Normal);
    SetScanlineColour(0xff00ff00u);
    ResetScanline(0, 15);
    EXPECT_EQ(HeldSpanCount(), 0);
    EXPECT_EQ(rasterThread.spans.lastY, 0x7fff);
    AddSpan(1, 2, 1, 128);
    AddSpan(2, 2, 3, 255);
    AddSpan(5, 2, 1, 64);
    EXPECT_EQ(HeldSpanCount(), 3);
    EXPECT_EQ(rasterThread.spans.lastY, 2);
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(frameBuffer.rows[2][x], 0u) << "nothing is drawn before the row ends";

    AddSpan(0, 3, 4, 255);  // the next row: row 2 is drawn first
    EXPECT_EQ(HeldSpanCount(), 1);
    EXPECT_EQ(rasterThread.spans.lastY, 3);
    EXPECT_EQ(frameBuffer.rows[2][1], ExpectedPixel(Normal, 0, 0xff00ff00u, 128, true));
    for (int32_t x = 2; x <= 4; ++x) EXPECT_EQ(frameBuffer.rows[2][x], 0xff00ff00u);
    EXPECT_EQ(frameBuffer.rows[2][5], ExpectedPixel(Normal, 0, 0xff00ff00u, 64, true));
    EXPECT_EQ(frameBuffer.rows[2][6], 0u);
    EXPECT_EQ(frameBuffer.rows[3][0], 0u);

    // Flushing draws the held row with the colour given and keeps it held.
    FlushScanline(0xff0000ffu);
    EXPECT_EQ(HeldSpanCount(), 1);
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(frameBuffer.rows[3][x], 0xff0000ffu);
    EXPECT_EQ(frameBuffer.rows[3][4], 0u);

    ResetScanline(0, 15);
    EXPECT_EQ(HeldSpanCount(), 0);
    EXPECT_EQ(rasterThread.spans.lastY, 0x7fff);
}

TEST_F(SpansTest, SelectingTheCachedModeInstallsNothingAndUnknownModesInstallTheModeOnePair) {
    SelectShapeMode(Add);
    SelectShapeMode(Normal);
    const PixelOp normalPixel = rasterThread.shapeMode.pixelOp;
    const RunOp normalRun = rasterThread.shapeMode.runOp;
    EXPECT_EQ(rasterThread.shapeMode.mode, 1);

    for (int32_t number : {1, 2, 3, 4, 5, 10}) {
        const auto mode = static_cast<BlendMode>(number);
        SelectShapeMode(mode);
        EXPECT_EQ(rasterThread.shapeMode.mode, mode);
        // Replace the pair behind the cache's back: selecting the same mode again must keep it.
        rasterThread.shapeMode.pixelOp = SentinelPixel;
        rasterThread.shapeMode.runOp = SentinelRun;
        SelectShapeMode(mode);
        EXPECT_EQ(rasterThread.shapeMode.pixelOp, &SentinelPixel) << "mode " << mode;
        EXPECT_EQ(rasterThread.shapeMode.runOp, &SentinelRun) << "mode " << mode;
        SelectShapeMode(mode == Normal ? Alpha : Normal);  // restore real operations
    }

    std::vector<PixelOp> distinct;
    for (int32_t number : {2, 3, 4, 5, 10}) {
        const auto mode = static_cast<BlendMode>(number);
        SelectShapeMode(mode);
        EXPECT_NE(rasterThread.shapeMode.pixelOp, normalPixel) << "mode " << mode;
        EXPECT_NE(rasterThread.shapeMode.runOp, normalRun) << "mode " << mode;
        distinct.push_back(rasterThread.shapeMode.pixelOp);
    }
    for (size_t i = 0; i < distinct.size(); ++i) {
        for (size_t j = i + 1; j < distinct.size(); ++j) EXPECT_NE(distinct[i], distinct[j]) << i << " and " << j;
    }

    for (int32_t number : {6, 7, 8, 9, 0, 11, 15, -1, INT32_MIN}) {
        const auto mode = static_cast<BlendMode>(number);
        SelectShapeMode(Add);
        SelectShapeMode(mode);
        EXPECT_EQ(rasterThread.shapeMode.pixelOp, normalPixel) << "mode " << mode;
        EXPECT_EQ(rasterThread.shapeMode.runOp, normalRun) << "mode " << mode;
        EXPECT_EQ(rasterThread.shapeMode.mode, mode);
    }
}

TEST_F(SpansTest, WorkedExamplesOfTheShapeModes) {
    MakeView(8, 2, 1);
    auto pixelAndRun = [&](BlendMode mode, uint32_t d, uint32_t colour, uint32_t k, uint32_t* pixel, uint32_t* run) {
        FillBuffer(d);
        DrawSpans(mode, colour, {{0, 0, 1, k}, {2, 0, 5, k}}, 0, 7);
        *pixel = frameBuffer.rows[0][0];
        *run = frameBuffer.rows[0][4];
        EXPECT_EQ(frameBuffer.rows[0][1], d);
        EXPECT_EQ(frameBuffer.rows[0][7], d);
    };
    uint32_t pixel = 0, run = 0;
    // Mode 1, full coverage: a run stores the colour word exactly, alpha included.
    pixelAndRun(Normal, 0x12345678u, 0x80ff0000u, 255, &pixel, &run);
    EXPECT_EQ(run, 0x80ff0000u);
    for (int32_t x = 2; x <= 6; ++x) EXPECT_EQ(frameBuffer.rows[0][x], 0x80ff0000u);
    // Mode 5 with the panel colour: 200 * 50 / 256 = 39, 255 * 254 / 256 = 253; at coverage 0 the
    // factor is white but for alpha 0: 200 * 255 / 256 = 199.
    pixelAndRun(Multiply, 0xffc8c8c8u, 0xff323232u, 255, &pixel, &run);
    EXPECT_EQ(pixel, 0xfd272727u);
    EXPECT_EQ(run, 0xfd272727u);
    pixelAndRun(Multiply, 0xffc8c8c8u, 0xff323232u, 0, &pixel, &run);
    EXPECT_EQ(pixel, 0x00c7c7c7u);
    EXPECT_EQ(run, 0x00c7c7c7u);
    // Mode 2 at alpha 255 and coverage 255: a pixel's opacity is 255 * 255 / 256 = 254, which takes 0
    // toward 255 only to 254 * 255 / 256 = 253; a run's is 255 * 255 / 255 = 255, a plain fill.
    pixelAndRun(Alpha, 0x00000000u, 0xffffffffu, 255, &pixel, &run);
    EXPECT_EQ(pixel, 0xfdfdfdfdu);
    EXPECT_EQ(run, 0xffffffffu);
    // Coverage 0 leaves modes 1 to 4 unchanged.
    for (int32_t number : {1, 2, 3, 4}) {
        const auto mode = static_cast<BlendMode>(number);
        pixelAndRun(mode, 0x89abcdefu, 0xffffffffu, 0, &pixel, &run);
        EXPECT_EQ(pixel, 0x89abcdefu) << "mode " << mode;
        EXPECT_EQ(run, 0x89abcdefu) << "mode " << mode;
    }
    // Coverage 0 in mode 5 lowers each colour channel of 1 or more by one and clears alpha.
    pixelAndRun(Multiply, 0xff800100u, 0xff000000u, 0, &pixel, &run);
    EXPECT_EQ(pixel, 0x007f0000u);
    EXPECT_EQ(run, 0x007f0000u);
}

TEST_F(SpansTest, ResetScanlineGrowsInStepsOf1280AndAddSpanGrowsKeepingTheHeldSpans) {
    ReleaseThreadRasteriser();
    EXPECT_EQ(rasterThread.spans.capacity, 0u);
    ResetScanline(0, 3000);  // 3002 spans: three steps
    EXPECT_EQ(rasterThread.spans.capacity, 3840u);
    ResetScanline(-20, 20);
    EXPECT_EQ(rasterThread.spans.capacity, 3840u);
    ResetScanline(50, 10);  // an empty range needs no room
    EXPECT_EQ(rasterThread.spans.capacity, 3840u);
    ReleaseThreadRasteriser();
    ResetScanline(0, 0);
    EXPECT_EQ(rasterThread.spans.capacity, 1280u);

    // More spans than ResetScanline made room for: the array grows and keeps the row.
    MakeView(6000, 2, 1);
    FillBuffer(0);
    SelectShapeMode(Normal);
    SetScanlineColour(0xffffffffu);
    for (int32_t i = 0; i < 2900; ++i) AddSpan(2 * i, 1, 1, 255);
    EXPECT_EQ(HeldSpanCount(), 2900);
    EXPECT_GE(rasterThread.spans.capacity, 2900u);
    EXPECT_EQ(rasterThread.spans.capacity % 1280u, 0u);
    FlushScanline(0xffffffffu);
    for (int32_t x = 0; x < 6000; ++x) {
        ASSERT_EQ(frameBuffer.rows[1][x], (x % 2 == 0 && x < 5800) ? 0xfefefefeu : 0u) << x;
    }

    // Spans added with no ResetScanline at all are held too.
    ReleaseThreadRasteriser();
    AddSpan(0, 0, 3, 255);
    EXPECT_EQ(HeldSpanCount(), 1);
}

// One span longer than 4095 pixels draws as that one run, never as pieces: pieces would send a
// one-pixel remainder through PixelOp, and in mode 1 at full coverage that changes the pixel.
TEST_F(SpansTest, ASpanLongerThan4095PixelsDrawsAsOneRun) {
    MakeView(8192, 3, 0);
    struct Case {
        int32_t x;
        uint32_t length;
        int32_t first, last;
    };
    const std::vector<Case> cases = {
        {0, 4096, 0, 4095},
        {0, 8192, 0, 8191},
        {-1, 4097, 0, 4095},
        {-8000, 8001, 0, 0},
        {8191, 5000, 8191, 8191},
        {4000, 10000, 4000, 8191},
        {-5000, 13192, 0, 8191},
        {-9000, 9000, 0, -1},
        {4096, 4096, 4096, 8191},
        {0, 0xffffffffu, 0, 8191},
        {INT32_MIN, 0xffffffffu, 0, 8191},
        {INT32_MAX - 5000, 0xffffffffu, 0, -1},
        {3, 12285, 3, 8191},
    };
    for (const Case& c : cases) {
        FillBuffer(0);
        DrawSpans(Normal, 0xffffffffu, {{c.x, 1, c.length, 255}}, c.x, c.x);
        const bool single = c.first == c.last;
        for (int32_t x = 0; x < 8192; ++x) {
            const bool drawn = x >= c.first && x <= c.last;
            const uint32_t want = !drawn ? 0u : single ? 0xfefefefeu : 0xffffffffu;
            ASSERT_EQ(frameBuffer.rows[1][x], want) << "span " << c.x << " +" << c.length << " column " << x;
        }
        for (int32_t x = 0; x < 8192; ++x) ASSERT_EQ(frameBuffer.rows[0][x] | frameBuffer.rows[2][x], 0u);
        for (int32_t i = 0; i < rasterThread.spans.count; ++i) {
            ASSERT_LE((rasterThread.spans.spans[i].packed >> 8) & 0xfffu, 4095u);
        }
    }
}

TEST_F(SpansTest, ALongSpanDrawsLikeTheEquivalentSpansOfAtMost4095) {
    MakeView(8192, 2, 0);
    std::mt19937 rng(12);
    for (int32_t number : {1, 2, 3, 5, 10}) {
        const auto mode = static_cast<BlendMode>(number);
        for (uint32_t k : {255u, 254u, 128u, 1u}) {
            std::vector<uint32_t> start(8192);
            for (uint32_t& p : start) p = rng();
            const uint32_t colour = rng() | 0xff000000u;

            std::copy(start.begin(), start.end(), frameBuffer.rows[0]);
            DrawSpans(mode, colour, {{0, 0, 8192, k}}, 0, 8191);
            const std::vector<uint32_t> whole = ViewRow(0);
            // Held as pieces of at most 4095 that add up to the run.
            uint32_t total = 0;
            for (int32_t i = 0; i < rasterThread.spans.count; ++i)
                total += (rasterThread.spans.spans[i].packed >> 8) & 0xfffu;
            EXPECT_EQ(total, 8192u);
            EXPECT_GE(HeldSpanCount(), 3);

            std::copy(start.begin(), start.end(), frameBuffer.rows[0]);
            DrawSpans(mode, colour, {{0, 0, 4095, k}, {4095, 0, 4095, k}, {8190, 0, 2, k}}, 0, 8191);
            EXPECT_EQ(ViewRow(0), whole) << "mode " << mode << " k " << k;
            for (int32_t x = 0; x < 8192; x += 1023) {
                EXPECT_EQ(whole[x], ExpectedPixel(mode, start[x], colour, static_cast<int>(k), false)) << x;
            }
        }
    }
}

}  // namespace
