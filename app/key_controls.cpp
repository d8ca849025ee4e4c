#include "app/key_controls.h"

#include "app/steering.h"
#include "text_input/input_state.h"

namespace {

bool Released(int32_t keyCode) { return inputState.keyReleased[keyCode].load(std::memory_order_relaxed) != 0; }

// Each key tests only the bound it moves toward, so a value from a hand-edited file stays out of
// range until a key brings it back. The step is taken in 64 bits: such a value may be INT32_MIN or
// INT32_MAX, and stepping past those must land on the bound, not wrap.
int64_t Step(const std::atomic<int32_t>& value, int32_t by) { return static_cast<int64_t>(Load(value)) + by; }

void PreviousColourScheme() {
    const int64_t scheme = Step(settings.colourScheme, -1);
    Store(settings.colourScheme, scheme < 0 ? kColourSchemeCount - 1 : static_cast<int32_t>(scheme));
    Store(steering.hiddenFrames, kHiddenFramesAfterChange);
}

void NextColourScheme() {
    const int64_t scheme = Step(settings.colourScheme, +1);
    Store(settings.colourScheme, scheme > kColourSchemeCount - 1 ? 0 : static_cast<int32_t>(scheme));
    Store(steering.hiddenFrames, kHiddenFramesAfterChange);
}

void SmallerPeriod() {
    const int64_t period = Step(settings.period, -1);
    if (period < 0) {
        Store(settings.period, 0);
    } else {
        Store(settings.period, static_cast<int32_t>(period));
        Store(steering.hiddenFrames, 0);
    }
}

void LargerPeriod() {
    const int64_t period = Step(settings.period, +1);
    if (period > kLastPeriod) {
        Store(settings.period, kLastPeriod);
    } else {
        Store(settings.period, static_cast<int32_t>(period));
        Store(steering.hiddenFrames, 0);
    }
}

void TurnTo(int32_t direction) {
    if (Load(settings.direction) == -direction) Store(steering.hiddenFrames, 0);
    Store(settings.direction, direction);
}

}  // namespace

void KeyControlsHook() {
    if (Released(kKeyQuote)) PreviousColourScheme();
    if (Released(kKeyEnter)) NextColourScheme();
    if (Released(kKeyUp)) SmallerPeriod();
    if (Released(kKeyDown)) LargerPeriod();
    if (Released(kKeyLeft)) TurnTo(-1);
    if (Released(kKeyRight)) TurnTo(+1);
    if (Released(kKeySpace)) Store(steering.paused, 1 - Load(steering.paused));
    if (Released(kKeyF1)) Store(steering.helpFrames, Load(steering.helpFrames) != 0 ? 1 : kHelpFramesShown);
    if (Released(kKeyEscape)) Store(steering.exitRequested, 1);
    ResetInputState();
}
