// The help panel and the save stack under it: where the box goes, that the text is drawn into it,
// that the pixels under it come back exactly (across arena growth, a full stack and views smaller
// than the box), and the text the panel shows.
#include "app/help_overlay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/save_stack.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "sprite/image_decoder.h"
#include "tests/view_pixels.h"

namespace {

// A cheap picture of its own for each pass.
void FillPass(uint32_t pass) {
    for (int32_t y = 0; y < frameBuffer.viewHeight; ++y) {
        for (int32_t x = 0; x < frameBuffer.viewWidth; ++x)
            *ViewPixel(x, y) = (pass + 1) * 2654435761u ^ static_cast<uint32_t>(y * 4099 + x);
    }
}

class HelpOverlayTest : public ::testing::Test {
  public:
    void SetUp() override {
        InstallImageDecoder();
        ASSERT_EQ(CreateSaveStack(), 1);
        StartHelpOverlay();
        ASSERT_NE(helpConsole, nullptr);
        Store(steering.helpFrames, 250);
    }
    void TearDown() override {
        StopHelpOverlay();
        ReleaseSaveStack();
        ReleaseHeadlessBuffer();
        Store(steering.helpFrames, 0);
    }
};

TEST_F(HelpOverlayTest, PanelBoxIsCentredDarkAndHoldsTheText) {
    ASSERT_EQ(CreateHeadlessBuffer(1368, 768), 1);
    for (int32_t y = 0; y < 768; ++y) {
        for (int32_t x = 0; x < 1368; ++x) *ViewPixel(x, y) = 0xFFFFFFFFu;
    }
    DrawHelpPanel();
    // The box's outline runs through the centres of its corner pixels 559..808 by 284..483: within it
    // white is multiplied by 0x32, its edge pixels are half covered, and outside stays white.
    const uint32_t dark = *ViewPixel(565, 400);
    EXPECT_EQ(dark & 0xFFFFFF, 0x313131u);
    for (const auto& [x, y] : {std::pair{560, 400}, std::pair{807, 400}, std::pair{700, 285}, std::pair{700, 482}})
        EXPECT_EQ(*ViewPixel(x, y), dark) << x << ", " << y;
    for (const auto& [x, y] : {std::pair{559, 400}, std::pair{808, 400}, std::pair{700, 284}, std::pair{700, 483}}) {
        EXPECT_NE(*ViewPixel(x, y), dark) << x << ", " << y;
        EXPECT_NE(*ViewPixel(x, y), 0xFFFFFFFFu) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{558, 400}, std::pair{809, 400}, std::pair{700, 283}, std::pair{700, 484}})
        EXPECT_EQ(*ViewPixel(x, y), 0xFFFFFFFFu) << x << ", " << y;
    // The text's ink is added on top, inside the box only.
    int32_t inked = 0;
    for (int32_t y = 284; y <= 483; ++y) {
        for (int32_t x = 559; x <= 808; ++x) inked += *ViewPixel(x, y) != dark;
    }
    EXPECT_GT(inked, 500);
    EXPECT_EQ(helpConsole->destRect.left, 684 - helpConsole->textWidth / 2);
    EXPECT_EQ(helpConsole->textHeight, 150);  // 15 lines 10 pixels apart
    EXPECT_EQ(helpConsole->font->blendMode, 3u);

    RestoreRects();
    for (int32_t y = 0; y < 768; ++y) {
        for (int32_t x = 0; x < 1368; ++x) ASSERT_EQ(*ViewPixel(x, y), 0xFFFFFFFFu) << x << ", " << y;
    }
}

TEST_F(HelpOverlayTest, HelpTextIsTheProgramsOwn) {
    const std::string text = kHelpText;
    const std::string dots(79, '.');
    EXPECT_EQ(text, "Conrol Keys:\n\n\nQutes, Enter - change Color\n" + dots + "\n\nCursor Up, Down - change Period\n" +
                        dots + "\n\nCursor Left, Right - change Direction\n" + dots +
                        "\n\nF1 - hide/show Help\n\nEsc - Exit");
}

