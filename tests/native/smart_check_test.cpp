#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "drives/smart_check.h"
#include "state/drive_info_text.h"

namespace {

// What the check did, as a script of steps: "ask0", "raise0", "dialog0", "simulated0", "beep".
std::string Script;
int Healthy[MaxDrives];

int FakeReturnStatus(int drive)
{
    Script += "ask" + std::to_string(drive) + " ";
    return Healthy[drive];
}
void FakeRaise(int drive)
{
    // Raised errors are already set, so a nested check would not raise them again.
    EXPECT_EQ(Drives[drive].SMARTError, 1);
    Script += "raise" + std::to_string(drive) + " ";
}
void FakeDialog(int drive) { Script += "dialog" + std::to_string(drive) + " "; }
void FakeSimulated(int drive) { Script += "simulated" + std::to_string(drive) + " "; }
void FakeBeep() { Script += "beep"; }

const SmartCheckSteps Steps = {FakeReturnStatus, FakeRaise, FakeDialog, FakeSimulated, FakeBeep};

struct DriveState {
    int supported, enabled, error, simulated, offline, healthy;
};

class SmartCheck : public ::testing::Test {
protected:
    void TearDown() override
    {
        DriveCount = 0;
        CurrentDrive = 0;
    }
    void Run(std::initializer_list<DriveState> states, uint8_t currentBefore = 0)
    {
        memset(Drives, 0, sizeof Drives);
        DriveCount = 0;
        for (const DriveState &s : states) {
            DriveRecord &d = Drives[DriveCount];
            d.SMARTSupported = s.supported;
            d.SMARTEnabled = s.enabled;
            d.SMARTError = s.error;
            d.SimulateError = s.simulated;
            d.OfflineTestRunning = s.offline;
            Healthy[DriveCount] = s.healthy;
            DriveCount++;
        }
        CurrentDrive = currentBefore;
        Script.clear();
        RunSmartCheck(Steps);
    }
};

TEST_F(SmartCheck, OnlyMonitoredSupportedDrivesWithoutStandingErrorOrOfflineTestAreAsked)
{
    const struct {
        DriveState state;
        const char *script;
    } cases[] = {
        {{1, 1, 0, 0, 0, 1}, "ask0 "},
        {{0, 1, 0, 0, 0, 1}, ""},
        {{1, 0, 0, 0, 0, 1}, ""},
        {{1, 1, 0, 0, 1, 1}, ""},
        // A standing error is shown, not asked about again.
        {{1, 1, 1, 0, 0, 1}, "dialog0 beep"},
        // Monitoring off does not silence an alert loaded at start-up.
        {{0, 0, 1, 0, 0, 1}, "dialog0 beep"},
        {{1, 0, 0, 1, 0, 1}, "simulated0 beep"},
        {{1, 1, 0, 0, 0, 0}, "ask0 raise0 dialog0 beep"},
        {{1, 1, 0, 1, 0, 0}, "ask0 raise0 dialog0 simulated0 beep"},
    };
    for (const auto &c : cases) {
        Run({c.state});
        EXPECT_EQ(Script, c.script);
    }
}

TEST_F(SmartCheck, HealthyAnswerLeavesNoErrorAndNoBeep)
{
    Run({{1, 1, 0, 0, 0, 1}, {1, 1, 0, 0, 0, 1}}, 1);
    EXPECT_EQ(Script, "ask0 ask1 ");
    EXPECT_EQ(Drives[0].SMARTError, 0);
    EXPECT_EQ(CurrentDrive, 1) << "untouched without alerts";
}

TEST_F(SmartCheck, SeveralAlertsBeepOnceAndCurrentDriveEndsOnTheHighestIndex)
{
    Run({{1, 1, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 1}, {1, 1, 0, 1, 0, 1}, {0, 0, 0, 0, 0, 1}});
    EXPECT_EQ(Script, "ask0 raise0 dialog0 ask1 ask2 simulated2 beep");
    EXPECT_EQ(CurrentDrive, 2);
    EXPECT_EQ(Drives[0].SMARTError, 1);
}

TEST_F(SmartCheck, NoDrivesMeansNoWork)
{
    Run({});
    EXPECT_EQ(Script, "");
}

TEST(DriveInfoText, SixParameterTexts)
{
    DriveRecord drive = {};
    memcpy(drive.Model, "ST340016A", 10);
    memcpy(drive.Serial, "3HS4XYZ", 8);
    memcpy(drive.FirmwareRev, "3.10", 5);
    drive.Cylinders = 16383;
    drive.Heads = 16;
    drive.SectorsPerTrack = 63;
    drive.LbaSectors = 78165360;
    DriveInfoTexts texts;
    FormatDriveInfo(drive, texts);
    EXPECT_STREQ(texts.model, "ST340016A");
    EXPECT_STREQ(texts.serial, "3HS4XYZ");
    EXPECT_STREQ(texts.firmware, "3.10");
    EXPECT_STREQ(texts.geometry, "16383/16/63");
    EXPECT_STREQ(texts.lbaSectors, "78,165,360");
    EXPECT_STREQ(texts.capacity, "40.02GB");

    drive.Cylinders = 65535;
    drive.Heads = 65535;
    drive.SectorsPerTrack = 65535;
    drive.LbaSectors = 0xFFFFFFFF;
    FormatDriveInfo(drive, texts);
    EXPECT_STREQ(texts.geometry, "65535/65535/65535");
    EXPECT_STREQ(texts.lbaSectors, "4,294,967,295");
    EXPECT_STREQ(texts.capacity, "2199.02GB");
    drive.LbaSectors = 7814037168;   // a 4 TB drive's 48-bit count
    FormatDriveInfo(drive, texts);
    EXPECT_STREQ(texts.lbaSectors, "7,814,037,168");
    EXPECT_STREQ(texts.capacity, "4000.79GB");
}

}  // namespace
