// Sprites: the arithmetic a fast disc is built from, shared by the disc drawn alone and the batch
// that draws many. Single precision throughout, as the disc's pixels depend on it bit for bit.
#pragma once

#include <cmath>
#include <cstdint>

// trunc(fraction x 255) of a single-precision value whose integer part is whole; exact in double.
inline uint32_t FractionCoverage(float value, int32_t whole) {
    return static_cast<uint32_t>(static_cast<double>(value - static_cast<float>(whole)) * 255.0);
}

// A disc's axis extent n (the half-width of its centre row and column, cross end pixels included),
// the coverage h of those end pixels and r squared.
struct DiscExtent {
    int32_t n;
    uint32_t h;
    float rSquared;
};

inline DiscExtent ExtentOfDisc(float radius) {
    const float extent = radius + 0.5f;
    const int32_t n = static_cast<int32_t>(extent);
    return {n, FractionCoverage(extent, n), radius * radius};
}

// The first octant of a disc of radius 1.5 or more: step(i, o, e, changed) for i = 1, 2, ... while
// i < o, where o is the nearest-integer half-width of rows cy +- i, e its edge coverage and changed
// whether o differs from the step before (from n on the first step).
template <class Step>
void ForEachOctantStep(const DiscExtent& disc, Step&& step) {
    if (disc.n <= 1) return;
    int32_t previous = disc.n;
    int32_t i = 1;
    int32_t o;
    do {
        const float iSquared = static_cast<float>(static_cast<int64_t>(i) * i);
        const float w = std::sqrt(disc.rSquared - iSquared) + 0.5f;
        o = static_cast<int32_t>(w);
        step(i, o, FractionCoverage(w, o), o != previous);
        previous = o;
        ++i;
    } while (i < o);
}
