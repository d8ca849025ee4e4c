#include "host/frame_buffer.h"

#include <algorithm>
#include <cstddef>

#include "host/host_config.h"

FrameBuffer frameBuffer;

namespace {

// Storage behind frameBuffer.rows, sized for the buffer's height. Plain values, so that they are
// initialised before any start-up code runs, whatever order the linker gives the initialisers.
uint32_t** rowTable = nullptr;
int32_t rowTableSize = 0;

void EnsureRowTable(int32_t height) {
    if (height <= rowTableSize) return;
    delete[] rowTable;
    rowTable = new uint32_t*[static_cast<size_t>(height)]();
    rowTableSize = height;
}

void StoreView(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    FrameBuffer& fb = frameBuffer;
    int32_t left, top, right, bottom;
    if (x0 == -1) {
        left = 0, top = 0, right = fb.width - 1, bottom = fb.height - 1;
    } else {
        left = std::max(std::min(x0, x1), 0);
        right = std::min(std::max(x0, x1), fb.width - 1);
        top = std::max(std::min(y0, y1), 0);
        bottom = std::min(std::max(y0, y1), fb.height - 1);
    }
    fb.viewLeft = left, fb.viewTop = top, fb.viewRight = right, fb.viewBottom = bottom;

    fb.viewWidth = right - left + 1;
    fb.maxX = right - left;
    fb.viewHeight = bottom - top + 1;
    fb.maxY = bottom - top;
    fb.viewArea = fb.viewWidth * fb.viewHeight;
    fb.pitch = (1 - 2 * fb.bottomUp) * fb.width * 4;
    fb.maxXf = static_cast<float>(fb.maxX) + 0.5f;
    fb.maxYf = static_cast<float>(fb.maxY) + 0.5f;
    fb.viewIsFullWidth = fb.viewWidth == fb.width;
    fb.matchesWindow = fb.width == hostConfig.windowWidth && fb.height == hostConfig.windowHeight;

    EnsureRowTable(std::max(fb.height, 1));
    fb.rows = rowTable;
    if (!fb.pixels || fb.maxY < 0 || fb.maxX < 0) {
        fb.viewBase = nullptr;
        return;
    }
    // Pointer arithmetic in whole pixels; a bottom-up buffer stores the view's top row highest.
    const intptr_t stride = fb.width;
    if (fb.bottomUp) {
        uint32_t* first = fb.pixels + (static_cast<intptr_t>(fb.height - top - 1) * stride + left);
        for (int32_t y = 0; y <= fb.maxY; ++y) fb.rows[y] = first - stride * y;
        fb.viewBase = fb.rows[fb.maxY];
    } else {
        uint32_t* first = fb.pixels + (static_cast<intptr_t>(top) * stride + left);
        for (int32_t y = 0; y <= fb.maxY; ++y) fb.rows[y] = first + stride * y;
        fb.viewBase = fb.rows[0];
    }
}

void FillPixels(uint32_t* p, size_t count, uint32_t colour) { std::fill(p, p + count, colour); }

}  // namespace

void SetView(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    StoreView(x0, y0, x1, y1);
    CallHook(hookTable.viewChangedHook);
}

void RecomputeView() {
    const FrameBuffer& fb = frameBuffer;
    StoreView(fb.viewLeft, fb.viewTop, fb.viewRight, fb.viewBottom);
}

void ClearView() {
    if (hookTable.mayClearHook && hookTable.mayClearHook() == 0) return;
    if (hookTable.customClearHook) {
        hookTable.customClearHook();
        return;
    }
    FrameBuffer& fb = frameBuffer;
    if (!fb.pixels) return;
    if (fb.viewIsFullWidth) {
        FillPixels(fb.viewBase, static_cast<size_t>(fb.viewArea), fb.clearColour);
        return;
    }
    for (int32_t y = 0; y < fb.viewHeight; ++y)
        FillPixels(fb.rows[y], static_cast<size_t>(fb.viewWidth), fb.clearColour);
}

void AttachPixels(uint32_t* pixels, int32_t width, int32_t height) {
    frameBuffer.pixels = pixels;
    frameBuffer.width = width;
    frameBuffer.height = height;
    RecomputeView();
    CallHook(hookTable.viewChangedHook);
}

void FillWholeBuffer() {
    if (!frameBuffer.pixels) return;
    FillPixels(frameBuffer.pixels, static_cast<size_t>(frameBuffer.width) * static_cast<size_t>(frameBuffer.height),
               frameBuffer.clearColour);
}
