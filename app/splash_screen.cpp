#include "app/splash_screen.h"

#include "host/frame_buffer.h"
#include "host/platform.h"
#include "sprite/sprite.h"

namespace {

constexpr uint32_t kCentred = 0xA1;            // both ways
constexpr uint32_t kCentredFromBottom = 0x61;  // across, y counted up from the bottom edge
constexpr uint32_t kCentredAcross = 0x21;      // across, y from the top edge
constexpr int32_t kInfoLineBottomGap = 12;
constexpr int32_t kAddressLineGap = 16;

// Draws the named picture at (x, y) by flags with the sprite's own dot settings; returns the bottom
// row it was placed on, or 0 when the picture could not be loaded.
int32_t DrawPicture(const wchar_t* name, int32_t x, int32_t y, uint32_t flags, int32_t dotSize) {
    BaseSPR* sprite = new BaseSPR(name);
    // Load resets the dot settings, so dot mode is chosen after it, loaded or not.
    if (dotSize != 0) {
        sprite->dotSize = dotSize;
        sprite->dotGap = 1;
    }
    int32_t bottom = 0;
    if (sprite->pixels) {
        sprite->blendMode = sprite->alphaVaries ? Alpha : Normal;
        PlaceSprite(sprite->dotSize, sprite->dotGap, x, y, sprite->width, sprite->height, flags, &sprite->destRect);
        DrawSprite(sprite);
        bottom = sprite->destRect.bottom;
    }
    DestroySprite(sprite);
    return bottom;
}

}  // namespace

void PaintSplash() {
    const uint32_t savedClearColour = frameBuffer.clearColour;
    frameBuffer.clearColour = kSplashClearColour;
    ClearView();

    const int32_t pictureBottom = DrawPicture(L"LoadScr", 0, 0, kCentred, 0);
    DrawPicture(L"InfoScr", 0, kInfoLineBottomGap, kCentredFromBottom, 0);
    loadTint = kAddressLineTint;  // this load only: Load resets it
    DrawPicture(L"UrlScr", 0, pictureBottom + kAddressLineGap, kCentredAcross, 1);

    Present();
    frameBuffer.clearColour = savedClearColour;
}