// 85 hidden passes with the panel up, the spiral drawn over it each time: the first presented pass
// gives back what was there before the first save, whatever the arena went through meanwhile.
TEST_F(HelpOverlayTest, ManySavesGrowTheArenaAndRestoreTheOldestPixels) {
    ASSERT_EQ(CreateHeadlessBuffer(1368, 768), 1);
    FillPass(0);
    const std::vector<uint32_t> first = ViewPixels();
    uint32_t lastSize = saveStack.arenaSize;
    int32_t growths = 0;
    for (uint32_t pass = 0; pass < 85; ++pass) {
        DrawHelpPanel();
        if (saveStack.arenaSize != lastSize) {
            ++growths;
            EXPECT_EQ(saveStack.arenaSize, saveStack.arenaUsed + kSaveArenaStep);
            lastSize = saveStack.arenaSize;
        }
        FillPass(1 + pass);  // the next spiral frame
    }
    EXPECT_EQ(saveStack.count, 85);
    EXPECT_EQ(saveStack.arenaUsed, 85u * 250 * 200 * 4);
    EXPECT_GT(growths, 10);  // each growth leaves room for three more saves
    const std::vector<uint32_t> last = ViewPixels();
    EXPECT_EQ(RestoreRects(), 1);
    EXPECT_EQ(saveStack.count, 0);
    EXPECT_EQ(saveStack.arenaUsed, 0u);
    const std::vector<uint32_t> after = ViewPixels();
    for (int32_t y = 0; y < 768; ++y) {
        for (int32_t x = 0; x < 1368; ++x) {
            const bool box = x >= 559 && x <= 808 && y >= 284 && y <= 483;
            ASSERT_EQ(after[y * 1368 + x], (box ? first : last)[y * 1368 + x]) << x << ", " << y;
        }
    }
    EXPECT_EQ(RestoreRects(), 0);  // nothing saved any more
}

TEST_F(HelpOverlayTest, FullStackAndRectanglesOutsideTheView) {
    ASSERT_EQ(CreateHeadlessBuffer(300, 220), 1);
    EXPECT_EQ(SaveRect(300, 0, 310, 5), 1);  // wholly outside: nothing saved, but no failure
    EXPECT_EQ(SaveRect(-20, -20, -1, 219), 1);
    EXPECT_EQ(SaveRect(5, 5, 4, 9), 1);  // corners the wrong way round are not reordered
    EXPECT_EQ(saveStack.count, 0);
    for (int32_t i = 0; i < kSaveStackEntries; ++i) ASSERT_EQ(SaveRect(0, 0, 0, 0), 1);
    EXPECT_EQ(SaveRect(0, 0, 0, 0), 0);
    FillWithNoise(3);
    const uint32_t under = *ViewPixel(150, 110);
    DrawHelpPanel();  // not saved, still drawn
    EXPECT_NE(*ViewPixel(150, 110), under);
    EXPECT_EQ(saveStack.count, kSaveStackEntries);
}

// Views smaller than the box: the panel, its save and its restore stay inside the view (the
// sanitizer build checks every access), and the view comes back exactly.
TEST_F(HelpOverlayTest, ViewsSmallerThanTheBox) {
    for (const auto& [w, h] :
         {std::pair{1, 1}, std::pair{2, 3}, std::pair{37, 250}, std::pair{249, 199}, std::pair{251, 201}}) {
        ASSERT_EQ(CreateHeadlessBuffer(w + 8, h + 8), 1);
        SetView(4, 4, w + 3, h + 3);  // a guard band round the view
        for (int32_t i = 0; i < (w + 8) * (h + 8); ++i) frameBuffer.pixels[i] = 0xFF808080u;
        FillWithNoise(static_cast<uint32_t>(w));
        const std::vector<uint32_t> before(frameBuffer.pixels, frameBuffer.pixels + (w + 8) * (h + 8));
        DrawHelpPanel();
        DrawHelpPanel();
        RestoreRects();
        const std::vector<uint32_t> after(frameBuffer.pixels, frameBuffer.pixels + (w + 8) * (h + 8));
        EXPECT_EQ(after, before) << w << " x " << h;
    }
}

TEST_F(HelpOverlayTest, RemovalCountsDownOnlyWhileThePanelIsUp) {
    ASSERT_EQ(CreateHeadlessBuffer(64, 48), 1);
    Store(steering.helpFrames, 2);
    for (const int32_t expected : {1, 0, 0}) {
        DrawHelpPanel();
        RemoveHelpPanel();
        EXPECT_EQ(Load(steering.helpFrames), expected);
    }
    EXPECT_EQ(saveStack.count, 0);
}

}  // namespace
