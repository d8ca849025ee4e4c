#include "raster/blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"

namespace {

// The expected values are computed here channel by channel with plain integer and floating-point
// arithmetic, independently of the library's own helpers.
int FloorDiv256(int value) { return static_cast<int>(std::floor(value / 256.0)); }
int Avg(int a, int b) { return static_cast<int>(std::floor((a + b + 1) / 2.0)); }

uint32_t& At(int32_t x, int32_t y) { return *ViewPixel(x, y); }

int Byte(uint32_t word, int channel) { return static_cast<int>((word >> (8 * channel)) & 255u); }

// result channel i = f(d channel i, s channel i, alpha of s)
using ChannelRule = std::function<int(int d, int s, int alpha)>;

uint32_t Expect(uint32_t d, uint32_t s, const ChannelRule& rule) {
    uint32_t result = 0;
    const int alpha = Byte(s, 3);
    for (int channel = 0; channel < 4; ++channel) {
        const int value = rule(Byte(d, channel), Byte(s, channel), alpha);
        EXPECT_TRUE(value >= 0 && value <= 255) << "rule out of range";
        result |= static_cast<uint32_t>(value) << (8 * channel);
    }
    return result;
}

int BlockRule(BlendMode mode, int d, int s, int alpha) {
    switch (mode) {
    case 2:
        return FloorDiv256(256 * d + alpha * (s - d));
    case 3:
        return std::min(255, d + s);
    case 4:
        return std::max(0, d - s);
    case 5:
        return FloorDiv256(d * s);
    case 6:
        return Avg(d, s);
    case 7:
        return Avg(Avg(d, s), s);
    case 8:
        return Avg(Avg(s, d), d);
    case 9:
        return std::max(d, s);
    default:
        return s;
    }
}

ChannelRule BlockMode(BlendMode mode) {
    return [mode](int d, int s, int alpha) { return BlockRule(mode, d, s, alpha); };
}

struct RunPrimitive {
    const char* name;
    void (*run)(uint32_t*, uint32_t, uint32_t);
    ChannelRule rule;  // with s the colour
};

std::vector<RunPrimitive> RunPrimitives() {
    return {
        {"FillRun", FillRun, [](int, int c, int) { return c; }},
        {"AddRun", AddRun, [](int d, int c, int) { return std::min(255, d + c); }},
        {"SubtractRun", SubtractRun, [](int d, int c, int) { return std::max(0, d - c); }},
        {"MultiplyRun", MultiplyRun, [](int d, int c, int) { return FloorDiv256(d * c); }},
        {"ScreenRun", ScreenRun, [](int d, int c, int) { return 255 - FloorDiv256((255 - d) * (255 - c)); }},
        {"BlendRun", BlendRun, [](int d, int c, int alpha) { return FloorDiv256(256 * d + alpha * (c - d)); }},
    };
}

std::string Hex(uint32_t v) {
    std::ostringstream out;
    out << "0x" << std::hex << v;
    return out.str();
}

// A pixel word whose channel `channel` is value and whose other channels are random.
uint32_t WithChannel(std::mt19937& rng, int channel, uint32_t value) {
    uint32_t word = rng();
    word &= ~(255u << (8 * channel));
    return word | (value << (8 * channel));
}

class BlendTest : public ::testing::Test {
  protected:
    void TearDown() override { ReleaseHeadlessBuffer(); }

    // A buffer with a guard band of `guard` pixels around the view on every side.
    void MakeView(int32_t width, int32_t height, int32_t guard) {
        ASSERT_EQ(CreateHeadlessBuffer(width + 2 * guard, height + 2 * guard), 1);
        SetView(guard, guard, guard + width - 1, guard + height - 1);
        ASSERT_EQ(frameBuffer.maxX, width - 1);
        ASSERT_EQ(frameBuffer.maxY, height - 1);
        ASSERT_LT(frameBuffer.pitch, 0);
        std::mt19937 rng(77);
        const size_t all = static_cast<size_t>(frameBuffer.width) * frameBuffer.height;
        for (size_t i = 0; i < all; ++i) frameBuffer.pixels[i] = rng();
    }

    std::vector<uint32_t> Snapshot() const {
        return std::vector<uint32_t>(frameBuffer.pixels,
                                     frameBuffer.pixels + static_cast<size_t>(frameBuffer.width) * frameBuffer.height);
    }

