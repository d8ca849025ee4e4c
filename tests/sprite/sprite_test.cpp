// Sprites through the platform's real decoder (GDI+ under Wine, gdk-pixbuf natively): the three
// sources in their order, the conversion with the tint, the reports, the decoder's user count,
// placement and drawing.
#include "sprite/sprite.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "host/threads.h"
#include "raster/blend_channels.h"
#include "sprite/image_decoder.h"
#include "tests/view_pixels.h"

namespace {

std::vector<std::wstring> reports;
int32_t startUps = 0;
int32_t (*realStartUp)() = nullptr;

void RecordReport(const wchar_t* text) { reports.emplace_back(text); }
int32_t CountingStartUp() {
    ++startUps;
    return realStartUp();
}
int32_t FailingStartUp() { return 0; }

class SpriteTest : public ::testing::Test {
  public:
    void SetUp() override {
        InstallImageDecoder();
        realStartUp = imageDecoder.startUp;
        imageDecoder.startUp = CountingStartUp;
        runtimeErrorReport = RecordReport;
        reports.clear();
        startUps = 0;
        ASSERT_EQ(CreateHeadlessBuffer(64, 48), 1);
    }
    void TearDown() override {
        ReleaseHeadlessBuffer();
        runtimeErrorReport = nullptr;
        loadTint = kNoTint;
        EXPECT_EQ(imageUserCount, 0);
    }
};

std::vector<uint32_t> PixelsOf(const BaseSPR& sprite) {
    if (!sprite.pixels) return {};
    return std::vector<uint32_t>(sprite.pixels, sprite.pixels + sprite.width * sprite.height);
}

TEST_F(SpriteTest, LoadsEachKindOfImageFromTheProgramsResources) {
    struct Case {
        const wchar_t* name;
        int32_t width, height, alphaVaries;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        // 8-bit RGB without alpha: opaque everywhere.
        {L"OPAQUE", 3, 2, 0, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080}},
        {L"opaque", 3, 2, 0, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080}},
        // One pixel has nothing to differ from; its alpha is kept, not premultiplied.
        {L"DOT", 1, 1, 0, {0x80112233}},
        // A bitmap resource wins over an image file of the same name.
        {L"BOTH", 2, 1, 0, {0xFF00FF00, 0xFF00FF00}},
        {L"RLE8",
         4,
         2,
         0,
         {0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<wchar_t>::length(c.name)));
        BaseSPR sprite(c.name);
        EXPECT_EQ(sprite.width, c.width);
        EXPECT_EQ(sprite.height, c.height);
        EXPECT_EQ(sprite.alphaVaries, c.alphaVaries);
        EXPECT_EQ(PixelsOf(sprite), c.pixels);
        EXPECT_EQ(sprite.sourceName, c.name);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(sprite.pixels) % 16, 0u);
        FreeAligned(sprite.pixels);
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(startUps, 5);  // started for each load, shut down after it
}

// FNV-1a over the size and the pixels of a loaded sprite.
uint64_t PictureHash(const BaseSPR& sprite) {
    uint64_t hash = 0xcbf29ce484222325u;
    auto add = [&hash](uint32_t word) {
        for (int32_t shift = 0; shift < 32; shift += 8) hash = (hash ^ ((word >> shift) & 0xFF)) * 0x100000001b3u;
    };
    add(static_cast<uint32_t>(sprite.width));
    add(static_cast<uint32_t>(sprite.height));
    for (uint32_t p : PixelsOf(sprite)) add(p);
    return hash;
}

