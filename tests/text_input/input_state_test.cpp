#include "text_input/input_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t kShift = 0x10;
constexpr uint32_t kControl = 0x11;
constexpr uint32_t kAlt = 0x12;
constexpr uint32_t kPause = 0x13;
constexpr uint32_t kCapsLock = 0x14;  // the first key after the modifiers
constexpr uint32_t kKeyA = 0x41;
constexpr uint32_t kKeyB = 0x42;
constexpr uint32_t kKeyC = 0x43;

int32_t Get(const std::atomic<int32_t>& v) { return v.load(); }

struct KeyEvent {
    int32_t key;
    bool up;
    bool operator==(const KeyEvent& other) const { return key == other.key && up == other.up; }
};
std::vector<KeyEvent> seenEvents;
void RecordDown(int32_t key) { seenEvents.push_back({key, false}); }
void RecordUp(int32_t key) { seenEvents.push_back({key, true}); }

int32_t logAppends = 0;
int32_t LogAppendingEverything(int32_t, int32_t) {
    ++logAppends;
    return 1;
}
int32_t LogAppendingNothing(int32_t, int32_t) {
    ++logAppends;
    return 0;
}

class InputStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        offerToInputLog = nullptr;
        InitialiseInputState();
        inputState.onKeyDown = RecordDown;
        inputState.onKeyUp = RecordUp;
        seenEvents.clear();
        logAppends = 0;
    }
    void TearDown() override {
        offerToInputLog = nullptr;
        InitialiseInputState();
    }
};

TEST_F(InputStateTest, KeyCodesWhoseLowByteIsZeroAreIgnored) {
    for (uint32_t code : {0u, 0x100u, 0x200u, 0xFFFFFF00u}) {
        InputKeyDown(code);
        InputKeyUp(code);
    }
    EXPECT_EQ(Get(inputState.anyKeyEvent), 0);
    EXPECT_EQ(Get(inputState.anyKeyUp), 0);
    EXPECT_EQ(Get(inputState.anyKeyDown), 0);
    EXPECT_EQ(Get(inputState.keyReleased[0]), 0);
    EXPECT_EQ(Get(inputState.keyDown[0]), 0);
    EXPECT_TRUE(seenEvents.empty());

    // Only the low 8 bits name the key.
    InputKeyDown(0x100u | kKeyA);
    InputKeyUp(0xABCD0000u | kKeyB);
    EXPECT_EQ(Get(inputState.keyDown[kKeyA]), 1);
    EXPECT_EQ(Get(inputState.keyReleased[kKeyB]), 1);
    EXPECT_EQ(Get(inputState.lastKey), static_cast<int32_t>(kKeyB));
    EXPECT_EQ(seenEvents, (std::vector<KeyEvent>{{0x41, false}, {0x42, true}}));
}

TEST_F(InputStateTest, AutoRepeatIsDroppedUntilKeyUpOrReset) {
    InputKeyDown(kKeyA);
    InputKeyDown(kKeyA);
    InputKeyDown(kKeyA);
    EXPECT_EQ(seenEvents.size(), 1u);
    EXPECT_EQ(Get(inputState.lastKey), static_cast<int32_t>(kKeyA));
    EXPECT_EQ(Get(inputState.anyKeyDown), 1);
    EXPECT_EQ(Get(inputState.anyKeyEvent), 1);

    InputKeyUp(kKeyA);
    EXPECT_EQ(Get(inputState.keyDown[kKeyA]), 0);
    InputKeyDown(kKeyA);  // pressed again after the release: a new key-down
    EXPECT_EQ(seenEvents.size(), 3u);

    ResetInputState();
    EXPECT_EQ(Get(inputState.keyDown[kKeyA]), 0);
    InputKeyDown(kKeyA);  // the held key's next repeat counts as new after a reset
    ASSERT_EQ(seenEvents.size(), 4u);
    EXPECT_EQ(seenEvents.back(), (KeyEvent{0x41, false}));
}

