// The input log as the host drives it: key events through key processing (input_state.h) with the log
// plugged in, and words through AppendName where a test needs exact lengths.
#include "text_input/input_log.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "text_input/key_names.h"

namespace {

constexpr uint32_t kEnter = 0x0D;
constexpr uint32_t kCapsLock = 0x14;  // has no name
constexpr uint32_t kKeyA = 0x41;

std::string Name(const char* name) { return name ? name : "(null)"; }
std::string LogText() { return InputLogText(); }

struct HookCall {
    char hook;  // 'e' logEventHook, 'a' afterLogHook
    int32_t key, isUp;
    uint32_t logLength;  // when the hook ran
    bool operator==(const HookCall& o) const {
        return hook == o.hook && key == o.key && isUp == o.isUp && logLength == o.logLength;
    }
};
std::vector<HookCall> hookCalls;
void EventHook(int32_t key, int32_t isUp) { hookCalls.push_back({'e', key, isUp, inputLog.logLength}); }
void AfterHook(int32_t key, int32_t isUp) { hookCalls.push_back({'a', key, isUp, inputLog.logLength}); }

void* FailingAllocate(size_t) { return nullptr; }

void PressAndRelease(uint32_t key) {
    InputKeyDown(key);
    InputKeyUp(key);
}

class InputLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        heapAllocate = bufferAllocate.load();
        offerToInputLog = nullptr;
        InitialiseInputState();
        ReleaseInputLog();
        hookCalls.clear();
    }
    void TearDown() override {
        bufferAllocate = heapAllocate;
        ReleaseInputLog();
        InitialiseInputState();
    }
    // On, every press and release selected, no filter, one column per character.
    static void LogEverything() {
        SwitchInputLog(1);
        for (int32_t k = 0; k < kInputKeyCount; ++k) SelectLoggedKey(k, 1, 1);
        inputLog.logWrapStep = 1;
    }
    BufferAllocate heapAllocate = nullptr;
};

TEST(KeyNamesTest, SeventyNineNamedCodesWithLowerCasePressNames) {
    int32_t named = 0;
    for (int32_t k = 0; k < kKeyNameCount; ++k) {
        ASSERT_EQ(keyUpNames[k] == nullptr, keyDownNames[k] == nullptr) << k;
        if (!keyUpNames[k]) continue;
        ++named;
        std::string lower = keyUpNames[k];
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(keyUpNames[k][0]))) << k;
        EXPECT_EQ(Name(keyDownNames[k]), lower) << k;
    }
    EXPECT_EQ(named, kNamedKeyCount);
    const std::pair<int32_t, const char*> spots[] = {
        {0x08, "Backsp"}, {0x0D, "Enter"}, {0x13, "Break"}, {0x25, "CL"},    {0x28, "CD"},    {0x30, "N0"},
        {0x39, "N9"},     {0x41, "A"},     {0x5A, "Z"},     {0x70, "F1"},    {0x7B, "F12"},   {0xDE, "Quote"},
        {0x6B, "Plus"},   {0xBB, "Plus"},  {0x6D, "Minus"}, {0xBD, "Minus"}, {0x00, nullptr}, {0x14, nullptr},
        {0x2F, nullptr},  {0x6C, nullptr}, {0x7C, nullptr}, {0xFF, nullptr},
    };
    for (const auto& [code, name] : spots) EXPECT_EQ(Name(keyUpNames[code]), Name(name)) << code;
}

TEST_F(InputLogTest, EnterThenAGivesFourWords) {
    LogEverything();
    PressAndRelease(kEnter);
    PressAndRelease(kKeyA);
    EXPECT_EQ(LogText(), "enter Enter a A");
    EXPECT_EQ(inputLog.logLength.load(), 16u);
    EXPECT_EQ(inputLog.logText.data[15], '\0');
    EXPECT_EQ(inputLog.logText.size, 4096u);

    ClearInputLog();  // the next word starts the text afresh, with no space before it
    InputKeyDown(kKeyA);
    EXPECT_EQ(LogText(), "a");
    EXPECT_EQ(inputLog.logColumn.load(), 79);
}

