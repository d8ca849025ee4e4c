// The fast paths of the shape pipeline against what they stand in for: the row-by-row cell sort on
// outlines whose rows arrive in every order, and the two-channels-per-multiply pixel blend.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exact_area.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/blend_channels.h"
#include "raster/cells.h"
#include "raster/polygon.h"

namespace {

using exact_area::Readout;

constexpr uint32_t kBlack = 0xff000000u;
constexpr uint32_t kWhite = 0xffffffffu;

class CellOrderTest : public ::testing::Test {
  protected:
    void SetUp() override { InitShapeRasteriser(); }
    void TearDown() override {
        ReleaseShapeRasteriser();
        ReleaseHeadlessBuffer();
    }

    void DrawAndCompare(const std::vector<ShapeVertex>& vertices, const std::string& what) {
        exact_area::FillBuffer(kBlack);
        exact_area::DrawOutline(vertices, kWhite, Normal);
        exact_area::ExpectWalkedExactly(vertices, Readout::WhiteOnBlack, what);
        const exact_area::PixelReference ref =
            exact_area::ReferenceFor(exact_area::FixedPolygon(vertices), frameBuffer.viewWidth, frameBuffer.viewHeight);
        exact_area::ExpectMatchesReference(ref, 1.0, Readout::WhiteOnBlack, what, true);
    }
};

TEST_F(CellOrderTest, RowsArrivingInAnyOrderGetTheirExactCoverage) {
    exact_area::MakeView(160, 48, kBlack);
    // Rows crossed left to right only, then right to left only.
    std::vector<ShapeVertex> lowerHalf = {{3.3f, 20.2f}, {150.6f, 24.7f}, {80.1f, 44.9f}};
    DrawAndCompare(lowerHalf, "one-way rows");
    std::vector<ShapeVertex> reversed(lowerHalf.rbegin(), lowerHalf.rend());
    DrawAndCompare(reversed, "reverse rows");

    // A sawtooth of nearly flat edges: every row gets dozens of cells from edges running both
    // ways, folded over each other, so no row arrives in order.
    std::vector<ShapeVertex> saw;
    for (int32_t i = 0; i < 12; ++i) {
        saw.push_back({2.3f + (i % 3) * 5.1f, 6.2f + i * 3.07f});
        saw.push_back({155.4f - (i % 2) * 7.3f, 7.9f + i * 3.11f});
    }
    DrawAndCompare(saw, "sawtooth");

    // Short rows in mixed order (a narrow star), and cells of equal key from different edges.
    std::vector<ShapeVertex> star = {{20.5f, 4.2f}, {26.1f, 40.3f}, {14.2f, 16.9f}, {28.8f, 17.3f}, {15.4f, 39.6f}};
    DrawAndCompare(star, "narrow star");
}

// Every channel value pair under every alpha, each channel of the word different so that a carry
// between channels would show.
TEST(BlendPackedTest, EqualsThePerChannelBlendForEveryInput) {
    int64_t mismatches = 0;
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
        for (uint32_t dc = 0; dc < 256; ++dc) {
            for (uint32_t sc = 0; sc < 256; ++sc) {
                const uint32_t dChannels[4] = {dc, 255u - dc, sc, dc ^ 0xa5u};
                const uint32_t sChannels[4] = {sc, dc, 255u - sc, sc ^ 0x3cu};
                uint32_t d = 0, s = 0, expected = 0;
                for (int c = 0; c < 4; ++c) {
                    d |= dChannels[c] << (8 * c);
                    s |= sChannels[c] << (8 * c);
                    const int32_t value = (256 * static_cast<int32_t>(dChannels[c]) +
                                           static_cast<int32_t>(alpha) * (static_cast<int32_t>(sChannels[c]) -
                                                                          static_cast<int32_t>(dChannels[c]))) /
                                          256;
                    expected |= static_cast<uint32_t>(value) << (8 * c);
                }
                if (channels::BlendPacked(d, s, alpha) != expected) ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
