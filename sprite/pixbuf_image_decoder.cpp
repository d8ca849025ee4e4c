// The image decoder of native programs: gdk-pixbuf over the resources embedded in the program, or
// over a file. Decoded pixels are turned into the 32-bit non-premultiplied ARGB rows that a GDI+ lock
// in PixelFormat32bppARGB gives.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/utf8.h"
#include "sprite/embedded_resources.h"
#include "sprite/image_decoder.h"

EmbeddedResourceTable embeddedResources;

namespace {

struct OpenImage {
    GdkPixbuf* pixbuf;                // null when the bytes could not be decoded
    std::vector<unsigned char> argb;  // the locked rows
};

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool SameName(const char* stored, const wchar_t* name) {
    for (; *stored && *name; ++stored, ++name) {
        if (UpperAscii(static_cast<wchar_t>(static_cast<unsigned char>(*stored))) != UpperAscii(*name)) return false;
    }
    return *stored == '\0' && *name == L'\0';
}

GdkPixbuf* DecodeBytes(const unsigned char* bytes, size_t size) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool written = gdk_pixbuf_loader_write(loader, bytes, size, nullptr) != FALSE;
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr) != FALSE;
    GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf) g_object_ref(pixbuf);
    g_object_unref(loader);
    return pixbuf;
}

int32_t StartUp() { return 1; }
void ShutDown() {}

void* OpenByName(const wchar_t* name) {
    const EmbeddedResource* resource = FindEmbeddedResource(ResourceKind::Bitmap, name);
    if (!resource) resource = FindEmbeddedResource(ResourceKind::BinaryData, name);
    GdkPixbuf* pixbuf;
    if (resource) {
        pixbuf = DecodeBytes(resource->bytes, resource->size);
    } else {
        const std::string path = WideToUtf8(name);
        struct stat status;
        if (stat(path.c_str(), &status) != 0) return nullptr;
        pixbuf = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    }
    return new OpenImage{pixbuf, {}};
}

int32_t LockImage(void* opened, LockedImage* out) {
    auto* image = static_cast<OpenImage*>(opened);
    GdkPixbuf* pixbuf = image->pixbuf;
    if (!pixbuf || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) return 0;
    const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf) != FALSE;
    if (channels != (alpha ? 4 : 3)) return 0;
    const guchar* source = gdk_pixbuf_read_pixels(pixbuf);
    image->argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    unsigned char* to = image->argb.data();
    for (int y = 0; y < height; ++y) {
        const guchar* from = source + static_cast<size_t>(y) * static_cast<size_t>(stride);
        for (int x = 0; x < width; ++x, from += channels, to += 4) {
            to[0] = from[2];  // blue, green, red, alpha in memory
            to[1] = from[1];
            to[2] = from[0];
            to[3] = alpha ? from[3] : 0xFF;
        }
    }
    *out = {width, height, width * 4, image->argb.data()};
    return 1;
}

void UnlockImage(void* opened) { static_cast<OpenImage*>(opened)->argb.clear(); }

void CloseImage(void* opened) {
    auto* image = static_cast<OpenImage*>(opened);
    if (image->pixbuf) g_object_unref(image->pixbuf);
    delete image;
}

}  // namespace

const EmbeddedResource* FindEmbeddedResource(ResourceKind kind, const wchar_t* name) {
    for (size_t i = 0; i < embeddedResources.count; ++i) {
        const EmbeddedResource& resource = embeddedResources.entries[i];
        if (resource.kind == kind && SameName(resource.name, name)) return &resource;
    }
    return nullptr;
}

void InstallImageDecoder() { imageDecoder = {StartUp, ShutDown, OpenByName, LockImage, UnlockImage, CloseImage}; }
