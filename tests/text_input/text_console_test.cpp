// The bitmap font and its text: the real font through the real decoder (widths, colours, ink), then
// measuring, placing and drawing with a synthetic font whose every cell is one solid colour, so the
// place where each glyph starts can be read off the view.
#include "text_input/text_console.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "host/threads.h"
#include "sprite/image_decoder.h"

namespace {

// The font's glyph widths by code, 16 a row from 0x00.
constexpr int32_t kExpectedWidths[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0x00
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0x10
    5, 1, 3, 5, 1, 5, 5, 7, 2, 2, 5, 5, 1, 5, 1, 5,  // 0x20
    5, 2, 5, 5, 5, 5, 5, 5, 5, 5, 1, 1, 3, 5, 3, 4,  // 0x30
    7, 7, 7, 7, 7, 7, 7, 7, 7, 3, 7, 7, 7, 7, 7, 7,  // 0x40
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 2, 5, 2, 5, 5,  // 0x50
    0, 5, 5, 5, 5, 5, 4, 5, 5, 1, 2, 5, 1, 5, 5, 5,  // 0x60
    5, 5, 4, 5, 4, 5, 5, 5, 5, 5, 5, 3, 1, 3, 6, 0,  // 0x70
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0,  // 0xA0
    0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0,  // 0xB0
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,  // 0xC0
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,  // 0xD0
    5, 5, 5, 5, 6, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,  // 0xE0
    5, 5, 5, 5, 5, 5, 5, 5, 5, 6, 5, 6, 4, 5, 6, 5,  // 0xF0
};

constexpr uint32_t kBlack = 0xFF000000u;

uint32_t CellColour(int32_t code) { return 0xFF000040u | (static_cast<uint32_t>(code) << 8); }

class TextConsoleTest : public ::testing::Test {
  public:
    void SetUp() override {
        InstallImageDecoder();
        ASSERT_EQ(CreateHeadlessBuffer(200, 120), 1);
    }
    void TearDown() override {
        DestroyTextConsole(console);
        ReleaseHeadlessBuffer();
    }

