// Sprites: many fast discs drawn in mode 1 as one batch. Drawing thread only.
#pragma once

#include <cstdint>

struct FastDisc {
    int32_t cx, cy;  // centre pixel
    float radius;
    uint32_t colour;
};

// Draws the discs in order, every pixel as DrawDisc (mode 1) would leave it one disc after another;
// what a disc would write where one of the next few discs stores over it is never written.
void DrawFastDiscs(const FastDisc* discs, int32_t count);
