// The settings dialog's little preview: the preview picture unscaled, centred on black in the
// preview window (a window smaller than the picture shows its centre part).
#pragma once

#include <cstdint>

constexpr int32_t kPreviewPictureWidth = 152;  // the picture's size as drawn, not read from the image
constexpr int32_t kPreviewPictureHeight = 112;
constexpr const wchar_t* kPreviewPictureName = L"PreviewScr";
constexpr uint32_t kPreviewBlack = 0xff000000u;  // the window's black, opaque in a portable picture

struct PreviewPlace {
    int32_t x = 0, y = 0;  // the picture's top-left corner in the window
};

// The picture's place in a client rectangle; halves truncate toward zero, as C division does.
PreviewPlace PlacePreviewPicture(int32_t left, int32_t top, int32_t right, int32_t bottom);

// The preview drawn portably, with the view as the window's client area: the view filled with opaque
// black and the picture copied on at its place, clipped. Returns 0 when the picture could not be
// loaded (the black fill stays).
int32_t ComposePreview();
