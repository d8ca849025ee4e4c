#include "host/threads.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

TEST(CloseDecisionTest, RunningAppMainIsEndedFinishedOneClosesOtherwiseRefused) {
    // While appMain runs (closeAllowed 0 or, before the thread's first 10 ms, 1).
    EXPECT_EQ(DecideClose(0, 0, true), CloseAction::EndEffectThread);
    EXPECT_EQ(DecideClose(0, 1, true), CloseAction::EndEffectThread);
    // appMain returned: closeAllowed was set before mainFinished.
    EXPECT_EQ(DecideClose(1, 1, true), CloseAction::Close);
    // No appMain: the flags alone decide.
    EXPECT_EQ(DecideClose(0, 1, false), CloseAction::Close);
    EXPECT_EQ(DecideClose(0, 0, false), CloseAction::Refuse);
    EXPECT_EQ(DecideClose(1, 0, true), CloseAction::Refuse);
}

std::vector<uint32_t> killedTimers;
void RecordKill(uint32_t id) { killedTimers.push_back(id); }
int32_t flagSeenByCallback = -1;
void CallbackOfSlot255() { flagSeenByCallback = timerSlots.timerFlag[255].load(); }

class TimerTickTest : public ::testing::Test {
  protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        killedTimers.clear();
        flagSeenByCallback = -1;
        for (int32_t s = 0; s < kTimerSlotCount; ++s) {
            timerSlots.timerFlag[s] = 0;
            timerSlots.timerOneShot[s] = 0;
            timerSlots.timerCallback[s] = nullptr;
        }
    }
};

TEST_F(TimerTickTest, OneShotInSlot255IsKilledAtItsFirstTickAndReadsZero) {
    timerSlots.timerFlag[255] = 1;
    timerSlots.timerOneShot[255] = 1;
    timerSlots.timerCallback[255] = CallbackOfSlot255;
    EXPECT_EQ(TimerTick(1602, RecordKill), 1);
    EXPECT_EQ(timerSlots.timerFlag[255].load(), 0);
    EXPECT_EQ(killedTimers, std::vector<uint32_t>{1602});
    EXPECT_EQ(flagSeenByCallback, 0);  // the callback runs after the flags are updated
}

TEST_F(TimerTickTest, PeriodicSlotAlternatesItsFlag) {
    timerSlots.timerCallback[0] = nullptr;
    std::vector<int32_t> flags;
    for (int32_t i = 0; i < 4; ++i) {
        TimerTick(1347, RecordKill);
        flags.push_back(timerSlots.timerFlag[0].load());
    }
    EXPECT_EQ(flags, (std::vector<int32_t>{1, 0, 1, 0}));
    EXPECT_TRUE(killedTimers.empty());
}

TEST_F(TimerTickTest, IdsOutsideTheSlotsAreIgnored) {
    timerSlots.timerOneShot[0] = 1;
    timerSlots.timerOneShot[255] = 1;
    for (uint32_t id : {0u, 1u, 1346u, 1603u, 0xFFFFFFFFu}) EXPECT_EQ(TimerTick(id, RecordKill), 0) << id;
    EXPECT_TRUE(killedTimers.empty());
    for (int32_t s = 0; s < kTimerSlotCount; ++s) ASSERT_EQ(timerSlots.timerFlag[s].load(), 0) << s;
}

int32_t reports = 0;
void CountReport() { ++reports; }

TEST(AlignedBlockTest, BlocksAre16ByteAlignedAndWholeUsable) {
    std::vector<void*> blocks;
    for (size_t n : {size_t{0}, size_t{1}, size_t{3}, size_t{15}, size_t{16}, size_t{17}, size_t{100}, size_t{4096},
                     size_t{1368 * 768 * 4}}) {
        for (int32_t repeat = 0; repeat < 8; ++repeat) {
            unsigned char* block = static_cast<unsigned char*>(AllocAligned(n));
            ASSERT_NE(block, nullptr) << n;
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u) << n;
            if (n) std::memset(block, 0xA5, n);  // the sanitizer build catches a block beyond its allocation
            blocks.push_back(block);
        }
    }
    for (void* block : blocks) FreeAligned(block);
}

TEST(AlignedBlockTest, NullBlocksAreIgnored) {
    FreeAligned(nullptr);
    // A block whose stored heap address is null.
    alignas(16) unsigned char storage[32] = {};
    FreeAligned(storage + 16);
}

TEST(AlignedBlockTest, ImpossibleSizeGoesThroughTheReport) {
    reports = 0;
    outOfMemoryReport = CountReport;
    EXPECT_EQ(AllocAligned(SIZE_MAX), nullptr);  // n + slack would wrap around
    EXPECT_EQ(AllocAligned(SIZE_MAX - 7), nullptr);
    EXPECT_EQ(reports, 2);
    outOfMemoryReport = nullptr;
    EXPECT_EQ(AllocAligned(SIZE_MAX), nullptr);  // without a report the caller still sees no block
    EXPECT_EQ(reports, 2);
}

}  // namespace