// Every picture of the program, decoded the same by GDI+ and by gdk-pixbuf: these hashes hold in
// both builds.
TEST_F(SpriteTest, ProgramPicturesDecodeTheSameOnEveryPlatform) {
    struct Case {
        const wchar_t* name;
        int32_t width, height;
        uint64_t hash;
    };
    const Case cases[] = {
        {L"TYPE_EN_RU", 8, 2560, 0x01883226da381ccfu},  {L"LoadScr", 655, 214, 0xc1e591453f3951eau},
        {L"InfoScr", 152, 13, 0x908a8f3ce6c5b6a0u},     {L"UrlScr", 108, 13, 0xf7e5fef9adc6e755u},
        {L"PreviewScr", 152, 112, 0x1add63297ceca5a2u},
    };
    for (const Case& c : cases) {
        BaseSPR sprite(c.name);
        EXPECT_EQ(sprite.width, c.width);
        EXPECT_EQ(sprite.height, c.height);
        EXPECT_EQ(sprite.alphaVaries, 0);
        EXPECT_EQ(PictureHash(sprite), c.hash) << std::hex << PictureHash(sprite);
        FreeAligned(sprite.pixels);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(SpriteTest, GifTransparencyArrivesAsAlpha) {
    BaseSPR sprite(L"HOLES");
    ASSERT_EQ(sprite.width, 4);
    EXPECT_EQ(sprite.alphaVaries, 1);
    EXPECT_EQ(sprite.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(sprite.pixels[2], 0xFF0000FFu);
    EXPECT_EQ(sprite.pixels[1] >> 24, 0u);
    EXPECT_EQ(sprite.pixels[3] >> 24, 0u);
    FreeAligned(sprite.pixels);
}

TEST_F(SpriteTest, ANameThatIsNoResourceIsAFilePath) {
    const std::wstring path = std::wstring(GYRATA_TEST_IMAGES) + L"opaque.png";
    BaseSPR sprite(path.c_str());
    EXPECT_EQ(sprite.width, 3);
    EXPECT_EQ(sprite.height, 2);
    EXPECT_EQ(sprite.pixels ? sprite.pixels[5] : 0, 0xFF808080u);
    EXPECT_EQ(sprite.sourceName, path.c_str());

    // A file that exists but is no image: found, so no report, but nothing decoded.
    const std::wstring script = std::wstring(GYRATA_TEST_IMAGES) + L"test_images.rc";
    EXPECT_EQ(sprite.Load(script.c_str()), 0);
    EXPECT_EQ(sprite.pixels, nullptr);
    EXPECT_EQ(sprite.sourceName, nullptr);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SpriteTest, TintAppliesToOneLoadOnly) {
    BaseSPR sprite(nullptr);
    loadTint = 0xFFAAAAAA;  // 255 x 170 / 256 = 169, 128 x 170 / 256 = 85
    ASSERT_EQ(sprite.Load(L"WHITE"), 1);
    EXPECT_EQ(PixelsOf(sprite), (std::vector<uint32_t>{0xFFA9A9A9, 0xFF555555}));
    EXPECT_EQ(loadTint, kNoTint);
    sprite.Load(L"WHITE");
    EXPECT_EQ(PixelsOf(sprite), (std::vector<uint32_t>{0xFFFFFFFF, 0xFF808080}));
    loadTint = 0x00FFFFFF;  // the tint's alpha plays no part: a plain copy
    sprite.Load(L"DOT");
    EXPECT_EQ(PixelsOf(sprite), std::vector<uint32_t>{0x80112233});
    FreeAligned(sprite.pixels);
}

TEST_F(SpriteTest, ConversionTintsEachColourChannelAndKeepsAlpha) {
    const uint32_t source[] = {0x12345678, 0xFF345678, 0x00FFFFFF, 0x12345678};
    LockedImage image{2, 2, 8, reinterpret_cast<const unsigned char*>(source)};
    uint32_t out[4];
    EXPECT_EQ(ConvertLockedPixels(image, 0x00808080, out), 1);
    EXPECT_EQ(out[0], 0x121A2B3Cu);
    EXPECT_EQ(out[1], 0xFF1A2B3Cu);
    EXPECT_EQ(out[2], 0x007F7F7Fu);
    EXPECT_EQ(ConvertLockedPixels(image, 0x10FFFFFF, out), 1);
    EXPECT_EQ(out[1], 0xFF345678u);
    // Rows are read by the stride: a padded row's extra bytes never arrive.
    const uint32_t padded[] = {0x01020304, 0xDEADBEEF, 0x01050607, 0xDEADBEEF};
    LockedImage column{1, 2, 8, reinterpret_cast<const unsigned char*>(padded)};
    EXPECT_EQ(ConvertLockedPixels(column, kNoTint, out), 0);
    EXPECT_EQ(out[1], 0x01050607u);
}

TEST_F(SpriteTest, MissingNameReportsAndKeepsTheSize) {
    BaseSPR sprite(L"OPAQUE");
    sprite.dotSize = 3;
    sprite.blendMode = Alpha;
    sprite.destRect = {1, 2, 3, 4};
    loadTint = 0xFF000000;
    const std::wstring missingFile = std::wstring(GYRATA_TEST_IMAGES) + L"none.png";
    for (const wchar_t* name : {L"NO_SUCH_IMAGE", missingFile.c_str()}) {
        EXPECT_EQ(sprite.Load(name), 0);
        EXPECT_EQ(sprite.pixels, nullptr);
        EXPECT_EQ(sprite.width, 3);  // only a successful load writes the size
        EXPECT_EQ(sprite.height, 2);
    }
    EXPECT_EQ(reports, (std::vector<std::wstring>(2, L"BaseSPR : Load : JPG, GIF, PNG or BMP Resource Not Found")));
    // The finish step runs all the same; what the caller set for drawing survives.
    EXPECT_EQ(sprite.dotSize, 0);
    EXPECT_EQ(sprite.dotGap, 1);
    EXPECT_EQ(loadTint, kNoTint);
    EXPECT_EQ(sprite.blendMode, 2u);
    EXPECT_EQ(sprite.destRect.bottom, 4);
}

TEST_F(SpriteTest, NullNameEmptiesWithoutStartingTheDecoder) {
    BaseSPR sprite(L"OPAQUE");
    startUps = 0;
    sprite.rowShift = 5;
    EXPECT_EQ(sprite.Load(nullptr), 0);
    EXPECT_EQ(sprite.pixels, nullptr);
    EXPECT_EQ(sprite.alphaVaries, 0);
    EXPECT_EQ(sprite.width, 3);
    EXPECT_EQ(sprite.rowShift, 0);
    EXPECT_EQ(startUps, 0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SpriteTest, DecoderIsSharedWithAnotherUserAndMayBeMissing) {
    ASSERT_EQ(BeginImageUse(), 1);  // the preview painter holds it
    {
        BaseSPR first(L"DOT"), second(L"OPAQUE");
        EXPECT_EQ(startUps, 1);
        EXPECT_EQ(imageUserCount, 1);
        FreeAligned(first.pixels);
        FreeAligned(second.pixels);
    }
    EndImageUse();
    EXPECT_EQ(imageUserCount, 0);

    imageDecoder.startUp = FailingStartUp;
    BaseSPR sprite(L"DOT");
    EXPECT_EQ(sprite.pixels, nullptr);
    EXPECT_EQ(sprite.width, 0);
    EXPECT_EQ(reports, std::vector<std::wstring>{L"GDI+ (WindowsXP or later) support not present"});
}

TEST_F(SpriteTest, PlaceSpriteByFlags) {
    struct Case {
        int32_t viewWidth, viewHeight, dotSize, dotGap, x, y, width, height;
        uint32_t flags;
        SpriteRect expected;
    };
    const Case cases[] = {
        {1920, 1080, 1, 1, 0, 100, 108, 13, 0x21, {853, 100, 1067, 124}},  // 215 x 25, centred across
        {1023, 600, 0, 1, 0, 0, 100, 10, 0x20, {461, 0, 560, 9}},          // halves truncate
        {1023, 600, 0, 1, 0, 0, 101, 11, 0xA0, {461, 295, 561, 305}},
        {1023, 600, 0, 1, 7, 9, 100, 10, 0x30, {7, 9, 106, 18}},  // 3 in a field places as 0
        {1023, 600, 0, 1, 7, 9, 100, 10, 0xC0, {7, 9, 106, 18}},
        {1023, 600, 0, 1, 7, 9, 100, 10, 0x0F, {7, 9, 106, 18}},        // the low bits are not read
        {1023, 600, 0, 1, 7, 9, 100, 10, 0x50, {916, 581, 1015, 590}},  // from the right and bottom
        {1920, 1080, 0, 1, 0, 12, 152, 13, 0x61, {884, 1055, 1035, 1067}},
        {1920, 1080, 0, 1, 0, 0, 655, 214, 0xA1, {633, 433, 1287, 646}},
        {640, 480, 0, 1, 0, 0, 655, 214, 0xA1, {-7, 133, 647, 346}},  // wider than the view
        {100, 100, 2, 3, 0, 0, 4, 2, 0x00, {0, 0, 16, 6}},            // 4 x 5 - 3, 2 x 5 - 3
    };
    for (const Case& c : cases) {
        ASSERT_EQ(CreateHeadlessBuffer(c.viewWidth, c.viewHeight), 1);
        SpriteRect r;
        PlaceSprite(c.dotSize, c.dotGap, c.x, c.y, c.width, c.height, c.flags, &r);
        EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<int32_t>{c.expected.left, c.expected.top, c.expected.right, c.expected.bottom}))
            << "flags " << c.flags << " width " << c.width;
    }
}

TEST_F(SpriteTest, DrawSpriteAsBlockOrDots) {
    FillWithNoise(7);
    const std::vector<uint32_t> before = ViewPixels();
    BaseSPR sprite(nullptr);
    sprite.destRect = {0, 0, 2, 1};
    DrawSprite(&sprite);  // empty: nothing, whatever its rectangle
    EXPECT_EQ(ViewPixels(), before);

    sprite.Load(L"OPAQUE");
    PlaceSprite(0, 1, -1, 46, sprite.width, sprite.height, 0, &sprite.destRect);  // partly outside
    DrawSprite(&sprite);
    EXPECT_EQ(*ViewPixel(0, 46), 0xFF00FF00u);
    EXPECT_EQ(*ViewPixel(1, 46), 0xFF0000FFu);
    EXPECT_EQ(*ViewPixel(0, 47), 0xFF000000u);
    EXPECT_EQ(*ViewPixel(2, 47), before[47 * 64 + 2]);

    // Dots of one pixel, one pixel apart: a 3 x 2 sprite covers 5 x 3 pixels, every other one drawn.
    FillWithNoise(8);
    const std::vector<uint32_t> noise = ViewPixels();
    sprite.dotSize = 1;
    sprite.dotGap = 1;
    PlaceSprite(1, 1, 10, 20, sprite.width, sprite.height, 0, &sprite.destRect);
    EXPECT_EQ(sprite.destRect.right, 14);
    DrawSprite(&sprite);
    for (int32_t y = 19; y <= 25; ++y) {
        for (int32_t x = 9; x <= 16; ++x) {
            const bool dot = x >= 11 && x <= 15 && (x - 11) % 2 == 0 && (y == 21 || y == 23);
            EXPECT_EQ(*ViewPixel(x, y) != noise[y * 64 + x], dot) << x << ", " << y;
        }
    }
    EXPECT_EQ(*ViewPixel(13, 23), channels::Blend(noise[23 * 64 + 13], 0xFF000000u, 255));
    FreeAligned(sprite.pixels);
}

}  // namespace
