#include "text_input/input_log.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <type_traits>

#include "text_input/key_names.h"

InputLog inputLog;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

template <typename T>
T Get(const std::atomic<T>& v) {
    return v.load(relaxed);
}
template <typename T>
void Set(std::atomic<T>& v, std::common_type_t<T> x) {
    v.store(x, relaxed);
}

// Where the log ended before an append, so that a pair of words (repeat count and name) can be taken
// back whole when the second one finds no room.
struct LogEnd {
    uint32_t length;
    int32_t column;
    int32_t atLineStart;
};

LogEnd MarkLogEnd() { return {Get(inputLog.logLength), Get(inputLog.logColumn), Get(inputLog.logAtLineStart)}; }

void RestoreLogEnd(const LogEnd& end) {
    // Appends only write at and after the old NUL, so putting it back restores the text.
    if (inputLog.logText.data) inputLog.logText.data[end.length > 0 ? end.length - 1 : 0] = '\0';
    Set(inputLog.logLength, end.length);
    Set(inputLog.logColumn, end.column);
    Set(inputLog.logAtLineStart, end.atLineStart);
}

bool PassesFilter(const char* name) {
    if (!name) return false;
    const int32_t count = Get(inputLog.logFilterCount);
    if (count < 0) return false;
    if (count == 0) return true;
    for (int32_t i = 0; i < std::min(count, kLogFilterLimit); ++i) {
        const char* allowed = Get(inputLog.logFilter[i]);
        if (allowed && std::strcmp(allowed, name) == 0) return true;
    }
    return false;
}

// One step along the line. A step that would pass the line's end (a wrap step of 2 with an odd count
// left) counts as reaching it, so the line still ends; a negative step saturates instead of wrapping.
int32_t StepColumn(int32_t column, int32_t step) {
    if (column == 0) return 0;
    const int64_t next = int64_t{column} - step;
    if (next <= 0) return 0;
    return next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
}

// Adds s as the log's last word. The column the word leaves is worked out before anything is written,
// so a line break's CR LF is part of the room asked for: "length + logLength + 2" alone is one byte
// short when a line ends. 0 when no room could be had, and then nothing changed.
int32_t WriteWord(const char* s) {
    const size_t n = std::strlen(s);
    const uint32_t length = Get(inputLog.logLength);
    const int32_t step = Get(inputLog.logWrapStep);
    const bool atLineStart = Get(inputLog.logAtLineStart) && length > 0;
    const bool separated = !atLineStart && length > 0;

    int32_t column = Get(inputLog.logColumn);
    if (separated) column = StepColumn(column, 1);
    for (size_t i = 0; i < n && column != 0 && step != 0; ++i) column = StepColumn(column, step);
    const bool endsLine = column == 0 && step != 0;

    const uint64_t needed = uint64_t{n} + length + 2 + (endsLine ? 2 : 0);
    if (needed > UINT32_MAX || !GrowBuffer(inputLog.logText, static_cast<uint32_t>(needed))) return 0;

    char* const text = inputLog.logText.data;
    uint32_t at = atLineStart ? length - 1 : length;  // a new line's word replaces the NUL after CR LF
    if (separated) text[length - 1] = ' ';
    std::memcpy(text + at, s, n);
    at += static_cast<uint32_t>(n);
    if (endsLine) {
        text[at++] = '\r';
        text[at++] = '\n';
        column = kLogLineColumns;
    }
    text[at] = '\0';
    Set(inputLog.logAtLineStart, endsLine ? 1 : 0);
    Set(inputLog.logColumn, column);
    Set(inputLog.logLength, at + 1);
    return 1;
}

// The pending repetitions as a word of their own, written whatever the filter says.
int32_t AppendRepeatCount(int64_t repeats) {
    char digits[24];
    *std::to_chars(digits, digits + sizeof digits - 1, repeats - 1).ptr = '\0';
    const int32_t filterCount = Get(inputLog.logFilterCount);
    Set(inputLog.logFilterCount, 0);
    Set(inputLog.repeatCount, 0);
    const int32_t appended = AppendName(digits);
    Set(inputLog.logFilterCount, filterCount);
    Set(inputLog.repeatCount, repeats);
    return appended;
}

}  // namespace

