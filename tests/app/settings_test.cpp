#include "app/settings_file.h"
#include "host/utf8.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <ostream>
#include <random>
#include <string>

#include "app/key_controls.h"
#include "app/steering.h"
#include "tests/app/settings_test_support.h"
#include "text_input/input_state.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

Triple Read(const Settings& s) { return {Load(s.colourScheme), Load(s.period), Load(s.direction)}; }
void Write(Settings& s, const Triple& t) {
    Store(s.colourScheme, t.colourScheme);
    Store(s.period, t.period);
    Store(s.direction, t.direction);
}

// Parses file bytes into a triple that starts from the initial values 0, 3, -1.
Triple Parse(const std::string& bytes) {
    SettingsText text;
    SetSettingsText(text, bytes.data(), bytes.size());
    Settings parsed;
    ApplySettingsText(text, parsed);
    return Read(parsed);
}

// --- The file name -------------------------------------------------------------------------------

TEST(SettingsFileName, DirectoryAndBaseNameUpToTheFirstDot) {
    EXPECT_EQ(SettingsFileName(L"C:\\Screens\\Name.old.scr"), L"C:\\Screens\\Name.ini");
    EXPECT_EQ(SettingsFileName(L"C:\\Dir\\Saver.scr"), L"C:\\Dir\\Saver.ini");
    EXPECT_EQ(SettingsFileName(L"C:\\Dir\\my.saver.scr"), L"C:\\Dir\\my.ini");
    EXPECT_EQ(SettingsFileName(L"C:\\Dot.ted\\Dir\\Saver"), L"C:\\Dot.ted\\Dir\\Saver.ini");
    EXPECT_EQ(SettingsFileName(L"C:\\Dir\\.scr"), L"C:\\Dir\\.ini");
    EXPECT_EQ(SettingsFileName(L"C:\\Dir\\"), L"C:\\Dir\\.ini");
}

TEST(SettingsFileName, WithoutBackslashTheNameIsRelative) {
    EXPECT_EQ(SettingsFileName(L"my.saver.scr"), L"my.ini");
    EXPECT_EQ(SettingsFileName(L"Gyrata"), L"Gyrata.ini");
    EXPECT_EQ(SettingsFileName(L""), L".ini");
    // Only the backslash separates directories.
    EXPECT_EQ(SettingsFileName(L"dir.x/Saver.scr"), L"dir.ini");
}

TEST(SettingsFileName, BaseNameKeepsAtMost255Characters) {
    const std::wstring base(300, L'n');
    EXPECT_EQ(SettingsFileName(L"D:\\" + base + L".scr"), L"D:\\" + base.substr(0, 255) + L".ini");
    const std::wstring exact(255, L'e');
    EXPECT_EQ(SettingsFileName(exact + L".scr"), exact + L".ini");
}

TEST(SettingsFileName, WidePathsConvertToUtf8) {
    EXPECT_EQ(WideToUtf8(L"Saver.ini"), "Saver.ini");
    EXPECT_EQ(WideToUtf8(L"\x00e9\x4e2d"), "\xc3\xa9\xe4\xb8\xad");
    std::wstring grinning;
    if (sizeof(wchar_t) == 2) {
        grinning = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    } else {
        grinning = {static_cast<wchar_t>(0x1F600)};
    }
    EXPECT_EQ(WideToUtf8(grinning), "\xf0\x9f\x98\x80");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xef\xbf\xbd");
}

// --- Reading the text ----------------------------------------------------------------------------

TEST(SettingsReader, NothingReadKeepsTheInitialValues) {
    EXPECT_EQ(Parse(""), (Triple{0, 3, -1}));
    SettingsText empty;
    EXPECT_EQ(ReadSettingsToken(empty), -1);
}

TEST(SettingsReader, ThreeTokensSeparatedBySingleSpaces) {
    EXPECT_EQ(Parse("2 0 1"), (Triple{2, 0, 1}));
    EXPECT_EQ(Parse("0 3 -1\0"s), (Triple{0, 3, -1}));
    EXPECT_EQ(Parse("1 5 -1 9 9"), (Triple{1, 5, -1}));
    EXPECT_EQ(Parse("+2 +4 +1"), (Triple{2, 4, 1}));
}

TEST(SettingsReader, MissingTokensGiveMinusOne) {
    EXPECT_EQ(Parse("1"), (Triple{1, -1, -1}));
    EXPECT_EQ(Parse("1 2 "), (Triple{1, 2, -1}));
    EXPECT_EQ(Parse("\0 5 5"s), (Triple{-1, -1, -1}));
    EXPECT_EQ(Parse("2 1\0 5"s), (Triple{2, 1, -1}));  // the NUL ends the text
}

