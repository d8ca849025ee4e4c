// gyrata-render's command line and scene files: what is accepted, and that every bad value is
// refused with a message before anything is drawn.
#include "tools/render_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/render_progress.h"
#include "tools/render_scene.h"

namespace {

bool Parse(std::vector<std::string> args, RenderOptions& options, std::string& error) {
    args.insert(args.begin(), "gyrata-render");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

std::string ErrorOf(std::vector<std::string> args) {
    RenderOptions options;
    std::string error;
    EXPECT_FALSE(Parse(args, options, error)) << "accepted";
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
    return error;
}

TEST(RenderOptions, DefaultsAreTheFirstShownFrameWithTheInitialSettings) {
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--raw", "f.raw"}, options, error)) << error;
    EXPECT_EQ(options.width, 1920);
    EXPECT_EQ(options.height, 1080);
    EXPECT_EQ(options.frames, 86);
    EXPECT_EQ(options.colourScheme, 0);
    EXPECT_EQ(options.period, 3);
    EXPECT_EQ(options.direction, -1);
    EXPECT_EQ(options.rawPath, "f.raw");
    EXPECT_TRUE(options.outPath.empty());
}

TEST(RenderOptions, EveryOptionIsRead) {
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--size", "8192x1", "--frames", "10000000", "--scheme", "-7", "--period", "2147483647",
                       "--direction", "1", "--out", "a.png", "--raw", "b.raw"},
                      options, error))
        << error;
    EXPECT_EQ(options.width, 8192);
    EXPECT_EQ(options.height, 1);
    EXPECT_EQ(options.frames, 10000000);
    EXPECT_EQ(options.colourScheme, -7);
    EXPECT_EQ(options.period, 2147483647);
    EXPECT_EQ(options.direction, 1);
    EXPECT_EQ(options.outPath, "a.png");
    ASSERT_TRUE(Parse({"--size", "1x1", "--raw", "x"}, options, error)) << error;
    EXPECT_EQ(options.width, 1);
    EXPECT_EQ(options.height, 1);
}

TEST(RenderOptions, BadArgumentsAreRefused) {
    EXPECT_NE(ErrorOf({"--fast", "--raw", "f"}).find("unknown option"), std::string::npos);
    EXPECT_NE(ErrorOf({"--raw", "f", "--size"}).find("needs a value"), std::string::npos);
    for (const char* size : {"0x1", "1x0", "8193x1", "1x8193", "x5", "5x", "5", "-5x5", "5x5x5", "1e3x5", " 5x5", ""}) {
        EXPECT_NE(ErrorOf({"--size", size, "--raw", "f"}).find("--size"), std::string::npos) << size;
    }
    for (const char* frames : {"0", "-1", "10000001", "1.5", "abc", "86 ", "0x10", ""}) {
        EXPECT_NE(ErrorOf({"--frames", frames, "--raw", "f"}).find("--frames"), std::string::npos) << frames;
    }
    for (const char* value : {"2147483648", "-2147483649", "1.0", "one", ""}) {
        EXPECT_NE(ErrorOf({"--direction", value, "--raw", "f"}).find("--direction"), std::string::npos) << value;
    }
    EXPECT_NE(ErrorOf({"--size", "4x4"}).find("nothing to write"), std::string::npos);
    EXPECT_NE(ErrorOf({"--raw", ""}).find("file name"), std::string::npos);
    EXPECT_NE(ErrorOf({"--raw", "same", "--out", "same"}).find("same file"), std::string::npos);
    EXPECT_NE(ErrorOf({"--scene", "s", "--size", "4x4", "--raw", "f"}).find("--scene"), std::string::npos);
    EXPECT_NE(ErrorOf({"--scene", "s", "--period", "1", "--raw", "f"}).find("--scene"), std::string::npos);
    // The splash and the preview are pictures of their own: no spiral option, no second picture.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--splash", "--preview"}, {"--preview", "--scene", "s"}, {"--splash", "--scene", "s"}}) {
        std::vector<std::string> full = args;
        full.insert(full.end(), {"--raw", "f"});
        EXPECT_NE(ErrorOf(full).find("give one of them"), std::string::npos) << args[0] << " " << args[1];
    }
    for (const char* spiral : {"--frames", "--scheme", "--period", "--direction"}) {
        EXPECT_NE(ErrorOf({"--splash", spiral, "1", "--raw", "f"}).find("--splash draws no spiral"), std::string::npos);
        EXPECT_NE(ErrorOf({spiral, "1", "--preview", "--raw", "f"}).find("--preview draws no spiral"),
                  std::string::npos);
    }
    EXPECT_NE(ErrorOf({"--help-panel", "--splash", "--raw", "f"}).find("no spiral"), std::string::npos);
}