TEST_F(InputStateTest, HeldModifiersSurviveResetUntilTheirOwnKeyUp) {
    for (uint32_t key : {kShift, kControl, kAlt, kPause, kCapsLock}) InputKeyDown(key);
    ResetInputState();
    for (uint32_t key : {kShift, kControl, kAlt, kPause}) EXPECT_EQ(Get(inputState.keyDown[key]), 1) << key;
    EXPECT_EQ(Get(inputState.keyDown[kCapsLock]), 0);

    // A repeat of the held Shift is still a repeat after the reset.
    const size_t eventsBefore = seenEvents.size();
    InputKeyDown(kShift);
    EXPECT_EQ(seenEvents.size(), eventsBefore);

    InputKeyUp(kShift);
    EXPECT_EQ(Get(inputState.keyDown[kShift]), 0);
    EXPECT_EQ(Get(inputState.keyDown[kControl]), 1);

    // With clearModifiers set the reset releases them too, frozen or not.
    inputState.keyFrozen[kControl] = 1;
    inputState.clearModifiers = 1;
    ResetInputState();
    for (uint32_t key : {kControl, kAlt, kPause}) EXPECT_EQ(Get(inputState.keyDown[key]), 0) << key;
}

TEST_F(InputStateTest, InitialiseReleasesModifiersAndLeavesClearModifiersOff) {
    InputKeyDown(kShift);
    InputKeyDown(kPause);
    InitialiseInputState();
    seenEvents.clear();
    EXPECT_EQ(Get(inputState.keyDown[kShift]), 0);
    EXPECT_EQ(Get(inputState.keyDown[kPause]), 0);
    EXPECT_EQ(Get(inputState.clearModifiers), 0);
    EXPECT_EQ(Get(inputState.lastKey), 0);
    EXPECT_EQ(Get(inputState.trailHead), -1);
    EXPECT_EQ(Get(inputState.trailEnabled), 1);
    // The default callbacks do nothing but must be callable.
    ASSERT_NE(inputState.onKeyDown.load(), nullptr);
    ASSERT_NE(inputState.onKeyUp.load(), nullptr);
    InputKeyDown(kKeyA);
    InputKeyUp(kKeyA);
    EXPECT_TRUE(seenEvents.empty());
}

TEST_F(InputStateTest, KeyUpWithoutKeyDownIsStillRecorded) {
    InputKeyUp(kKeyC);
    EXPECT_EQ(Get(inputState.keyReleased[kKeyC]), 1);
    EXPECT_EQ(Get(inputState.anyKeyUp), 1);
    EXPECT_EQ(Get(inputState.anyKeyEvent), 1);
    EXPECT_EQ(Get(inputState.anyKeyDown), 0);
    EXPECT_EQ(Get(inputState.keyDown[kKeyC]), 0);
    EXPECT_EQ(Get(inputState.lastKey), static_cast<int32_t>(kKeyC));
    EXPECT_EQ(seenEvents, (std::vector<KeyEvent>{{0x43, true}}));
}

TEST_F(InputStateTest, FrozenKeysIgnoreEventsAndStayDownAcrossResets) {
    InputKeyDown(kKeyA);
    inputState.keyFrozen[kKeyA] = 1;
    inputState.keyFrozen[kKeyB] = 1;
    seenEvents.clear();

    InputKeyUp(kKeyA);
    InputKeyDown(kKeyB);
    InputKeyUp(kKeyB);
    EXPECT_TRUE(seenEvents.empty());
    EXPECT_EQ(Get(inputState.keyReleased[kKeyA]), 0);
    EXPECT_EQ(Get(inputState.keyDown[kKeyB]), 0);
    EXPECT_EQ(Get(inputState.anyKeyUp), 0);

    ResetInputState();
    EXPECT_EQ(Get(inputState.keyDown[kKeyA]), 1);
}

