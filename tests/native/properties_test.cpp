#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "drives/drive_page_texts.h"
#include "drives/smart_check.h"
#include "drives/offline_test.h"
#include "state/settings_snapshot.h"

namespace {

std::string Script;

void Number(const char *name, uint32_t value) { Script += std::string(name) + "=" + std::to_string(value) + " "; }
void Flag(const char *name, int32_t value) { Number(name, static_cast<uint32_t>(value)); }
void Texts() { Script += "texts "; }
void Enabled(int drive) { Script += "smart" + std::to_string(drive) + " "; }
void Simulate(int drive) { Script += "simulate" + std::to_string(drive) + " "; }
void Watch(int drive) { Script += "watch" + std::to_string(drive) + " "; }
void VolumeFlag(int volume, const char *name, int32_t value) { Number((std::to_string(volume) + name).c_str(), value); }
void VolumeNumber(int volume, const char *name, uint32_t value) { Number((std::to_string(volume) + name).c_str(), value); }

const CommitSteps Steps = {Number, Flag, Texts, Enabled, Simulate, Watch, VolumeFlag, VolumeNumber};

TEST(SettingsCommit, WritesOnlyWhatDiffersInOrderAndRollBackRestoresEverything)
{
    memset(Drives, 0, sizeof Drives);
    memset(Volumes, 0, sizeof Volumes);
    DriveCount = 2;
    VolumeCount = 2;
    Drives[0].SMARTEnabled = 1;
    Drives[1].SMARTEnabled = 1;
    Volumes[0].SpaceCheckEnabled = 1;
    Volumes[0].FreeSpaceMin = 15;
    Volumes[1].FreeSpaceMin = 15;
    GlobalSettings.SMARTPollingPeriod = 4;
    strcpy(GlobalSettings.EmailServer, "mail");
    CurrentDrive = 1;
    TakeSettingsSnapshot();

    Script.clear();
    CommitSettings(Steps);
    EXPECT_EQ(Script, "texts ") << "no changes: only the e-mail texts";

    // Changed, and changed and changed back.
    Volumes[1].FreeSpaceMin = 20;
    Drives[0].SMARTEnabled = 0;
    Drives[1].SimulateError = 1;
    GlobalSettings.EmailFreeSpaceErrors = 1;
    GlobalSettings.SMARTPollingPeriod = 6;
    Volumes[0].SpaceCheckEnabled = 0;
    Volumes[0].SpaceCheckEnabled = 1;
    Drives[1].SMARTEnabled = 0;
    Drives[1].SMARTEnabled = 1;
    Drives[0].TemperatureLimit = 60;
    Drives[1].CautionUnwatched = 1;
    Script.clear();
    CommitSettings(Steps);
    EXPECT_EQ(Script, "SMARTPollingPeriod=6 EmailFreeSpaceErrors=1 texts smart0 watch0 simulate1 watch1 1FreeSpaceMin=20 ");

    strcpy(GlobalSettings.EmailServer, "other");
    CurrentDrive = 0;
    RestoreSettingsSnapshot();
    EXPECT_EQ(GlobalSettings.SMARTPollingPeriod, 4u);
    EXPECT_EQ(GlobalSettings.EmailFreeSpaceErrors, 0);
    EXPECT_STREQ(GlobalSettings.EmailServer, "mail");
    EXPECT_EQ(Drives[0].SMARTEnabled, 1);
    EXPECT_EQ(Drives[1].SimulateError, 0);
    EXPECT_EQ(Drives[0].TemperatureLimit, 0u);
    EXPECT_EQ(Drives[1].CautionUnwatched, 0u);
    EXPECT_EQ(Volumes[1].FreeSpaceMin, 15u);
    EXPECT_EQ(CurrentDrive, 1);
    DriveCount = 0;
    VolumeCount = 0;
    CurrentDrive = 0;
}

TEST(DrivesPage, StatusTextAndMonitoringBoxForEveryFlagCombination)
{
    const struct {
        int supported, enabled, error, simulated, caution;
        const char *status;
        bool checked, enabled_;
    } cases[] = {
        {0, 0, 0, 0, 0, "Not Supported", false, false},
        {0, 1, 1, 0, 0, "Not Supported", false, false},
        {0, 1, 0, 1, 0, "Failure Likely (Simulated)", false, false},
        {1, 0, 0, 0, 0, "Disabled", false, true},
        {1, 0, 1, 0, 0, "Disabled", false, true},
        {1, 0, 0, 1, 0, "Failure Likely (Simulated)", false, true},
        {1, 1, 0, 0, 0, "OK", true, true},
        {1, 1, 1, 0, 0, "Failure Likely", true, true},
        {1, 1, 0, 1, 0, "Failure Likely (Simulated)", true, true},
        {1, 1, 1, 1, 0, "Failure Likely (Simulated)", true, true},
        {1, 1, 0, 0, 1, "Caution", true, true},
        {1, 1, 1, 0, 1, "Failure Likely", true, true},
        {1, 0, 0, 0, 1, "Disabled", false, true},
        {1, 1, 0, 1, 1, "Failure Likely (Simulated)", true, true},
    };
    for (const auto &c : cases) {
        DriveRecord d = {};
        d.SMARTSupported = c.supported;
        d.SMARTEnabled = c.enabled;
        d.SMARTError = c.error;
        d.SimulateError = c.simulated;
        d.SMARTCaution = c.caution;
        DrivePageState state = DrivePageStateOf(d);
        EXPECT_STREQ(state.status, c.status);
        EXPECT_EQ(state.monitoringChecked, c.checked) << c.status;
        EXPECT_EQ(state.monitoringEnabled, c.enabled_) << c.status;
        // A drive whose health cannot be read says so, whatever else but a simulation, and is never asked.
        d.Access = DriveAccess::NotReadable;
        state = DrivePageStateOf(d);
        EXPECT_STREQ(state.status, c.simulated ? "Failure Likely (Simulated)" : "Not readable");
        EXPECT_FALSE(state.monitoringChecked || state.monitoringEnabled);
        EXPECT_FALSE(DriveQualifiesForStatus(d));
    }

    const struct {
        int error0, simulated0, error1, simulated1, caution1;
        const char *summary;
    } summaries[] = {
        {0, 0, 0, 0, 0, "All Drives OK"},
        {0, 1, 0, 0, 0, "Failure Likely (Simulated)"},
        {0, 1, 1, 0, 0, "Failure Likely"},
        {0, 0, 0, 1, 0, "Failure Likely (Simulated)"},
        {0, 0, 0, 0, 1, "Caution"},
        {0, 1, 0, 0, 1, "Failure Likely (Simulated)"},
        {1, 0, 0, 0, 1, "Failure Likely"},
    };
    memset(Drives, 0, sizeof Drives);
    DriveCount = 2;
    for (const auto &s : summaries) {
        Drives[0].SMARTError = s.error0;
        Drives[0].SimulateError = s.simulated0;
        Drives[1].SMARTError = s.error1;
        Drives[1].SimulateError = s.simulated1;
        Drives[1].SMARTCaution = s.caution1;
        EXPECT_STREQ(DriveSummaryText(), s.summary);
    }
    DriveCount = 0;
}

TEST(OfflineTest, OutcomesCountdownAndRestarts)
{
    const struct {
        uint8_t status, attempts;
        const char *outcome;
    } outcomes[] = {
        {2, 2, "No errors encountered"}, {6, 2, "Aborted with fatal error"}, {0, 2, "Unknown error"},
        {3, 2, "Unknown error"},         {4, 2, nullptr},                    {5, 10, nullptr},
        {4, 11, "Aborted by host interruption"}, {0x7F, 2, "Unknown error"},
        {0x82, 2, "No errors encountered"},      {0x84, 2, nullptr},
    };
    for (const auto &o : outcomes) {
        const char *outcome = ReadOfflineStatus(o.status, o.attempts);
        EXPECT_STREQ(outcome ? outcome : "restart", o.outcome ? o.outcome : "restart") << int(o.status);
    }

    const struct {
        uint16_t seconds, elapsed;
        const char *text;   // null: poll
    } countdowns[] = {{125, 1, "Time remaining: 00:02:04"}, {125, 125, "Time remaining: 00:00:00"},
                      {125, 126, nullptr},                    {3661, 0, "Time remaining: 01:01:01"},
                      {65535, 0, "Time remaining: 18:12:15"}};
    for (const auto &c : countdowns) {
        char text[32] = "";
        bool counting = OfflineCountdown(c.seconds, c.elapsed, text);
        EXPECT_STREQ(counting ? text : "poll", c.text ? c.text : "poll") << c.seconds << " at " << c.elapsed;
    }

    EXPECT_EQ(RestartSeconds(5, 2), 30);
    EXPECT_EQ(RestartSeconds(120, 3), 160);
    EXPECT_EQ(RestartSeconds(65530, 10), 65535);
    EXPECT_EQ(OfflineElapsed(1000125, 1000000), 125);
    EXPECT_EQ(OfflineElapsed(1000000 + 65537, 1000000), 1) << "compared as 16 bits";
}

}  // namespace

#include "app/splash_palette.h"

namespace {

TEST(SplashPalette, DefaultIsEightRedsFastestThenEightGreensThenFourBlues)
{
    const struct {
        int k;
        PaletteColour colour;
    } cases[] = {{0, {0, 0, 0}}, {1, {32, 0, 0}}, {7, {224, 0, 0}}, {8, {0, 32, 0}},
                 {63, {224, 224, 0}}, {64, {0, 0, 64}}, {255, {224, 224, 192}}};
    for (const auto &c : cases) {
        PaletteColour colour = DefaultPaletteColour(c.k);
        EXPECT_EQ(colour.red, c.colour.red) << c.k;
        EXPECT_EQ(colour.green, c.colour.green) << c.k;
        EXPECT_EQ(colour.blue, c.colour.blue) << c.k;
    }
    const uint8_t entry[4] = {1, 2, 3, 4};   // blue, green, red, reserved
    PaletteColour fromTable = PaletteColourOfTableEntry(entry);
    EXPECT_EQ(fromTable.red, 3);
    EXPECT_EQ(fromTable.blue, 1);
}

}  // namespace
