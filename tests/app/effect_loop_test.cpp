#include "app/effect_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "app/help_overlay.h"
#include "app/key_controls.h"
#include "app/render_passes.h"
#include "app/save_stack.h"
#include "app/settings_file.h"
#include "app/spiral.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/headless_platform.h"
#include "host/host_config.h"
#include "host/pacing.h"
#include "host/platform.h"
#include "host/start_up.h"
#include "sprite/image_decoder.h"
#include "tests/app/settings_test_support.h"
#include "text_input/input_state.h"

// The effect loop run whole on the headless platform: Present calls back at every presented frame,
// where the test records the picture and releases keys the way the window procedure does.

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr int32_t kWidth = 96;
constexpr int32_t kHeight = 64;
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr double kPhaseStep = 0.0385;        // the spiral turns this far per drawn pass
constexpr int32_t kFrameLimit = 400;         // a loop that never ends on its own gets Esc here
constexpr uint64_t kRunawayMs = 120 * 1000;  // virtual time after which a stuck loop is stopped

Triple CurrentSettings() { return {Load(settings.colourScheme), Load(settings.period), Load(settings.direction)}; }

// What the screen would show at one presented frame.
struct PresentedFrame {
    std::vector<uint32_t> pixels;
    float phase;  // spiralPhase after the pass that drew this frame
    int32_t hiddenFrames;
    uint64_t nowMs;      // virtual clock when the frame left
    Triple settings;     // before the keys of this frame were released
    int32_t helpFrames;  // before this frame's keys and the removal of its panel
    bool panelUp;        // the help panel was drawn into this frame (its pixels are saved)
};

struct LoopScript {
    std::map<int32_t, std::vector<int32_t>> keysAtFrame;  // presented frame number (from 1) -> keys
    std::vector<PresentedFrame> frames;
    int32_t keyUpHookWasKeyControls = 1;
    int32_t runaway = 0;  // the loop had to be stopped from outside
    uint64_t startMs = 0;
};
LoopScript script;

std::vector<uint32_t> CopyPixels() {
    return std::vector<uint32_t>(frameBuffer.pixels, frameBuffer.pixels + frameBuffer.width * frameBuffer.height);
}

// A key press as the window procedure handles it: key down, then key up and the keyUpHook slot.
void PressKey(int32_t key) {
    InputKeyDown(static_cast<uint32_t>(key));
    CallHook(hookTable.keyDownHook);
    InputKeyUp(static_cast<uint32_t>(key));
    CallHook(hookTable.keyUpHook.load(std::memory_order_relaxed));
}

void OnPresent() {
    if (hookTable.keyUpHook.load(std::memory_order_relaxed) != KeyControlsHook) script.keyUpHookWasKeyControls = 0;
    if (presentedFrames <= kFrameLimit) {
        script.frames.push_back({CopyPixels(), spiralPhase, Load(steering.hiddenFrames), PacingNow(), CurrentSettings(),
                                 Load(steering.helpFrames), saveStack.count > 0});
    }
    const auto keys = script.keysAtFrame.find(presentedFrames);
    if (keys != script.keysAtFrame.end()) {
        for (int32_t key : keys->second) PressKey(key);
    }
    if (presentedFrames >= kFrameLimit) PressKey(kKeyEscape);
}

// The virtual clock's sleep, with a stop for a loop that would otherwise never end (Esc lost, or no
// frame ever presented): past two minutes of virtual time the exit is forced and recorded.
void SleepWithRunawayStop(uint32_t ms) {
    kVirtualPacingPlatform.sleepMs(ms);
    if (PacingNow() - script.startMs > kRunawayMs) {
        script.runaway = 1;
        Store(steering.exitRequested, 1);
    }
}

// Drawn passes between two phases, from the turn each pass makes.
int64_t PassesBetween(float from, float to) { return std::llround(std::fabs(to - from) / kPhaseStep); }

