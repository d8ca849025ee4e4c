// Host shell, the rules between the window's thread and the EffectThread that need no window: the
// two close flags and what a close request does, the timer slots and their tick, and the 16-byte
// aligned blocks that hold the pixel memory of sprites and of the save stack.
//
// The flags and timer arrays are shared by both threads without a lock: each is one 32-bit atomic,
// accessed relaxed, written by one statement.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "host/host_config.h"
#include "host/start_up.h"

struct ThreadState {
    std::atomic<int32_t> mainFinished{0};  // appMain has returned
    std::atomic<int32_t> closeAllowed{0};  // a close request may destroy the window
};
extern ThreadState threadState;

// What a close request does with the window.
enum class CloseAction {
    EndEffectThread,  // appMain is still running: stop it at once, then close
    Close,            // the window may go
    Refuse,           // keep the window open
};
CloseAction DecideClose(int32_t mainFinished, int32_t closeAllowed, bool appMainSet);

struct TimerSlots {
    std::atomic<int32_t> timerFlag[kTimerSlotCount];     // flips on every tick; 0 once a one-shot fired
    std::atomic<int32_t> timerOneShot[kTimerSlotCount];  // stop the timer at its first tick
    std::atomic<HookProc> timerCallback[kTimerSlotCount];
};
extern TimerSlots timerSlots;

// One tick of the timer with this id: flips the slot's flag, stops a one-shot timer through
// killTimer (and clears its flag), then calls the slot's callback. Ids that belong to no slot are
// ignored. Returns 1 when the id belonged to a slot.
int32_t TimerTick(uint32_t timerId, void (*killTimer)(uint32_t timerId));

// A block of n bytes at an address that is a multiple of 16, carved from a heap allocation whose
// address is stored just before the block. When the heap fails (or n is too large to carve), the
// out-of-memory report runs and the result is null; on Windows the report closes the program.
void* AllocAligned(size_t n);

// Releases a block from AllocAligned; null, and a block whose stored address is null, are ignored.
void FreeAligned(void* block);

// Filled by the platform layer: shows the out-of-memory message and asks the window to close.
extern void (*outOfMemoryReport)();

// Filled by the platform layer: shows a fatal condition (caption "Process Runtime Error") and asks
// the window to close. Returns when the caller survives the close request.
extern void (*runtimeErrorReport)(const wchar_t* text);
