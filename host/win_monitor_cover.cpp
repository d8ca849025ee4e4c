// The black windows over what the full-screen window leaves of the other monitors. Each is owned by
// the main window, so the system keeps it above its owner and destroys it with it; none takes the
// activation, and every key, click and close it receives goes on to the main window, so the saver
// behaves the same whichever monitor the user looks at.
#include <windows.h>

#include <windowsx.h>

#include <string>
#include <vector>

#include "host/host_config.h"
#include "host/monitor_cover.h"
#include "host/win_host.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM list) {
    reinterpret_cast<std::vector<ScreenRect>*>(list)->push_back({rect->left, rect->top, rect->right, rect->bottom});
    return TRUE;
}

// A mouse message's position is in the receiving window's client coordinates.
LPARAM PositionInMainWindow(HWND cover, LPARAM lParam) {
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(cover, hostWindow, &point, 1);
    return MAKELPARAM(point.x, point.y);
}

LRESULT CALLBACK CoverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;  // the click itself still arrives, below
    case WM_SETFOCUS:
        SetFocus(hostWindow);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_MOUSEWHEEL:  // its position is in screen coordinates already
        return SendMessageW(hostWindow, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return SendMessageW(hostWindow, message, wParam, PositionInMainWindow(window, lParam));
    case WM_CLOSE:
        // The main window's close protocol decides; a close it grants destroys this window too.
        return SendMessageW(hostWindow, WM_CLOSE, wParam, lParam);
    default:
        // Painting is the class's black background; a display change is the main window's to handle.
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void CoverOtherMonitors(HWND mainWindow, HINSTANCE instance) {
    std::vector<ScreenRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    RECT main;
    GetWindowRect(mainWindow, &main);
    const std::vector<ScreenRect> cover = RectsToCover(monitors, {main.left, main.top, main.right, main.bottom});
    if (cover.empty()) return;

    // Without the class or a window the saver goes on as on a single monitor.
    static const std::wstring className = std::wstring(hostConfig.windowName) + L" : cover";
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = CoverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = reinterpret_cast<HCURSOR>(GetClassLongPtrW(mainWindow, GCLP_HCURSOR));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassW(&windowClass)) return;
    for (const ScreenRect& r : cover) {
        HWND window = CreateWindowExW(WS_EX_NOACTIVATE, className.c_str(), className.c_str(), WS_POPUP, r.left, r.top,
                                      r.right - r.left, r.bottom - r.top, mainWindow, nullptr, instance, nullptr);
        if (!window) continue;
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
    }
}
