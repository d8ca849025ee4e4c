// Host shell, start-up rules that need no window: the timer slot allocator, the program's base name,
// the command-line modes, the full-screen window geometry, and the list of releases run at exit.
//
// Everything here runs on the main thread, during static initialisation and at entry. The Windows
// layer (win_start_up.cpp, win_window.cpp) feeds these rules with what the system reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Timer slots: 256 of them, handed out from the highest down. The Windows timer id of slot s is
// kFirstTimerId + s.
constexpr int32_t kTimerSlotCount = 256;
constexpr uint32_t kFirstTimerId = 1347;
extern int32_t slotInUse[kTimerSlotCount];
extern int32_t splashSlot;  // the slot of the splash's one-shot timer

// Marks the highest free slot as used and returns it; -1 when all 256 are taken.
int32_t AllocateSlot();

// The program's file name without directory and extension, and its full path (element 0 of the
// command line); the settings file is named after them.
constexpr int32_t kBaseNameCapacity = 256;  // 255 characters and the NUL
extern wchar_t programBaseName[kBaseNameCapacity];
constexpr int32_t kProgramPathCapacity = 32768;
extern wchar_t programPath[kProgramPathCapacity];

// The name after the last backslash (or from the start without one) up to the first "." or the end,
// at most 255 characters.
std::wstring BaseNameOfPath(const std::wstring& path);

// Stores path and its base name in programPath and programBaseName.
void StoreProgramPath(const std::wstring& path);

// What the command line asks for.
enum class LaunchMode {
    Normal,     // no argument or "/s": the full-screen window
    Preview,    // "/p" and a non-zero window handle
    Configure,  // anything else while configureHook is set
    InfoBox,    // anything else: the information box, then exit
    Exit,       // "/p" with a handle of 0 or no number: exit at once
};

struct LaunchChoice {
    LaunchMode mode;
    intptr_t previewParent;  // the handle after "/p"; 0 otherwise
};

// Classifies the split command line (element 0 is the program path).
LaunchChoice ClassifyCommandLine(const std::vector<std::wstring>& args, bool configureHookSet);

// Clears the mode state, classifies args and records the choice in modeState. Returns 1 to go on
// (normal, preview, configure), 0 to exit (after the information box, which the caller shows).
int32_t ParseCommandLine(const std::vector<std::wstring>& args, LaunchMode* mode);

// The full-screen back buffer is as wide as the screen rounded up to a multiple of 8, so every row is
// a whole number of 16-byte groups.
int32_t FullScreenWidth(int32_t screenWidth);

// Left (or top) edge of a window of the given size centred on the screen; each half truncates.
int32_t CentredPosition(int32_t screenSize, int32_t windowSize);

// Releases registered during start-up, run at process exit in reverse order of registration.
using ReleaseProc = void (*)();
void RegisterRelease(ReleaseProc release);
void RunRegisteredReleases();

// Provided by the application: the save stack of its help overlay with its release registered
// (called early, before the rasteriser's set-up); its display set-up (window name, clear colour,
// full-screen size, appMain, the back buffer), its texts and splash, and on Windows its preview
// painter (called last, in this order).
void SetUpApplicationSaveStack();
void SetUpApplicationDisplay();
void SetUpApplicationTexts();
void SetUpApplicationPreview();