TEST(RenderOptions, SplashAndPreviewTakeASize) {
    for (const char* picture : {"--splash", "--preview"}) {
        RenderOptions options;
        std::string error;
        ASSERT_TRUE(Parse({"--size", "300x200", picture, "--raw", "f"}, options, error)) << error;
        EXPECT_EQ(options.splash, std::string(picture) == "--splash");
        EXPECT_EQ(options.preview, std::string(picture) == "--preview");
        EXPECT_EQ(options.width, 300);
        EXPECT_EQ(options.height, 200);
    }
}

TEST(RenderOptions, NumbersAreWholeTokens) {
    int64_t v;
    uint32_t colour;
    float f;
    EXPECT_TRUE(ParseCInteger("0x10", v) && v == 16);
    EXPECT_TRUE(ParseCInteger("-12", v) && v == -12);
    EXPECT_TRUE(ParseCInteger("010", v) && v == 8);  // as in C
    EXPECT_FALSE(ParseCInteger("12a", v));
    EXPECT_TRUE(ParseColour("0xff336699", colour) && colour == 0xff336699u);
    EXPECT_TRUE(ParseColour("4294967295", colour) && colour == 0xffffffffu);
    EXPECT_FALSE(ParseColour("0x100000000", colour));
    EXPECT_FALSE(ParseColour("-1", colour));
    EXPECT_TRUE(ParseFloat("2.5", f) && f == 2.5f);
    EXPECT_TRUE(ParseFloat("-1e2", f) && f == -100.0f);
    EXPECT_FALSE(ParseFloat("nan", f));
    EXPECT_FALSE(ParseFloat("inf", f));
    EXPECT_FALSE(ParseFloat("1e39", f));
    EXPECT_FALSE(ParseFloat("2.5.", f));
}

TEST(RenderScene, AValidSceneListsItsPrimitivesInOrder) {
    Scene scene;
    std::string error;
    ASSERT_TRUE(
        ParseScene("# heading\n\nsize 97 61\r\n"
                   "clear 0xff202830  # grey\n"
                   "pdisc 20.5 20.25 15.7 0xffe08040 1\n"
                   "   disc 10 -2 40 9.3 0x8000ff00\n"
                   "rrect 0xff8080c0 5 35 45 58\n",
                   scene, error))
        << error;
    EXPECT_EQ(scene.width, 97);
    EXPECT_EQ(scene.height, 61);
    ASSERT_EQ(scene.commands.size(), 4u);
    EXPECT_EQ(scene.commands[0].kind, SceneCommand::Clear);
    EXPECT_EQ(scene.commands[0].colour, 0xff202830u);
    EXPECT_EQ(scene.commands[1].kind, SceneCommand::PolygonDisc);
    EXPECT_EQ(scene.commands[1].x0, 20.5f);
    EXPECT_EQ(scene.commands[1].y0, 20.25f);
    EXPECT_EQ(scene.commands[1].r, 15.7f);
    EXPECT_EQ(scene.commands[1].mode, 1);
    EXPECT_EQ(scene.commands[2].kind, SceneCommand::Disc);
    EXPECT_EQ(scene.commands[2].mode, 10);
    EXPECT_EQ(scene.commands[2].cx, -2);
    EXPECT_EQ(scene.commands[2].cy, 40);
    EXPECT_EQ(scene.commands[2].r, 9.3f);
    EXPECT_EQ(scene.commands[3].kind, SceneCommand::RoundedRect);
    EXPECT_EQ(scene.commands[3].y1, 58.0f);
}

