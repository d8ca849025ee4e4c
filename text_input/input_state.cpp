#include "text_input/input_state.h"

InputState inputState;
std::atomic<InputLogOffer> offerToInputLog{nullptr};

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// VK_SHIFT, VK_CONTROL, VK_MENU, VK_PAUSE: held modifiers stay down across resets.
constexpr int32_t kFirstModifierKey = 16;
constexpr int32_t kLastModifierKey = 19;

void DoNothingWithKey(int32_t) {}

int32_t Get(const std::atomic<int32_t>& v) { return v.load(relaxed); }
void Set(std::atomic<int32_t>& v, int32_t x) { v.store(x, relaxed); }

// Pushes the event while deferral is active; returns whether the event was taken (stacked or dropped).
bool DeferKeyEvent(int32_t k, int32_t isUp) {
    if (!Get(inputState.deferActive)) return false;
    const int32_t count = Get(inputState.deferredCount);
    if (Get(inputState.deferEnabled) && count < kDeferredEventLimit) {
        Set(inputState.deferredEvents[count].keyCode, k);
        Set(inputState.deferredEvents[count].isUp, isUp);
        Set(inputState.deferredCount, count + 1);
    }
    return true;
}

void OfferToInputLog(int32_t k, int32_t isUp) {
    const InputLogOffer offer = offerToInputLog.load(relaxed);
    if (offer && offer(k, isUp)) Set(inputState.deferActive, Get(inputState.deferEnabled));
}

void CallKeyCallback(const std::atomic<KeyCallback>& callback, int32_t k) {
    const KeyCallback call = callback.load(relaxed);
    if (call) call(k);
}

void ProcessKeyDown(int32_t k) {
    if (k == 0) return;
    if (Get(inputState.keyDown[k])) return;  // auto-repeat of a held key
    if (DeferKeyEvent(k, 0)) return;
    if (Get(inputState.keyFrozen[k])) return;
    Set(inputState.lastKey, k);
    Set(inputState.anyKeyEvent, 1);
    Set(inputState.anyKeyDown, 1);
    Set(inputState.keyDown[k], 1);
    CallKeyCallback(inputState.onKeyDown, k);
    OfferToInputLog(k, 0);
}

void ProcessKeyUp(int32_t k) {
    if (k == 0) return;
    if (DeferKeyEvent(k, 1)) return;  // deferred or dropped whatever keyDown says
    if (Get(inputState.keyFrozen[k])) return;
    Set(inputState.lastKey, k);
    Set(inputState.anyKeyEvent, 1);
    Set(inputState.anyKeyUp, 1);
    Set(inputState.keyReleased[k], 1);
    Set(inputState.keyDown[k], 0);
    CallKeyCallback(inputState.onKeyUp, k);
    OfferToInputLog(k, 1);
}

}  // namespace

void InputKeyDown(uint32_t keyCode) { ProcessKeyDown(static_cast<int32_t>(keyCode & 0xFFu)); }

void InputKeyUp(uint32_t keyCode) { ProcessKeyUp(static_cast<int32_t>(keyCode & 0xFFu)); }

void InputMouseMove(int32_t x, int32_t y) {
    // Wrapping differences: the host passes 16-bit coordinates, so they never overflow in practice,
    // and any caller's values stay defined.
    const int32_t dx = static_cast<int32_t>(static_cast<uint32_t>(x) - static_cast<uint32_t>(Get(inputState.mouseX)));
    const int32_t dy = static_cast<int32_t>(static_cast<uint32_t>(y) - static_cast<uint32_t>(Get(inputState.mouseY)));
    Set(inputState.mouseDX, dx);
    Set(inputState.mouseDY, dy);
    Set(inputState.mouseMoved, (dx != 0 || dy != 0) ? 1 : 0);
    Set(inputState.mouseX, x);
    Set(inputState.mouseY, y);
    if (!Get(inputState.trailEnabled)) return;
    // trailHead is -1 after a reset, so the first move writes entry 0.
    const int32_t head = (Get(inputState.trailHead) + 1) & (kMoveTrailLength - 1);
    MoveTrailEntry& entry = inputState.moveTrail[head];
    Set(entry.x, x);
    Set(entry.y, y);
    Set(entry.dx, dx);
    Set(entry.dy, dy);
    Set(inputState.trailHead, head);
}

void ResetInputState() {
    // buttonDoubleClick and anyKeyDown are cleared too, like every other per-event flag, so that each
    // means "since the last reset".
    Set(inputState.buttonDown, 0);
    Set(inputState.buttonUp, 0);
    Set(inputState.buttonDoubleClick, 0);
    Set(inputState.mouseMoved, 0);
    Set(inputState.leftButton, 0);
    Set(inputState.middleButton, 0);
    Set(inputState.rightButton, 0);
    inputState.wheelParam.store(0, relaxed);

    Set(inputState.trailHead, -1);
    Set(inputState.trailEnabled, 1);

    for (InputFlag& released : inputState.keyReleased) Set(released, 0);
    Set(inputState.anyKeyUp, 0);
    Set(inputState.anyKeyDown, 0);
    Set(inputState.anyKeyEvent, 0);

    const bool clearModifiers = Get(inputState.clearModifiers) != 0;
    for (int32_t k = 0; k < kInputKeyCount; ++k) {
        const bool modifier = k >= kFirstModifierKey && k <= kLastModifierKey;
        if (modifier ? clearModifiers : !Get(inputState.keyFrozen[k])) Set(inputState.keyDown[k], 0);
    }

    Set(inputState.deferActive, 0);
    if (!Get(inputState.deferEnabled)) {
        Set(inputState.deferredCount, 0);
        return;
    }
    int32_t count = Get(inputState.deferredCount);
    if (count <= 0) return;
    if (count > kDeferredEventLimit) count = kDeferredEventLimit;  // only a stray write could exceed it
    Set(inputState.deferredCount, count - 1);
    const DeferredKeyEvent& event = inputState.deferredEvents[count - 1];
    const int32_t k = Get(event.keyCode) & 0xFF;
    if (Get(event.isUp)) {
        ProcessKeyUp(k);
    } else {
        ProcessKeyDown(k);
    }
}

void InitialiseInputState() {
    Set(inputState.lastKey, 0);
    Set(inputState.deferredCount, 0);
    Set(inputState.deferActive, 0);
    Set(inputState.deferEnabled, 0);
    Set(inputState.keepRepeatCount, 0);
    for (InputFlag& frozen : inputState.keyFrozen) Set(frozen, 0);
    Set(inputState.clearModifiers, 1);
    ResetInputState();
    Set(inputState.clearModifiers, 0);
    inputState.onKeyDown.store(DoNothingWithKey, relaxed);
    inputState.onKeyUp.store(DoNothingWithKey, relaxed);
}
