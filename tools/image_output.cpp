#include "tools/image_output.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "host/frame_buffer.h"

#ifdef GYRATA_HAVE_PNG
#include <png.h>
#endif

namespace {

// One view row as bytes in the given channel order (shifts of the 0xAARRGGBB word).
void RowBytes(int32_t y, const int (&shifts)[4], std::vector<unsigned char>& out) {
    const uint32_t* row = frameBuffer.rows[y];
    unsigned char* p = out.data();
    for (int32_t x = 0; x < frameBuffer.viewWidth; ++x, p += 4) {
        for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(row[x] >> shifts[k]);
    }
}

#ifdef GYRATA_HAVE_PNG
// Kept free of objects with destructors: libpng reports errors by longjmp to the setjmp below.
bool WritePngRows(std::FILE* file, unsigned char* rowBuffer, std::vector<unsigned char>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frameBuffer.viewWidth),
                 static_cast<png_uint_32>(frameBuffer.viewHeight), 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    static const int kRgba[4] = {16, 8, 0, 24};
    for (int32_t y = 0; y < frameBuffer.viewHeight; ++y) {
        RowBytes(y, kRgba, row);
        png_write_row(png, rowBuffer);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
#endif

}  // namespace

bool PngAvailable() {
#ifdef GYRATA_HAVE_PNG
    return true;
#else
    return false;
#endif
}

std::string TemporaryName(const std::string& path) { return path + ".partial"; }

bool WriteRawView(const std::string& temporary, std::string& error) {
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot create '" + temporary + "'";
        return false;
    }
    static const int kBgra[4] = {0, 8, 16, 24};
    std::vector<unsigned char> row(static_cast<size_t>(frameBuffer.viewWidth) * 4);
    bool ok = true;
    for (int32_t y = 0; y < frameBuffer.viewHeight && ok; ++y) {
        RowBytes(y, kBgra, row);
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        std::remove(temporary.c_str());
        error = "cannot write '" + temporary + "'";
    }
    return ok;
}

bool WritePngView(const std::string& temporary, std::string& error) {
#ifdef GYRATA_HAVE_PNG
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot create '" + temporary + "'";
        return false;
    }
    std::vector<unsigned char> row(static_cast<size_t>(frameBuffer.viewWidth) * 4);
    bool ok = WritePngRows(file, row.data(), row);
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        std::remove(temporary.c_str());
        error = "cannot write '" + temporary + "'";
    }
    return ok;
#else
    error = "PNG output is not available in this build";
    (void)temporary;
    return false;
#endif
}

bool CommitFile(const std::string& temporary, const std::string& path, std::string& error) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    // The Windows runtime does not rename over an existing file.
    std::remove(path.c_str());
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    error = "cannot rename '" + temporary + "' to '" + path + "'";
    return false;
}
