// Dot mode: a sprite's pixels drawn as a grid of fast discs, one per pixel, each in the pixel's own
// 32-bit value, optionally slanted by shifting each row to the right of the row below it.
#include <cstddef>
#include <cstdint>

#include "sprite/disc.h"

void DrawDots(int32_t gap, int32_t dotSize, int32_t left, int32_t top, BlendMode mode, int32_t width, int32_t height,
              const uint32_t* pixels, int32_t rowShift) {
    if (!pixels || width <= 0 || height <= 0) return;
    const float radius = static_cast<float>(dotSize) * 0.5f;
    const int64_t step = static_cast<int64_t>(dotSize) + gap;
    const double offset = static_cast<double>(dotSize) * 0.5 + 0.501;
    const int64_t x0 = static_cast<int64_t>(static_cast<double>(left) + offset);
    const int64_t y0 = static_cast<int64_t>(static_cast<double>(top) + offset);

    // Centres beyond the 32-bit range cannot be in any view; they are skipped rather than wrapped.
    auto fits = [](int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
    for (int32_t j = 0; j < height; ++j) {
        const int64_t y = y0 + j * step;
        int64_t x = x0 + static_cast<int64_t>(rowShift) * (height - 1 - j);
        const uint32_t* row = pixels + static_cast<size_t>(j) * static_cast<size_t>(width);
        for (int32_t k = 0; k < width; ++k, x += step) {
            if (fits(x) && fits(y)) DrawDisc(mode, static_cast<int32_t>(x), static_cast<int32_t>(y), radius, row[k]);
        }
    }
}
