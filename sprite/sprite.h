// Sprites: a decoded image held as 32-bit pixels (0xAARRGGBB, top row first, 16-byte aligned) with
// how and where it is drawn on the view: as a block through DrawBlock, or in dot mode as one fast
// disc per pixel.
//
// Load decodes through the platform's image decoder (image_decoder.h: GDI+ on Windows, gdk-pixbuf
// natively) from, in this order, a bitmap resource, a "BINARYDATA" resource holding an image file,
// or a file on disk. The load state (loadTint, the decoder's user count) is process-wide and unlocked:
// loads run on one thread at a time.
#pragma once

#include <cstdint>

#include "raster/pixel.h"

struct SpriteRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // inclusive
};

class BaseSPR {
  public:
    int32_t width = 0;  // written only by a successful load
    int32_t height = 0;
    BlendMode blendMode = Normal;  // for DrawSprite; Load leaves it alone
    int32_t alphaVaries = 0;       // some pixel's alpha differs from the first pixel's
    int32_t dotSize = 0;           // 0: block drawing; else every pixel is a disc of this diameter
    int32_t dotGap = 1;
    int32_t rowShift = 0;
    SpriteRect destRect;
    uint32_t* pixels = nullptr;           // AllocAligned, owned; null when empty
    const wchar_t* sourceName = nullptr;  // borrowed from the last successful Load's caller

    explicit BaseSPR(const wchar_t* name);
    BaseSPR(const BaseSPR&) = delete;
    BaseSPR& operator=(const BaseSPR&) = delete;

    // Replaces the pixels by the image of that name (null empties the sprite). Returns 1 when the
    // sprite holds pixels afterwards. Resets dotSize, dotGap and rowShift, and loadTint.
    int32_t Load(const wchar_t* name);
};

// Applies to the next Load only: blue, green and red become s x t / 256 unless t's low 24 bits are
// all ones; alpha is copied.
extern uint32_t loadTint;
constexpr uint32_t kNoTint = 0xFFFFFFFFu;

// The reports of a failed load, shown with the caption "Process Runtime Error".
extern const wchar_t* const kDecoderMissingText;
extern const wchar_t* const kImageNotFoundText;

// The destination rectangle of a width x height block (scaled to the dot pitch when dotSize is not
// 0) placed at offset (x, y) by flags bits 4-5 (0x10 from the right, 0x20 centred) and 6-7 (0x40 from
// the bottom, 0x80 centred) in the view. Nothing is clipped.
void PlaceSprite(int32_t dotSize, int32_t dotGap, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t flags,
                 SpriteRect* destRect);

// Draws the sprite at its destRect: a block in its blendMode, or dots; an empty sprite draws nothing.
void DrawSprite(const BaseSPR* sprite);

// Releases the pixels, then deletes the sprite; null is ignored.
void DestroySprite(BaseSPR* sprite);
