#include "app/help_overlay.h"

#include "app/save_stack.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/start_up.h"
#include "raster/pixel.h"
#include "raster/polygon.h"

// The text is the program's own, as its users have always seen it.
const char kHelpText[] =
    "Conrol Keys:\n\n\nQutes, Enter - change Color\n"
    "...............................................................................\n\n"
    "Cursor Up, Down - change Period\n"
    "...............................................................................\n\n"
    "Cursor Left, Right - change Direction\n"
    "...............................................................................\n\n"
    "F1 - hide/show Help\n\nEsc - Exit";

TextConsole* helpConsole = nullptr;

void StartHelpOverlay() { helpConsole = CreateTextConsole(); }

void DrawHelpPanel() {
    if (Load(steering.helpFrames) == 0) return;
    const int32_t x0 = (frameBuffer.viewWidth - kHelpBoxWidth) / 2;
    const int32_t y0 = (frameBuffer.viewHeight - kHelpBoxHeight) / 2;
    const int32_t x1 = frameBuffer.maxX - x0, y1 = frameBuffer.maxY - y0;
    SaveRect(x0, y0, x1, y1);
    FillRoundedRect(kHelpBoxColour, static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
                    static_cast<float>(y1));
    TextConsole* console = helpConsole;
    if (!console) return;  // no memory for the text object: the box alone
    console->text = kHelpText;
    console->offsetX = console->offsetY = 0;
    console->flags = kHelpTextFlags;
    if (console->font) console->font->blendMode = Add;
    if (console->text && console->flags > 0) {
        MeasureConsoleText(console);
        PlaceConsoleText(console);
    }
    DrawConsoleText(console);
}

void RemoveHelpPanel() {
    if (Load(steering.helpFrames) == 0) return;
    RestoreRects();
    steering.helpFrames.fetch_sub(1, std::memory_order_relaxed);
}

void StopHelpOverlay() {
    DestroyTextConsole(helpConsole);
    helpConsole = nullptr;
}

void SetUpApplicationSaveStack() {
    CreateSaveStack();
    RegisterRelease(ReleaseSaveStack);
}
