// Spiral effect: the Settings triple and the steering values. The key controls write them on the
// window's thread, the effect loop reads them (and counts hiddenFrames and helpFrames down) on the
// effect thread. Each is one aligned 32-bit value, relaxed: a change takes effect at the next read.
#pragma once

#include <atomic>
#include <cstdint>

struct Settings {
    std::atomic<int32_t> colourScheme{0};  // 0..2 as the keys keep it; a hand-edited file may hold more
    std::atomic<int32_t> period{3};        // index of the angular step, 0..5 as the keys keep it
    std::atomic<int32_t> direction{-1};    // -1 or +1
};
extern Settings settings;

struct Steering {
    std::atomic<int32_t> hiddenFrames{85};  // frames to draw before the next one is shown
    std::atomic<int32_t> paused{0};
    std::atomic<int32_t> helpFrames{0};
    std::atomic<int32_t> exitRequested{0};
};
extern Steering steering;

constexpr int32_t kHiddenFramesAfterChange = 85;

inline int32_t Load(const std::atomic<int32_t>& v) { return v.load(std::memory_order_relaxed); }
inline void Store(std::atomic<int32_t>& v, int32_t x) { v.store(x, std::memory_order_relaxed); }
