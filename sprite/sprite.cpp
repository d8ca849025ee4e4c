#include "sprite/sprite.h"

#include <cstddef>
#include <cstring>

#include "host/frame_buffer.h"
#include "host/threads.h"
#include "raster/blend.h"
#include "sprite/disc.h"
#include "sprite/image_decoder.h"

uint32_t loadTint = kNoTint;
ImageDecoder imageDecoder;
int32_t imageUserCount = 0;

const wchar_t* const kDecoderMissingText = L"GDI+ (WindowsXP or later) support not present";
const wchar_t* const kImageNotFoundText = L"BaseSPR : Load : JPG, GIF, PNG or BMP Resource Not Found";

namespace {

void Report(const wchar_t* text) {
    if (runtimeErrorReport) runtimeErrorReport(text);
}

// Decodes the image of that name into sprite's pixels. A lock that fails leaves the sprite empty:
// its memory is never read.
void DecodeInto(BaseSPR& sprite, const wchar_t* name) {
    void* image = imageDecoder.open ? imageDecoder.open(name) : nullptr;
    if (!image) {
        EndImageUse();
        Report(kImageNotFoundText);
        return;
    }
    LockedImage locked;
    if (imageDecoder.lock(image, &locked)) {
        const size_t count = static_cast<size_t>(locked.width) * static_cast<size_t>(locked.height);
        uint32_t* pixels = locked.width > 0 && locked.height > 0 && count <= SIZE_MAX / 4
                               ? static_cast<uint32_t*>(AllocAligned(count * 4))
                               : nullptr;
        if (pixels) {
            sprite.alphaVaries = ConvertLockedPixels(locked, loadTint, pixels);
            sprite.pixels = pixels;
            sprite.width = locked.width;
            sprite.height = locked.height;
            sprite.sourceName = name;
        }
        imageDecoder.unlock(image);
    }
    imageDecoder.close(image);
    EndImageUse();
}

}  // namespace

int32_t BeginImageUse() {
    if (imageUserCount == 0 && !(imageDecoder.startUp && imageDecoder.startUp())) {
        Report(kDecoderMissingText);
        return 0;
    }
    ++imageUserCount;
    return 1;
}

void EndImageUse() {
    if (imageUserCount <= 0) return;
    if (--imageUserCount == 0 && imageDecoder.shutDown) imageDecoder.shutDown();
}

int32_t ConvertLockedPixels(const LockedImage& image, uint32_t tint, uint32_t* out) {
    const bool tinted = (tint & 0xFFFFFFu) != 0xFFFFFFu;
    const uint32_t tb = tint & 0xFF, tg = (tint >> 8) & 0xFF, tr = (tint >> 16) & 0xFF;
    uint32_t first;
    std::memcpy(&first, image.firstRow, 4);
    const uint32_t firstAlpha = first >> 24;
    int32_t alphaVaries = 0;
    for (int32_t y = 0; y < image.height; ++y) {
        const unsigned char* row = image.firstRow + static_cast<ptrdiff_t>(y) * image.stride;
        for (int32_t x = 0; x < image.width; ++x, ++out) {
            uint32_t s;
            std::memcpy(&s, row + 4 * static_cast<size_t>(x), 4);
            if (tinted) {
                s = (s & 0xFF000000u) | ((((s >> 16) & 0xFF) * tr >> 8) << 16) | ((((s >> 8) & 0xFF) * tg >> 8) << 8) |
                    ((s & 0xFF) * tb >> 8);
            }
            *out = s;
            alphaVaries |= (s >> 24) != firstAlpha;
        }
    }
    return alphaVaries;
}

BaseSPR::BaseSPR(const wchar_t* name) { Load(name); }

int32_t BaseSPR::Load(const wchar_t* name) {
    FreeAligned(pixels);
    pixels = nullptr;
    sourceName = nullptr;
    alphaVaries = 0;
    if (name && BeginImageUse()) DecodeInto(*this, name);
    dotSize = 0;
    dotGap = 1;
    rowShift = 0;
    loadTint = kNoTint;
    return pixels ? 1 : 0;
}

void PlaceSprite(int32_t dotSize, int32_t dotGap, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t flags,
                 SpriteRect* destRect) {
    if (dotSize != 0) {
        width = width * (dotSize + dotGap) - dotGap;
        height = height * (dotSize + dotGap) - dotGap;
    }
    const int32_t w = frameBuffer.viewWidth, h = frameBuffer.viewHeight;
    int32_t left = x, top = y;
    switch (flags & 0x30) {
    case 0x10:
        left = w - x - width;
        break;
    case 0x20:
        left = (w / 2 - width / 2) + x;
        break;
    default:
        break;
    }
    switch (flags & 0xC0) {
    case 0x40:
        top = h - y - height;
        break;
    case 0x80:
        top = (h / 2 - height / 2) + y;
        break;
    default:
        break;
    }
    *destRect = {left, top, left + width - 1, top + height - 1};
}

void DrawSprite(const BaseSPR* sprite) {
    if (!sprite->pixels) return;
    const SpriteRect& r = sprite->destRect;
    const BlendMode mode = sprite->blendMode;
    if (sprite->dotSize == 0) {
        DrawBlock(r.left, r.top, r.right, r.bottom, sprite->pixels, mode);
    } else {
        DrawDots(sprite->dotGap, sprite->dotSize, r.left, r.top, mode, sprite->width, sprite->height, sprite->pixels,
                 sprite->rowShift);
    }
}

void DestroySprite(BaseSPR* sprite) {
    if (!sprite) return;
    FreeAligned(sprite->pixels);
    delete sprite;
}
