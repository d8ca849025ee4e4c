#include "text_input/text_console.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace {

const wchar_t* const kFontName = L"TYPE_EN_RU";
constexpr uint32_t kMarker = 0xFF00FF;

// Where a line of lineWidth starts in a block of blockWidth from x0, both already in view pixels.
int32_t AlignLine(int32_t flags, int32_t x0, int32_t lineWidth, int32_t blockWidth) {
    switch (flags & (kAlignCentre | kAlignRight)) {
    case kAlignCentre:
        return x0 + blockWidth / 2 - lineWidth / 2;
    case kAlignRight:
        return x0 + blockWidth - lineWidth;
    default:
        return x0;
    }
}

}  // namespace

TextConsole* CreateTextConsole() {
    auto* console = new (std::nothrow) TextConsole;
    if (console) LoadConsoleFont(console);
    return console;
}

void LoadConsoleFont(TextConsole* console) {
    DestroySprite(console->font);
    console->font = new (std::nothrow) BaseSPR(kFontName);
    ReadGlyphWidths(console);
}

void ReadGlyphWidths(TextConsole* console) {
    std::fill(std::begin(console->glyphWidth), std::end(console->glyphWidth), 0);
    BaseSPR* font = console->font;
    if (!font) return;
    console->cellWidth = font->width;
    console->cellHeight = font->height / 256;
    if (!font->pixels || console->cellWidth <= 0 || console->cellHeight <= 0) return;
    const uint32_t background = font->pixels[console->cellWidth + console->cellWidth - 1];
    for (int32_t code = 0; code < 256; ++code) {
        uint32_t* top = font->pixels + static_cast<size_t>(code) * console->cellWidth * console->cellHeight;
        for (int32_t column = 0; column < console->cellWidth; ++column) {
            if ((top[column] & 0xFFFFFFu) == kMarker) {
                console->glyphWidth[code] = column;
                top[column] = background;
                break;
            }
        }
    }
}

void MeasureConsoleText(TextConsole* console) {
    console->textWidth = 0;
    console->textHeight = 0;
    if (!console->text) return;
    console->textHeight = console->cellHeight;
    console->lineCount = 0;
    int32_t width = 0;
    for (const char* p = console->text;; ++p) {
        const unsigned char b = static_cast<unsigned char>(*p);
        if (b == '\0' || b == '\n') {
            width -= console->letterSpacing;
            console->textWidth = std::max(console->textWidth, width);
            console->lineWidth[console->lineCount++] = width;
            width = 0;
            if (b == '\0' || console->lineCount == kMaxTextLines) break;
            console->textHeight += console->lineSpacing + console->cellHeight;
        } else {
            width += console->glyphWidth[b] + console->letterSpacing;
        }
    }
}

void PlaceConsoleText(TextConsole* console) {
    const BaseSPR* font = console->font;
    PlaceSprite(font ? font->dotSize : 0, font ? font->dotGap : 1, console->offsetX, console->offsetY,
                console->textWidth, console->textHeight, static_cast<uint32_t>(console->flags) & 0xFF,
                &console->destRect);
}

void DrawConsoleText(TextConsole* console) {
    BaseSPR* font = console->font;
    if (!font || !font->pixels || !console->text) return;
    const int32_t pitch = font->dotSize != 0 ? font->dotSize + font->dotGap : 1;
    const int32_t cellPixels = console->cellWidth * console->cellHeight;
    const int32_t blockWidth = pitch * console->textWidth;
    uint32_t* const strip = font->pixels;
    const int32_t stripHeight = font->height;
    font->height = console->cellHeight;

    int32_t line = 0;
    int32_t x = AlignLine(console->flags, console->destRect.left, pitch * console->lineWidth[0], blockWidth);
    int32_t y = console->destRect.top;
    for (const char* p = console->text; *p; ++p) {
        const unsigned char b = static_cast<unsigned char>(*p);
        if (b == '\n') {
            if (++line == kMaxTextLines) break;
            y += pitch * console->cellHeight + console->lineSpacing;
            x = AlignLine(console->flags, console->destRect.left, pitch * console->lineWidth[line], blockWidth);
            continue;
        }
        font->pixels = strip + static_cast<size_t>(b) * cellPixels;
        font->destRect = {x, y, x + pitch * console->cellWidth - 1, y + pitch * console->cellHeight - 1};
        DrawSprite(font);
        x += pitch * (console->glyphWidth[b] + console->letterSpacing);
    }
    font->pixels = strip;
    font->height = stripHeight;
}

void DestroyTextConsole(TextConsole* console) {
    if (!console) return;
    DestroySprite(console->font);
    delete console;
}