TEST(SettingsReader, SpaceAtTheCursorStopsAllLaterTokens) {
    EXPECT_EQ(Parse(" 1 2 3"), (Triple{-1, -1, -1}));
    EXPECT_EQ(Parse("1  2 1"), (Triple{1, -1, -1}));
    EXPECT_EQ(Parse("1 2  3"), (Triple{1, 2, -1}));

    SettingsText text;
    const std::string bytes = "1  2";
    SetSettingsText(text, bytes.data(), bytes.size());
    EXPECT_EQ(ReadSettingsToken(text), 1);
    EXPECT_EQ(text.cursor, 2);
    EXPECT_EQ(ReadSettingsToken(text), -1);
    EXPECT_EQ(text.cursor, 2);  // the cursor does not move off the space
}

TEST(SettingsReader, OtherSeparatorsBecomePartOfTheToken) {
    EXPECT_EQ(Parse("2 3 1\r\n"), (Triple{2, 3, 1}));
    EXPECT_EQ(Parse("3\r\n4 5"), (Triple{3, 5, -1}));
    EXPECT_EQ(Parse("1\t2 3"), (Triple{1, 3, -1}));
    EXPECT_EQ(Parse("\t-5 \r7 \n+8"), (Triple{-5, 7, 8}));  // leading white space is skipped
}

TEST(SettingsReader, NonNumericTokensGiveZero) {
    EXPECT_EQ(Parse("abc def ghi"), (Triple{0, 0, 0}));
    EXPECT_EQ(Parse("- + 4x"), (Triple{0, 0, 4}));
    EXPECT_EQ(Parse("x1 1x --1"), (Triple{0, 1, 0}));
}

TEST(SettingsReader, OutOfRangeNumbersClampToThe32BitRange) {
    EXPECT_EQ(Parse("2147483647 -2147483648 0"), (Triple{kMax, kMin, 0}));
    EXPECT_EQ(Parse("2147483648 -2147483649 99999999999"), (Triple{kMax, kMin, kMax}));
    EXPECT_EQ(Parse("-999999999999999 +999999999999999 1"), (Triple{kMin, kMax, 1}));
}

TEST(SettingsReader, LongTokensKeepTheirFirst15Characters) {
    // 16 characters: the 16th digit is cut, so 42 reads as 4. The following tokens stay in step.
    EXPECT_EQ(Parse("0000000000000042 4 5"), (Triple{4, 4, 5}));
    EXPECT_EQ(Parse("1 2 " + std::string(900, '7')), (Triple{1, 2, kMax}));
    EXPECT_EQ(Parse(std::string(40, '0') + "9 " + std::string(40, 'z') + " 3"), (Triple{0, 0, 3}));
    EXPECT_EQ(Parse("000000000000001"), (Triple{1, -1, -1}));  // exactly 15 is kept whole
}

TEST(SettingsReader, TextHoldsAtMost1023Bytes) {
    SettingsText text;
    const std::string bytes = "4 " + std::string(1019, '0') + "12 3";
    SetSettingsText(text, bytes.data(), bytes.size());
    EXPECT_EQ(text.bytesRead, 1023);
    EXPECT_EQ(text.text[1023], '\0');
    Settings parsed;
    ApplySettingsText(text, parsed);
    EXPECT_EQ(Read(parsed), (Triple{4, 0, -1}));  // " 3" lies beyond the 1023 bytes
}

// Thousands of random byte strings through the reader LoadSettings uses. Under the sanitizers any
// read or write outside the buffers fails the test.
TEST(SettingsReader, RandomBytesAreReadSafely) {
    std::mt19937 random(20240611u);
    const std::string alphabet = " 0123456789-+\r\n\t\0xZ"s;
    std::uniform_int_distribution<int> lengthOf(0, 2000);
    std::uniform_int_distribution<int> kindOf(0, 3);
    std::uniform_int_distribution<size_t> letterOf(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> byteOf(0, 255);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes(static_cast<size_t>(lengthOf(random)), '\0');
        for (char& b : bytes) b = kindOf(random) == 0 ? static_cast<char>(byteOf(random)) : alphabet[letterOf(random)];

        SettingsText text;
        SetSettingsText(text, bytes.data(), bytes.size());
        Settings parsed;
        ApplySettingsText(text, parsed);
        ASSERT_LE(text.cursor, text.bytesRead) << round;
        ASSERT_GE(text.cursor, 0) << round;
        for (int extra = 0; extra < 4; ++extra) ReadSettingsToken(text);
        ASSERT_LE(text.cursor, text.bytesRead) << round;
        if (bytes.empty()) {
            ASSERT_EQ(Read(parsed), (Triple{0, 3, -1})) << round;
        } else if (bytes[0] == ' ' || bytes[0] == '\0') {
            ASSERT_EQ(Read(parsed), (Triple{-1, -1, -1})) << round;
        }
    }
}