// Every process-wide value the loop reads or writes, back to its state at program start.
void ResetProgramState() {
    Store(settings.colourScheme, 0);
    Store(settings.period, 3);
    Store(settings.direction, -1);
    Store(steering.paused, 0);
    Store(steering.helpFrames, 0);
    Store(steering.exitRequested, 0);
    ResetSpiralRun();
    InitialiseInputState();
    hookTable.keyUpHook.store(nullptr, std::memory_order_relaxed);
    hookTable.splashPainter = nullptr;
    settingsFile = SettingsFile{};
    StoreProgramPath(L"");
    framePacing = FramePacing{};
    pacingPlatform = kVirtualPacingPlatform;
    // The whole-buffer view marker, as at program start: the back buffer keeps a stored view.
    frameBuffer.viewLeft = frameBuffer.viewTop = frameBuffer.viewRight = frameBuffer.viewBottom = -1;
    presentedFrames = 0;
    afterHeadlessPresent = nullptr;
    script = LoopScript{};
}

class EffectLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        // The settings file is named after the program path up to the first "." of its last element;
        // where the separator is "/" that is the first "." of the whole path, so none may come before.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string name = std::string("gyrata_loop_") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                                 std::to_string(now);
        fs::path base = fs::temp_directory_path();
        if (fs::path::preferred_separator != L'\\' && base.string().find('.') != std::string::npos) base = "/tmp";
        directory = base / name;
        fs::create_directories(directory);
        ASSERT_TRUE(fs::path::preferred_separator == L'\\' || directory.string().find('.') == std::string::npos)
            << directory;
        iniFile = directory / "Gyrata.ini";
        StoreProgramPath((directory / "Gyrata.scr").wstring());

        // As the application's start-up leaves the host before the effect thread runs.
        hostConfig.windowWidth = kWidth;
        hostConfig.windowHeight = kHeight;
        hostConfig.clearColour = 0xff000000u;
        ASSERT_EQ(CreateBackBuffer(), 1);
        InstallImageDecoder();
        ASSERT_EQ(CreateSaveStack(), 1);
        afterHeadlessPresent = OnPresent;
        pacingPlatform.sleepMs = SleepWithRunawayStop;
        script.startMs = PacingNow();
    }
    void TearDown() override {
        ReleaseBackBuffer();
        ReleaseSaveStack();
        hostConfig = HostConfig{};
        ResetProgramState();
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    // Runs the loop with keys released at the given presented frames.
    void RunLoop(std::map<int32_t, std::vector<int32_t>> keysAtFrame) {
        script.keysAtFrame = std::move(keysAtFrame);
        EffectMainLoop();
        EXPECT_EQ(script.runaway, 0) << "the loop did not end by itself";
        EXPECT_EQ(script.keyUpHookWasKeyControls, 1) << "the key controls sit in keyUpHook while frames are shown";
        EXPECT_EQ(hookTable.keyUpHook.load(std::memory_order_relaxed), KeyControlsHook);
        EXPECT_EQ(frameBuffer.pixels, nullptr) << "the back buffer is released at shutdown";
    }

    // Only the settings file is left in the directory: no temporary file of the save.
    void ExpectOnlyTheSettingsFile() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"Gyrata.ini"});
    }

    // Draws the first `passes` passes of a fresh run with the current settings, as the loop does, into
    // a fresh buffer; returns the picture.
    static std::vector<uint32_t> PictureAfterPasses(int64_t passes) {
        EXPECT_EQ(CreateBackBuffer(), 1);
        ResetSpiralRun();
        RenderPasses(passes);
        std::vector<uint32_t> picture = CopyPixels();
        ReleaseBackBuffer();
        return picture;
    }

    fs::path directory;
    fs::path iniFile;
};

