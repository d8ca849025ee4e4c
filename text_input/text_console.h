// Text: a bitmap font drawn glyph by glyph as sprite blits. A TextConsole owns the font sprite
// (resource "TYPE_EN_RU": 256 cells of cellWidth x cellHeight stacked in Windows-1251 code order, each
// cell's width marked by one 0xFF00FF pixel in its top row), the glyph widths read from the markers,
// and the layout of the text it shows: its lines measured, the block placed, the lines aligned.
//
// Drawing thread only (the effect thread's help panel); the text is borrowed, never copied.
#pragma once

#include <cstdint>

#include "sprite/sprite.h"

constexpr int32_t kMaxTextLines = 256;   // lines past these are neither measured nor drawn
constexpr int32_t kAlignCentre = 0x100;  // flags bits 8-9: how each line sits in the block
constexpr int32_t kAlignRight = 0x200;

struct TextConsole {
    int32_t textWidth = 0;  // font pixels of the widest line
    int32_t textHeight = 0;
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    int32_t flags = -1;  // bits 4-7 placement (as PlaceSprite's), bits 8-9 alignment
    int32_t lineCount = 0;
    int32_t lineSpacing = 0;
    int32_t letterSpacing = 1;
    SpriteRect destRect;
    const char* text = nullptr;  // NUL-terminated Windows-1251; the line feed starts a line
    int32_t glyphWidth[256] = {};
    int32_t lineWidth[kMaxTextLines] = {};
    BaseSPR* font = nullptr;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
};

// A new console with its font loaded; null when there is no memory for it.
TextConsole* CreateTextConsole();

// (Re)loads the font sprite and reads the glyph widths (a cell without a marker has width 0); each
// marker is painted over with the background so it never shows.
void LoadConsoleFont(TextConsole* console);

// Reads the glyph widths from the markers of the font sprite's cells, as LoadConsoleFont does.
void ReadGlyphWidths(TextConsole* console);

// Fills textWidth, textHeight, lineCount and lineWidth from text.
void MeasureConsoleText(TextConsole* console);

// Places the measured block at (offsetX, offsetY) by the low byte of flags, into destRect.
void PlaceConsoleText(TextConsole* console);

// Draws text at destRect, every glyph its whole cell, in the font sprite's blendMode (or its dots).
void DrawConsoleText(TextConsole* console);

// Frees the font and the console; null is ignored.
void DestroyTextConsole(TextConsole* console);