TEST_F(InputLogTest, WhileOffKeyProcessingSkipsTheLog) {
    for (int32_t k = 0; k < kInputKeyCount; ++k) SelectLoggedKey(k, 1, 1);
    inputLog.logEventHook = EventHook;
    PressAndRelease(kEnter);
    EXPECT_EQ(offerToInputLog.load(), nullptr);
    EXPECT_EQ(LogKeyEvent(kEnter, 1), 0);
    EXPECT_EQ(AppendName("Enter"), 0);
    EXPECT_EQ(inputLog.logText.data, nullptr);
    EXPECT_TRUE(hookCalls.empty());

    SwitchInputLog(1);
    EXPECT_EQ(offerToInputLog.load(), LogKeyEvent);
    SwitchInputLog(0);
    EXPECT_EQ(offerToInputLog.load(), nullptr);
    PressAndRelease(kEnter);
    EXPECT_EQ(LogText(), "");
    EXPECT_TRUE(hookCalls.empty());

    const InputLogOffer other = [](int32_t, int32_t) { return int32_t{0}; };
    offerToInputLog = other;
    SwitchInputLog(0);  // only the log's own procedure is unplugged
    EXPECT_EQ(offerToInputLog.load(), other);
    offerToInputLog = nullptr;
}

TEST_F(InputLogTest, BufferGrowsByTheRuleAndCountsTheCrLfOfALineBreak) {
    SwitchInputLog(1);
    const std::string first(4000, 'x');
    ASSERT_EQ(AppendName(first.c_str()), 1);
    EXPECT_EQ(lastGrowSize.load(), 4096u);
    struct Case {
        size_t wordLength;
        int32_t wrapStep, column;  // column 1: the separating space ends the line
        uint32_t size, grown;
        const char* ending;
    };
    // length + logLength + 2 is 4096 for 93 characters, 4097 for 94; a line break needs 2 more.
    const Case cases[] = {{93, 0, 80, 4096, 0, ""}, {94, 0, 80, 8192, 8192, ""}, {93, 1, 1, 8192, 8192, "\r\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wordLength);
        ReleaseInputLog();
        SwitchInputLog(1);
        ASSERT_EQ(AppendName(first.c_str()), 1);
        inputLog.logWrapStep = c.wrapStep;
        inputLog.logColumn = c.column;
        const std::string word(c.wordLength, 'y');
        ASSERT_EQ(AppendName(word.c_str()), 1);
        EXPECT_EQ(lastGrowSize.load(), c.grown);
        EXPECT_EQ(inputLog.logText.size, c.size);
        EXPECT_EQ(LogText(), first + " " + word + c.ending);  // the old text came along
    }
}

TEST_F(InputLogTest, FilterPassesOnlyItsFirstCountNames) {
    LogEverything();
    struct Case {
        std::vector<const char*> names;
        int32_t count;
        const char* logged;
    };
    const Case cases[] = {
        {{}, 0, "enter Enter a A"},     {{}, -1, ""},        {{"Enter"}, 1, "Enter"}, {{"Enter", "a"}, 1, "Enter"},
        {{"Enter", "a"}, 2, "Enter a"}, {{"Enter"}, -1, ""},
    };
    for (const Case& c : cases) {
        ClearInputLog();
        SetInputLogFilter(c.names.data(), c.count);
        PressAndRelease(kEnter);
        PressAndRelease(kKeyA);
        EXPECT_EQ(LogText(), c.logged) << c.count << " " << c.names.size();
    }

    std::vector<const char*> names(300, "w");
    names[255] = "w255";
    names[256] = "w256";
    SetInputLogFilter(names.data(), 300);
    EXPECT_EQ(inputLog.logFilterCount.load(), 256);
    EXPECT_EQ(AppendName("w255"), 1);
    EXPECT_EQ(AppendName("w256"), 0);
    EXPECT_EQ(AppendName(nullptr), 0);
}

TEST_F(InputLogTest, HooksRunAroundTheAppendAndNotForUnnamedKeys) {
    LogEverything();
    SelectLoggedKey(kEnter, 0, 1);  // releases only
    inputLog.logEventHook = EventHook;
    inputLog.afterLogHook = AfterHook;
    inputState.deferEnabled = 1;
    PressAndRelease(kCapsLock);
    EXPECT_EQ(inputState.deferActive.load(), 0);
    PressAndRelease(kEnter);
    EXPECT_EQ(LogText(), "Enter");
    const std::vector<HookCall> expected = {
        {'e', 0x14, 0, 0}, {'e', 0x14, 1, 0}, {'e', 0x0D, 0, 0}, {'e', 0x0D, 1, 0}, {'a', 0x0D, 1, 6},
    };
    EXPECT_EQ(hookCalls, expected);
}

TEST_F(InputLogTest, TheWordThatUsesUpTheLineEndsIt) {
    SwitchInputLog(1);
    const std::string a39(39, 'a'), a70(70, 'a'), a80(80, 'a'), a90(90, 'a');
    struct Case {
        int32_t step;
        std::vector<std::string> words;
        std::string text;
        int32_t column;
    };
    const Case cases[] = {
        {1, {a70, "bbbbb", "abcdef", "next"}, a70 + " bbbbb abcdef\r\nnext", 76},  // 0 reached at 'c'
        {1, {a80, "b"}, a80 + "\r\nb", 79},
        {2, {a39, "xy", "next"}, a39 + " xy\r\nnext", 72},  // 1 column left, a step of 2: the line ends
        {0, {a90, "ab"}, a90 + " ab", 79},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ClearInputLog();
        inputLog.logWrapStep = c.step;
        for (const std::string& w : c.words) ASSERT_EQ(AppendName(w.c_str()), 1);
        EXPECT_EQ(LogText(), c.text);
        EXPECT_EQ(inputLog.logLength.load(), c.text.size() + 1);
        EXPECT_EQ(inputLog.logColumn.load(), c.column);
        EXPECT_EQ(inputLog.logAtLineStart.load(), 0);
    }
}

TEST_F(InputLogTest, PendingRepeatsAreWrittenAsTheirOwnWord) {
    LogEverything();
    const char* onlyEnter[] = {"Enter"};
    SetInputLogFilter(onlyEnter, 1);  // the count word passes all the same
    struct Case {
        int32_t counting, keep;
        int64_t repeats;
        const char* logged;
    };
    const Case cases[] = {
        {0, 0, 3, "2 Enter"}, {0, 0, 1, "Enter"},   {0, 0, 1000000000001, "1000000000000 Enter"},
        {1, 0, 3, "Enter"},   {1, 1, 3, "2 Enter"},
    };
    for (const Case& c : cases) {
        ClearInputLog();
        inputLog.repeatCounting = c.counting;
        inputState.keepRepeatCount = c.keep;
        inputLog.repeatCount = c.repeats;
        InputKeyUp(kEnter);
        EXPECT_EQ(LogText(), c.logged) << c.repeats;
        EXPECT_EQ(inputLog.repeatCount.load(), 0);
        EXPECT_EQ(inputLog.logFilterCount.load(), 1);
    }
}

TEST_F(InputLogTest, AWordWithoutRoomLeavesTheLogAsItWas) {
    LogEverything();
    inputLog.afterLogHook = AfterHook;
    inputState.deferEnabled = 1;
    bufferAllocate = FailingAllocate;
    PressAndRelease(kKeyA);  // no buffer yet
    EXPECT_EQ(inputLog.logText.data, nullptr);
    EXPECT_EQ(inputLog.logLength.load(), 0u);
    EXPECT_EQ(inputLog.logAppendOk.load(), 0);
    EXPECT_EQ(inputState.deferActive.load(), 0);
    EXPECT_TRUE(hookCalls.empty());

    // A log ending in CR LF, then a count word that fits and a name that does not: neither stays.
    bufferAllocate = heapAllocate;
    const std::string first(4000, 'x'), name(100, 'y');
    ASSERT_EQ(AppendName(first.c_str()), 1);
    bufferAllocate = FailingAllocate;
    inputLog.repeatCount = 3;
    EXPECT_EQ(AppendName(name.c_str()), 0);
    EXPECT_EQ(LogText(), first + "\r\n");
    EXPECT_EQ(inputLog.logLength.load(), 4003u);
    EXPECT_EQ(inputLog.logColumn.load(), 80);
    EXPECT_EQ(inputLog.logAtLineStart.load(), 1);
    EXPECT_EQ(inputLog.logAppendOk.load(), 0);
    EXPECT_EQ(inputLog.repeatCount.load(), 3);

    bufferAllocate = heapAllocate;
    ASSERT_EQ(AppendName(name.c_str()), 1);
    EXPECT_EQ(LogText(), first + "\r\n2 " + name + "\r\n");
}

TEST_F(InputLogTest, AnAppendReArmsDeferral) {
    SwitchInputLog(1);
    struct Case {
        int32_t deferEnabled, selected, deferActive;
    };
    for (const Case& c : {Case{1, 1, 1}, Case{0, 1, 0}, Case{1, 0, 0}}) {
        InitialiseInputState();
        inputState.deferEnabled = c.deferEnabled;
        SelectLoggedKey(kKeyA, c.selected, 0);
        InputKeyDown(kKeyA);
        EXPECT_EQ(inputState.deferActive.load(), c.deferActive) << c.deferEnabled << c.selected;
    }
}

}  // namespace
