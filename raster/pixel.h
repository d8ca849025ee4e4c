// Raster core: the pixel format and the blend-mode numbering shared by every drawing family.
//
// A pixel is a 32-bit word 0xAARRGGBB (bytes in memory: blue, green, red, alpha). Every formula is
// applied to all four bytes as independent 8-bit channels, alpha included. Blends divide by 256.
#pragma once

#include <cstdint>

enum BlendMode : int32_t {
    Normal = 1,
    Alpha = 2,
    Add = 3,
    Subtract = 4,
    Multiply = 5,
    Average = 6,
    TowardSource = 7,
    TowardDest = 8,
    Lighten = 9,
    Screen = 10,
};