TEST_F(EffectLoopTest, ExitAlreadyRequestedRunsNoPassButStillShutsDown) {
    WriteBytes(iniFile, "2 0 1");
    Store(steering.exitRequested, 1);
    RunLoop({});
    EXPECT_TRUE(script.frames.empty());
    EXPECT_EQ(presentedFrames, 0);
    EXPECT_EQ(spiralPhase, 0.0f) << "no frame was drawn";
    EXPECT_EQ(Load(steering.hiddenFrames), 85) << "nothing was counted down";
    EXPECT_EQ(CurrentSettings(), (Triple{2, 0, 1}));
    EXPECT_EQ(ReadBytes(iniFile), "2 0 1\0"s);  // saved again, now with its NUL
    ExpectOnlyTheSettingsFile();
}

TEST_F(EffectLoopTest, ExitAlreadyRequestedWithoutAFileWritesTheInitialValues) {
    Store(steering.exitRequested, 1);
    RunLoop({});
    EXPECT_EQ(presentedFrames, 0);
    EXPECT_EQ(ReadBytes(iniFile), "0 3 -1\0"s);
    ExpectOnlyTheSettingsFile();
}

TEST_F(EffectLoopTest, TheFirst85PassesAreHiddenAndThe86thIsPresented) {
    RunLoop({{1, {kKeyEscape}}});
    ASSERT_EQ(script.frames.size(), 1u);
    const PresentedFrame& first = script.frames[0];
    EXPECT_EQ(PassesBetween(0.0f, first.phase), 86);
    EXPECT_EQ(first.hiddenFrames, 0);
    EXPECT_EQ(spiralPhase, first.phase) << "Esc ends the loop after the pass that showed the frame";

    // The presented picture is what 85 fast-disc passes and one polygon pass leave behind.
    EXPECT_TRUE(first.pixels == PictureAfterPasses(86));
    EXPECT_FALSE(first.pixels == PictureAfterPasses(85));
    EXPECT_FALSE(first.pixels == PictureAfterPasses(87));
    EXPECT_EQ(ReadBytes(iniFile), "0 3 -1\0"s);
    ExpectOnlyTheSettingsFile();
}

// The splash holds the first frame back in 100 ms polls until its timer has fired; a timer that
// never fires holds it for 3 s at most, and the saver runs on.
TEST_F(EffectLoopTest, SplashTimerHoldsTheFirstFrameForAtMostThreeSeconds) {
    const struct {
        int32_t pollsWhileRunning;  // below 0: the timer never fires
        uint64_t extraMs;
    } cases[] = {{0, 0}, {1, 100}, {10, 1000}, {29, 2900}, {30, 3000}, {31, 3000}, {-1, 3000}};
    uint64_t withoutSplashMs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pollsWhileRunning);
        TearDown();
        SetUp();
        hookTable.splashPainter = [] {};  // the wait looks only at the slot and the timer
        splashTimerPollsLeft = c.pollsWhileRunning;
        RunLoop({{1, {kKeyEscape}}});
        ASSERT_EQ(script.frames.size(), 1u);
        const uint64_t firstFrameMs = script.frames[0].nowMs - script.startMs;
        if (c.pollsWhileRunning == 0) withoutSplashMs = firstFrameMs;
        EXPECT_EQ(firstFrameMs - withoutSplashMs, c.extraMs);
        EXPECT_EQ(PassesBetween(0.0f, script.frames[0].phase), 86) << "the wait shows no frame of its own";
        splashTimerPollsLeft = 0;
    }
}

TEST_F(EffectLoopTest, EscapeEndsTheLoopAfterThePassOfItsFrame) {
    RunLoop({{7, {kKeyEscape}}});
    ASSERT_EQ(script.frames.size(), 7u);
    EXPECT_EQ(presentedFrames, 7);
    EXPECT_EQ(spiralPhase, script.frames.back().phase);
    for (size_t i = 1; i < script.frames.size(); ++i) {
        const PresentedFrame& before = script.frames[i - 1];
        const PresentedFrame& after = script.frames[i];
        EXPECT_EQ(PassesBetween(before.phase, after.phase), 1) << i;
        EXPECT_FALSE(before.pixels == after.pixels) << i;
        // Shown frames are paced: one period of 33.3 ms, waited in whole milliseconds.
        EXPECT_GE(after.nowMs - before.nowMs, 33u) << i;
        EXPECT_LE(after.nowMs - before.nowMs, 34u) << i;
    }
    EXPECT_EQ(ReadBytes(iniFile), "0 3 -1\0"s);
    ExpectOnlyTheSettingsFile();
}

