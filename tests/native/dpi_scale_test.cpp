#include <gtest/gtest.h>

#include "ui/alert_cascade.h"
#include "ui/dpi_scale.h"

namespace {

TEST(DpiScale, SizesGrowWithTheDpiRoundedToTheNearestPixel)
{
    const struct {
        int pixels;
        int dpi;
        int expected;
    } cases[] = {
        {16, 96, 16},   {16, 120, 20},  {16, 144, 24},  {16, 192, 32},  {480, 144, 720}, {320, 168, 560},
        {7, 120, 9},    // 8.75
        {5, 144, 8},    // 7.5: a half goes up
        {-5, 144, -8},  // and down for offsets to the left or above
        {24, 0, 24},    // an unknown DPI changes nothing
        {0, 144, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScaleToDpi(c.pixels, c.dpi), c.expected) << c.pixels << " at " << c.dpi;
}

TEST(DpiScale, TheWindowsDpiComesBeforeTheSystemsAndNinetySixLast)
{
    const struct {
        int window;
        int system;
        int expected;
    } cases[] = {{144, 96, 144}, {0, 120, 120}, {0, 0, 96}, {96, 144, 96}};
    for (const auto &c : cases)
        EXPECT_EQ(ChooseDpi(c.window, c.system), c.expected) << c.window << ", " << c.system;
}

TEST(DpiScale, APictureIsCentredAtItsScaledSize)
{
    const struct {
        int dpi;
        PixelRect area;
        PixelRect expected;
    } cases[] = {
        {96, {0, 0, 1024, 768}, {272, 224, 752, 544}},
        {144, {0, 0, 1024, 768}, {152, 144, 872, 624}},
        {144, {-1920, 0, 0, 1080}, {-1320, 300, -600, 780}},   // a monitor left of the primary
        {192, {0, 0, 800, 600}, {-80, -20, 880, 620}},          // larger than the area: centred all the same
    };
    for (const auto &c : cases) {
        PixelRect r = CentreAtDpi(480, 320, c.dpi, c.area);
        EXPECT_EQ(r.left, c.expected.left) << c.dpi;
        EXPECT_EQ(r.top, c.expected.top) << c.dpi;
        EXPECT_EQ(r.right, c.expected.right) << c.dpi;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.dpi;
    }
}

TEST(AlertCascade, StepIsOneCaptionWithItsFramesAndAtLeastEightPixelsAtTheDpi)
{
    const struct {
        int caption;
        int frame;
        int dpi;
        int expected;
    } cases[] = {
        {18, 3, 96, 24}, {27, 4, 144, 35}, {2, 1, 96, 8}, {2, 1, 144, 12}, {0, 0, 192, 16},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AlertCascadeStep(c.caption, c.frame, c.dpi), c.expected) << c.caption << " at " << c.dpi;
}

}  // namespace
