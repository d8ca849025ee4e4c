// The spiral frame: its geometry against the closed forms, the colour schemes, the centre of odd
// views, out-of-range settings from a hand-edited file, the hidden-frame passes, and a phase that
// keeps turning at the same speed for days.
#include "app/spiral.h"

#include <gtest/gtest.h>

#include "tests/view_pixels.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "app/render_passes.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/polygon.h"
#include "sprite/disc.h"

namespace {

// Puts the steering values back as they start, whatever a test changed.
class SpiralTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitShapeRasteriser();
        ResetSettings();
    }
    void TearDown() override {
        ResetSettings();
        ReleaseHeadlessBuffer();
    }
    static void ResetSettings() {
        const Settings initial;
        Store(settings.colourScheme, Load(initial.colourScheme));
        Store(settings.period, Load(initial.period));
        Store(settings.direction, Load(initial.direction));
        ResetSpiralRun();
    }
};

// One frame at the given phase on a fresh buffer; hidden selects the fast discs.
std::vector<uint32_t> Frame(int32_t width, int32_t height, int32_t scheme, int32_t period, bool hidden, float phase) {
    EXPECT_EQ(CreateHeadlessBuffer(width, height), 1);
    Store(settings.colourScheme, scheme);
    Store(settings.period, period);
    Store(steering.hiddenFrames, hidden ? 1 : 0);
    spiralPhase = phase;
    DrawSpiralFrame();
    return ViewPixels();
}

uint32_t Channel(uint32_t p, int shift) { return (p >> shift) & 255u; }

// ---- Geometry and brightness.

TEST_F(SpiralTest, DiscsFollowTheClosedFormsOfDistanceAndRadius) {
    SpiralCursor cursor;
    const float cx = 960.0f, cy = 540.0f;
    for (int i = 0; i < kSpiralDiscCount; ++i) {
        const SpiralDisc d = NextSpiralDisc(cursor, 0.1f, 0.0f, cx, cy);
        const double g = 2.0 * std::pow(1.0235, i);
        const double dist = 0.00225 * i * g;
        const double theta = 0.1 * i;
        // g is carried in single precision over up to 300 products: a relative error of about 1e-5.
        const double tolerance = 2e-5 * dist + 1e-4;
        EXPECT_NEAR(d.x, cx + std::sin(theta) * dist, tolerance) << "disc " << i;
        EXPECT_NEAR(d.y, cy + std::cos(theta) * dist, tolerance) << "disc " << i;
        EXPECT_NEAR(d.radius, 0.4 * dist, 2e-5 * dist + 1e-6) << "disc " << i;
        EXPECT_NEAR(d.bright, 255.0 - g / 8.0 - (i % 2 ? 15 : 0), 1.0) << "disc " << i;
        EXPECT_NEAR(d.dim, 125.0 - g / 8.0 - (i % 2 ? 15 : 0), 1.0) << "disc " << i;
    }
}

TEST_F(SpiralTest, SampleDiscsLieWhereThePictureShowsThem) {
    struct Sample {
        int index;
        double distance, radius;
    };
    const Sample samples[] = {{100, 4.6, 1.84}, {150, 22, 8.8}, {200, 94, 37.5}, {250, 374, 150}, {299, 1397, 559}};
    SpiralCursor cursor;
    std::vector<SpiralDisc> discs;
    for (int i = 0; i < kSpiralDiscCount; ++i) discs.push_back(NextSpiralDisc(cursor, 0.1f, 0.0f, 0.0f, 0.0f));
    for (const Sample& s : samples) {
        const SpiralDisc& d = discs[s.index];
        EXPECT_NEAR(std::hypot(d.x, d.y), s.distance, 0.01 * s.distance) << "disc " << s.index;
        EXPECT_NEAR(d.radius, s.radius, 0.01 * s.radius) << "disc " << s.index;
    }
    EXPECT_EQ(discs[0].radius, 0.0f);
    EXPECT_EQ(discs[0].x, 0.0f);
    EXPECT_EQ(discs[0].y, 0.0f);
    EXPECT_EQ(discs[0].bright, 254);
    EXPECT_EQ(discs[0].dim, 124);
    EXPECT_EQ(discs[1].bright, 239);
    EXPECT_EQ(discs[1].dim, 109);
    // dim = 125 - 1.0235^i / 4 (- 15 on odd discs) reaches 0 at disc 268 (odd discs from 263);
    // bright = 255 - 1.0235^i / 4 - 15 on the odd discs from 297, so the outermost discs are black.
    EXPECT_GT(discs[266].dim, 0);
    EXPECT_GT(discs[261].dim, 0);
    for (int i = 268; i < kSpiralDiscCount; ++i) EXPECT_LE(discs[i].dim, 0) << "disc " << i;
    for (int i = 263; i < kSpiralDiscCount; i += 2) EXPECT_LE(discs[i].dim, 0) << "disc " << i;
    EXPECT_GT(discs[295].bright, 0);
    EXPECT_LE(discs[297].bright, 0);
    EXPECT_LE(discs[299].bright, 0);
}

