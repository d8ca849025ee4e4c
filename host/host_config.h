// Host shell: the configuration values the application sets from its static initialisers, the mode
// state chosen by the command line, and the slots of application procedures the host calls.
//
// Owned by the main thread; written during static initialisation and at entry, read afterwards.
// The one slot written while both threads run is keyUpHook (the effect loop installs it), so it is
// atomic; every other slot is a plain pointer.
#pragma once

#include <atomic>
#include <cstdint>

struct HostConfig {
    int32_t windowWidth = 240;
    int32_t windowHeight = 180;
    uint32_t windowStyle = 0x80000000u;  // WS_POPUP
    const wchar_t* windowName = L"QCosole";
    const wchar_t* infoText =
        L"\nEsc - exit.\nOther controls are shown in the lower left corner after start.\n\n"
        L"\nEsc - \x0432\x044b\x0445\x043e\x0434.\n\n";
    const wchar_t* infoCaption = L"    Quelvari";
    const wchar_t* previewLabel = L"Q u e l v a r i";
    uint32_t clearColour = 0xff000000u;
    int32_t useProgramNameAsWindowName = 0;
    int32_t useCustomCursor = 0;
    int32_t workerPriority = 0;
    int32_t clipboardViewer = 0;
};
extern HostConfig hostConfig;

// Set by the command-line parse; fixed for the run.
struct ModeState {
    int32_t previewMode = 0;
    intptr_t previewParent = 0;  // window handle given after "/p"
    int32_t configureMode = 0;
};
extern ModeState modeState;

using HookProc = void (*)();

struct HookTable {
    // Window-message slots, fired by the window procedure after its own handling.
    HookProc clipboardChangedHook = nullptr;
    HookProc createHook = nullptr;
    HookProc destroyHook = nullptr;
    HookProc keyDownHook = nullptr;
    std::atomic<HookProc> keyUpHook{nullptr};
    HookProc copyHook = nullptr;
    HookProc pasteHook = nullptr;
    HookProc mouseMoveHook = nullptr;
    HookProc mouseWheelHook = nullptr;
    HookProc leftButtonUpHook = nullptr;
    HookProc leftButtonDoubleClickHook = nullptr;
    HookProc leftButtonDownHook = nullptr;
    HookProc middleButtonUpHook = nullptr;
    HookProc middleButtonDoubleClickHook = nullptr;
    HookProc middleButtonDownHook = nullptr;
    HookProc rightButtonUpHook = nullptr;
    HookProc rightButtonDoubleClickHook = nullptr;
    HookProc rightButtonDownHook = nullptr;
    HookProc paintHook = nullptr;

    // Host-level slots.
    HookProc appMain = nullptr;
    HookProc configureHook = nullptr;
    HookProc configureMain = nullptr;  // the host installs its default at start-up
    HookProc beforeCreateHook = nullptr;
    HookProc afterCreateHook = nullptr;
    HookProc previewPainter = nullptr;  // the host installs its default at start-up
    HookProc splashPainter = nullptr;
    HookProc viewChangedHook = nullptr;
    int32_t (*mayClearHook)() = nullptr;
    HookProc customClearHook = nullptr;
    void (*slowStateHook)(int32_t slow) = nullptr;
};
extern HookTable hookTable;

// Calls a slot if it holds a procedure; an empty slot is skipped.
inline void CallHook(HookProc hook) {
    if (hook) hook();
}