int32_t AppendName(const char* name) {
    Set(inputLog.logAppendOk, 0);
    if (!Get(inputLog.logEnabled) || !PassesFilter(name)) return 0;
    const LogEnd before = MarkLogEnd();
    const int64_t repeats = Get(inputLog.repeatCount);
    if (repeats > 1 && !AppendRepeatCount(repeats)) return 0;
    if (!WriteWord(name)) {
        RestoreLogEnd(before);  // both words or neither
        Set(inputLog.logAppendOk, 0);
        return 0;
    }
    Set(inputLog.repeatCount, 0);
    Set(inputLog.logAppendOk, 1);
    return 1;
}

int32_t LogKeyEvent(int32_t keyCode, int32_t isUp) {
    if (!Get(inputLog.logEnabled)) return 0;
    const int32_t k = keyCode & 0xFF;
    if (const InputLogHook hook = Get(inputLog.logEventHook)) hook(k, isUp);
    if (!Get(isUp ? inputLog.logKeyUp[k] : inputLog.logKeyDown[k])) return 0;
    if (Get(inputLog.repeatCounting) && !Get(inputState.keepRepeatCount)) Set(inputLog.repeatCount, 0);
    if (!AppendName(isUp ? keyUpNames[k] : keyDownNames[k])) return 0;
    if (const InputLogHook hook = Get(inputLog.afterLogHook)) hook(k, isUp);
    return 1;
}

void SwitchInputLog(int32_t on) {
    if (on) {
        Set(inputLog.logEnabled, 1);
        offerToInputLog.store(LogKeyEvent, relaxed);
        return;
    }
    // Unplugs only the log itself, not another procedure someone else put in the slot.
    InputLogOffer plugged = LogKeyEvent;
    offerToInputLog.compare_exchange_strong(plugged, nullptr, relaxed);
    Set(inputLog.logEnabled, 0);
}

void SelectLoggedKey(int32_t keyCode, int32_t presses, int32_t releases) {
    const int32_t k = keyCode & 0xFF;
    Set(inputLog.logKeyDown[k], presses ? 1 : 0);
    Set(inputLog.logKeyUp[k], releases ? 1 : 0);
}

void SetInputLogFilter(const char* const* names, int32_t count) {
    if (count < 0 || (count > 0 && !names)) {
        Set(inputLog.logFilterCount, -1);
        return;
    }
    count = std::min(count, kLogFilterLimit);
    for (int32_t i = 0; i < kLogFilterLimit; ++i) Set(inputLog.logFilter[i], i < count ? names[i] : nullptr);
    Set(inputLog.logFilterCount, count);
}

const char* InputLogText() { return inputLog.logText.data && Get(inputLog.logLength) > 0 ? inputLog.logText.data : ""; }

void ClearInputLog() {
    if (inputLog.logText.data) inputLog.logText.data[0] = '\0';
    Set(inputLog.logLength, 0u);
    Set(inputLog.logColumn, kLogLineColumns);
    Set(inputLog.logAtLineStart, 0);
}

void ReleaseInputLog() {
    SwitchInputLog(0);
    ClearInputLog();
    ReleaseBuffer(inputLog.logText);
    Set(inputLog.logEventHook, nullptr);
    Set(inputLog.afterLogHook, nullptr);
    for (int32_t k = 0; k < kInputKeyCount; ++k) SelectLoggedKey(k, 0, 0);
    SetInputLogFilter(nullptr, 0);
    Set(inputLog.repeatCounting, 0);
    Set(inputLog.repeatCount, 0);
    Set(inputLog.logWrapStep, 0);
    Set(inputLog.logAppendOk, 0);
}