TEST_F(SpiralTest, AngleZeroPointsDownAndIncreasingAnglesTurnRight) {
    SpiralCursor cursor;
    cursor.index = 200;
    cursor.growth = 200.0f;
    SpiralCursor quarter = cursor;
    const SpiralDisc down = NextSpiralDisc(cursor, 0.0f, 0.0f, 100.0f, 100.0f);
    EXPECT_EQ(down.x, 100.0f);
    EXPECT_GT(down.y, 100.0f);
    const SpiralDisc right = NextSpiralDisc(quarter, 0.0f, 1.5707964f, 100.0f, 100.0f);
    EXPECT_GT(right.x, 100.0f);
    EXPECT_NEAR(right.y, 100.0f, 1e-3);
}

TEST_F(SpiralTest, SchemeColourPlacesBrightAndDimAndClamps) {
    EXPECT_EQ(SchemeColour(0, 254, 124), 0xfffe7c00u);
    EXPECT_EQ(SchemeColour(1, 254, 124), 0xff7cfe00u);
    EXPECT_EQ(SchemeColour(2, 254, 124), 0xff007cfeu);
    EXPECT_EQ(SchemeColour(0, 300, -7), 0xffff0000u);
    EXPECT_EQ(SchemeColour(2, -1, 256), 0xff00ff00u);
    // Outside 0..2: modulo 3, never negative, as the colour keys wrap.
    EXPECT_EQ(SchemeColour(3, 200, 100), SchemeColour(0, 200, 100));
    EXPECT_EQ(SchemeColour(7, 200, 100), SchemeColour(1, 200, 100));
    EXPECT_EQ(SchemeColour(-1, 200, 100), SchemeColour(2, 200, 100));
    EXPECT_EQ(SchemeColour(INT32_MIN, 200, 100), SchemeColour(1, 200, 100));  // -2147483648 = 3k + 1
    EXPECT_EQ(SchemeColour(INT32_MAX, 200, 100), SchemeColour(1, 200, 100));
}

TEST_F(SpiralTest, GeometryHasTheSameBitsInEveryBuild) {
    // FNV-1a over every disc of many frames. The value was recorded from the native x86-64 build and
    // checked equal in the 32-bit Windows build under Wine.
    uint64_t hash = 0xcbf29ce484222325ULL;
    auto add = [&hash](uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            hash ^= (v >> (8 * k)) & 255;
            hash *= 0x100000001b3ULL;
        }
    };
    auto bits = [](float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    };
    float phase = 0.0f;
    for (int frame = 0; frame < 2000; ++frame) {
        SpiralCursor cursor;
        for (int i = 0; i < kSpiralDiscCount; ++i) {
            const SpiralDisc d = NextSpiralDisc(cursor, PeriodStep(frame % 6), phase, 960.0f, 540.0f);
            add(bits(d.x));
            add(bits(d.y));
            add(bits(d.radius));
            add(SchemeColour(frame % 3, d.bright, d.dim));
        }
        phase = AdvanceSpiralPhase(phase, frame % 7 == 0 ? 1 : -1);
        if (frame == 1000) phase = 4799.9f;
    }
    EXPECT_EQ(hash, 0xa4ce4316e5349c62ULL) << std::hex << hash;
}

// ---- Whole frames.

TEST_F(SpiralTest, DiscZeroLeavesNoMark) {
    ASSERT_EQ(CreateHeadlessBuffer(9, 9), 1);
    std::mt19937 random(5);
    for (int32_t i = 0; i < 81; ++i) frameBuffer.pixels[i] = static_cast<uint32_t>(random());
    const std::vector<uint32_t> before = ViewPixels();
    SpiralCursor cursor;
    const SpiralDisc d = NextSpiralDisc(cursor, 0.1f, -3.2725f, 4.0f, 4.0f);
    const uint32_t colour = SchemeColour(0, d.bright, d.dim);
    DrawDisc(Normal, static_cast<int32_t>(d.x), static_cast<int32_t>(d.y), d.radius, colour);
    EXPECT_EQ(ViewPixels(), before);
    DrawPolygonDisc(d.x, d.y, d.radius, colour, Normal);
    EXPECT_EQ(ViewPixels(), before);
}

