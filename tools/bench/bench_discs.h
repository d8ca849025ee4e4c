// The discs of one spiral frame as plain data, so other rasterisers can draw exactly what ours does.
#pragma once

#include <cstdint>
#include <vector>

struct BenchDisc {
    float x, y, radius;
    uint32_t colour;  // opaque 0xAARRGGBB
};

// Each draws the discs over the pixels (width x height, rows top first, 0xAARRGGBB) at full
// opacity with anti-aliasing. Return false when the library was not built in.
bool DrawWithCairo(uint32_t* pixels, int32_t width, int32_t height, const std::vector<BenchDisc>& discs);
bool DrawWithFreeType(uint32_t* pixels, int32_t width, int32_t height, const std::vector<BenchDisc>& discs);
bool DrawWithAgg(uint32_t* pixels, int32_t width, int32_t height, const std::vector<BenchDisc>& discs);
