// The image decoder on Windows: GDI+ through its flat interface. Resource bytes of type "BINARYDATA"
// are decoded from a stream over a fixed global block that the stream frees when it is released.
#include <windows.h>

#include <objidl.h>
#include <ole2.h>

#include <gdiplus.h>

#include "sprite/image_decoder.h"

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

ULONG_PTR gdiplusToken = 0;

// The one open image: the native bitmap, the last GDI+ status and the record of its lock.
struct OpenImage {
    GpBitmap* bitmap;
    GpStatus status;
    BitmapData* lockRecord;
};

HMODULE OwnModule() { return GetModuleHandleW(nullptr); }

int32_t StartGdiplus() {
    GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    return GdiplusStartup(&gdiplusToken, &input, nullptr) == Ok ? 1 : 0;
}

void StopGdiplus() { GdiplusShutdown(gdiplusToken); }

// A stream over a copy of the resource's bytes; the stream owns the copy.
IStream* StreamOverResource(HRSRC resource) {
    HGLOBAL loaded = LoadResource(OwnModule(), resource);
    const DWORD size = SizeofResource(OwnModule(), resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size);
    if (!copy) return nullptr;
    CopyMemory(reinterpret_cast<void*>(copy), bytes, size);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(copy, TRUE, &stream) != S_OK) {
        GlobalFree(copy);
        return nullptr;
    }
    return stream;
}

void* OpenByName(const wchar_t* name) {
    HRSRC bitmapResource = FindResourceW(OwnModule(), name, MAKEINTRESOURCEW(2));
    HRSRC dataResource = bitmapResource ? nullptr : FindResourceW(OwnModule(), name, L"BINARYDATA");
    GpBitmap* bitmap = nullptr;
    GpStatus status;
    if (bitmapResource) {
        status = GdipCreateBitmapFromResource(OwnModule(), name, &bitmap);
    } else if (dataResource) {
        IStream* stream = StreamOverResource(dataResource);
        if (!stream) return nullptr;
        status = GdipCreateBitmapFromStream(stream, &bitmap);
        stream->Release();  // the bitmap keeps its own reference
    } else {
        if (GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES) return nullptr;
        status = GdipCreateBitmapFromFile(name, &bitmap);
    }
    auto* image = static_cast<OpenImage*>(GdipAlloc(sizeof(OpenImage)));
    if (!image) {
        if (bitmap) GdipDisposeImage(bitmap);
        return nullptr;
    }
    *image = {bitmap, status, nullptr};
    return image;
}

int32_t LockImage(void* opened, LockedImage* out) {
    auto* image = static_cast<OpenImage*>(opened);
    if (image->status != Ok || !image->bitmap) return 0;
    UINT width = 0, height = 0;
    image->status = GdipGetImageHeight(image->bitmap, &height);
    if (image->status == Ok) image->status = GdipGetImageWidth(image->bitmap, &width);
    if (image->status != Ok) return 0;
    image->lockRecord = static_cast<BitmapData*>(GdipAlloc(sizeof(BitmapData)));
    if (!image->lockRecord) return 0;
    const GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    image->status = GdipBitmapLockBits(image->bitmap, &all, ImageLockModeRead, PixelFormat32bppARGB, image->lockRecord);
    if (image->status != Ok) {
        GdipFree(image->lockRecord);
        image->lockRecord = nullptr;
        return 0;
    }
    out->width = static_cast<int32_t>(image->lockRecord->Width);
    out->height = static_cast<int32_t>(image->lockRecord->Height);
    out->stride = image->lockRecord->Stride;
    out->firstRow = static_cast<const unsigned char*>(image->lockRecord->Scan0);
    return 1;
}

void UnlockImage(void* opened) {
    auto* image = static_cast<OpenImage*>(opened);
    if (!image->lockRecord) return;
    image->status = GdipBitmapUnlockBits(image->bitmap, image->lockRecord);
    GdipFree(image->lockRecord);
    image->lockRecord = nullptr;
}

void CloseImage(void* opened) {
    auto* image = static_cast<OpenImage*>(opened);
    if (image->bitmap) GdipDisposeImage(image->bitmap);
    GdipFree(image);
}

}  // namespace

void InstallImageDecoder() {
    imageDecoder = {StartGdiplus, StopGdiplus, OpenByName, LockImage, UnlockImage, CloseImage};
}
