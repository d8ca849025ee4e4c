// A batch of fast discs must leave every pixel as its discs drawn one by one with DrawDisc would, and
// nothing outside the view may change.
#include "sprite/fast_disc_batch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "sprite/disc.h"

namespace {

std::vector<uint32_t> Buffer(int32_t width, int32_t height) {
    return std::vector<uint32_t>(frameBuffer.pixels, frameBuffer.pixels + static_cast<size_t>(width) * height);
}

void FillBufferWithNoise(int32_t width, int32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    for (int32_t i = 0; i < width * height; ++i) frameBuffer.pixels[i] = random();
}

// Chains of discs each near the one before, so that later discs hide earlier ones: tight chains, as a
// spiral's, loose ones, and pairs over a disc's two sides that do not meet. Each chain starts
// anywhere around the view, its edges and beyond. Radii from below one pixel to beyond what the
// batch cuts.
std::vector<FastDisc> OverlappingDiscs(std::mt19937& random, int32_t viewWidth, int32_t viewHeight) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float radiusRanges[][2] = {{0.0f, 1.5f}, {1.5f, 12.0f}, {12.0f, 300.0f}, {300.0f, 5000.0f}};
    std::vector<FastDisc> discs;
    float radius = 1.0f, spread = 0.5f;
    int32_t cx = 0, cy = 0;
    for (int32_t k = 0; k < 48; ++k) {
        if (k % 12 == 0 || unit(random) < 0.1f) {
            const auto& range = radiusRanges[random() % 4];
            radius = range[0] + (range[1] - range[0]) * unit(random);
            cx = static_cast<int32_t>((unit(random) * 1.6f - 0.3f) * static_cast<float>(viewWidth));
            cy = static_cast<int32_t>((unit(random) * 1.6f - 0.3f) * static_cast<float>(viewHeight));
            spread = unit(random) < 0.5f ? 0.5f : 2.5f;
        } else if (unit(random) < 0.2f) {
            // Two discs over the left and right parts of this one, apart from each other.
            const auto side = static_cast<int32_t>(radius * 0.6f);
            discs.push_back({cx - side, cy, radius * 0.45f, static_cast<uint32_t>(random())});
            cx += side, radius *= 0.45f;
        } else {
            const float shift = radius * spread + 1.0f;
            cx += static_cast<int32_t>((unit(random) - 0.5f) * shift);
            cy += static_cast<int32_t>((unit(random) - 0.5f) * shift);
            radius *= spread < 1.0f ? 0.9f + 0.3f * unit(random) : 0.3f + 0.8f * unit(random);
        }
        discs.push_back({cx, cy, radius, static_cast<uint32_t>(random())});
    }
    return discs;
}

TEST(FastDiscBatch, LeavesEveryPixelAsTheDiscsDrawnOneByOne) {
    // Buffer size, then the view's corners in it (x0 -1: the whole buffer).
    const int32_t layouts[][6] = {
        {300, 200, 20, 10, 279, 189}, {900, 700, -1, 0, 0, 0},  {8, 8, 3, 3, 3, 3},
        {9, 7, 2, 2, 4, 3},           {40, 600, 5, 0, 30, 599},
    };
    uint32_t seed = 1;
    for (const auto& layout : layouts) {
        const int32_t width = layout[0], height = layout[1];
        ASSERT_EQ(CreateHeadlessBuffer(width, height), 1);
        SetView(layout[2], layout[3], layout[4], layout[5]);
        for (int32_t round = 0; round < 6; ++round, ++seed) {
            std::mt19937 random(seed);
            const std::vector<FastDisc> discs = OverlappingDiscs(random, frameBuffer.viewWidth, frameBuffer.viewHeight);
            FillBufferWithNoise(width, height, seed);
            for (const FastDisc& d : discs) DrawDisc(Normal, d.cx, d.cy, d.radius, d.colour);
            const std::vector<uint32_t> expected = Buffer(width, height);
            FillBufferWithNoise(width, height, seed);
            DrawFastDiscs(discs.data(), static_cast<int32_t>(discs.size()));
            const std::vector<uint32_t> actual = Buffer(width, height);
            for (size_t i = 0; i < expected.size(); ++i) {
                if (expected[i] != actual[i]) {
                    ADD_FAILURE() << width << "x" << height << " seed " << seed << ": buffer pixel (" << i % width
                                  << ", " << i / width << ") is " << std::hex << actual[i] << ", one by one "
                                  << expected[i];
                    break;
                }
            }
        }
        ReleaseHeadlessBuffer();
    }
}

}  // namespace
