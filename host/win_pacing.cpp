// The frame pacing's clocks on Windows: the performance counter, timeGetTime (1 ms resolution from
// start-up), Sleep, DirectDraw's vertical-blank wait, and the display frequency of each monitor.
// Where the vertical-blank wait returns at once (no real display behind it), the pacing measures a
// 0 ms period and falls back to the counter by itself.
#include <windows.h>

#include <ddraw.h>
#include <mmsystem.h>

#include "host/pacing.h"
#include "host/win_host.h"

namespace {

IDirectDraw* directDraw = nullptr;

uint64_t ReadCounter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}

uint64_t ReadFrequency() {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency)) return 0;
    return static_cast<uint64_t>(frequency.QuadPart);
}

uint32_t ReadMilliseconds() { return timeGetTime(); }

void SleepFor(uint32_t ms) { Sleep(ms); }

void CloseDirectDraw() {
    if (!directDraw) return;
    directDraw->Release();
    directDraw = nullptr;
}

int32_t OpenDirectDraw() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version) || version.dwMajorVersion < 6) return 0;
    if (DirectDrawCreate(nullptr, &directDraw, nullptr) != DD_OK) {
        directDraw = nullptr;
        return 0;
    }
    return 1;
}

void WaitForBlankEnd() {
    if (directDraw) directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKEND, nullptr);
}

BOOL CALLBACK RecordMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsExW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode, EDS_RAWMODE);
    RecordRefreshRate(mode.dmDisplayFrequency);
    return TRUE;
}

void ReadMonitorRates() { EnumDisplayMonitors(nullptr, nullptr, RecordMonitor, 0); }

}  // namespace

void InstallWindowsPacing() {
    pacingPlatform = {ReadCounter,    ReadFrequency,   ReadMilliseconds, SleepFor,
                      OpenDirectDraw, WaitForBlankEnd, CloseDirectDraw,  ReadMonitorRates};
}