// --- Writing the text ----------------------------------------------------------------------------

TEST(SettingsFormat, InitialValuesGiveSevenBytesWithOneNul) {
    Settings initial;
    const std::string bytes = FormatSettings(initial);
    EXPECT_EQ(bytes, "\x30\x20\x33\x20\x2D\x31\x00"s);
    EXPECT_EQ(bytes.size(), 7u);
}

TEST(SettingsFormat, ExtremeValuesInSignedDecimal) {
    Settings extreme;
    Write(extreme, {kMin, kMax, 0});
    EXPECT_EQ(FormatSettings(extreme), "-2147483648 2147483647 0\0"s);
}

TEST(SettingsFormat, RandomValuesReadBackUnchanged) {
    std::mt19937 random(77u);
    std::uniform_int_distribution<int32_t> any(kMin, kMax);
    std::uniform_int_distribution<int32_t> small(-12, 12);
    for (int round = 0; round < 2000; ++round) {
        const Triple values = round % 2 ? Triple{any(random), any(random), any(random)}
                                        : Triple{small(random), small(random), small(random)};
        Settings source;
        Write(source, values);
        ASSERT_EQ(Parse(FormatSettings(source)), values);
    }
}

// --- The file ------------------------------------------------------------------------------------

class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string name = std::string("gyrata_settings_") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                                 std::to_string(now);
        directory = fs::temp_directory_path() / name;
        fs::create_directories(directory);
        previousDirectory = fs::current_path();
        Write(settings, {0, 3, -1});
        settingsFile = SettingsFile{};
    }
    void TearDown() override {
        fs::current_path(previousDirectory);
        std::error_code ignored;
        fs::permissions(directory, fs::perms::owner_all, ignored);
        fs::remove_all(directory, ignored);
        Write(settings, {0, 3, -1});
        settingsFile = SettingsFile{};
    }

    // The wide name our functions take; the temporary directory's path is plain ASCII.
    std::wstring Wide(const fs::path& file) const { return file.wstring(); }

    size_t EntryCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
    }

    fs::path directory;
    fs::path previousDirectory;
};

TEST_F(SettingsFileTest, FirstRunUsesInitialValuesAndWritesSevenBytes) {
    fs::current_path(directory);
    EXPECT_EQ(LoadSettings(L"Gyrata.scr"), 0);
    EXPECT_EQ(settingsFile.fileName, L"Gyrata.ini");
    EXPECT_EQ(settingsFile.content.bytesRead, 0);
    EXPECT_EQ(Read(settings), (Triple{0, 3, -1}));

    EXPECT_EQ(SaveSettings(), 1);
    EXPECT_EQ(ReadBytes(directory / "Gyrata.ini"), "0 3 -1\0"s);
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
}

TEST_F(SettingsFileTest, LoadedFileThenEnterAndUp) {
    WriteBytes(directory / "Gyrata.ini", "2 0 1");
    std::wstring programPath = L"Gyrata.scr";
    if (fs::path::preferred_separator == L'\\') {
        programPath = Wide(directory) + L"\\Gyrata.old.scr";  // a full Windows path
    } else {
        fs::current_path(directory);
    }
    EXPECT_EQ(LoadSettings(programPath), 1);
    EXPECT_EQ(Read(settings), (Triple{2, 0, 1}));

    InitialiseInputState();
    Store(steering.hiddenFrames, 40);
    InputKeyUp(static_cast<uint32_t>(kKeyEnter));
    KeyControlsHook();
    EXPECT_EQ(Load(settings.colourScheme), 0);
    EXPECT_EQ(Load(steering.hiddenFrames), 85);

    Store(steering.hiddenFrames, 40);
    InputKeyUp(static_cast<uint32_t>(kKeyUp));
    KeyControlsHook();
    EXPECT_EQ(Load(settings.period), 0);
    EXPECT_EQ(Load(steering.hiddenFrames), 40);
    Store(steering.hiddenFrames, 85);

    EXPECT_EQ(SaveSettings(), 1);
    EXPECT_EQ(ReadBytes(directory / "Gyrata.ini"), "0 0 1\0"s);
}

TEST_F(SettingsFileTest, ExtremeValuesRoundTripThroughAFile) {
    fs::current_path(directory);
    LoadSettings(L"Gyrata.scr");
    Write(settings, {kMin, kMax, kMin});
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_EQ(ReadBytes(directory / "Gyrata.ini"), "-2147483648 2147483647 -2147483648\0"s);

    Write(settings, {0, 3, -1});
    EXPECT_EQ(LoadSettings(L"Gyrata.scr"), 1);
    EXPECT_EQ(Read(settings), (Triple{kMin, kMax, kMin}));
    EXPECT_EQ(settingsFile.content.bytesRead, 35);
}

