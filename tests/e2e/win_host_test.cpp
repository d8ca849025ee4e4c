// The Windows layer in this process: frame pacing with the real clocks (which way of waiting
// SetUpPacing chooses here, and that paced frames leave at the target rate), and the default preview
// painter drawing into a bitmap of the preview's size.
#include <windows.h>

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "host/host_config.h"
#include "host/pacing.h"
#include "host/win_host.h"

namespace {

TEST(WindowsPacingTest, PacedFramesLeaveAtTheTargetRate) {
    timeBeginPeriod(1);
    InstallWindowsPacing();
    SetUpPacing();
    const FramePacing& p = framePacing;
    // What the vertical-blank wait does here, for the record.
    const int32_t opened = pacingPlatform.openVerticalBlank();
    const DWORD before = timeGetTime();
    for (int32_t i = 0; i < 10 && opened; ++i) pacingPlatform.waitForVerticalBlank();
    std::printf("vertical blank: %s; 10 waits took %lu ms\n", opened ? "available" : "not available",
                timeGetTime() - before);
    pacingPlatform.closeVerticalBlank();
    std::printf(
        "useVsync %d, usePerformanceCounter %d (frequency %llu), refreshPeriodMs %d, targetFps %d, first monitor %u "
        "Hz\n",
        p.useVsync, p.usePerformanceCounter, static_cast<unsigned long long>(p.performanceFrequency), p.refreshPeriodMs,
        p.targetFps, p.refreshRates[0]);
    ASSERT_GE(p.targetFps, 20);
    ASSERT_LE(p.targetFps, 80);
    if (p.useVsync) {
        EXPECT_GT(p.refreshPeriodMs, 0);
    }

    const int32_t frames = 60;
    UpdateLoad();
    StampFrame();
    const DWORD start = timeGetTime();
    for (int32_t i = 0; i < frames; ++i) {
        Sleep(2);  // a little drawing
        UpdateLoad();
        StampFrame();
    }
    const double seconds = (timeGetTime() - start) / 1000.0;
    const double fps = frames / seconds;
    std::printf("%d frames in %.3f s: %.2f frames per second\n", frames, seconds, fps);
    EXPECT_NEAR(fps, p.targetFps, p.targetFps * 0.1);
    EXPECT_LT(p.averageLoad, 1.0f);
    pacingPlatform.closeVerticalBlank();
}

uint32_t PixelAt(const uint32_t* bits, int32_t x, int32_t y) { return bits[y * 152 + x] & 0xFFFFFFu; }

TEST(DefaultPreviewPainterTest, DarkGreyAreaGreyPanelAndTheLabel) {
    InstallHostDefaults();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 152;
    info.bmiHeader.biHeight = -112;  // top-down, so rows read in screen order
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (int32_t i = 0; i < 152 * 112; ++i) static_cast<uint32_t*>(bits)[i] = 0x00FF00FFu;

    windowDC = dc;
    previewClientRect = {0, 0, 152, 112};
    hostConfig.previewLabel = L"T a r n w i c k";
    hookTable.previewPainter();
    GdiFlush();

    const uint32_t darkGrey = 0x404040u, grey = 0x808080u, white = 0xFFFFFFu;
    // The whole client area outside the panel is dark grey.
    for (int32_t x = 0; x < 152; ++x) {
        for (int32_t y : {0, 4, 107, 111}) EXPECT_EQ(PixelAt(pixels, x, y), darkGrey) << x << "," << y;
    }
    for (int32_t y = 0; y < 112; ++y) {
        for (int32_t x : {0, 4, 147, 151}) EXPECT_EQ(PixelAt(pixels, x, y), darkGrey) << x << "," << y;
    }
    // The panel covers (5, 5) to (146, 106): its corners and the rows above and below the label.
    for (int32_t x = 5; x <= 146; ++x) {
        for (int32_t y : {5, 20, 106}) EXPECT_EQ(PixelAt(pixels, x, y), grey) << x << "," << y;
    }
    // The label: white text from row 47 down, centred on column 76, on the panel grey.
    int32_t whiteCount = 0, left = 152, right = -1, top = 112;
    for (int32_t y = 5; y <= 106; ++y) {
        for (int32_t x = 5; x <= 146; ++x) {
            const uint32_t p = PixelAt(pixels, x, y);
            if (p == white) {
                ++whiteCount;
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y);
            } else {
                EXPECT_TRUE(p == grey || p == 0x7F7F7Fu || (p & 0xFF) == ((p >> 8) & 0xFF)) << std::hex << p;
            }
        }
    }
    EXPECT_GT(whiteCount, 20);
    EXPECT_GE(top, 47);
    EXPECT_LE(std::abs((left + right) / 2 - 76), 3) << left << ".." << right;

    windowDC = nullptr;
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
