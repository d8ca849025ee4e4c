// The window side of the host: the entry point's modes, the window classes and windows, the window
// procedure of both windows, the close protocol, the EffectThread and the out-of-memory report.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "host/frame_buffer.h"
#include "host/host_config.h"
#include "host/platform.h"
#include "host/start_up.h"
#include "host/threads.h"
#include "host/win_host.h"
#include "text_input/input_state.h"

HWND hostWindow = nullptr;
HINSTANCE hostInstance = nullptr;
HDC windowDC = nullptr;
RECT previewClientRect;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

HANDLE workerThread = nullptr;
HWND nextClipboardViewer = nullptr;

std::vector<std::wstring> SplitCommandLine() {
    std::vector<std::wstring> args;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return args;
    for (int i = 0; i < count; ++i) args.emplace_back(list[i]);
    LocalFree(list);
    return args;
}

void KillHostTimer(uint32_t timerId) { KillTimer(hostWindow, timerId); }

// Ends the program where it stands, with exit code 0. Stopping only the EffectThread could leave a
// lock it held (heap, GDI) taken for good, and the main thread would then hang on its way out; ending
// the whole process keeps what the user sees (the window goes at once, the settings are not saved)
// without that risk.
[[noreturn]] void EndProgramNow() {
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
}

LRESULT CloseProtocol(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (DecideClose(threadState.mainFinished.load(relaxed), threadState.closeAllowed.load(relaxed),
                        hookTable.appMain != nullptr)) {
    case CloseAction::EndEffectThread:
        EndProgramNow();
    case CloseAction::Close:
        return DefWindowProcW(window, WM_CLOSE, wParam, lParam);
    case CloseAction::Refuse:
        break;
    }
    return 1;
}

void RecordButton(InputFlag& event, InputFlag& button, HookProc hook) {
    event.store(1, relaxed);
    button.store(1, relaxed);
    CallHook(hook);
}

