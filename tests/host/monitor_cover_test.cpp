#include "host/monitor_cover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const ScreenRect& r, std::ostream* out) {
    *out << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
}

namespace {

// The saver's window on a 1366 x 768 primary monitor: 1368 wide at x = -1.
constexpr ScreenRect kPrimary = {0, 0, 1366, 768};
constexpr ScreenRect kMainWindow = {-1, 0, 1367, 768};

bool Contains(const ScreenRect& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Checks the rectangles against the pixels themselves: every cell of the grid that the edges of all
// rectangles make is covered exactly once when a monitor shows it and the main window does not, and
// not at all otherwise.
void ExpectExactCover(const std::vector<ScreenRect>& monitors, const ScreenRect& mainWindow,
                      const std::vector<ScreenRect>& cover) {
    std::vector<int32_t> xs, ys;
    for (const std::vector<ScreenRect>* list : {&monitors, &cover})
        for (const ScreenRect& r : *list) {
            xs.insert(xs.end(), {r.left, r.right});
            ys.insert(ys.end(), {r.top, r.bottom});
        }
    xs.insert(xs.end(), {mainWindow.left, mainWindow.right});
    ys.insert(ys.end(), {mainWindow.top, mainWindow.bottom});
    for (int32_t x : xs)
        for (int32_t y : ys) {  // each cell is named by its top-left corner
            const bool shown =
                std::any_of(monitors.begin(), monitors.end(), [&](const ScreenRect& m) { return Contains(m, x, y); });
            const int32_t wanted = shown && !Contains(mainWindow, x, y) ? 1 : 0;
            const auto times =
                std::count_if(cover.begin(), cover.end(), [&](const ScreenRect& c) { return Contains(c, x, y); });
            ASSERT_EQ(times, wanted) << "pixel " << x << "," << y;
        }
}

struct CoverCase {
    const char* name;
    std::vector<ScreenRect> monitors;
    ScreenRect mainWindow;
    std::vector<ScreenRect> expected;
};
void PrintTo(const CoverCase& c, std::ostream* out) { *out << c.name; }

class RectsToCoverTest : public testing::TestWithParam<CoverCase> {};

TEST_P(RectsToCoverTest, CoversWhatTheMainWindowLeavesShowing) {
    const CoverCase& c = GetParam();
    const std::vector<ScreenRect> cover = RectsToCover(c.monitors, c.mainWindow);
    EXPECT_EQ(cover, c.expected);
    ExpectExactCover(c.monitors, c.mainWindow, cover);
}

INSTANTIATE_TEST_SUITE_P(
    Desks, RectsToCoverTest,
    testing::Values(
        CoverCase{"OneMonitor", {kPrimary}, kMainWindow, {}},
        // The main window's last column overhangs onto the right monitor's first one.
        CoverCase{"TwoSideBySide", {kPrimary, {1366, 0, 2166, 600}}, kMainWindow, {{1367, 0, 2166, 600}}},
        CoverCase{"SecondaryListedFirst", {{1366, 0, 2166, 600}, kPrimary}, kMainWindow, {{1367, 0, 2166, 600}}},
        CoverCase{"LeftOfAndAbovePrimary", {kPrimary, {-1280, -1024, 0, 0}}, kMainWindow, {{-1280, -1024, 0, 0}}},
        // Taller and higher: the rows above and below the overhang, then the columns left of it.
        CoverCase{"LeftAndTaller",
                  {kPrimary, {-1280, -200, 0, 824}},
                  kMainWindow,
                  {{-1280, -200, 0, 0}, {-1280, 768, 0, 824}, {-1280, 0, -1, 768}}},
        CoverCase{"DifferentSizesRightAndBelow",
                  {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}, {0, 1080, 1280, 2104}},
                  {0, 0, 1920, 1080},
                  {{1920, 0, 3200, 1024}, {0, 1080, 1280, 2104}}},
        CoverCase{"MirroringThePrimary", {kPrimary, kPrimary}, kMainWindow, {}},
        CoverCase{"SmallerMonitorInsideThePrimary", {kPrimary, {0, 0, 1024, 768}}, kMainWindow, {}},
        CoverCase{
            "OverlappingTheMainWindowSideways", {kPrimary, {1000, 0, 1800, 600}}, kMainWindow, {{1367, 0, 1800, 600}}},
        CoverCase{"OverlappingTheMainWindowsCorner",
                  {kPrimary, {1000, 500, 1800, 1100}},
                  kMainWindow,
                  {{1000, 768, 1800, 1100}, {1367, 500, 1800, 768}}},
        CoverCase{"ThreeInARow",
                  {{-1280, 0, 0, 1024}, kPrimary, {1366, 0, 2166, 600}},
                  kMainWindow,
                  {{-1280, 768, 0, 1024}, {-1280, 0, -1, 768}, {1367, 0, 2166, 600}}},
        // Two secondaries mirroring each other, and a third overlapping both: each pixel once.
        CoverCase{"SecondariesOverlappingEachOther",
                  {kPrimary, {1366, 0, 2166, 600}, {1366, 0, 2166, 600}, {1800, 300, 2400, 900}},
                  kMainWindow,
                  {{1367, 0, 2166, 600}, {1800, 600, 2400, 900}, {2166, 300, 2400, 600}}},
        CoverCase{"EmptyMonitorIgnored", {kPrimary, {1366, 0, 1366, 600}}, kMainWindow, {}}),
    [](const testing::TestParamInfo<CoverCase>& info) { return std::string(info.param.name); });

}  // namespace