TEST(RenderScene, AMalformedLineIsNamedByItsNumber) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "line 1: no 'size W H' line"},
        {"# only a comment\n", "line 2: no 'size W H' line"},
        {"clear 0xff000000\n", "line 1: the first line must be 'size W H'"},
        {"size 4\n", "line 1: size wants W H"},
        {"size 0 4\n", "line 1: size wants W H"},
        {"size 4 4\nsize 4 4\n", "line 2: size given twice"},
        {"size 4 4\n\n\nclear\n", "line 4: clear wants COLOUR"},
        {"size 4 4\nclear red\n", "line 2: bad colour 'red'"},
        {"size 4 4\npdisc 1 2 3 0xff000000\n", "line 2: pdisc wants CX CY R COLOUR MODE"},
        {"size 4 4\npdisc 1 2 -3 0xff000000 1\n", "line 2: bad radius '-3'"},
        {"size 4 4\npdisc 1 2 1e7 0xff000000 1\n", "line 2: bad radius"},
        {"size 4 4\npdisc nan 2 3 0xff000000 1\n", "line 2: bad centre"},
        {"size 4 4\ndisc 1 1.5 2 3 0xff000000\n", "line 2: bad centre"},
        {"size 4 4\ndisc x 1 2 3 0xff000000\n", "line 2: bad mode 'x'"},
        {"size 4 4\ndisc 1 1 2 3 0xff000000 9\n", "line 2: disc wants MODE CX CY R COLOUR"},
        {"size 4 4\nrrect 0xff000000 1 2 3\n", "line 2: rrect wants COLOUR X0 Y0 X1 Y1"},
        {"size 4 4\nrrect 0xff000000 1 2 3 4e9\n", "line 2: bad corner"},
        {"size 4 4\nclear 0xff000000\nspiral\n", "line 3: unknown primitive 'spiral'"},
    };
    for (const Case& c : cases) {
        Scene scene;
        std::string error;
        EXPECT_FALSE(ParseScene(c.text, scene, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got '" << error << "' for '" << c.text << "'";
    }
}

}  // namespace

TEST(RenderProgress, ShownOnATerminalAfterASecondAtMostFourTimesASecond) {
    RenderProgress progress;
    EXPECT_FALSE(ProgressDue(progress, 5.0)) << "not a terminal";
    progress.enabled = true;
    const struct {
        double lastShown, now;
        bool due;
    } cases[] = {{-1, 0.0, false},  {-1, 0.99, false},  {-1, 1.0, true},   {-1, 7.0, true},
                 {1.0, 1.1, false}, {1.0, 1.24, false}, {1.0, 1.25, true}, {3.0, 2.0, false}};
    for (const auto& c : cases) {
        progress.lastShownSeconds = c.lastShown;
        EXPECT_EQ(ProgressDue(progress, c.now), c.due) << c.lastShown << " " << c.now;
    }
}

TEST(RenderProgress, LineSaysPassesShareTimeAndWhatIsLeft) {
    EXPECT_EQ(ProgressLine(500, 1000, 2.0), "pass 500 of 1000 (50%), 2.0 s, about 2 s left");
    EXPECT_EQ(ProgressLine(1, 3, 1.04), "pass 1 of 3 (33%), 1.0 s, about 3 s left");
    EXPECT_EQ(ProgressLine(10000000, 10000000, 61.25), "pass 10000000 of 10000000 (100%), 61.2 s");
}