LRESULT PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        windowDC = BeginPaint(window, &paint);
        CallHook(hookTable.previewPainter);
        EndPaint(window, &paint);
        windowDC = nullptr;  // the paint context is gone after EndPaint
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (modeState.previewMode) return PreviewWindowProc(window, message, wParam, lParam);
    InputState& input = inputState;
    HookTable& hooks = hookTable;
    switch (message) {
    case WM_CREATE:
        hostWindow = window;
        if (hostConfig.clipboardViewer) nextClipboardViewer = SetClipboardViewer(window);
        CallHook(hooks.createHook);
        return 0;
    case WM_DESTROY:
        if (hostConfig.clipboardViewer) ChangeClipboardChain(window, nextClipboardViewer);
        CallHook(hooks.destroyHook);
        if (windowDC) {
            ReleaseDC(window, windowDC);
            windowDC = nullptr;
        }
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        // Before GetDC the window stays invalid and a later WM_PAINT paints it.
        if (windowDC) {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            if (modeState.configureMode)
                CallHook(hooks.configureHook);
            else
                PresentRect(0, 0, hostConfig.windowWidth, hostConfig.windowHeight);
            EndPaint(window, &paint);
        }
        CallHook(hooks.paintHook);
        return 0;
    case WM_CLOSE:
        return CloseProtocol(window, wParam, lParam);
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize.x = hostConfig.windowWidth;
        info->ptMaxTrackSize.y = hostConfig.windowHeight;
        return 0;
    }
    case WM_DISPLAYCHANGE:
        if (memoryDC) {
            MessageBoxW(window,
                        L"Adequate Desktop Resizing or Rotation on the fly - not support.  \n"
                        L"Run this program after these operations, please.",
                        hostConfig.windowName, MB_OK);
            SendMessageW(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_KEYDOWN:
        InputKeyDown(static_cast<uint32_t>(wParam));
        CallHook(hooks.keyDownHook);
        return 0;
    case WM_KEYUP:
        InputKeyUp(static_cast<uint32_t>(wParam));
        CallHook(hooks.keyUpHook.load(relaxed));
        return 0;
    case WM_TIMER:
        TimerTick(static_cast<uint32_t>(wParam), KillHostTimer);
        return 0;
    case WM_MOUSEMOVE:
        InputMouseMove(static_cast<int32_t>(LOWORD(lParam)), static_cast<int32_t>(HIWORD(lParam)));
        CallHook(hooks.mouseMoveHook);
        return 0;
    case WM_LBUTTONDOWN:
        RecordButton(input.buttonDown, input.leftButton, hooks.leftButtonDownHook);
        return 0;
    case WM_LBUTTONUP:
        RecordButton(input.buttonUp, input.leftButton, hooks.leftButtonUpHook);
        return 0;
    case WM_LBUTTONDBLCLK:
        RecordButton(input.buttonDoubleClick, input.leftButton, hooks.leftButtonDoubleClickHook);
        return 0;
    case WM_MBUTTONDOWN:
        RecordButton(input.buttonDown, input.middleButton, hooks.middleButtonDownHook);
        return 0;
    case WM_MBUTTONUP:
        RecordButton(input.buttonUp, input.middleButton, hooks.middleButtonUpHook);
        return 0;
    case WM_MBUTTONDBLCLK:
        RecordButton(input.buttonDoubleClick, input.middleButton, hooks.middleButtonDoubleClickHook);
        return 0;
    case WM_RBUTTONDOWN:
        RecordButton(input.buttonDown, input.rightButton, hooks.rightButtonDownHook);
        return 0;
    case WM_RBUTTONUP:
        RecordButton(input.buttonUp, input.rightButton, hooks.rightButtonUpHook);
        return 0;
    case WM_RBUTTONDBLCLK:
        RecordButton(input.buttonDoubleClick, input.rightButton, hooks.rightButtonDoubleClickHook);
        return 0;
    case WM_MOUSEWHEEL:
        input.wheelParam.store(static_cast<uint32_t>(wParam), relaxed);
        CallHook(hooks.mouseWheelHook);
        return 0;
    case WM_COPY:
        CallHook(hooks.copyHook);
        return 0;
    case WM_PASTE:
        CallHook(hooks.pasteHook);
        return 0;
    case WM_DRAWCLIPBOARD:
        CallHook(hooks.clipboardChangedHook);
        if (hostConfig.clipboardViewer && nextClipboardViewer)
            SendMessageW(nextClipboardViewer, WM_DRAWCLIPBOARD, 0, 0);
        return 0;
    case WM_CHANGECBCHAIN:
        if (hostConfig.clipboardViewer) {
            if (reinterpret_cast<HWND>(wParam) == nextClipboardViewer)
                nextClipboardViewer = reinterpret_cast<HWND>(lParam);
            else if (nextClipboardViewer)
                SendMessageW(nextClipboardViewer, WM_CHANGECBCHAIN, wParam, lParam);
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

DWORD WINAPI EffectThreadProc(void*) {
    Sleep(10);
    threadState.mainFinished.store(0, relaxed);
    threadState.closeAllowed.store(0, relaxed);
    CallHook(hookTable.appMain);
    threadState.closeAllowed.store(1, relaxed);  // before mainFinished: a finished appMain is never ended
    threadState.mainFinished.store(1, relaxed);
    SendMessageW(hostWindow, WM_CLOSE, 0, 0);
    return 0;
}

void StartEffectThread() {
    threadState.closeAllowed.store(1, relaxed);
    if (!hookTable.appMain) return;
    workerThread = CreateThread(nullptr, 0, EffectThreadProc, hostWindow, 0, nullptr);
    if (hostConfig.workerPriority == 2)
        SetThreadPriority(workerThread, THREAD_PRIORITY_TIME_CRITICAL);
    else if (hostConfig.workerPriority == 1)
        SetThreadPriority(workerThread, THREAD_PRIORITY_HIGHEST);
}

// The preview: a disabled child filling the parent's client area, painted by previewPainter only.
int32_t CreatePreviewWindow(HINSTANCE instance) {
    HWND parent = reinterpret_cast<HWND>(modeState.previewParent);
    GetClientRect(parent, &previewClientRect);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_PARENTDC;
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = hostConfig.windowName;
    if (!RegisterClassExW(&windowClass)) return 0;
    hostWindow =
        CreateWindowExW(0, hostConfig.windowName, hostConfig.windowName, WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0,
                        previewClientRect.right, previewClientRect.bottom, parent, nullptr, instance, nullptr);
    return hostWindow != nullptr;
}

int32_t CreateTopLevelWindow(HINSTANCE instance, int showCommand) {
    if (modeState.configureMode) {
        hostConfig.windowStyle = WS_CAPTION | WS_SYSMENU;
        hostConfig.windowWidth = hostConfig.windowHeight = 240;
        hookTable.appMain = hookTable.configureMain;
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"ICON_MAIN");
    if (!windowClass.hIcon) windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor =
        hostConfig.useCustomCursor ? LoadCursorW(instance, L"USER_CURSOR") : LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = hostConfig.windowName;
    if (!RegisterClassW(&windowClass)) return 0;

    CallHook(hookTable.beforeCreateHook);
    const int32_t width = hostConfig.windowWidth, height = hostConfig.windowHeight;
    HWND window = CreateWindowExW(0, hostConfig.windowName, hostConfig.windowName, hostConfig.windowStyle,
                                  CentredPosition(GetSystemMetrics(SM_CXSCREEN), width),
                                  CentredPosition(GetSystemMetrics(SM_CYSCREEN), height), width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 0;
    hostWindow = window;
    hostInstance = instance;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    if (!modeState.configureMode) CoverOtherMonitors(window, instance);
    windowDC = GetDC(window);
    // The back buffer of the start-up had no window to show a splash on or to time it: made again
    // now, it runs the splash on this thread, which owns the window and so receives the timer.
    if (!modeState.configureMode && hookTable.splashPainter) CreateBackBuffer();
    StartEffectThread();
    if (!modeState.configureMode) ShowCursor(TRUE);
    return 1;
}

}  // namespace

int RunHost(HINSTANCE instance, int showCommand) {
    const std::vector<std::wstring> args = SplitCommandLine();
    StoreProgramPath(args.empty() ? std::wstring() : args[0]);
    if (hostConfig.useProgramNameAsWindowName) hostConfig.windowName = programBaseName;

    LaunchMode mode;
    if (!ParseCommandLine(args, &mode)) {
        if (mode == LaunchMode::InfoBox) MessageBoxW(hostWindow, hostConfig.infoText, hostConfig.infoCaption, MB_OK);
        return 0;
    }
    // Without a window there is nothing to run: end quietly, as a failed class registration does.
    const int32_t created =
        modeState.previewMode ? CreatePreviewWindow(instance) : CreateTopLevelWindow(instance, showCommand);
    if (!created) return 0;
    CallHook(hookTable.afterCreateHook);

    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (windowDC) {
        ReleaseDC(hostWindow, windowDC);
        windowDC = nullptr;
    }
    return static_cast<int>(message.wParam);
}

void ReportRuntimeError(const wchar_t* text) {
    MessageBoxW(hostWindow, text, L"Process Runtime Error", MB_ICONERROR);
    if (hostWindow) SendMessageW(hostWindow, WM_CLOSE, 0, 0);
}

void ReportOutOfMemory() {
    ReportRuntimeError(L"Out of memory");
    // Still here: the close could not stop the caller (no window yet, or appMain not running), and the
    // caller has no memory to go on with.
    EndProgramNow();
}
