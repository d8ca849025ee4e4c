// The application's key controls: after every key release the host calls KeyControlsHook, which
// turns the released keys recorded in the input state into changes of the Settings triple and the
// steering values, then resets the input state.
//
// Threads: installed in the keyUpHook slot and run on the window's thread; the effect thread calls it
// once directly at start-up, before any key can be released.
#pragma once

#include <cstdint>

// Virtual-key codes of the controls.
constexpr int32_t kKeyQuote = 0xDE;   // VK_OEM_7: previous colour scheme
constexpr int32_t kKeyEnter = 0x0D;   // VK_RETURN: next colour scheme
constexpr int32_t kKeyUp = 0x26;      // VK_UP: smaller period
constexpr int32_t kKeyDown = 0x28;    // VK_DOWN: larger period
constexpr int32_t kKeyLeft = 0x25;    // VK_LEFT: direction -1
constexpr int32_t kKeyRight = 0x27;   // VK_RIGHT: direction +1
constexpr int32_t kKeySpace = 0x20;   // VK_SPACE: pause
constexpr int32_t kKeyF1 = 0x70;      // VK_F1: help panel
constexpr int32_t kKeyEscape = 0x1B;  // VK_ESCAPE: exit

constexpr int32_t kColourSchemeCount = 3;
constexpr int32_t kLastPeriod = 5;
constexpr int32_t kHelpFramesShown = 250;

void KeyControlsHook();