TEST_F(EffectLoopTest, AKeyReleasedBeforeTheControlsAreInstalledActsOnceAtStartUp) {
    // Released while the splash was up: recorded, but no hook was there to act on it yet.
    InputKeyUp(static_cast<uint32_t>(kKeyDown));
    RunLoop({{1, {kKeyEscape}}});
    ASSERT_EQ(script.frames.size(), 1u);
    EXPECT_EQ(script.frames[0].settings, (Triple{0, 4, -1}));
    // A period change shows the next pass at once, so the hidden passes of the start are skipped.
    EXPECT_EQ(PassesBetween(0.0f, script.frames[0].phase), 1);
    // The start-up call consumed it: the release of Esc does not apply it a second time.
    EXPECT_EQ(ReadBytes(iniFile), "0 4 -1\0"s);
}

TEST_F(EffectLoopTest, PausingFreezesThePictureButHiddenFramesStillCountDown) {
    constexpr uint64_t kPausedPassMs = 150;
    // Frame 3: pause. Frame 8: Enter while paused (85 hidden passes). Frame 10: resume. Frame 11: Esc.
    RunLoop({{3, {kKeySpace}}, {8, {kKeyEnter}}, {10, {kKeySpace}}, {11, {kKeyEscape}}});
    ASSERT_EQ(script.frames.size(), 11u);
    const std::vector<PresentedFrame>& f = script.frames;
    for (size_t i = 3; i < 10; ++i) {
        EXPECT_TRUE(f[i].pixels == f[2].pixels) << "paused frame " << i + 1 << " shows the picture of frame 3";
        EXPECT_EQ(f[i].phase, f[2].phase) << i + 1;
    }
    // Each paused pass sleeps and has no frame period left to wait for.
    for (size_t i : {3u, 4u, 5u, 6u, 7u, 9u}) EXPECT_EQ(f[i].nowMs - f[i - 1].nowMs, kPausedPassMs) << i + 1;
    // After Enter, 85 paused passes were hidden before the 86th was shown.
    EXPECT_EQ(f[8].nowMs - f[7].nowMs, 86 * kPausedPassMs);
    EXPECT_EQ(f[8].hiddenFrames, 0);
    EXPECT_EQ(f[8].settings.colourScheme, 1);

    // Resumed: the next pass draws again, one step on.
    EXPECT_FALSE(f[10].pixels == f[9].pixels);
    EXPECT_EQ(PassesBetween(f[9].phase, f[10].phase), 1);
    EXPECT_EQ(ReadBytes(iniFile), "1 3 -1\0"s);
}

// Share of the picture's pixels whose green is above their red; the other two channels of the scheme
// rule: scheme 0 draws red bright and green dim, scheme 1 the reverse, neither any blue.
double GreenAboveRed(const std::vector<uint32_t>& pixels, int32_t* blueSeen) {
    int64_t count = 0;
    for (uint32_t p : pixels) {
        const uint32_t red = (p >> 16) & 0xff, green = (p >> 8) & 0xff, blue = p & 0xff;
        count += green > red;
        if (blue != 0) ++*blueSeen;
    }
    return static_cast<double>(count) / static_cast<double>(pixels.size());
}

