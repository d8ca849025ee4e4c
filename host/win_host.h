// Host shell, Windows layer: what its files share. The window and its device context belong to the
// main thread; the EffectThread reads them to present frames.
#pragma once

#include <windows.h>

#include <cstdint>

extern HWND hostWindow;
extern HINSTANCE hostInstance;
extern HDC windowDC;            // the window's context from GetDC; in preview mode the paint context
extern HDC memoryDC;            // the back buffer's memory context; null while no buffer exists
extern RECT previewClientRect;  // the preview parent's client area, read at entry

// The entry point's work: mode, window, EffectThread, message loop. Returns the exit code.
int RunHost(HINSTANCE instance, int showCommand);

// In full-screen mode, once the main window is shown: a black window, owned by it, over every part
// of the other monitors that it leaves showing the desktop.
void CoverOtherMonitors(HWND mainWindow, HINSTANCE instance);

// The host's defaults: configureMain, previewPainter, the out-of-memory report, the pacing clocks.
void InstallHostDefaults();

// The ordered start-up of the whole program, and the releases it registered, run at exit.
void RunStartUp();
void RunShutDown();

// Copies that rectangle of the back buffer to the same place of the window.
void PresentRect(int32_t x, int32_t y, int32_t w, int32_t h);

// The real clocks, sleeps and vertical-blank waits for the frame pacing.
void InstallWindowsPacing();

// "Out of memory", then a close request; ends the process if the caller would go on.
void ReportOutOfMemory();

// The message in a box captioned "Process Runtime Error", then a close request.
void ReportRuntimeError(const wchar_t* text);
