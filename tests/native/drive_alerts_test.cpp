#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "state/drive_alerts.h"
#include "ui/tray_status.h"

namespace {

DriveAlert AlertAt(int k)
{
    return static_cast<DriveAlert>(k);
}

// The registry keeps each time stamp beside its flag under the flag's name
// with "Time" after it, and no two kinds share a value or a record field.
TEST(DriveAlerts, EachKindHasItsOwnFlagAndTimeNamedAfterIt)
{
    for (int a = 0; a < DriveAlertCount; a++) {
        const DriveAlertKind &kind = DriveAlertKindOf(AlertAt(a));
        EXPECT_EQ(std::string(kind.flagName) + "Time", kind.timeName);
        for (int b = a + 1; b < DriveAlertCount; b++) {
            const DriveAlertKind &other = DriveAlertKindOf(AlertAt(b));
            EXPECT_STRNE(kind.flagName, other.flagName) << a << " " << b;
            EXPECT_NE(kind.flag, other.flag) << a << " " << b;
            EXPECT_NE(kind.time, other.time) << a << " " << b;
            EXPECT_NE(kind.dialog, other.dialog) << a << " " << b;
        }
    }
}

class DriveAlertTip : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(Drives, 0, sizeof Drives);
        DriveCount = 1;
    }
    void TearDown() override { DriveCount = 0; }
};

// A kind standing alone always shows in the tip, as its own piece.
TEST_F(DriveAlertTip, EachKindAloneShowsItsPiece)
{
    for (int k = 0; k < DriveAlertCount; k++) {
        const DriveAlertKind &kind = DriveAlertKindOf(AlertAt(k));
        memset(Drives, 0, sizeof Drives);
        Drives[0].*kind.flag = 1;
        char tip[TrayTipSize];
        EXPECT_TRUE(ComposeTrayTip(tip)) << k;
        EXPECT_STREQ(tip, kind.trayPiece) << k;
    }
}

}  // namespace
