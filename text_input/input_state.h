// Keyboard and mouse input state: one process-wide record that the window procedure fills from key
// and mouse messages and the application polls instead of handling messages itself. The key controls
// consume it and call ResetInputState, which clears the per-event flags and releases at most one
// deferred key event.
//
// Threads: the window's thread writes it (InputKeyDown, InputKeyUp, InputMouseMove and the button and
// wheel fields, which the window procedure sets directly); ResetInputState also runs on the effect
// thread once at start-up. Nothing is locked: every field is its own 32-bit atomic, accessed relaxed,
// so a reader sees each value whole and a change shows up at its next read.
#pragma once

#include <atomic>
#include <cstdint>

using InputFlag = std::atomic<int32_t>;
using KeyCallback = void (*)(int32_t keyCode);

struct MoveTrailEntry {
    std::atomic<int32_t> x{0};
    std::atomic<int32_t> y{0};
    std::atomic<int32_t> dx{0};
    std::atomic<int32_t> dy{0};
};

struct DeferredKeyEvent {
    std::atomic<int32_t> keyCode{0};
    InputFlag isUp{0};
};

constexpr int32_t kInputKeyCount = 256;
constexpr int32_t kMoveTrailLength = 256;
constexpr int32_t kDeferredEventLimit = 256;

struct InputState {
    InputFlag buttonDown{0};         // some mouse button went down since the last reset
    InputFlag buttonUp{0};           // some mouse button went up since the last reset
    InputFlag buttonDoubleClick{0};  // some mouse button was double-clicked since the last reset
    InputFlag mouseMoved{0};         // the last move changed the position
    InputFlag leftButton{0};
    InputFlag middleButton{0};
    InputFlag rightButton{0};
    std::atomic<uint32_t> wheelParam{0};  // whole first parameter of the last wheel message
    std::atomic<int32_t> mouseX{0};
    std::atomic<int32_t> mouseY{0};
    std::atomic<int32_t> mouseDX{0};
    std::atomic<int32_t> mouseDY{0};
    MoveTrailEntry moveTrail[kMoveTrailLength];  // ring of the moves since the last reset
    std::atomic<int32_t> trailHead{-1};          // last written entry; -1 when none since the reset
    InputFlag trailEnabled{0};
    std::atomic<int32_t> lastKey{0};        // virtual-key code of the last accepted key event
    InputFlag keyReleased[kInputKeyCount];  // accepted key-up since the last reset
    InputFlag keyDown[kInputKeyCount];      // accepted key-down, not yet released or reset
    InputFlag anyKeyUp{0};
    InputFlag anyKeyDown{0};
    InputFlag keepRepeatCount{0};  // read by the input log
    InputFlag anyKeyEvent{0};
    InputFlag keyFrozen[kInputKeyCount];  // events ignored, keyDown survives resets
    InputFlag clearModifiers{0};          // the reset also clears keyDown of keys 16..19
    InputFlag deferActive{0};             // later key events wait for the next reset
    InputFlag deferEnabled{0};
    DeferredKeyEvent deferredEvents[kDeferredEventLimit];  // stack, newest on top
    std::atomic<int32_t> deferredCount{0};
    std::atomic<KeyCallback> onKeyDown{nullptr};  // called for every accepted key-down
    std::atomic<KeyCallback> onKeyUp{nullptr};    // called for every accepted key-up
};

extern InputState inputState;

// Where key processing offers accepted events to the input log. Returns 1 when the log appended the
// key's name (which re-arms deferral), else 0. Empty unless a log is plugged in.
using InputLogOffer = int32_t (*)(int32_t keyCode, int32_t isUp);
extern std::atomic<InputLogOffer> offerToInputLog;

// Once, before the window exists: configuration to its defaults, then a reset that also clears the
// modifier keys.
void InitialiseInputState();

// WM_KEYDOWN / WM_KEYUP with the message's first parameter; only its low 8 bits count.
void InputKeyDown(uint32_t keyCode);
void InputKeyUp(uint32_t keyCode);

// WM_MOUSEMOVE with the low and high words of the second parameter, each taken unsigned.
void InputMouseMove(int32_t x, int32_t y);

// Marks the record as consumed: clears the per-event flags and replays at most one deferred event.
void ResetInputState();
