// Test support: reading the whole view back, and filling it with reproducible noise so that any
// pixel a drawing leaves alone, or changes by mistake, shows.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "host/frame_buffer.h"

inline std::vector<uint32_t> ViewPixels() {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < frameBuffer.viewHeight; ++y) {
        for (int32_t x = 0; x < frameBuffer.viewWidth; ++x) out.push_back(*ViewPixel(x, y));
    }
    return out;
}

inline void FillWithNoise(uint32_t seed) {
    std::mt19937 random(seed);
    for (int32_t y = 0; y < frameBuffer.viewHeight; ++y) {
        for (int32_t x = 0; x < frameBuffer.viewWidth; ++x) *ViewPixel(x, y) = static_cast<uint32_t>(random());
    }
}
