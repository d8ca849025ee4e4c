// Raster core, the per-channel arithmetic of one pixel. Each function applies its formula to the four
// bytes of a 0xAARRGGBB word as independent channels, alpha included. These are the reference the
// packed loops of blend.cpp must equal, and the single-pixel operations of spans.cpp use them directly.
#pragma once

#include <cstdint>

namespace channels {

// Applies f(d, s) to each of the four byte pairs; f returns 0..255.
template <class F>
inline uint32_t Combine(uint32_t d, uint32_t s, F f) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t dc = (d >> shift) & 255u;
        const uint32_t sc = (s >> shift) & 255u;
        result |= (static_cast<uint32_t>(f(dc, sc)) & 255u) << shift;
    }
    return result;
}

// floor((256 d + alpha (s - d)) / 256); the numerator is never negative, so the shift is the floor.
inline uint32_t Blend(uint32_t d, uint32_t s, uint32_t alpha) {
    return Combine(d, s, [alpha](uint32_t dc, uint32_t sc) {
        return static_cast<uint32_t>(
            (256 * static_cast<int32_t>(dc) +
             static_cast<int32_t>(alpha) * (static_cast<int32_t>(sc) - static_cast<int32_t>(dc))) >>
            8);
    });
}

// Blend with two channels per multiply: 256 d + alpha (s - d) = d (256 - alpha) + s alpha is at most
// 255 * 256 per channel, so the blue/red and green/alpha pairs each fit one 32-bit word without
// carrying into each other. Equal to Blend for every alpha 0..255.
inline uint32_t BlendPacked(uint32_t d, uint32_t s, uint32_t alpha) {
    const uint32_t keep = 256u - alpha;
    const uint32_t blueRed = (((d & 0x00ff00ffu) * keep + (s & 0x00ff00ffu) * alpha) >> 8) & 0x00ff00ffu;
    const uint32_t greenAlpha = (((d >> 8) & 0x00ff00ffu) * keep + ((s >> 8) & 0x00ff00ffu) * alpha) & 0xff00ff00u;
    return blueRed | greenAlpha;
}

inline uint32_t Add(uint32_t d, uint32_t s) {
    return Combine(d, s, [](uint32_t dc, uint32_t sc) { return dc + sc > 255u ? 255u : dc + sc; });
}

inline uint32_t Subtract(uint32_t d, uint32_t s) {
    return Combine(d, s, [](uint32_t dc, uint32_t sc) { return dc > sc ? dc - sc : 0u; });
}

inline uint32_t Multiply(uint32_t d, uint32_t s) {
    return Combine(d, s, [](uint32_t dc, uint32_t sc) { return (dc * sc) >> 8; });
}

inline uint32_t Screen(uint32_t d, uint32_t s) {
    return Combine(d, s, [](uint32_t dc, uint32_t sc) { return 255u - (((255u - dc) * (255u - sc)) >> 8); });
}

inline uint32_t Average(uint32_t d, uint32_t s) {
    return Combine(d, s, [](uint32_t dc, uint32_t sc) { return (dc + sc + 1) >> 1; });
}

inline uint32_t Lighten(uint32_t d, uint32_t s) {
    return Combine(d, s, [](uint32_t dc, uint32_t sc) { return dc > sc ? dc : sc; });
}

// The colour scaled by a coverage k on all four channels: floor(c k / 256).
inline uint32_t Scale(uint32_t colour, uint32_t k) {
    return Combine(colour, 0, [k](uint32_t c, uint32_t) { return (c * k) >> 8; });
}

}  // namespace channels
