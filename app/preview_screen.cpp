#include "app/preview_screen.h"

#include "host/frame_buffer.h"
#include "raster/blend.h"
#include "sprite/sprite.h"

PreviewPlace PlacePreviewPicture(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    PreviewPlace place;
    place.x = (right - left - kPreviewPictureWidth) / 2;
    place.y = (bottom - top - kPreviewPictureHeight) / 2;
    return place;
}

int32_t ComposePreview() {
    FrameBuffer& fb = frameBuffer;
    const uint32_t savedClearColour = fb.clearColour;
    fb.clearColour = kPreviewBlack;
    ClearView();
    fb.clearColour = savedClearColour;
    BaseSPR* picture = new BaseSPR(kPreviewPictureName);
    const int32_t loaded = picture->pixels ? 1 : 0;
    if (loaded) {
        const PreviewPlace place = PlacePreviewPicture(0, 0, fb.viewWidth, fb.viewHeight);
        DrawBlock(place.x, place.y, place.x + picture->width - 1, place.y + picture->height - 1, picture->pixels,
                  Normal);
    }
    DestroySprite(picture);
    return loaded;
}
