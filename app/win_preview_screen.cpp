// The preview painter on Windows: black over the parent's recorded client rectangle, then the
// preview picture drawn unscaled by GDI+, which is started here unless a sprite load holds it.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include "app/preview_screen.h"
#include "host/host_config.h"
#include "host/start_up.h"
#include "host/win_host.h"
#include "sprite/image_decoder.h"

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

HMODULE previewModule = nullptr;

void PaintPreview() {
    if (!previewModule) previewModule = GetModuleHandleW(nullptr);
    // A failed start-up has been reported by BeginImageUse; the black fill needs no GDI+.
    const int32_t gdiplusUp = BeginImageUse();
    GpGraphics* graphics = nullptr;
    if (gdiplusUp && GdipCreateFromHDC(windowDC, &graphics) != Ok) graphics = nullptr;

    FillRect(windowDC, &previewClientRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    // Without the picture only the black shows; nothing is reported.
    GpBitmap* picture = nullptr;
    if (graphics && GdipCreateBitmapFromResource(previewModule, kPreviewPictureName, &picture) != Ok) picture = nullptr;
    if (picture) {
        const RECT& r = previewClientRect;
        const PreviewPlace place = PlacePreviewPicture(r.left, r.top, r.right, r.bottom);
        GdipDrawImageI(graphics, picture, place.x, place.y);
        GdipDisposeImage(picture);
    }
    if (graphics) GdipDeleteGraphics(graphics);
    if (gdiplusUp) EndImageUse();
}

}  // namespace

void SetUpApplicationPreview() { hookTable.previewPainter = PaintPreview; }
