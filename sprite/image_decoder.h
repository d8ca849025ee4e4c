// Sprites: the platform's image decoder behind BaseSPR::Load, as slots that the platform's decoder
// file fills (win_image_decoder.cpp: GDI+; pixbuf_image_decoder.cpp: gdk-pixbuf over the resources
// embedded in the native program), and the decoder's user count, shared with the preview painter.
//
// One thread at a time: the count and the open image are process-wide and unlocked.
#pragma once

#include <cstdint>

// A decoded image locked for reading: rows of 32-bit non-premultiplied ARGB, top row first.
struct LockedImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // bytes from one row to the next
    const unsigned char* firstRow = nullptr;
};

struct ImageDecoder {
    int32_t (*startUp)() = nullptr;  // 1 when the decoder can be used
    void (*shutDown)() = nullptr;
    // The image of that name from, in this order, a bitmap resource, a "BINARYDATA" resource, or an
    // existing file; null when there is none. An image that fails to decode is still returned; its
    // lock then fails.
    void* (*open)(const wchar_t* name) = nullptr;
    int32_t (*lock)(void* image, LockedImage* out) = nullptr;  // 1 on success
    void (*unlock)(void* image) = nullptr;
    void (*close)(void* image) = nullptr;
};
extern ImageDecoder imageDecoder;

// Fills imageDecoder with the platform's decoder (defined by the decoder file that is linked).
void InstallImageDecoder();

// The decoder is started when its user count rises from 0 and shut down when it falls back to 0.
// BeginImageUse returns 0 (after the report) when it cannot be started, and then counts nothing.
extern int32_t imageUserCount;
int32_t BeginImageUse();
void EndImageUse();

// Converts the locked pixels into out (width x height words, top row first) with the tint of a load.
// Returns alphaVaries: 1 when some pixel's alpha byte differs from the first pixel's.
int32_t ConvertLockedPixels(const LockedImage& image, uint32_t tint, uint32_t* out);