TEST_F(EffectLoopTest, EnterHidesTheNext85PassesAndShowsTheNewColours) {
    RunLoop({{2, {kKeyEnter}}, {4, {kKeyEscape}}});
    ASSERT_EQ(script.frames.size(), 4u);
    const std::vector<PresentedFrame>& f = script.frames;
    EXPECT_EQ(PassesBetween(f[1].phase, f[2].phase), 86);
    EXPECT_EQ(PassesBetween(f[2].phase, f[3].phase), 1);
    // Hidden passes are not paced: the 85 of them and the shown one take one frame period together.
    EXPECT_GE(f[2].nowMs - f[1].nowMs, 33u);
    EXPECT_LE(f[2].nowMs - f[1].nowMs, 34u);

    int32_t blue = 0;
    EXPECT_LT(GreenAboveRed(f[1].pixels, &blue), 0.01) << "scheme 0 before Enter";
    EXPECT_GT(GreenAboveRed(f[2].pixels, &blue), 0.9) << "scheme 1 when the spiral shows again";
    EXPECT_EQ(blue, 0);
    EXPECT_EQ(ReadBytes(iniFile), "1 3 -1\0"s);
}

// A settings file as a person might leave it, the keys released at the first shown frame, and what
// the saved file must hold afterwards.
struct HandEditedCase {
    const char* what;
    std::string bytes;
    Triple loaded;
    std::vector<int32_t> keys;
    std::string saved;
};

TEST_F(EffectLoopTest, HandEditedFilesLoadDrawSteerAndSave) {
    std::string noise;  // no digit, space, NUL or white space: one long token that converts to 0
    for (int i = 0; i < 500; ++i) noise += "\x01\x02\xfe\xff\x7f\x80"s;
    const std::vector<HandEditedCase> cases = {
        {"period 9: Down clamps to 5", "7 9 1", {7, 9, 1}, {kKeyDown}, "7 5 1\0"s},
        {"period 9: Up steps to 8", "7 9 1", {7, 9, 1}, {kKeyUp}, "7 8 1\0"s},
        {"scheme 7: quote steps to 6", "7 9 1", {7, 9, 1}, {kKeyQuote}, "6 9 1\0"s},
        {"scheme 7: Enter wraps to 0", "7 9 1\0"s, {7, 9, 1}, {kKeyEnter}, "0 9 1\0"s},
        {"negatives: Up, quote, Left", "-4 -2 5", {-4, -2, 5}, {kKeyUp, kKeyQuote, kKeyLeft}, "2 0 -1\0"s},
        {"negatives: Down, Enter, Right", "-4 -2 5", {-4, -2, 5}, {kKeyDown, kKeyEnter, kKeyRight}, "-3 -1 1\0"s},
        {"40 digits keep their first 15", "0000000000000079999999999999999999999999 1 1", {7, 1, 1}, {}, "7 1 1\0"s},
        {"40 digits saturate", "1234567890123456789012345678901234567890 2 1", {kMax, 2, 1}, {kKeyEnter}, "0 2 1\0"s},
        {"40 negative digits saturate",
         "-999999999999999999999999999999999999999 4 -1",
         {kMin, 4, -1},
         {kKeyQuote},
         "2 4 -1\0"s},
        {"the 32-bit extremes",
         "2147483647 2147483647 -2147483648",
         {kMax, kMax, kMin},
         {kKeyDown, kKeyEnter, kKeyLeft},
         "0 5 -1\0"s},
        {"garbage before a NUL", "\xff\xfe\x00\x01 9 9"s, {0, -1, -1}, {kKeyDown}, "0 0 -1\0"s},
        {"3000 bytes of noise", noise, {0, -1, -1}, {kKeyRight, kKeyUp}, "0 0 1\0"s},
        {"a line break inside a token", "3\r\n4 5", {3, 5, -1}, {kKeyEnter}, "0 5 -1\0"s},
        {"a leading space", " 1 2 3", {-1, -1, -1}, {kKeyEnter}, "0 -1 -1\0"s},
    };
    for (const HandEditedCase& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        WriteBytes(iniFile, c.bytes);
        std::vector<int32_t> keys = c.keys;
        RunLoop({{1, keys}, {2, {kKeyEscape}}});
        ASSERT_EQ(script.frames.size(), 2u);
        EXPECT_EQ(script.frames[0].settings, c.loaded);
        const std::vector<uint32_t> black(script.frames[0].pixels.size(), 0xff000000u);
        EXPECT_FALSE(script.frames[0].pixels == black) << "the spiral was drawn";
        EXPECT_EQ(ReadBytes(iniFile), c.saved);
        ExpectOnlyTheSettingsFile();
    }
}

