#include "app/splash_screen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "app/preview_screen.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "host/headless_platform.h"
#include "host/threads.h"
#include "raster/blend_channels.h"
#include "sprite/image_decoder.h"
#include "sprite/sprite.h"

// The splash and the portable preview drawn from the program's own pictures, checked pixel for
// pixel against a picture put together here from the same decoded sprites.

namespace {

std::vector<std::wstring> reports;
void RecordReport(const wchar_t* text) { reports.emplace_back(text); }

const wchar_t* missingPicture = nullptr;  // the decoder pretends this name does not exist
void* (*realOpen)(const wchar_t*) = nullptr;
void* OpenUnlessMissing(const wchar_t* name) {
    if (missingPicture && std::wcscmp(name, missingPicture) == 0) return nullptr;
    return realOpen(name);
}

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

Picture Decoded(const wchar_t* name, uint32_t tint = kNoTint) {
    loadTint = tint;
    BaseSPR sprite(name);
    Picture picture;
    if (sprite.pixels) {
        picture.width = sprite.width, picture.height = sprite.height;
        picture.pixels.assign(sprite.pixels, sprite.pixels + sprite.width * sprite.height);
    }
    FreeAligned(sprite.pixels);
    return picture;
}

// A view-sized picture, top row first; pixels outside it are dropped, as the view clips them.
struct Expected {
    int32_t width, height;
    std::vector<uint32_t> pixels;
    Expected(int32_t w, int32_t h, uint32_t fill) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    void Put(int32_t x, int32_t y, uint32_t value) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[size_t(y) * size_t(width) + size_t(x)] = value;
    }
    // The picture copied with its top-left pixel at (x, y).
    void Draw(const Picture& picture, int32_t x, int32_t y) {
        Draw(picture, x, y, 1, [](uint32_t s) { return s; });
    }
    // The picture as one-pixel dots two pixels apart from (x, y) over the fill: each dot is its pixel
    // blended at coverage 255 (a dot of radius 0.5), which leaves the fill's 256th part.
    void DrawDots(const Picture& picture, int32_t x, int32_t y, uint32_t fill) {
        Draw(picture, x, y, 2, [fill](uint32_t s) { return channels::Blend(fill, s, 255); });
    }
    template <class F>
    void Draw(const Picture& picture, int32_t x, int32_t y, int32_t pitch, F value) {
        for (int32_t j = 0; j < picture.height; ++j)
            for (int32_t i = 0; i < picture.width; ++i)
                Put(x + pitch * i, y + pitch * j, value(picture.pixels[size_t(j) * size_t(picture.width) + size_t(i)]));
    }
};

// Pixels of the view that differ from the expected picture; the first few are named.
int64_t Differences(const Expected& expected, std::string* where) {
    int64_t count = 0;
    for (int32_t y = 0; y < expected.height; ++y) {
        for (int32_t x = 0; x < expected.width; ++x) {
            if (*ViewPixel(x, y) == expected.pixels[size_t(y) * size_t(expected.width) + size_t(x)]) continue;
            if (++count <= 3) *where += " (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    return count;
}

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallImageDecoder();
        realOpen = imageDecoder.open;
        imageDecoder.open = OpenUnlessMissing;
        runtimeErrorReport = RecordReport;
        reports.clear();
        presentedFrames = 0;
    }
    void TearDown() override {
        ReleaseHeadlessBuffer();
        imageDecoder.open = realOpen;
        missingPicture = nullptr;
        runtimeErrorReport = nullptr;
        loadTint = kNoTint;
    }
    static void PaintSplashOn(int32_t width, int32_t height) {
        ASSERT_EQ(CreateHeadlessBuffer(width, height), 1);
        frameBuffer.clearColour = 0xff000000u;
        PaintSplash();
    }
};

// Where the three pictures land: the splash picture's top-left corner, the information line's, and
// the address line's first dot (its placed rectangle starts one pixel up and left of it).
struct SplashCase {
    int32_t width, height;
    const wchar_t* missing;
    int32_t pictureX, pictureY, infoX, infoY, dotX, dotY;
};

