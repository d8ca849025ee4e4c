// The spiral draws its polygon discs as batches: each frame must equal its discs drawn one by one,
// pixel for pixel, over whatever the buffer held, including frames whose discs switch between
// fast and polygon discs partway through.
#include <gtest/gtest.h>

#include "tests/view_pixels.h"

#include <cstdint>
#include <random>
#include <vector>

#include "app/spiral.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/pixel.h"
#include "raster/polygon.h"
#include "sprite/disc.h"

namespace {

class SpiralBatchTest : public ::testing::Test {
  protected:
    void SetUp() override { InitShapeRasteriser(); }
    void TearDown() override {
        const Settings initial;
        Store(settings.colourScheme, Load(initial.colourScheme));
        Store(settings.period, Load(initial.period));
        Store(steering.hiddenFrames, 0);
        spiralPhase = 0.0f;
        ReleaseHeadlessBuffer();
    }
};

// Which discs of a frame are fast discs, for DrawSpiralDiscs.
int32_t fastFrom = kSpiralDiscCount, fastTo = kSpiralDiscCount, fastEvery = 0;
bool IsFast(int32_t i) { return (i >= fastFrom && i < fastTo) || (fastEvery > 0 && i % fastEvery == 0); }

// The frame's discs drawn one at a time, polygon or fast as IsFast says.
void DrawOneByOne(int32_t width, int32_t height, float phase) {
    const float cx = static_cast<float>(width / 2), cy = static_cast<float>(height / 2);
    SpiralCursor cursor;
    for (int32_t i = 0; i < kSpiralDiscCount; ++i) {
        const SpiralDisc d = NextSpiralDisc(cursor, PeriodStep(Load(settings.period)), phase, cx, cy);
        const uint32_t colour = SchemeColour(Load(settings.colourScheme), d.bright, d.dim);
        if (IsFast(i)) {
            DrawDisc(Normal, static_cast<int32_t>(d.x), static_cast<int32_t>(d.y), d.radius, colour);
        } else {
            DrawPolygonDisc(d.x, d.y, d.radius, colour, Normal);
        }
    }
}

void ExpectFrameMatchesOneByOne(int32_t width, int32_t height, float phase, uint32_t seed) {
    ASSERT_EQ(CreateHeadlessBuffer(width, height), 1);
    FillWithNoise(seed);
    DrawOneByOne(width, height, phase);
    const std::vector<uint32_t> expected = ViewPixels();
    FillWithNoise(seed);
    spiralPhase = phase;
    DrawSpiralDiscs(IsFast);
    const std::vector<uint32_t> actual = ViewPixels();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            ADD_FAILURE() << width << "x" << height << " phase " << phase << " scheme " << Load(settings.colourScheme)
                          << " period " << Load(settings.period) << ": pixel (" << i % width << ", " << i / width
                          << ") is " << std::hex << actual[i] << ", one by one " << expected[i];
            return;
        }
    }
}

TEST_F(SpiralBatchTest, PolygonFramesMatchTheirDiscsDrawnOneByOne) {
    fastFrom = fastTo = kSpiralDiscCount, fastEvery = 0;
    const int32_t sizes[][2] = {{640, 480}, {333, 517}, {1366, 768}, {31, 17}, {1, 1}};
    const float phases[] = {0.0f, -3.2725f, 1.7f, 100.123f};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        for (int32_t period = 0; period < 6; period += (size[0] > 1000 ? 5 : 1)) {
            for (float phase : phases) {
                Store(settings.period, period);
                Store(settings.colourScheme, static_cast<int32_t>(seed % 3));
                ExpectFrameMatchesOneByOne(size[0], size[1], phase, seed++);
            }
        }
    }
}

TEST_F(SpiralBatchTest, DrawSpiralFrameIsTheBatchedFrameOfHiddenFrames) {
    // DrawSpiralFrame chooses by hiddenFrames: with it zero every disc is a polygon disc.
    fastFrom = fastTo = kSpiralDiscCount, fastEvery = 0;
    Store(steering.hiddenFrames, 0);
    ASSERT_EQ(CreateHeadlessBuffer(800, 600), 1);
    FillWithNoise(9);
    DrawOneByOne(800, 600, 0.5f);
    const std::vector<uint32_t> expected = ViewPixels();
    FillWithNoise(9);
    spiralPhase = 0.5f;
    DrawSpiralFrame();
    EXPECT_TRUE(ViewPixels() == expected);
}

TEST_F(SpiralBatchTest, FramesSwitchingBetweenFastAndPolygonDiscsMatchOneByOne) {
    struct Switch {
        int32_t from, to, every;
    };
    // Fast from a disc to the end (hiddenFrames set mid-frame), a fast stretch in the middle, fast
    // at the start, and fast discs scattered through the frame.
    const Switch switches[] = {{150, kSpiralDiscCount, 0}, {230, 260, 0}, {0, 120, 0}, {0, 0, 7}, {299, 300, 0}};
    uint32_t seed = 100;
    for (const Switch& s : switches) {
        fastFrom = s.from, fastTo = s.to, fastEvery = s.every;
        Store(settings.period, static_cast<int32_t>(seed % 6));
        ExpectFrameMatchesOneByOne(720, 405, -3.2725f + 0.3f * static_cast<float>(seed), seed);
        ++seed;
    }
    fastFrom = fastTo = kSpiralDiscCount, fastEvery = 0;
}

}  // namespace