    // Pixels of the buffer that lie outside the view must equal the snapshot.
    ::testing::AssertionResult GuardBandUntouched(const std::vector<uint32_t>& before) const {
        const FrameBuffer& fb = frameBuffer;
        for (int32_t y = 0; y < fb.height; ++y) {
            const int32_t screenY = fb.height - 1 - y;  // bottom-up storage
            for (int32_t x = 0; x < fb.width; ++x) {
                const bool inView =
                    x >= fb.viewLeft && x <= fb.viewRight && screenY >= fb.viewTop && screenY <= fb.viewBottom;
                const size_t i = static_cast<size_t>(y) * fb.width + x;
                if (!inView && fb.pixels[i] != before[i]) {
                    return ::testing::AssertionFailure() << "guard pixel (" << x << ", " << screenY << ") changed";
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

// Every block mode over all 256 x 256 (d, s) pairs on each channel in turn, the other channels random,
// so that each channel, alpha included, meets every pair and a mix-up of channels shows. Whole rows
// go through the packed path, one-pixel columns through the single-pixel path.
TEST_F(BlendTest, EveryBlockModeMatchesItsChannelFormulaForAllBytePairs) {
    MakeView(256, 256, 2);
    std::mt19937 rng(1);
    std::vector<uint32_t> source(256 * 256), destination(256 * 256);
    for (int32_t number = 1; number <= 9; ++number) {
        const auto mode = static_cast<BlendMode>(number);
        for (int pass = 0; pass < 8; ++pass) {
            const int channel = pass % 4;
            const bool columns = pass >= 4;
            for (uint32_t d = 0; d < 256; ++d) {
                for (uint32_t s = 0; s < 256; ++s) {
                    destination[d * 256 + s] = WithChannel(rng, channel, d);
                    source[d * 256 + s] = WithChannel(rng, channel, s);
                }
            }
            for (int32_t y = 0; y < 256; ++y) std::copy_n(&destination[y * 256], 256, frameBuffer.rows[y]);
            const std::vector<uint32_t> before = Snapshot();
            if (columns) {
                // One pixel per row: the single-pixel path of every mode.
                for (int32_t x = 0; x < 256; ++x) {
                    std::vector<uint32_t> column(256);
                    for (int32_t y = 0; y < 256; ++y) column[y] = source[y * 256 + x];
                    DrawBlock(x, 0, x, 255, column.data(), mode);
                }
            } else {
                DrawBlock(0, 0, 255, 255, source.data(), mode);
            }
            int failures = 0;
            for (int32_t y = 0; y < 256 && failures < 5; ++y) {
                for (int32_t x = 0; x < 256 && failures < 5; ++x) {
                    const size_t i = static_cast<size_t>(y) * 256 + x;
                    const uint32_t want = Expect(destination[i], source[i], BlockMode(mode));
                    if (At(x, y) != want) {
                        ++failures;
                        ADD_FAILURE() << "mode " << mode << (columns ? " by columns" : "") << " d "
                                      << Hex(destination[i]) << " s " << Hex(source[i]) << ": got " << Hex(At(x, y))
                                      << ", want " << Hex(want);
                    }
                }
            }
            ASSERT_EQ(failures, 0);
            ASSERT_TRUE(GuardBandUntouched(before)) << "mode " << mode;
        }
    }
}

TEST_F(BlendTest, EveryRunPrimitiveMatchesItsChannelFormulaForAllBytePairs) {
    std::mt19937 rng(2);
    std::vector<uint32_t> row(256), before(256);
    for (const RunPrimitive& primitive : RunPrimitives()) {
        for (int pass = 0; pass < 8; ++pass) {
            const int channel = pass % 4;
            const bool singles = pass >= 4;  // one pixel per call: the single-pixel path
            int failures = 0;
            for (uint32_t c = 0; c < 256 && failures < 5; ++c) {
                const uint32_t colour = WithChannel(rng, channel, c);
                for (uint32_t d = 0; d < 256; ++d) row[d] = before[d] = WithChannel(rng, channel, d);
                if (singles) {
                    for (uint32_t d = 0; d < 256; ++d) primitive.run(&row[d], colour, 1);
                } else {
                    primitive.run(row.data(), colour, 256);
                }
                for (uint32_t d = 0; d < 256 && failures < 5; ++d) {
                    const uint32_t want = Expect(before[d], colour, primitive.rule);
                    if (row[d] != want) {
                        ++failures;
                        ADD_FAILURE() << primitive.name << " d " << Hex(before[d]) << " colour " << Hex(colour)
                                      << ": got " << Hex(row[d]) << ", want " << Hex(want);
                    }
                }
            }
        }
    }
}

// Lengths 0..40 cover every split between packed groups and single pixels on each side of 27/28;
// the start moves through the four pixel positions of a 16-byte line.
TEST_F(BlendTest, RunsOfEveryLengthAndAlignmentChangeExactlyTheirPixels) {
    constexpr uint32_t kGuard = 8;
    alignas(16) uint32_t buffer[kGuard + 4 + 1000 + kGuard];
    uint32_t before[sizeof(buffer) / 4];
    std::mt19937 rng(3);
    std::vector<uint32_t> lengths;
    for (uint32_t n = 0; n <= 40; ++n) lengths.push_back(n);
    lengths.push_back(1000);
    for (const RunPrimitive& primitive : RunPrimitives()) {
        for (uint32_t n : lengths) {
            for (uint32_t offset = 0; offset < 4; ++offset) {
                for (uint32_t& p : buffer) p = rng();
                std::copy(std::begin(buffer), std::end(buffer), before);
                const uint32_t colour = rng();
                const uint32_t first = kGuard + offset;
                primitive.run(buffer + first, colour, n);
                for (uint32_t i = 0; i < sizeof(buffer) / 4; ++i) {
                    const bool inRun = i >= first && i < first + n;
                    const uint32_t want = inRun ? Expect(before[i], colour, primitive.rule) : before[i];
                    ASSERT_EQ(buffer[i], want) << primitive.name << " n " << n << " offset " << offset << " pixel " << i
                                               << (inRun ? " (in the run)" : " (guard)");
                }
            }
        }
    }
}

TEST_F(BlendTest, BlockRowsOfEveryWidthAndAlignmentInEveryMode) {
    MakeView(48, 3, 4);
    std::mt19937 rng(4);
    for (int32_t number = 1; number <= 9; ++number) {
        const auto mode = static_cast<BlendMode>(number);
        for (int32_t width = 0; width <= 40; ++width) {
            for (int32_t x0 = 0; x0 < 4; ++x0) {
                std::vector<uint32_t> source(static_cast<size_t>(width) * 2 + 1);
                for (uint32_t& p : source) p = rng();
                for (int32_t y = 0; y < 3; ++y) {
                    for (int32_t x = 0; x < 48; ++x) At(x, y) = rng();
                }
                const std::vector<uint32_t> before = Snapshot();
                std::vector<uint32_t> view;
                for (int32_t y = 0; y < 3; ++y) view.insert(view.end(), frameBuffer.rows[y], frameBuffer.rows[y] + 48);
                DrawBlock(x0, 1, x0 + width - 1, 2, source.data(), mode);
                for (int32_t y = 0; y < 3; ++y) {
                    for (int32_t x = 0; x < 48; ++x) {
                        const uint32_t old = view[y * 48 + x];
                        const bool inside = y >= 1 && x >= x0 && x < x0 + width;
                        const uint32_t want =
                            inside ? Expect(old, source[(y - 1) * width + (x - x0)], BlockMode(mode)) : old;
                        ASSERT_EQ(At(x, y), want) << "mode " << mode << " width " << width << " x0 " << x0 << " at ("
                                                  << x << ", " << y << ")";
                    }
                }
                ASSERT_TRUE(GuardBandUntouched(before));
            }
        }
    }
}

struct Rect {
    int32_t x0, y0, x1, y1;
};

// A 20 x 16 view inside a 6-pixel guard band; each rectangle is drawn and the whole buffer compared
// with the picture expected pixel by pixel from the unclipped rectangle.
TEST_F(BlendTest, BlocksAreClippedToTheViewAndReadTheSourceAtTheUnclippedStride) {
    const std::vector<Rect> rects = {
        {-3, 2, 5, 6},    {15, 2, 24, 6},   {4, -5, 8, 3},    {4, 12, 8, 22},  {-4, -3, 3, 2}, {17, 13, 23, 18},
        {-5, -5, 25, 21}, {0, 0, 0, 0},     {19, 15, 19, 15}, {3, 7, 3, 12},   {2, 9, 14, 9},  {-6, 9, 0, 9},
        {19, -2, 26, 0},  {0, 0, 19, 15},   {-10, 2, -1, 6},  {20, 2, 30, 6},  {4, -9, 8, -1}, {4, 16, 8, 25},
        {-8, -8, -1, -1}, {20, 16, 22, 18}, {-1, 0, -1, 15},  {0, 16, 19, 16}, {5, 5, 4, 8},   {5, 5, 8, 4},
    };
    std::mt19937 rng(5);
    for (int32_t number : {1, 5, 7}) {
        const auto mode = static_cast<BlendMode>(number);
        for (const Rect& r : rects) {
            MakeView(20, 16, 6);
            const int32_t width = r.x1 - r.x0 + 1, height = r.y1 - r.y0 + 1;
            std::vector<uint32_t> source(static_cast<size_t>(std::max(width, 1)) * std::max(height, 1));
            for (uint32_t& p : source) p = rng();
            std::vector<uint32_t> view(20 * 16);
            for (int32_t y = 0; y < 16; ++y) std::copy_n(frameBuffer.rows[y], 20, &view[y * 20]);
            const std::vector<uint32_t> before = Snapshot();
            DrawBlock(r.x0, r.y0, r.x1, r.y1, source.data(), mode);
            for (int32_t y = 0; y < 16; ++y) {
                for (int32_t x = 0; x < 20; ++x) {
                    const uint32_t old = view[y * 20 + x];
                    const bool inside = x >= r.x0 && x <= r.x1 && y >= r.y0 && y <= r.y1;
                    const uint32_t want =
                        inside ? Expect(old, source[(y - r.y0) * width + (x - r.x0)], BlockMode(mode)) : old;
                    ASSERT_EQ(At(x, y), want) << "mode " << mode << " rect " << r.x0 << "," << r.y0 << " - " << r.x1
                                              << "," << r.y1 << " at (" << x << ", " << y << ")";
                }
            }
            ASSERT_TRUE(GuardBandUntouched(before)) << "rect " << r.x0 << "," << r.y0 << " - " << r.x1 << "," << r.y1;
        }
    }
}

TEST_F(BlendTest, ABlockWhollyOutsideTheViewReadsNoSource) {
    MakeView(20, 16, 6);
    const std::vector<uint32_t> before = Snapshot();
    // Far outside, with a null image: any read would crash.
    DrawBlock(-100000, 3, -50000, 9, nullptr, Alpha);
    DrawBlock(50000, 3, 100000, 9, nullptr, Add);
    DrawBlock(3, -100000, 9, -50000, nullptr, Normal);
    DrawBlock(3, 50000, 9, 100000, nullptr, Lighten);
    DrawBlock(INT32_MIN, INT32_MIN, -1, -1, nullptr, Normal);
    DrawBlock(20, 16, INT32_MAX, INT32_MAX, nullptr, Normal);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(BlendTest, ModesOutsideOneToNineCopy) {
    MakeView(8, 4, 2);
    std::mt19937 rng(6);
    for (int32_t number : {0, 10, 11, 12, 15, -3, INT32_MIN, INT32_MAX}) {
        const auto mode = static_cast<BlendMode>(number);
        std::vector<uint32_t> source(6 * 2);
        for (uint32_t& p : source) p = rng();
        DrawBlock(1, 1, 6, 2, source.data(), mode);
        for (int32_t y = 1; y <= 2; ++y) {
            for (int32_t x = 1; x <= 6; ++x) ASSERT_EQ(At(x, y), source[(y - 1) * 6 + (x - 1)]) << "mode " << mode;
        }
    }
}

// One pixel through DrawBlock at view (0, 0).
uint32_t BlockPixel(uint32_t d, uint32_t s, BlendMode mode) {
    At(0, 0) = d;
    DrawBlock(0, 0, 0, 0, &s, mode);
    return At(0, 0);
}

uint32_t RunPixel(void (*run)(uint32_t*, uint32_t, uint32_t), uint32_t d, uint32_t colour) {
    uint32_t pixel = d;
    run(&pixel, colour, 1);
    return pixel;
}

TEST_F(BlendTest, WorkedExamplesOfTheArithmetic) {
    MakeView(4, 4, 1);
    // Division by 256: full alpha does not quite reach the source; zero alpha changes nothing.
    EXPECT_EQ(BlockPixel(0x00000000u, 0xffffffffu, Alpha), 0xfefefefeu);
    EXPECT_EQ(BlockPixel(0x12345678u, 0x00ffffffu, Alpha), 0x12345678u);
    EXPECT_EQ(RunPixel(BlendRun, 0x00000000u, 0xffffffffu), 0xfefefefeu);
    // Destination alpha moves by the same formula: (256*255 + 128*(128 - 255)) / 256 = 191.
    EXPECT_EQ(BlockPixel(0xff000000u, 0x80000000u, Alpha) >> 24, 191u);
    // Saturation.
    EXPECT_EQ(BlockPixel(0x90909090u, 0x80808080u, Add), 0xffffffffu);
    EXPECT_EQ(BlockPixel(0x80808080u, 0x90909090u, Subtract), 0x00000000u);
    EXPECT_EQ(RunPixel(AddRun, 0x90909090u, 0x80808080u), 0xffffffffu);
    EXPECT_EQ(RunPixel(SubtractRun, 0x80808080u, 0x90909090u), 0x00000000u);
    // Multiplying by 255 lowers every value of 1 or more by one; screening with 0 raises 254 or less.
    EXPECT_EQ(RunPixel(MultiplyRun, 0xff800100u, 0xffffffffu), 0xfe7f0000u);
    EXPECT_EQ(BlockPixel(0xff800100u, 0xffffffffu, Multiply), 0xfe7f0000u);
    EXPECT_EQ(RunPixel(ScreenRun, 0xff80fe00u, 0x00000000u), 0xff81ff01u);
    // Two rounded averages, not a division by four.
    EXPECT_EQ(BlockPixel(0x00000000u, 0x01010101u, TowardSource), 0x01010101u);
    EXPECT_EQ(BlockPixel(0x01010101u, 0x00000000u, TowardDest), 0x01010101u);
    EXPECT_EQ(BlockPixel(0x00000000u, 0x01010101u, Average), 0x01010101u);
    EXPECT_EQ(BlockPixel(0x00000000u, 0xffffffffu, TowardSource), 0xc0c0c0c0u);  // avg(128, 255) = 192
    EXPECT_EQ(BlockPixel(0x00000000u, 0xffffffffu, TowardDest), 0x40404040u);    // avg(128, 0) = 64
    // A run of no pixels changes nothing.
    uint32_t pixel = 0x11223344u;
    for (const RunPrimitive& primitive : RunPrimitives()) {
        primitive.run(&pixel, 0xffffffffu, 0);
        EXPECT_EQ(pixel, 0x11223344u) << primitive.name;
    }
}

TEST_F(BlendTest, ReadBlockAndWriteBlockCopyRectanglesUnchanged) {
    MakeView(12, 10, 3);
    std::mt19937 rng(8);
    const std::vector<uint32_t> before = Snapshot();
    // Read a 5 x 4 rectangle: rows top first, no gaps.
    std::vector<uint32_t> saved(5 * 4);
    ReadBlock(saved.data(), 2, 3, 6, 6);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 5; ++x) ASSERT_EQ(saved[y * 5 + x], At(2 + x, 3 + y));
    }
    // Write 3 x 2 pixels out of a source with a stride of 7, over part of the saved rectangle.
    std::vector<uint32_t> source(7 * 2);
    for (uint32_t& p : source) p = rng();
    WriteBlock(4, 5, source.data(), 7, 3, 2);
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            const bool inside = x >= 4 && x <= 6 && y >= 5 && y <= 6;
            const size_t i = static_cast<size_t>(frameBuffer.height - 1 - (y + 3)) * frameBuffer.width + (x + 3);
            ASSERT_EQ(At(x, y), inside ? source[(y - 5) * 7 + (x - 4)] : before[i]) << x << ", " << y;
        }
    }
    // Writing the saved block back restores the picture exactly.
    WriteBlock(2, 3, saved.data(), 5, 5, 4);
    EXPECT_EQ(Snapshot(), before);
    // Mode 1 is the clipped write.
    std::vector<uint32_t> block(4 * 3);
    for (uint32_t& p : block) p = rng();
    DrawBlock(-1, 8, 2, 10, block.data(), Normal);
    for (int32_t y = 8; y <= 9; ++y) {
        for (int32_t x = 0; x <= 2; ++x) ASSERT_EQ(At(x, y), block[(y - 8) * 4 + (x + 1)]);
    }
    EXPECT_TRUE(GuardBandUntouched(before));
}

}  // namespace
