// Help overlay: the key help panel drawn over the spiral while helpFrames is non-zero, a dark rounded
// 250 x 200 box in the middle of the view with the help text in the bitmap font. Its pixels are saved
// before it is drawn and written back right after the frame is presented, so the spiral is always
// drawn on its own pixels.
//
// Effect thread only (or the one thread of a tool or test); helpFrames comes from the key controls.
#pragma once

#include <cstdint>

#include "text_input/text_console.h"

constexpr int32_t kHelpBoxWidth = 250;
constexpr int32_t kHelpBoxHeight = 200;
constexpr uint32_t kHelpBoxColour = 0xff323232u;
constexpr int32_t kHelpTextFlags = 163;  // block centred on both axes, lines left-aligned

extern const char kHelpText[];

// The application's text object; null before the start-up step, or when there was no memory for it.
extern TextConsole* helpConsole;

// Start-up step: the text object with its font.
void StartHelpOverlay();

// Drawing step, every pass after the spiral frame: the panel, its pixels saved first.
void DrawHelpPanel();

// Removal step, after a presented pass: the saved pixels back, and one help frame less.
void RemoveHelpPanel();

// Shutdown step: the text object and its font freed.
void StopHelpOverlay();