    // A console whose font is 256 solid 8 x 10 cells of CellColour(code); code c is c pixels wide
    // unless a test says otherwise.
    void UseSyntheticFont() {
        console = new TextConsole;
        console->font = new BaseSPR(nullptr);
        BaseSPR& font = *console->font;
        font.width = 8;
        font.height = 2560;
        font.pixels = static_cast<uint32_t*>(AllocAligned(8 * 2560 * 4));
        for (int32_t i = 0; i < 8 * 2560; ++i) font.pixels[i] = CellColour(i / 80);
        console->cellWidth = 8;
        console->cellHeight = 10;
        for (int32_t c = 0; c < 256; ++c) console->glyphWidth[c] = c;
    }
    void Show(const char* text, int32_t flags = 0) {
        console->text = text;
        console->flags = flags;
        MeasureConsoleText(console);
        PlaceConsoleText(console);
        DrawConsoleText(console);
    }
    TextConsole* console = nullptr;
};

TEST_F(TextConsoleTest, RealFontHasTheExpectedWidthsColoursAndInk) {
    console = CreateTextConsole();
    ASSERT_NE(console, nullptr);
    ASSERT_NE(console->font->pixels, nullptr);
    EXPECT_EQ(console->cellWidth, 8);
    EXPECT_EQ(console->cellHeight, 10);
    EXPECT_EQ(console->font->alphaVaries, 0);
    for (int32_t code = 0; code < 256; ++code) {
        EXPECT_EQ(console->glyphWidth[code], kExpectedWidths[code]) << "code " << code;
        int32_t ink = 0;
        for (int32_t row = 0; row < 10; ++row) {
            for (int32_t column = 0; column < 8; ++column) {
                const uint32_t p = console->font->pixels[(code * 10 + row) * 8 + column];
                // The marker is painted over; only the three other colours remain.
                EXPECT_TRUE(p == 0xFF000000u || p == 0xFF707070u || p == 0xFF303030u)
                    << std::hex << p << " in code " << code;
                if (p != 0xFF000000u) {
                    ++ink;
                    EXPECT_LT(column, kExpectedWidths[code]) << "ink at or right of the marker, code " << code;
                }
            }
        }
        const bool drawn = (code > 0x20 && code < 0x7F && code != 0x27 && code != 0x60) || code >= 0xC0 ||
                           code == 0xA8 || code == 0xB8;
        EXPECT_EQ(ink > 0, drawn) << "code " << code;
    }
    LoadConsoleFont(console);  // a reload gives the same table
    EXPECT_EQ(console->glyphWidth[0xDF], 7);
}

TEST_F(TextConsoleTest, MarkersAreFoundPaintedOverAndMissingOnesMeasureZero) {
    UseSyntheticFont();
    uint32_t* pixels = console->font->pixels;
    for (int32_t code = 0; code < 256; ++code) pixels[code * 80 + code % 8] = 0x12FF00FFu;  // any alpha
    pixels[65 * 80 + 1] = CellColour(65);                                                   // no marker in 'A'
    ReadGlyphWidths(console);
    for (int32_t code = 0; code < 256; ++code) {
        EXPECT_EQ(console->glyphWidth[code], code == 65 ? 0 : code % 8) << code;
        // Painted with the background, the last pixel of image row 1.
        EXPECT_EQ(pixels[code * 80 + code % 8], CellColour(code == 65 ? 65 : 0)) << code;
    }
}

TEST_F(TextConsoleTest, MeasuresLines) {
    console = CreateTextConsole();
    struct Case {
        const char* text;
        int32_t lineSpacing, width, height, lines;
    };
    const Case cases[] = {
        {"AB", 0, 15, 10, 1},  // 7 + 1 + 7
        {"", 0, 0, 10, 1},
        {"AB\n", 0, 15, 20, 2},  // the empty last line adds a cell and the spacing
        {"AB\n", 4, 15, 24, 2},
        {"i\nAB\nW", 2, 15, 34, 3},
        {"\x01\x01"
         "A",
         0, 9, 10, 1},  // width-0 codes still take the letter spacing
    };
    for (const Case& c : cases) {
        console->lineSpacing = c.lineSpacing;
        console->text = c.text;
        MeasureConsoleText(console);
        EXPECT_EQ(console->textWidth, c.width) << '"' << c.text << '"';
        EXPECT_EQ(console->textHeight, c.height) << '"' << c.text << '"';
        EXPECT_EQ(console->lineCount, c.lines) << '"' << c.text << '"';
    }
    console->text = nullptr;
    MeasureConsoleText(console);
    EXPECT_EQ(console->textWidth, 0);
    EXPECT_EQ(console->textHeight, 0);
}

TEST_F(TextConsoleTest, DrawsEachGlyphWhereTheAlignmentPutsIt) {
    UseSyntheticFont();
    console->glyphWidth['L'] = 20;
    console->glyphWidth['S'] = 10;
    console->letterSpacing = 0;
    console->offsetX = 30;
    console->offsetY = 40;
    struct Case {
        int32_t flags, secondLineX;
    };
    for (const Case c : {Case{0x000, 30}, Case{0x200, 40}, Case{0x100, 35}, Case{0x300, 30}}) {
        ClearView();
        Show("L\nS", c.flags);
        EXPECT_EQ(*ViewPixel(30, 40), CellColour('L')) << c.flags;
        EXPECT_EQ(*ViewPixel(c.secondLineX, 50), CellColour('S')) << c.flags;
        EXPECT_EQ(*ViewPixel(c.secondLineX - 1, 50), kBlack) << c.flags;
    }

    // Centred on both axes (the help panel's flags): the block's rectangle is centred in the view.
    console->letterSpacing = 1;
    console->glyphWidth[1] = 0;
    ClearView();
    Show(
        "\x01\x01"
        "A",
        0xA3);  // 0 + 1 + 0 + 1 + 65 = 67 wide, 10 high
    EXPECT_EQ(console->destRect.left, 100 - 33 + 30);
    EXPECT_EQ(console->destRect.top, 60 - 5 + 40);
    const int32_t x = console->destRect.left, y = console->destRect.top;
    EXPECT_EQ(*ViewPixel(x, y), CellColour(1));
    EXPECT_EQ(*ViewPixel(x + 1, y), CellColour(1));  // the second empty cell, one pixel on
    EXPECT_EQ(*ViewPixel(x + 2, y + 9), CellColour('A'));
}

TEST_F(TextConsoleTest, DotModeScalesAllButTheLineSpacing) {
    UseSyntheticFont();
    console->font->dotSize = 1;
    console->font->dotGap = 1;  // pitch 2
    console->glyphWidth['a'] = 3;
    console->lineSpacing = 3;
    console->offsetX = 10;
    console->offsetY = 10;
    ClearView();
    Show("aa\na", 0);
    EXPECT_EQ(console->textWidth, 7);
    EXPECT_EQ(console->destRect.right, 10 + 7 * 2 - 1 - 1);
    // Dots of the first glyph start one pixel in, two apart; the second glyph starts 2 x (3 + 1) on;
    // the second line 2 x 10 + 3 below.
    const int32_t dots[][2] = {{11, 11}, {13, 13}, {19, 11}, {11, 34}};
    for (const auto& d : dots) EXPECT_NE(*ViewPixel(d[0], d[1]), kBlack) << d[0] << ", " << d[1];
    const int32_t gaps[][2] = {{12, 11}, {11, 12}, {11, 31}, {11, 33}};
    for (const auto& g : gaps) EXPECT_EQ(*ViewPixel(g[0], g[1]), kBlack) << g[0] << ", " << g[1];
}

TEST_F(TextConsoleTest, TextBeyondTheLineTableIsNeitherMeasuredNorDrawn) {
    UseSyntheticFont();
    std::string text(kMaxTextLines, '\n');  // 257 lines: the last holds a glyph
    text += "A";
    console->lineSpacing = -10;  // every line at the same place
    console->offsetX = 5;
    console->offsetY = 5;
    BaseSPR* font = console->font;
    ClearView();
    Show(text.c_str(), 0);
    EXPECT_EQ(console->lineCount, kMaxTextLines);
    EXPECT_EQ(console->font, font);
    EXPECT_EQ(console->offsetX, 5);
    EXPECT_EQ(*ViewPixel(5, 5), kBlack);
    text.erase(0, 1);  // 256 lines: the glyph is drawn
    Show(text.c_str(), 0);
    EXPECT_EQ(*ViewPixel(5, 5), CellColour('A'));
}

TEST_F(TextConsoleTest, EmptyTextOrFontDrawsNothing) {
    UseSyntheticFont();
    ClearView();
    Show("", 0);
    Show(nullptr, 0);
    FreeAligned(console->font->pixels);
    console->font->pixels = nullptr;
    Show("A", 0);
    for (int32_t y = 0; y < 120; ++y) {
        for (int32_t x = 0; x < 200; ++x) ASSERT_EQ(*ViewPixel(x, y), kBlack) << x << ", " << y;
    }
}

}  // namespace