TEST_F(ScreenTest, SplashPlacesItsThreePicturesAndPresentsOnce) {
    const SplashCase cases[] = {
        // The worked example: picture 633, 433 (bottom 646), information 884, 1055, address line
        // 215 x 25 at 853, 662.
        {1920, 1080, nullptr, 633, 433, 884, 1055, 854, 663},
        // Narrower than the picture: it starts at -7 and is clipped on both sides.
        {640, 480, nullptr, -7, 133, 244, 455, 214, 363},
        // Without the picture the address line's top is 16.
        {1920, 1080, L"LoadScr", 0, 0, 884, 1055, 854, 17},
        {1366, 768, L"UrlScr", 356, 277, 607, 743, 0, 0},
    };
    const Picture picture = Decoded(L"LoadScr"), info = Decoded(L"InfoScr");
    const Picture address = Decoded(L"UrlScr", kAddressLineTint), untinted = Decoded(L"UrlScr");
    ASSERT_EQ(picture.width, 655);
    ASSERT_EQ(info.width, 152);
    ASSERT_EQ(address.width, 108);
    ASSERT_NE(address.pixels, untinted.pixels) << "the tint must show";
    for (const SplashCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        missingPicture = c.missing;
        reports.clear();
        presentedFrames = 0;
        PaintSplashOn(c.width, c.height);

        Expected expected(c.width, c.height, kSplashClearColour);
        if (!c.missing || std::wcscmp(c.missing, L"LoadScr") != 0) expected.Draw(picture, c.pictureX, c.pictureY);
        expected.Draw(info, c.infoX, c.infoY);
        if (!c.missing || std::wcscmp(c.missing, L"UrlScr") != 0)
            expected.DrawDots(address, c.dotX, c.dotY, kSplashClearColour);
        std::string where;
        EXPECT_EQ(Differences(expected, &where), 0) << "first at" << where;

        EXPECT_EQ(presentedFrames, 1);
        EXPECT_EQ(frameBuffer.clearColour, 0xff000000u) << "the clear colour is given back";
        EXPECT_EQ(loadTint, kNoTint) << "the tint was for the address line only";
        EXPECT_EQ(reports, c.missing ? std::vector<std::wstring>{kImageNotFoundText} : std::vector<std::wstring>{});
        ReleaseHeadlessBuffer();
    }
}

TEST_F(ScreenTest, PreviewPictureIsCentredWithHalvesTruncatedTowardZero) {
    struct Case {
        int32_t left, top, right, bottom, x, y;
    };
    const Case cases[] = {
        {0, 0, 152, 112, 0, 0},   {0, 0, 153, 113, 0, 0},   {0, 0, 100, 80, -26, -16}, {0, 0, 99, 79, -26, -16},
        {0, 0, 300, 200, 74, 44}, {10, 20, 162, 132, 0, 0}, {0, 0, 0, 0, -76, -56},    {-5, -5, 147, 107, 0, 0},
    };
    for (const Case& c : cases) {
        const PreviewPlace place = PlacePreviewPicture(c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(place.x, c.x) << c.right - c.left << "x" << c.bottom - c.top;
        EXPECT_EQ(place.y, c.y) << c.right - c.left << "x" << c.bottom - c.top;
    }
}

TEST_F(ScreenTest, PortablePreviewIsThePictureOnOpaqueBlack) {
    const Picture picture = Decoded(kPreviewPictureName);
    ASSERT_EQ(picture.width, kPreviewPictureWidth);
    ASSERT_EQ(picture.height, kPreviewPictureHeight);
    const struct {
        int32_t width, height;
        bool missing;
    } cases[] = {{152, 112, false}, {100, 80, false}, {300, 200, false}, {1, 1, false}, {300, 200, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        missingPicture = c.missing ? kPreviewPictureName : nullptr;
        ASSERT_EQ(CreateHeadlessBuffer(c.width, c.height), 1);
        EXPECT_EQ(ComposePreview(), c.missing ? 0 : 1);
        Expected expected(c.width, c.height, kPreviewBlack);
        const PreviewPlace place = PlacePreviewPicture(0, 0, c.width, c.height);
        if (!c.missing) expected.Draw(picture, place.x, place.y);
        std::string where;
        EXPECT_EQ(Differences(expected, &where), 0) << "first at" << where;
        ReleaseHeadlessBuffer();
    }
}

}  // namespace