TEST_F(InputStateTest, ResetClearsEveryPerEventFlag) {
    inputState.buttonDown = 1;
    inputState.buttonUp = 1;
    inputState.buttonDoubleClick = 1;
    inputState.leftButton = 1;
    inputState.middleButton = 1;
    inputState.rightButton = 1;
    inputState.wheelParam = 0xFF880000u;
    InputMouseMove(10, 20);
    InputKeyDown(kKeyA);
    InputKeyUp(kKeyB);
    inputState.trailEnabled = 0;
    inputState.deferActive = 1;

    ResetInputState();

    for (const InputFlag* flag :
         {&inputState.buttonDown, &inputState.buttonUp, &inputState.buttonDoubleClick, &inputState.mouseMoved,
          &inputState.leftButton, &inputState.middleButton, &inputState.rightButton, &inputState.anyKeyUp,
          &inputState.anyKeyDown, &inputState.anyKeyEvent, &inputState.deferActive}) {
        EXPECT_EQ(Get(*flag), 0) << "flag at offset "
                                 << (reinterpret_cast<const char*>(flag) - reinterpret_cast<const char*>(&inputState));
    }
    EXPECT_EQ(inputState.wheelParam.load(), 0u);
    EXPECT_EQ(Get(inputState.trailHead), -1);
    EXPECT_EQ(Get(inputState.trailEnabled), 1);
    for (int32_t k = 0; k < kInputKeyCount; ++k) EXPECT_EQ(Get(inputState.keyReleased[k]), 0) << k;
    // The position and the last key are history, not events: they stay.
    EXPECT_EQ(Get(inputState.mouseX), 10);
    EXPECT_EQ(Get(inputState.mouseY), 20);
    EXPECT_EQ(Get(inputState.lastKey), static_cast<int32_t>(kKeyB));
}

TEST_F(InputStateTest, MovesReportDifferencesFromThePreviousPosition) {
    InputMouseMove(100, 50);
    InputMouseMove(90, 75);
    EXPECT_EQ(Get(inputState.mouseDX), -10);
    EXPECT_EQ(Get(inputState.mouseDY), 25);
    EXPECT_EQ(Get(inputState.mouseMoved), 1);
    EXPECT_EQ(Get(inputState.mouseX), 90);
    EXPECT_EQ(Get(inputState.mouseY), 75);

    ResetInputState();
    InputMouseMove(90, 75);  // same place: not moved, but still a trail entry
    EXPECT_EQ(Get(inputState.mouseMoved), 0);
    EXPECT_EQ(Get(inputState.trailHead), 0);
    EXPECT_EQ(Get(inputState.moveTrail[0].x), 90);
    EXPECT_EQ(Get(inputState.moveTrail[0].y), 75);
    EXPECT_EQ(Get(inputState.moveTrail[0].dx), 0);
    EXPECT_EQ(Get(inputState.moveTrail[0].dy), 0);

    InputMouseMove(90, 76);  // one coordinate changing is enough
    EXPECT_EQ(Get(inputState.mouseMoved), 1);
    EXPECT_EQ(Get(inputState.trailHead), 1);
}

TEST_F(InputStateTest, TrailRingKeepsTheLast256Moves) {
    InputMouseMove(5, 7);
    ResetInputState();
    constexpr int32_t kMoves = 300;
    for (int32_t m = 0; m < kMoves; ++m) InputMouseMove(m * 3, 1000 - m * m % 97);

    // 300 = 256 + 44: entries 0..43 were overwritten by moves 256..299.
    EXPECT_EQ(Get(inputState.trailHead), 43);
    for (int32_t entry = 0; entry < kMoveTrailLength; ++entry) {
        const int32_t m = entry <= 43 ? entry + 256 : entry;
        const int32_t previousX = m == 0 ? 5 : (m - 1) * 3;
        const int32_t previousY = m == 0 ? 7 : 1000 - (m - 1) * (m - 1) % 97;
        const MoveTrailEntry& e = inputState.moveTrail[entry];
        ASSERT_EQ(Get(e.x), m * 3) << entry;
        ASSERT_EQ(Get(e.y), 1000 - m * m % 97) << entry;
        ASSERT_EQ(Get(e.dx), m * 3 - previousX) << entry;
        ASSERT_EQ(Get(e.dy), 1000 - m * m % 97 - previousY) << entry;
    }
}

TEST_F(InputStateTest, DisabledTrailRecordsOnlyThePosition) {
    inputState.moveTrail[0].x = 12345;
    inputState.trailEnabled = 0;
    InputMouseMove(3, 4);
    EXPECT_EQ(Get(inputState.trailHead), -1);
    EXPECT_EQ(Get(inputState.moveTrail[0].x), 12345);
    EXPECT_EQ(Get(inputState.mouseX), 3);
}

