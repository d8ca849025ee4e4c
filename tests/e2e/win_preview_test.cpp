// The application's preview painter in this process, drawing into a bitmap of the preview window's
// size: Wine shows nothing that one process paints into another's window, so its pixels are read
// here. Built twice: with the program's pictures, and without them (GYRATA_NO_PICTURES), where only
// the black fill may show.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/preview_screen.h"
#include "host/host_config.h"
#include "host/start_up.h"
#include "host/threads.h"
#include "host/win_host.h"
#include "sprite/image_decoder.h"
#include "sprite/sprite.h"

namespace {

std::vector<std::wstring> reports;
void RecordReport(const wchar_t* text) { reports.emplace_back(text); }

// A top-down 32-bit DIB section selected into a memory context, first filled with a colour the
// painter never uses.
struct PaintTarget {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* bits = nullptr;
    int32_t width, height;

    PaintTarget(int32_t w, int32_t h) : width(w), height(h) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* memory = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<uint32_t*>(memory);
        previous = SelectObject(dc, bitmap);
        for (int32_t i = 0; bits && i < w * h; ++i) bits[i] = 0x00FF00FFu;
    }
    ~PaintTarget() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t Rgb(int32_t x, int32_t y) const { return bits[y * width + x] & 0xFFFFFFu; }
};

TEST(WindowsPreviewTest, PictureUnscaledAtItsPlaceOnBlack) {
    InstallHostDefaults();
    InstallImageDecoder();
    runtimeErrorReport = RecordReport;
    SetUpApplicationPreview();
    ASSERT_NE(hookTable.previewPainter, nullptr);

    BaseSPR* picture = new BaseSPR(kPreviewPictureName);
#ifdef GYRATA_NO_PICTURES
    ASSERT_EQ(picture->pixels, nullptr);
    reports.clear();
#else
    ASSERT_NE(picture->pixels, nullptr);
    ASSERT_EQ(picture->width, kPreviewPictureWidth);
    ASSERT_EQ(picture->height, kPreviewPictureHeight);
#endif

    const struct {
        int32_t width, height, x, y;
    } cases[] = {{152, 112, 0, 0}, {153, 113, 0, 0}, {100, 80, -26, -16}, {300, 200, 74, 44}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        PaintTarget target(c.width, c.height);
        ASSERT_NE(target.bits, nullptr);
        windowDC = target.dc;
        previewClientRect = {0, 0, c.width, c.height};
        hookTable.previewPainter();
        GdiFlush();
        windowDC = nullptr;

        int64_t wrong = 0;
        std::string first;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const int32_t px = x - c.x, py = y - c.y;
                const bool inPicture =
                    picture->pixels && px >= 0 && py >= 0 && px < picture->width && py < picture->height;
                const uint32_t expected = inPicture ? picture->pixels[py * picture->width + px] & 0xFFFFFFu : 0u;
                if (target.Rgb(x, y) == expected) continue;
                if (++wrong == 1) first = std::to_string(x) + "," + std::to_string(y);
            }
        }
        EXPECT_EQ(wrong, 0) << "first at " << first;
        EXPECT_EQ(imageUserCount, 0) << "GDI+ is given back after each paint";
    }
    EXPECT_TRUE(reports.empty()) << "a missing preview picture is not reported";
    DestroySprite(picture);
    runtimeErrorReport = nullptr;
}

}  // namespace
