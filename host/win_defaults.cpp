// The host's own defaults on Windows: the procedures in slots the application may leave empty, the
// out-of-memory report and the real clocks of the frame pacing.
#include <windows.h>

#include "host/host_config.h"
#include "host/threads.h"
#include "host/win_host.h"

namespace {

void DefaultConfigureMain() {
    for (;;) Sleep(1000);
}

// The parent's client area in dark grey, a grey panel and the label.
void DefaultPreviewPainter() {
    HDC dc = windowDC;
    FillRect(dc, &previewClientRect, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
    const RECT panel = {5, 5, 147, 107};
    FillRect(dc, &panel, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SetBkColor(dc, RGB(0x7F, 0x7F, 0x7F));
    SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    const wchar_t* label = hostConfig.previewLabel;
    TextOutW(dc, 76, 47, label, static_cast<int>(wcslen(label)));
}

}  // namespace

void InstallHostDefaults() {
    hookTable.configureMain = DefaultConfigureMain;
    hookTable.previewPainter = DefaultPreviewPainter;
    outOfMemoryReport = ReportOutOfMemory;
    runtimeErrorReport = ReportRuntimeError;
    InstallWindowsPacing();
}
