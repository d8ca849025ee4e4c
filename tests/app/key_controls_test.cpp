#include "app/key_controls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>

#include "app/steering.h"
#include "text_input/input_state.h"

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kUntouched = 17;  // a hiddenFrames value no key sets

class KeyControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitialiseInputState();
        Store(settings.colourScheme, 0);
        Store(settings.period, 3);
        Store(settings.direction, -1);
        Store(steering.hiddenFrames, kUntouched);
        Store(steering.paused, 0);
        Store(steering.helpFrames, 0);
        Store(steering.exitRequested, 0);
    }
    void TearDown() override { SetUp(); }

    // Releases the keys as the window procedure does, then runs the hook once.
    static void Release(std::initializer_list<int32_t> keys) {
        for (int32_t key : keys) InputKeyUp(static_cast<uint32_t>(key));
        KeyControlsHook();
    }
};

TEST_F(KeyControlsTest, ColourKeysWrapAndAlwaysHideFrames) {
    Release({kKeyQuote});
    EXPECT_EQ(Load(settings.colourScheme), 2);
    EXPECT_EQ(Load(steering.hiddenFrames), 85);

    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyQuote});
    EXPECT_EQ(Load(settings.colourScheme), 1);
    EXPECT_EQ(Load(steering.hiddenFrames), 85);

    Release({kKeyEnter});
    Release({kKeyEnter});
    EXPECT_EQ(Load(settings.colourScheme), 0);  // 1, 2, then past 2 back to 0
    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyEnter});
    EXPECT_EQ(Load(settings.colourScheme), 1);
    EXPECT_EQ(Load(steering.hiddenFrames), 85);
}

TEST_F(KeyControlsTest, PeriodKeysClampAndShowFramesOnlyWhenItChanged) {
    Release({kKeyUp});
    EXPECT_EQ(Load(settings.period), 2);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);

    Store(settings.period, 0);
    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyUp});
    EXPECT_EQ(Load(settings.period), 0);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);

    Store(settings.period, 5);
    Release({kKeyDown});
    EXPECT_EQ(Load(settings.period), 5);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);

    Store(settings.period, 4);
    Release({kKeyDown});
    EXPECT_EQ(Load(settings.period), 5);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);
}

TEST_F(KeyControlsTest, OutOfRangeValuesMoveOnlyTowardTheBoundTheKeyTests) {
    Store(settings.period, 9);
    Release({kKeySpace});  // another key leaves the stored value alone
    EXPECT_EQ(Load(settings.period), 9);
    Release({kKeyUp});
    EXPECT_EQ(Load(settings.period), 8);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);

    Store(settings.period, 9);
    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyDown});
    EXPECT_EQ(Load(settings.period), 5);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);

    Store(settings.colourScheme, 7);
    Release({kKeyQuote});
    EXPECT_EQ(Load(settings.colourScheme), 6);
    Store(settings.colourScheme, 7);
    Release({kKeyEnter});
    EXPECT_EQ(Load(settings.colourScheme), 0);

    Store(settings.colourScheme, -4);
    Release({kKeyEnter});
    EXPECT_EQ(Load(settings.colourScheme), -3);
}

TEST_F(KeyControlsTest, ExtremeStoredValuesStepWithoutWrapping) {
    Store(settings.period, kMin);
    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyUp});
    EXPECT_EQ(Load(settings.period), 0);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);

    Store(settings.period, kMax);
    Release({kKeyDown});
    EXPECT_EQ(Load(settings.period), 5);

    Store(settings.period, kMax);
    Release({kKeyUp});
    EXPECT_EQ(Load(settings.period), kMax - 1);

    Store(settings.colourScheme, kMax);
    Release({kKeyEnter});
    EXPECT_EQ(Load(settings.colourScheme), 0);

    Store(settings.colourScheme, kMin);
    Release({kKeyQuote});
    EXPECT_EQ(Load(settings.colourScheme), 2);

    Store(settings.colourScheme, kMin);
    Release({kKeyEnter});
    EXPECT_EQ(Load(settings.colourScheme), kMin + 1);
}

TEST_F(KeyControlsTest, DirectionKeysShowFramesOnlyWhenTheDirectionTurns) {
    Release({kKeyLeft});  // already -1
    EXPECT_EQ(Load(settings.direction), -1);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);

    Release({kKeyRight});
    EXPECT_EQ(Load(settings.direction), 1);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);

    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyRight});
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);

    Release({kKeyLeft});
    EXPECT_EQ(Load(settings.direction), -1);
    EXPECT_EQ(Load(steering.hiddenFrames), 0);

    Store(settings.direction, 5);  // from a hand-edited file: neither -1 nor +1
    Store(steering.hiddenFrames, kUntouched);
    Release({kKeyLeft});
    EXPECT_EQ(Load(settings.direction), -1);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);
}

TEST_F(KeyControlsTest, PauseHelpAndExit) {
    Release({kKeySpace});
    EXPECT_EQ(Load(steering.paused), 1);
    Release({kKeySpace});
    EXPECT_EQ(Load(steering.paused), 0);

    Release({kKeyF1});
    EXPECT_EQ(Load(steering.helpFrames), 250);
    Release({kKeyF1});  // the panel shows for one more frame
    EXPECT_EQ(Load(steering.helpFrames), 1);
    Store(steering.helpFrames, 0);  // the overlay counted it down
    Release({kKeyF1});
    EXPECT_EQ(Load(steering.helpFrames), 250);

    EXPECT_EQ(Load(steering.exitRequested), 0);
    Release({kKeyEscape});
    EXPECT_EQ(Load(steering.exitRequested), 1);
}

TEST_F(KeyControlsTest, KeysReleasedTogetherApplyInTableOrder) {
    // Up before Down: 5 -> 4 -> 5. The other order would end on 4.
    Store(settings.period, 5);
    // Quote before Enter: 7 -> 6 -> 0. The other order would end on 2 (7 -> 0 -> 2).
    Store(settings.colourScheme, 7);
    // Left before Right: ends +1.
    Release({kKeyRight, kKeyEnter, kKeyDown, kKeyLeft, kKeyUp, kKeyQuote});
    EXPECT_EQ(Load(settings.period), 5);
    EXPECT_EQ(Load(settings.colourScheme), 0);
    EXPECT_EQ(Load(settings.direction), 1);
}

TEST_F(KeyControlsTest, HookConsumesTheReleases) {
    InputKeyUp(static_cast<uint32_t>(kKeySpace));
    KeyControlsHook();
    EXPECT_EQ(Load(steering.paused), 1);
    EXPECT_EQ(inputState.keyReleased[kKeySpace].load(), 0);
    EXPECT_EQ(inputState.anyKeyUp.load(), 0);
    KeyControlsHook();  // as at start-up: nothing released, nothing changes
    EXPECT_EQ(Load(steering.paused), 1);
    EXPECT_EQ(Load(settings.period), 3);
    EXPECT_EQ(Load(settings.colourScheme), 0);
    EXPECT_EQ(Load(steering.hiddenFrames), kUntouched);
}

}  // namespace
