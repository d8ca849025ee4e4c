#include "host/headless_buffer.h"

#include <cstddef>
#include <new>

#include "host/frame_buffer.h"
#include "host/host_config.h"

namespace {
uint32_t* headlessPixels = nullptr;
}

int32_t CreateHeadlessBuffer(int32_t width, int32_t height) {
    ReleaseHeadlessBuffer();
    if (width <= 0 || height <= 0) return 0;
    headlessPixels = new (std::nothrow) uint32_t[static_cast<std::size_t>(width) * static_cast<std::size_t>(height)];
    if (!headlessPixels) return 0;
    hostConfig.windowWidth = width;
    hostConfig.windowHeight = height;
    frameBuffer.viewLeft = frameBuffer.viewTop = frameBuffer.viewRight = frameBuffer.viewBottom = -1;
    AttachPixels(headlessPixels, width, height);
    FillWholeBuffer();
    return 1;
}

void ReleaseHeadlessBuffer() {
    if (!headlessPixels) return;
    if (frameBuffer.pixels == headlessPixels) AttachPixels(nullptr, frameBuffer.width, frameBuffer.height);
    delete[] headlessPixels;
    headlessPixels = nullptr;
}