// Presented frames (numbered from 1) into which the help panel was drawn.
std::vector<int32_t> FramesWithThePanel() {
    std::vector<int32_t> numbers;
    for (size_t i = 0; i < script.frames.size(); ++i) {
        if (script.frames[i].panelUp) numbers.push_back(static_cast<int32_t>(i + 1));
    }
    return numbers;
}

std::vector<int32_t> Range(int32_t first, int32_t last) {
    std::vector<int32_t> numbers;
    for (int32_t n = first; n <= last; ++n) numbers.push_back(n);
    return numbers;
}

TEST_F(EffectLoopTest, F1AgainWhileThePanelIsUpEndsItAfterThatFrame) {
    // A key released while a frame is on the screen acts from the next pass: that frame's removal
    // step already counts it. The second F1 comes while frame 5 is shown, with the panel.
    RunLoop({{2, {kKeyF1}}, {5, {kKeyF1}}, {8, {kKeyEscape}}});
    EXPECT_EQ(FramesWithThePanel(), Range(3, 5));
    EXPECT_EQ(script.frames[2].helpFrames, 249);
    EXPECT_EQ(script.frames[5].helpFrames, 0);
    EXPECT_EQ(helpConsole, nullptr) << "the shutdown step destroys the text object";
}

TEST_F(EffectLoopTest, PausedPanelComesAndGoesOverTheSamePicture) {
    RunLoop({{2, {kKeySpace}}, {3, {kKeyF1}}, {7, {kKeyF1}}, {9, {kKeyEscape}}});
    const std::vector<PresentedFrame>& f = script.frames;
    EXPECT_EQ(FramesWithThePanel(), Range(4, 7));
    for (size_t i = 4; i < 7; ++i) EXPECT_TRUE(f[i].pixels == f[3].pixels) << "frame " << i + 1;
    EXPECT_FALSE(f[3].pixels == f[2].pixels);
    // Gone again: every pixel of the paused picture is back.
    EXPECT_TRUE(f[7].pixels == f[2].pixels);
    EXPECT_TRUE(f[8].pixels == f[2].pixels);
    // Paused, the panel still counts down once per presented frame.
    for (size_t i = 3; i < 6; ++i) EXPECT_EQ(f[i].helpFrames, 249 - static_cast<int32_t>(i - 3)) << i + 1;
}

TEST_F(EffectLoopTest, ColourChangeUnderThePanelCountsOnlyPresentedFrames) {
    RunLoop({{2, {kKeyF1}}, {4, {kKeyEnter}}, {6, {kKeyEscape}}});
    const std::vector<PresentedFrame>& f = script.frames;
    EXPECT_EQ(FramesWithThePanel(), Range(3, 6));
    EXPECT_EQ(f[4].settings.colourScheme, 1);
    EXPECT_EQ(f[4].helpFrames, 247) << "the 85 hidden passes drew the panel but did not count it down";
    EXPECT_GT(saveStack.arenaSize, 0u);
}

TEST_F(EffectLoopTest, ThePanelGoesByItself) {
    RunLoop({{2, {kKeyF1}}, {255, {kKeyEscape}}});
    EXPECT_EQ(FramesWithThePanel(), Range(3, 251));
    EXPECT_EQ(script.frames[251].helpFrames, 0);
    EXPECT_EQ(saveStack.count, 0);
}

}  // namespace
