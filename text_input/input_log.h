// Input log: an optional text record of key presses and releases. Each selected key event that key
// processing accepts appends the key's name (text_input/key_names.h) to logText, words separated by
// single spaces and, with a wrap step, lines ended by CR LF once 80 columns are used up; words are never
// split. The log starts switched off, and while it is off key processing does not call it at all
// (offerToInputLog stays empty). Nothing in the screen saver switches it on: it is there for
// applications that record typed input.
//
// Threads: appends run on the window's thread, inside key processing. The configuration fields are
// relaxed atomics that any thread may set, seen at the next key event. The bytes of logText belong to
// the window's thread: read and clear them there (a key hook) or while no key events arrive.
#pragma once

#include <atomic>
#include <cstdint>

#include "text_input/buffer_growth.h"
#include "text_input/input_state.h"

using InputLogHook = void (*)(int32_t keyCode, int32_t isUp);

constexpr int32_t kLogFilterLimit = 256;
constexpr int32_t kLogLineColumns = 80;

struct InputLog {
    InputFlag logEnabled{0};                          // master switch
    std::atomic<InputLogHook> logEventHook{nullptr};  // every accepted key event while the log is on
    InputFlag logKeyDown[kInputKeyCount];             // which presses are logged
    InputFlag logKeyUp[kInputKeyCount];               // which releases are logged
    std::atomic<InputLogHook> afterLogHook{nullptr};  // after a key's name was appended
    std::atomic<const char*> logFilter[kLogFilterLimit];
    std::atomic<int32_t> logFilterCount{0};           // <0 nothing passes, 0 every name, >0 the first count names
    InputFlag repeatCounting{0};                      // a logged key event clears repeatCount (unless kept)
    std::atomic<int64_t> repeatCount{0};              // repetitions of the last entry still to be written
    std::atomic<int32_t> logWrapStep{0};              // columns per name character; 0: lines never break
    GrowableBuffer logText;                           // NUL-terminated, kept for the whole run
    std::atomic<uint32_t> logLength{0};               // bytes of logText in use, the NUL included
    std::atomic<int32_t> logColumn{kLogLineColumns};  // columns left on the current line
    InputFlag logAtLineStart{0};                      // the log ends in CR LF
    InputFlag logAppendOk{0};                         // the last append attempt wrote something
};

extern InputLog inputLog;

// Key processing's offer of an accepted event: 1 when the key's name was appended, else 0.
int32_t LogKeyEvent(int32_t keyCode, int32_t isUp);

// Appends one word (subject to the switch and the filter); 1 if it did, else 0. A word that cannot get
// room leaves the log as it was.
int32_t AppendName(const char* name);

// On: sets logEnabled and plugs LogKeyEvent into offerToInputLog. Off: unplugs it and clears logEnabled.
void SwitchInputLog(int32_t on);

// Whether presses and releases of keyCode (its low 8 bits) are logged.
void SelectLoggedKey(int32_t keyCode, int32_t presses, int32_t releases);

// Only names equal to one of names[0..count) pass; a count of 0 lets every name pass, a negative one
// none (as does a positive count without names), and one above 256 counts as 256. The names are
// borrowed and must outlive the filter.
void SetInputLogFilter(const char* const* names, int32_t count);

// The log's text; "" while it is empty.
const char* InputLogText();

// Empties the text and starts a new line; the buffer is kept.
void ClearInputLog();

// Switches the log off, frees its buffer and puts every field back to its start value.
void ReleaseInputLog();
