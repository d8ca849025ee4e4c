// The back buffer as a DIB section selected into a memory device context, and its copies to the
// window: PresentRect for WM_PAINT on the main thread, Present for each paced frame of the
// EffectThread. Both copy without a lock; a partly drawn frame may reach the window.
#include "host/frame_buffer.h"
#include "host/host_config.h"
#include "host/pacing.h"
#include "host/platform.h"
#include "host/start_up.h"
#include "host/threads.h"
#include "host/win_host.h"

HDC memoryDC = nullptr;

namespace {

HBITMAP dibSection = nullptr;
HGDIOBJ previousBitmap = nullptr;

void DeleteBitmapObjects() {
    if (!memoryDC) return;
    SelectObject(memoryDC, previousBitmap);
    DeleteObject(dibSection);
    DeleteDC(memoryDC);
    memoryDC = nullptr;
    dibSection = nullptr;
    previousBitmap = nullptr;
}

}  // namespace

void SetFullScreenSize() {
    const int32_t width = FullScreenWidth(GetSystemMetrics(SM_CXSCREEN));
    const int32_t height = GetSystemMetrics(SM_CYSCREEN);
    hostConfig.windowWidth = frameBuffer.width = width;
    hostConfig.windowHeight = frameBuffer.height = height;
    if (frameBuffer.pixels) RecomputeView();
}

int32_t CreateBackBuffer() {
    DeleteBitmapObjects();

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = hostConfig.windowWidth;
    info.bmiHeader.biHeight = hostConfig.windowHeight;  // positive: bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    memoryDC = CreateCompatibleDC(windowDC);
    if (!memoryDC) {
        frameBuffer.pixels = nullptr;
        return 0;
    }
    void* bits = nullptr;
    dibSection = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dibSection || !bits) {
        // Without pixel memory nothing can be drawn; a screen this large has no buffer to offer.
        DeleteDC(memoryDC);
        memoryDC = nullptr;
        if (dibSection) DeleteObject(dibSection);
        dibSection = nullptr;
        frameBuffer.pixels = nullptr;
        ReportOutOfMemory();
        return 0;
    }
    previousBitmap = SelectObject(memoryDC, dibSection);

    frameBuffer.clearColour = hostConfig.clearColour;
    AttachPixels(static_cast<uint32_t*>(bits), hostConfig.windowWidth, hostConfig.windowHeight);
    if (hookTable.splashPainter) {
        hookTable.splashPainter();
        SetTimer(hostWindow, kFirstTimerId + static_cast<uint32_t>(splashSlot), 1000, nullptr);
        timerSlots.timerFlag[splashSlot].store(1, std::memory_order_relaxed);
        timerSlots.timerOneShot[splashSlot].store(1, std::memory_order_relaxed);
    } else {
        FillWholeBuffer();
    }
    return 1;
}

void ReleaseBackBuffer() {
    DeleteBitmapObjects();
    frameBuffer.pixels = nullptr;
    pacingPlatform.closeVerticalBlank();
}

void PresentRect(int32_t x, int32_t y, int32_t w, int32_t h) { BitBlt(windowDC, x, y, w, h, memoryDC, x, y, SRCCOPY); }

void Present() {
    UpdateLoad();
    StampFrame();
    const FrameBuffer& fb = frameBuffer;
    if (fb.matchesWindow)
        BitBlt(windowDC, fb.viewLeft, fb.viewTop, fb.viewWidth, fb.viewHeight, memoryDC, fb.viewLeft, fb.viewTop,
               SRCCOPY);
}

void SleepMs(int32_t ms) { Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0); }

void RaiseWindow() { SetWindowPos(hostWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

int32_t SplashTimerRunning() {
    if (splashSlot < 0) return 0;
    return timerSlots.timerFlag[splashSlot].load(std::memory_order_relaxed) != 0;
}
