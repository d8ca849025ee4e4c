#include "host/threads.h"

#include <cstdlib>
#include <cstring>

ThreadState threadState;
TimerSlots timerSlots;
void (*outOfMemoryReport)() = nullptr;
void (*runtimeErrorReport)(const wchar_t* text) = nullptr;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The heap address is kept in the pointer-sized word just before the block; rounding (raw + that
// word) down to 16 and adding 16 always leaves that word inside the allocation, and the block ends
// at most 16 + sizeof(void*) bytes after raw + n.
constexpr uintptr_t kStoredSize = sizeof(void*);
constexpr size_t kSlack = 16 + kStoredSize;

}  // namespace

CloseAction DecideClose(int32_t mainFinished, int32_t closeAllowed, bool appMainSet) {
    if (mainFinished == 0 && appMainSet) return CloseAction::EndEffectThread;
    if (closeAllowed != 0) return CloseAction::Close;
    return CloseAction::Refuse;
}

int32_t TimerTick(uint32_t timerId, void (*killTimer)(uint32_t timerId)) {
    if (timerId < kFirstTimerId || timerId >= kFirstTimerId + kTimerSlotCount) return 0;
    const uint32_t slot = timerId - kFirstTimerId;
    timerSlots.timerFlag[slot].store(1 - timerSlots.timerFlag[slot].load(relaxed), relaxed);
    if (timerSlots.timerOneShot[slot].load(relaxed)) {
        killTimer(timerId);
        timerSlots.timerFlag[slot].store(0, relaxed);
    }
    CallHook(timerSlots.timerCallback[slot].load(relaxed));
    return 1;
}

void* AllocAligned(size_t n) {
    void* raw = n <= SIZE_MAX - kSlack ? std::malloc(n + kSlack) : nullptr;
    if (!raw) {
        if (outOfMemoryReport) outOfMemoryReport();
        return nullptr;
    }
    const uintptr_t address = reinterpret_cast<uintptr_t>(raw);
    unsigned char* block =
        static_cast<unsigned char*>(raw) + (((address + kStoredSize) & ~uintptr_t{15}) + 16 - address);
    std::memcpy(block - kStoredSize, &raw, sizeof raw);
    return block;
}

void FreeAligned(void* block) {
    if (!block) return;
    void* raw;
    std::memcpy(&raw, static_cast<unsigned char*>(block) - kStoredSize, sizeof raw);
    std::free(raw);
}
