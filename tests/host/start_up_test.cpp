#include "host/start_up.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/host_config.h"

namespace {

void HookThatDoesNothing() {}

TEST(AllocateSlotTest, HandsOutSlotsFromTheHighestDownAndThenRunsOut) {
    std::memset(slotInUse, 0, sizeof slotInUse);
    for (int32_t expected = 255; expected >= 0; --expected) ASSERT_EQ(AllocateSlot(), expected);
    EXPECT_EQ(AllocateSlot(), -1);
    EXPECT_EQ(AllocateSlot(), -1);
    // A freed slot is found again, whatever its place.
    slotInUse[17] = 0;
    EXPECT_EQ(AllocateSlot(), 17);
    std::memset(slotInUse, 0, sizeof slotInUse);
}

TEST(BaseNameTest, NameBetweenTheLastBackslashAndTheFirstDot) {
    EXPECT_EQ(BaseNameOfPath(L"C:\\Dir\\my.saver.scr"), L"my");
    EXPECT_EQ(BaseNameOfPath(L"Saver.scr"), L"Saver");
    EXPECT_EQ(BaseNameOfPath(L"C:\\dotted.dir\\Gyrata.scr"), L"Gyrata");
    EXPECT_EQ(BaseNameOfPath(L"C:\\Dir\\noextension"), L"noextension");
    EXPECT_EQ(BaseNameOfPath(L"C:\\Dir\\"), L"");
    EXPECT_EQ(BaseNameOfPath(L"C:\\Dir\\.hidden"), L"");
    EXPECT_EQ(BaseNameOfPath(L""), L"");
}

TEST(BaseNameTest, LongNamesKeepTheirFirst255Characters) {
    std::wstring name;
    for (int32_t i = 0; i < 300; ++i) name += static_cast<wchar_t>(L'a' + i % 26);
    const std::wstring base = BaseNameOfPath(L"C:\\Dir\\" + name);
    ASSERT_EQ(base.size(), 255u);
    EXPECT_EQ(base, name.substr(0, 255));
    EXPECT_EQ(BaseNameOfPath(name.substr(0, 255) + L".scr"), name.substr(0, 255));
}

TEST(BaseNameTest, StoredNameIsTerminatedInsideItsBuffer) {
    std::wstring name(300, L'x');
    StoreProgramPath(L"D:\\" + name + L".scr");
    EXPECT_EQ(std::wstring(programBaseName), std::wstring(255, L'x'));
    EXPECT_EQ(programBaseName[255], L'\0');
    EXPECT_EQ(std::wstring(programPath), L"D:\\" + name + L".scr");
    StoreProgramPath(L"C:\\Dir\\my.saver.scr");
    EXPECT_EQ(std::wstring(programBaseName), L"my");  // nothing of the longer name is left
    EXPECT_EQ(programBaseName[3], L'\0');
}

struct CommandLineCase {
    std::vector<std::wstring> args;
    LaunchMode mode;
    intptr_t parent;
};

TEST(CommandLineTest, ModesWithoutConfigureHook) {
    const std::wstring exe = L"C:\\Saver\\Gyrata.scr";
    const CommandLineCase cases[] = {
        {{exe}, LaunchMode::Normal, 0},
        {{}, LaunchMode::Normal, 0},
        {{exe, L"/s"}, LaunchMode::Normal, 0},
        {{exe, L"/S"}, LaunchMode::Normal, 0},
        {{exe, L"/s", L"extra"}, LaunchMode::Normal, 0},
        {{exe, L"/p", L"0"}, LaunchMode::Exit, 0},
        {{exe, L"/p", L"abc"}, LaunchMode::Exit, 0},
        {{exe, L"/p", L""}, LaunchMode::Exit, 0},
        {{exe, L"/p", L"123"}, LaunchMode::Preview, 123},
        {{exe, L"/P", L"4567"}, LaunchMode::Preview, 4567},
        {{exe, L"/p", L"77x9"}, LaunchMode::Preview, 77},  // stops at the first non-digit
        {{exe, L"/p", L"  42"}, LaunchMode::Preview, 42},
        {{exe, L"/p"}, LaunchMode::InfoBox, 0},
        {{exe, L"/c"}, LaunchMode::InfoBox, 0},
        {{exe, L"/c:123"}, LaunchMode::InfoBox, 0},
        {{exe, L"/a"}, LaunchMode::InfoBox, 0},
        {{exe, L"/ss"}, LaunchMode::InfoBox, 0},
        {{exe, L"s"}, LaunchMode::InfoBox, 0},
        {{exe, L"/pp", L"123"}, LaunchMode::InfoBox, 0},
    };
    for (const CommandLineCase& c : cases) {
        const LaunchChoice choice = ClassifyCommandLine(c.args, false);
        std::wstring line;
        for (const std::wstring& a : c.args) line += a + L" ";
        EXPECT_EQ(choice.mode, c.mode) << std::string(line.begin(), line.end());
        EXPECT_EQ(choice.previewParent, c.parent) << std::string(line.begin(), line.end());
    }
}

TEST(CommandLineTest, UnknownArgumentsConfigureWhenTheHookIsSet) {
    const std::wstring exe = L"Gyrata.scr";
    EXPECT_EQ(ClassifyCommandLine({exe, L"/c"}, true).mode, LaunchMode::Configure);
    EXPECT_EQ(ClassifyCommandLine({exe, L"/p"}, true).mode, LaunchMode::Configure);
    EXPECT_EQ(ClassifyCommandLine({exe, L"/s"}, true).mode, LaunchMode::Normal);
    EXPECT_EQ(ClassifyCommandLine({exe, L"/p", L"0"}, true).mode, LaunchMode::Exit);
}

TEST(CommandLineTest, ParseRecordsTheModeState) {
    const std::wstring exe = L"Gyrata.scr";
    LaunchMode mode;
    modeState.configureMode = 1;
    EXPECT_EQ(ParseCommandLine({exe, L"/p", L"99"}, &mode), 1);
    EXPECT_EQ(mode, LaunchMode::Preview);
    EXPECT_EQ(modeState.previewMode, 1);
    EXPECT_EQ(modeState.previewParent, 99);
    EXPECT_EQ(modeState.configureMode, 0);

    EXPECT_EQ(ParseCommandLine({exe, L"/c"}, &mode), 0);
    EXPECT_EQ(mode, LaunchMode::InfoBox);
    EXPECT_EQ(modeState.previewMode, 0);

    hookTable.configureHook = HookThatDoesNothing;
    EXPECT_EQ(ParseCommandLine({exe, L"/c"}, &mode), 1);
    EXPECT_EQ(mode, LaunchMode::Configure);
    EXPECT_EQ(modeState.configureMode, 1);
    hookTable.configureHook = nullptr;

    EXPECT_EQ(ParseCommandLine({exe, L"/p", L"abc"}, &mode), 0);
    EXPECT_EQ(mode, LaunchMode::Exit);
    EXPECT_EQ(modeState.configureMode, 0);
    modeState = ModeState{};
}

TEST(WindowGeometryTest, FullScreenWidthIsAMultipleOf8AndTheWindowIsCentred) {
    EXPECT_EQ(FullScreenWidth(1366), 1368);
    EXPECT_EQ(FullScreenWidth(1368), 1368);
    EXPECT_EQ(FullScreenWidth(1361), 1368);
    EXPECT_EQ(FullScreenWidth(1920), 1920);
    EXPECT_EQ(FullScreenWidth(1), 8);
    // 1366 / 2 - 1368 / 2 = 683 - 684: one pixel over each edge.
    EXPECT_EQ(CentredPosition(1366, FullScreenWidth(1366)), -1);
    EXPECT_EQ(CentredPosition(768, 768), 0);
    EXPECT_EQ(CentredPosition(1365, 241), 682 - 120);  // each half truncates on its own
}

std::vector<int32_t> releaseOrder;
void ReleaseFirst() { releaseOrder.push_back(1); }
void ReleaseSecond() { releaseOrder.push_back(2); }
void ReleaseThird() { releaseOrder.push_back(3); }

TEST(ReleaseListTest, ReleasesRunInReverseOrderOnce) {
    releaseOrder.clear();
    RegisterRelease(ReleaseFirst);
    RegisterRelease(ReleaseSecond);
    RegisterRelease(ReleaseThird);
    RunRegisteredReleases();
    EXPECT_EQ(releaseOrder, (std::vector<int32_t>{3, 2, 1}));
    RunRegisteredReleases();
    EXPECT_EQ(releaseOrder.size(), 3u);
}

}  // namespace