TEST_F(SettingsFileTest, FilesWithAndWithoutTheNulReadAlike) {
    const fs::path file = directory / "Saver.ini";
    for (const std::string& bytes : {"1 4 1"s, "1 4 1\0"s}) {
        WriteBytes(file, bytes);
        SettingsText text;
        EXPECT_EQ(ReadSettingsFile(Wide(file), text), 1);
        EXPECT_EQ(text.bytesRead, static_cast<int32_t>(bytes.size()));
        Settings parsed;
        ApplySettingsText(text, parsed);
        EXPECT_EQ(Read(parsed), (Triple{1, 4, 1}));
    }
}

TEST_F(SettingsFileTest, ReadingTakesAtMost1023Bytes) {
    const fs::path file = directory / "Big.ini";
    WriteBytes(file, "5 " + std::string(3000, '1'));
    SettingsText text;
    EXPECT_EQ(ReadSettingsFile(Wide(file), text), 1);
    EXPECT_EQ(text.bytesRead, 1023);
    EXPECT_EQ(text.text[1023], '\0');
    EXPECT_EQ(text.text[1022], '1');
}

TEST_F(SettingsFileTest, EmptyOrMissingFileKeepsTheValues) {
    Write(settings, {1, 2, 1});
    fs::current_path(directory);
    WriteBytes(directory / "Empty.ini", "");
    EXPECT_EQ(LoadSettings(L"Empty.scr"), 1);
    EXPECT_EQ(Read(settings), (Triple{1, 2, 1}));
    EXPECT_EQ(LoadSettings(L"Missing.scr"), 0);
    EXPECT_EQ(Read(settings), (Triple{1, 2, 1}));
}

TEST_F(SettingsFileTest, SavingOverALongerFileLeavesExactlyTheNewBytes) {
    const fs::path file = directory / "Gyrata.ini";
    WriteBytes(file, std::string(100, 'x'));
    EXPECT_EQ(ReplaceSettingsFile(Wide(file), "2 5 1\0"s), 1);
    EXPECT_EQ(ReadBytes(file), "2 5 1\0"s);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SettingsFileTest, SaveWithoutALoadedNameWritesNothing) {
    EXPECT_EQ(SaveSettings(), 0);
    EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFile) {
    const fs::path file = directory / "Gyrata.ini";
    WriteBytes(file, "1 1 1\0"s);

    // The temporary file cannot be created: a directory stands in its place.
    fs::create_directory(directory / "Gyrata.ini.tmp");
    EXPECT_EQ(ReplaceSettingsFile(Wide(file), "2 2 -1\0"s), 0);
    EXPECT_EQ(ReadBytes(file), "1 1 1\0"s);
    EXPECT_TRUE(fs::is_directory(directory / "Gyrata.ini.tmp"));
    fs::remove(directory / "Gyrata.ini.tmp");

    // The replacement step fails: the target is a directory that is not empty. The temporary goes.
    const fs::path blocked = directory / "Blocked.ini";
    fs::create_directory(blocked);
    WriteBytes(blocked / "keep", "k");
    EXPECT_EQ(ReplaceSettingsFile(Wide(blocked), "2 2 -1\0"s), 0);
    EXPECT_EQ(ReadBytes(blocked / "keep"), "k");
    EXPECT_FALSE(fs::exists(directory / "Blocked.ini.tmp"));

    // The directory does not exist.
    EXPECT_EQ(ReplaceSettingsFile(Wide(directory / "absent" / "Gyrata.ini"), "2 2 -1\0"s), 0);
    EXPECT_FALSE(fs::exists(directory / "absent"));
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(SettingsFileTest, WideNamesOutsideAscii) {
    const fs::path unicodeDirectory = fs::u8path(directory.u8string() + "/gyrata \xc3\xa9\xe4\xb8\xad");
    fs::create_directory(unicodeDirectory);
    const std::wstring wideFile = Wide(directory) + static_cast<wchar_t>(fs::path::preferred_separator) +
                                  L"gyrata \x00e9\x4e2d" + static_cast<wchar_t>(fs::path::preferred_separator) +
                                  L"Gyrata.ini";
    EXPECT_EQ(ReplaceSettingsFile(wideFile, "1 0 1\0"s), 1);
    EXPECT_EQ(ReadBytes(unicodeDirectory / "Gyrata.ini"), "1 0 1\0"s);
    SettingsText text;
    EXPECT_EQ(ReadSettingsFile(wideFile, text), 1);
    EXPECT_EQ(text.bytesRead, 6);
}

}  // namespace