TEST_F(InputStateTest, WithoutAnInputLogNothingIsDeferred) {
    inputState.deferEnabled = 1;
    InputKeyDown(kKeyA);
    InputKeyUp(kKeyA);
    EXPECT_EQ(Get(inputState.deferActive), 0);

    offerToInputLog = LogAppendingNothing;
    InputKeyDown(kKeyB);
    EXPECT_EQ(logAppends, 1);
    EXPECT_EQ(Get(inputState.deferActive), 0);
    EXPECT_EQ(seenEvents.size(), 3u);
}

TEST_F(InputStateTest, DeferredEventsReplayNewestFirstOnePerReset) {
    inputState.deferEnabled = 1;
    offerToInputLog = LogAppendingEverything;

    InputKeyDown(kKeyA);  // accepted; the log's append arms deferral
    EXPECT_EQ(Get(inputState.deferActive), 1);
    InputKeyUp(kKeyA);
    InputKeyDown(kKeyB);
    InputKeyUp(kKeyC);  // a key-up is deferred without looking at keyDown
    EXPECT_EQ(Get(inputState.deferredCount), 3);
    EXPECT_EQ(seenEvents, (std::vector<KeyEvent>{{0x41, false}}));
    EXPECT_EQ(Get(inputState.keyReleased[kKeyA]), 0);
    EXPECT_EQ(Get(inputState.keyDown[kKeyA]), 1);  // its key-up is waiting

    const std::vector<KeyEvent> replayOrder = {{0x43, true}, {0x42, false}, {0x41, true}};
    for (size_t i = 0; i < replayOrder.size(); ++i) {
        ResetInputState();
        EXPECT_EQ(Get(inputState.deferredCount), static_cast<int32_t>(replayOrder.size() - 1 - i));
        ASSERT_EQ(seenEvents.size(), i + 2);
        EXPECT_EQ(seenEvents.back(), replayOrder[i]);
        EXPECT_EQ(Get(inputState.lastKey), replayOrder[i].key);
        EXPECT_EQ(Get(inputState.deferActive), 1);  // the replayed event was logged again
    }
    EXPECT_EQ(Get(inputState.keyReleased[kKeyA]), 1);

    ResetInputState();  // nothing left to replay
    EXPECT_EQ(seenEvents.size(), 4u);
    EXPECT_EQ(Get(inputState.deferActive), 0);
}

TEST_F(InputStateTest, DeferralStackHolds256Events) {
    inputState.deferEnabled = 1;
    inputState.deferActive = 1;
    for (int32_t i = 0; i < 300; ++i) InputKeyUp(static_cast<uint32_t>(1 + i % 200));
    EXPECT_EQ(Get(inputState.deferredCount), kDeferredEventLimit);
    // The first 256 were kept, so the newest kept one is event 255; later ones were dropped.
    EXPECT_EQ(Get(inputState.deferredEvents[255].keyCode), 1 + 255 % 200);
    EXPECT_EQ(Get(inputState.deferredEvents[0].keyCode), 1);
    EXPECT_TRUE(seenEvents.empty());
}

TEST_F(InputStateTest, HeldKeyRepeatsAreDroppedEvenWhileDeferring) {
    InputKeyDown(kKeyA);
    inputState.deferEnabled = 1;
    inputState.deferActive = 1;
    InputKeyDown(kKeyA);
    EXPECT_EQ(Get(inputState.deferredCount), 0);
    InputKeyUp(kKeyA);
    EXPECT_EQ(Get(inputState.deferredCount), 1);
}

TEST_F(InputStateTest, WithDeferralDisabledEventsWhileActiveAreDropped) {
    inputState.deferActive = 1;  // deferEnabled stays 0
    InputKeyDown(kKeyA);
    InputKeyUp(kKeyB);
    EXPECT_EQ(Get(inputState.deferredCount), 0);
    EXPECT_TRUE(seenEvents.empty());
    EXPECT_EQ(Get(inputState.keyDown[kKeyA]), 0);

    // Events stacked while deferral was enabled are discarded by a reset once it is disabled.
    inputState.deferEnabled = 1;
    InputKeyUp(kKeyC);
    EXPECT_EQ(Get(inputState.deferredCount), 1);
    inputState.deferEnabled = 0;
    ResetInputState();
    EXPECT_EQ(Get(inputState.deferredCount), 0);
    EXPECT_TRUE(seenEvents.empty());
}

}  // namespace
