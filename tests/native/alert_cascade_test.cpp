#include <gtest/gtest.h>

#include <vector>

#include "ui/alert_cascade.h"

namespace {

TEST(AlertCascade, NewAlertTakesTheFirstStepNoOpenAlertHolds)
{
    const ScreenPoint first = {300, 200};
    const struct {
        std::vector<ScreenPoint> open;
        int slots;
        ScreenPoint expected;
    } cases[] = {
        {{}, 4, {300, 200}},
        {{{300, 200}}, 4, {324, 224}},
        {{{324, 224}, {300, 200}}, 4, {348, 248}},
        {{{324, 224}}, 4, {300, 200}},                 // a closed alert's step is taken again
        {{{310, 200}, {300, 210}}, 4, {300, 200}},     // a moved alert holds no step
        {{{300, 200}, {324, 224}}, 2, {300, 200}},     // no room for more steps: back to the first
    };
    for (const auto &c : cases) {
        ScreenPoint place = ChooseAlertPosition(c.open.data(), static_cast<int>(c.open.size()), first, 24, c.slots);
        EXPECT_EQ(place.x, c.expected.x);
        EXPECT_EQ(place.y, c.expected.y);
    }
}

}  // namespace
