// The application's start-up settings: its window name, clear colour and full-screen back buffer, its
// texts, and its appMain. The host's start-up routine calls these two set-ups last, in this order.
#include "host/frame_buffer.h"
#include "host/host_config.h"
#include "host/platform.h"
#include "host/start_up.h"
#include "text_input/input_state.h"

namespace {

constexpr uint32_t kSquareColour = 0xff2f6fbfu;
constexpr uint32_t kBarColour = 0xffe0e0e0u;
constexpr int32_t kEscapeKey = 0x1B;

void FillViewRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    for (int32_t y = y0; y <= y1 && y <= frameBuffer.maxY; ++y)
        for (int32_t x = x0; x <= x1 && x <= frameBuffer.maxX; ++x) *ViewPixel(x, y) = colour;
}

// Until the spiral lands: a still square in the middle and a bar sweeping along the top, until Esc.
void PlaceholderMain() {
    SetUpPacing();
    RaiseWindow();
    for (int32_t frame = 0; !inputState.keyReleased[kEscapeKey].load(std::memory_order_relaxed); ++frame) {
        ClearView();
        const int32_t cx = frameBuffer.maxX / 2, cy = frameBuffer.maxY / 2;
        FillViewRect(cx - 100, cy - 100, cx + 100, cy + 100, kSquareColour);
        const int32_t barX = frame * 8 % (frameBuffer.maxX + 1);
        FillViewRect(barX, 0, barX + 15, 39, kBarColour);
        Present();
    }
    ReleaseBackBuffer();
}

}  // namespace

void SetUpApplicationDisplay() {
    hostConfig.windowName = L"Tarnwick : Gyrata";
    hostConfig.clearColour = 0xff000000u;
    SetFullScreenSize();
    hookTable.appMain = PlaceholderMain;
    CreateBackBuffer();
}

void SetUpApplicationTexts() {
    hostConfig.infoText = L"\nExit - key Esc  \n\nHelp - key F1  \n\n";
    hostConfig.infoCaption = L"    Tarnwick";
    hostConfig.previewLabel = L"T a r n w i c k";
}
