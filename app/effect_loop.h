// Spiral effect: the application's main loop, run by the host on the effect thread as appMain.
// Start-up (pacing, settings, window on top, splash wait, key controls), one spiral frame per pass
// (presented unless hidden), and the shutdown (back buffer released, settings saved).
#pragma once

#include <cstdint>

// The back buffer's clear colour: opaque black.
constexpr uint32_t kApplicationClearColour = 0xff000000u;

void EffectMainLoop();