TEST_F(SpiralTest, HiddenFramesUseTheFastDiscsAndShownFramesThePolygonDiscs) {
    for (bool hidden : {true, false}) {
        const std::vector<uint32_t> frame = Frame(160, 120, 1, 2, hidden, 0.7f);
        ASSERT_EQ(CreateHeadlessBuffer(160, 120), 1);
        SpiralCursor cursor;
        for (int i = 0; i < kSpiralDiscCount; ++i) {
            const SpiralDisc d = NextSpiralDisc(cursor, periodSteps[2], 0.7f, 80.0f, 60.0f);
            const uint32_t colour = SchemeColour(1, d.bright, d.dim);
            if (hidden) {
                DrawDisc(Normal, static_cast<int32_t>(d.x), static_cast<int32_t>(d.y), d.radius, colour);
            } else {
                DrawPolygonDisc(d.x, d.y, d.radius, colour, Normal);
            }
        }
        EXPECT_EQ(ViewPixels(), frame) << (hidden ? "hidden" : "shown");
    }
}

TEST_F(SpiralTest, AnOddWidthHasItsCentreAtTheLowerHalf) {
    for (bool hidden : {true, false}) {
        const std::vector<uint32_t> odd = Frame(1023, 40, 0, 3, hidden, -3.2725f);
        const std::vector<uint32_t> even = Frame(1022, 40, 0, 3, hidden, -3.2725f);
        const std::vector<uint32_t> wider = Frame(1024, 40, 0, 3, hidden, -3.2725f);
        bool sameAsLower = true, sameAsUpper = true;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 1022; ++x) {
                sameAsLower = sameAsLower && odd[y * 1023 + x] == even[y * 1022 + x];
                sameAsUpper = sameAsUpper && odd[y * 1023 + x] == wider[y * 1024 + x];
            }
        }
        EXPECT_TRUE(sameAsLower) << "1023 wide draws around x = 511 like 1022 wide";
        EXPECT_FALSE(sameAsUpper) << "1024 wide draws around x = 512";
    }
}

TEST_F(SpiralTest, ChangingTheSchemeChangesColoursNotPositions) {
    for (bool hidden : {true, false}) {
        const std::vector<uint32_t> s0 = Frame(200, 150, 0, 3, hidden, 1.3f);
        const std::vector<uint32_t> s1 = Frame(200, 150, 1, 3, hidden, 1.3f);
        const std::vector<uint32_t> s2 = Frame(200, 150, 2, 3, hidden, 1.3f);
        size_t coloured = 0;
        for (size_t i = 0; i < s0.size(); ++i) {
            const uint32_t red = Channel(s0[i], 16), green = Channel(s0[i], 8);
            ASSERT_EQ(Channel(s0[i], 0), 0u);
            // Over black every channel is blended on its own: scheme 1 swaps red and green, scheme 2
            // moves red to blue.
            ASSERT_EQ(s1[i], (s0[i] & 0xff000000u) | green << 16 | red << 8) << i;
            ASSERT_EQ(s2[i], (s0[i] & 0xff000000u) | green << 8 | red) << i;
            coloured += red != 0;
        }
        EXPECT_GT(coloured, s0.size() / 2);
    }
}

TEST_F(SpiralTest, OutOfRangeSettingsDrawLikeTheNearestValidOnesAndStayStored) {
    const std::vector<uint32_t> scheme2 = Frame(120, 90, 2, 3, true, 0.2f);
    EXPECT_EQ(Frame(120, 90, -1, 3, true, 0.2f), scheme2);
    EXPECT_EQ(Load(settings.colourScheme), -1);
    EXPECT_EQ(Frame(120, 90, 5, 3, true, 0.2f), scheme2);
    const std::vector<uint32_t> scheme0 = Frame(120, 90, 0, 3, true, 0.2f);
    EXPECT_EQ(Frame(120, 90, 3, 3, true, 0.2f), scheme0);

    const std::vector<uint32_t> period5 = Frame(120, 90, 0, 5, false, 0.2f);
    EXPECT_EQ(Frame(120, 90, 0, 9, false, 0.2f), period5);
    EXPECT_EQ(Load(settings.period), 9);
    EXPECT_EQ(Frame(120, 90, 0, INT32_MAX, false, 0.2f), period5);
    const std::vector<uint32_t> period0 = Frame(120, 90, 0, 0, false, 0.2f);
    EXPECT_EQ(Frame(120, 90, 0, -4, false, 0.2f), period0);
    EXPECT_EQ(Frame(120, 90, 0, INT32_MIN, false, 0.2f), period0);
    EXPECT_NE(period0, period5);
    EXPECT_EQ(PeriodStep(-1), 1.0f);
    EXPECT_EQ(PeriodStep(6), 0.025f);
}

