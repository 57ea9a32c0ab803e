#include <gtest/gtest.h>

#include <cstring>

#include "state/drive_table.h"
#include "state/volume_table.h"
#include "ui/tray_status.h"

namespace {

class TrayStatus : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(Drives, 0, sizeof Drives);
        memset(Volumes, 0, sizeof Volumes);
        DriveCount = 2;
        VolumeCount = 2;
    }
    void TearDown() override
    {
        DriveCount = 0;
        VolumeCount = 0;
    }
};

TEST_F(TrayStatus, TipNamesEachKindOfStandingAlertOnceInFixedOrder)
{
    // Flags: real error on drive 0/1, simulated on drive 0/1, free space on volume 0/1, caution on drive 1.
    const struct {
        int smart0, smart1, simulated0, simulated1, space0, space1, caution1;
        const char *tip;
        bool error;
    } cases[] = {
        {0, 0, 0, 0, 0, 0, 0, "HOLMVARD Status: OK", false},
        {1, 0, 0, 0, 0, 0, 0, "SMART Error", true},
        {1, 1, 0, 0, 0, 0, 0, "SMART Error", true},
        {0, 0, 0, 1, 0, 0, 0, "SMART Error (Simulated)", true},
        {0, 0, 0, 0, 0, 1, 0, "Free Space Error", true},
        {0, 1, 0, 0, 1, 0, 0, "SMART Error, Free Space Error", true},
        {0, 0, 1, 1, 1, 1, 0, "SMART Error (Simulated), Free Space Error", true},
        {1, 0, 1, 0, 0, 0, 0, "SMART Error, SMART Error (Simulated)", true},
        {0, 1, 1, 0, 1, 1, 0, "SMART Error, SMART Error (Simulated), Free Space Error", true},
        {0, 0, 0, 0, 0, 0, 1, "SMART Caution", true},
        {0, 0, 1, 0, 1, 0, 1, "SMART Error (Simulated), SMART Caution, Free Space Error", true},
        // A real error says more than a caution.
        {1, 0, 1, 0, 1, 0, 1, "SMART Error, SMART Error (Simulated), Free Space Error", true},
    };
    for (const auto &c : cases) {
        Drives[0].SMARTError = c.smart0;
        Drives[1].SMARTError = c.smart1;
        Drives[0].SimulateError = c.simulated0;
        Drives[1].SimulateError = c.simulated1;
        Volumes[0].FreeSpaceError = c.space0;
        Volumes[1].FreeSpaceError = c.space1;
        Drives[1].SMARTCaution = c.caution1;
        char tip[TrayTipSize];
        memset(tip, 'x', sizeof tip);
        EXPECT_EQ(ComposeTrayTip(tip), c.error) << c.tip;
        EXPECT_STREQ(tip, c.tip);
    }
}

TEST_F(TrayStatus, LongestTipFitsWithRoomToSpare)
{
    Drives[0].SMARTError = 1;
    Drives[0].SimulateError = 1;
    Volumes[0].FreeSpaceError = 1;
    char tip[TrayTipSize];
    ComposeTrayTip(tip);
    EXPECT_EQ(strlen(tip), 54u);
}

TEST_F(TrayStatus, RecordsBeyondTheCountsAreIgnored)
{
    DriveCount = 1;
    VolumeCount = 0;
    Drives[1].SMARTError = 1;
    Volumes[0].FreeSpaceError = 1;
    char tip[TrayTipSize];
    EXPECT_FALSE(ComposeTrayTip(tip));
    EXPECT_STREQ(tip, "HOLMVARD Status: OK");
}

TEST_F(TrayStatus, NoticeNamesTheAlertAndItsDriveOrVolume)
{
    strcpy(Drives[1].Model, "ABC-1234");
    strcpy(Drives[1].Serial, "XYZ98765");
    strcpy(Volumes[1].RootPath, "P:\\");
    Volumes[1].FreeSpaceMin = 15;
    const struct {
        AlertNotice alert;
        const char *label;   // volume 1's
        const char *title;
        const char *text;
    } cases[] = {
        {AlertNotice::SMARTError, "", "SMART Error Detected",
         "Drive ABC-1234, serial XYZ98765, reports a SMART error. Back up its data now."},
        {AlertNotice::SimulatedSMARTError, "", "SMART Error Detected (Simulated)",
         "Drive ABC-1234, serial XYZ98765, shows a simulated SMART error."},
        {AlertNotice::SMARTCaution, "", "SMART Caution Detected",
         "Drive ABC-1234, serial XYZ98765, shows counts that often come before a failure. Back up its data."},
        {AlertNotice::FreeSpaceError, "DATA", "Free Space Error Detected",
         "Volume P:\\ (DATA) has less free space than its minimum of 15%."},
        {AlertNotice::FreeSpaceError, "", "Free Space Error Detected",
         "Volume P:\\ has less free space than its minimum of 15%."},
    };
    for (const auto &c : cases) {
        strcpy(Volumes[1].VolumeName, c.label);
        char title[NoticeTitleSize];
        char text[NoticeTextSize];
        ComposeAlertNotice(c.alert, 1, title, text);
        EXPECT_STREQ(title, c.title);
        EXPECT_STREQ(text, c.text);
    }
}

}  // namespace