// ---- Passes.

TEST_F(SpiralTest, TheFirstPresentedFrameIsThe86thAtPhaseMinus327) {
    ASSERT_EQ(CreateHeadlessBuffer(64, 48), 1);
    EXPECT_EQ(Load(steering.hiddenFrames), 85);
    for (int pass = 1; pass <= 85; ++pass) {
        DrawSpiralFrame();
        EXPECT_EQ(CountDownHiddenFrame(), 1) << "pass " << pass << " is hidden";
    }
    EXPECT_NEAR(spiralPhase, -3.2725f, 1e-4);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);
    const float phase = spiralPhase;
    DrawSpiralFrame();
    EXPECT_EQ(CountDownHiddenFrame(), 0) << "pass 86 is shown";
    EXPECT_EQ(spiralPhase, static_cast<float>(-0.0385 + static_cast<double>(phase)));

    // RenderPasses runs the same passes from the start.
    const std::vector<uint32_t> byHand = ViewPixels();
    ASSERT_EQ(CreateHeadlessBuffer(64, 48), 1);
    ResetSpiralRun();
    RenderPasses(86);
    EXPECT_EQ(ViewPixels(), byHand);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);
}

TEST_F(SpiralTest, TheDirectionIsReadForEveryFrame) {
    ASSERT_EQ(CreateHeadlessBuffer(8, 8), 1);
    Store(settings.direction, 1);
    RenderPasses(3);
    EXPECT_NEAR(spiralPhase, 3 * 0.0385, 1e-6);
    Store(settings.direction, -1);
    RenderPasses(5);
    EXPECT_NEAR(spiralPhase, -2 * 0.0385, 1e-6);
    Store(settings.direction, 0);
    RenderPasses(2);
    EXPECT_NEAR(spiralPhase, -2 * 0.0385, 1e-6);
}

// ---- The phase over a long run.

TEST_F(SpiralTest, PhaseIsThePlainRunningSumForTheFirstHour) {
    for (int direction : {-1, 1}) {
        float phase = 0.0f, plain = 0.0f;
        for (int frame = 0; frame < 108000; ++frame) {
            phase = AdvanceSpiralPhase(phase, direction);
            plain = static_cast<float>(direction * 0.0385 + static_cast<double>(plain));
            ASSERT_EQ(phase, plain) << "frame " << frame;
        }
        EXPECT_NEAR(std::fabs(phase), 4158.0, 10.0);
    }
}

TEST_F(SpiralTest, PhaseTurnsSmoothlyAtTheSameSpeedForDays) {
    const double turn = 6.283185307179586;
    for (int direction : {-1, 1, 7}) {
        float phase = 0.0f;
        double worst = 0.0, total = 0.0, largest = 0.0;
        const int frames = direction == 7 ? 1000000 : 30 * 60 * 60 * 24 * 10 / 4;  // 2.5 days at 30 fps
        for (int frame = 0; frame < frames; ++frame) {
            const float next = AdvanceSpiralPhase(phase, direction);
            // The step on the circle, whatever whole turns were taken off.
            double step = static_cast<double>(next) - static_cast<double>(phase);
            step -= turn * std::round((step - direction * 0.0385) / turn);
            worst = std::max(worst, std::fabs(step - direction * 0.0385));
            total += step;
            largest = std::max(largest, std::fabs(static_cast<double>(next)));
            phase = next;
        }
        // The worst step is the first hour's own rounding: crossing 4096 radians, a sum rounds to
        // whole 2^-11, at most 2^-12 away. Without the wrap the step would round to 2^-4 (60% too
        // fast) after six days.
        EXPECT_LE(worst, std::ldexp(1.0, -12) + 1e-9) << "direction " << direction;
        EXPECT_NEAR(total / frames, direction * 0.0385, 1e-4) << "direction " << direction;
        EXPECT_LE(largest, kSpiralPhaseWrap + 0.5) << "direction " << direction;
    }
}

}  // namespace
