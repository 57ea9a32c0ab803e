#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drives/smart_check.h"
#include "drives/smart_requests.h"
#include "drives/storage_queries.h"
#include "state/drive_info_text.h"

namespace {

// What the check did, as a script of steps: "ask0", "raise0", "caution0", "dialog0",
// "simulated0", "cautiondialog0", "beep".
std::string Script;
int Healthy[MaxDrives];
DriveHealth Answers[MaxDrives];

bool FakeReadHealth(int drive, DriveHealth &health)
{
    Script += "ask" + std::to_string(drive) + " ";
    health = Answers[drive];
    health.status = Healthy[drive];
    return true;
}
void FakeRaise(int drive)
{
    // Raised errors are already set, so a nested check would not raise them again.
    EXPECT_EQ(Drives[drive].SMARTError, 1);
    Script += "raise" + std::to_string(drive) + " ";
}
void FakeDialog(int drive) { Script += "dialog" + std::to_string(drive) + " "; }
void FakeSimulated(int drive) { Script += "simulated" + std::to_string(drive) + " "; }
void FakeCaution(int drive)
{
    EXPECT_EQ(Drives[drive].SMARTCaution, 1);
    Script += "caution" + std::to_string(drive) + " ";
}
void FakeCautionDialog(int drive) { Script += "cautiondialog" + std::to_string(drive) + " "; }
void FakeBeep() { Script += "beep"; }

const SmartCheckSteps Steps = {FakeReadHealth, FakeRaise,         FakeCaution,      FakeDialog,
                               FakeSimulated,  FakeCautionDialog, FakeBeep};

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
            Answers[DriveCount] = {};
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

// One ATA attribute in both sectors' slot k: the data entry and its threshold.
struct Attribute {
    uint8_t id;
    uint8_t current;
    uint64_t raw;
    uint8_t threshold;
};

TEST_F(SmartCheck, CautionRisesWhenAWatchedCountPassesTheAcknowledgedOneAndNeverOverAnError)
{
    constexpr auto Reallocated = CautionItem::ReallocatedSectors;
    constexpr auto AtThreshold = CautionItem::AttributesAtThreshold;
    const struct {
        std::vector<Attribute> attributes;   // ATA drive, unless nvmeLog is set
        bool nvmeLog;
        uint32_t mediaErrors;
        uint8_t percentageUsed;
        CautionItem acknowledgedItem;
        uint32_t acknowledged;
        int healthy;
        const char *rises;                   // nullptr: no caution raised
    } cases[] = {
        {{{5, 100, 8, 36}}, false, 0, 0, Reallocated, 0, 1, "Reallocated sectors: 8, was 0\r\n"},
        {{{187, 100, 1, 0}}, false, 0, 0, Reallocated, 0, 1, "Reported uncorrectable errors: 1, was 0\r\n"},
        {{{196, 100, 2, 0}}, false, 0, 0, Reallocated, 0, 1, "Reallocation events: 2, was 0\r\n"},
        {{{197, 100, 3, 0}}, false, 0, 0, Reallocated, 0, 1, "Pending sectors: 3, was 0\r\n"},
        {{{198, 100, 4, 0}}, false, 0, 0, Reallocated, 0, 1, "Offline uncorrectable sectors: 4, was 0\r\n"},
        // Only the low 32 bits of the 48-bit raw value count.
        {{{5, 100, 0x500000008ull, 36}}, false, 0, 0, Reallocated, 0, 1, "Reallocated sectors: 8, was 0\r\n"},
        {{{5, 100, 8, 36}}, false, 0, 0, Reallocated, 8, 1, nullptr},
        {{{5, 100, 7, 36}}, false, 0, 0, Reallocated, 8, 1, nullptr},
        {{{5, 100, 9, 36}, {197, 100, 1, 0}}, false, 0, 0, Reallocated, 8, 1,
         "Reallocated sectors: 9, was 8\r\nPending sectors: 1, was 0\r\n"},
        {{{9, 90, 40000, 0}, {194, 30, 45, 0}}, false, 0, 0, Reallocated, 0, 1, nullptr},
        {{{1, 10, 0, 10}}, false, 0, 0, Reallocated, 0, 1, "Attributes at threshold: 1, was 0\r\n"},
        {{{1, 9, 0, 10}, {3, 11, 0, 10}}, false, 0, 0, Reallocated, 0, 1, "Attributes at threshold: 1, was 0\r\n"},
        {{{1, 10, 0, 10}}, false, 0, 0, AtThreshold, 1, 1, nullptr},
        // A threshold exceeded raises the SMART error alone.
        {{{5, 100, 8, 36}}, false, 0, 0, Reallocated, 0, 0, nullptr},
        {{}, true, 2, 0, Reallocated, 0, 1, "Media errors: 2, was 0\r\n"},
        {{}, true, 2, 0, CautionItem::MediaErrors, 2, 1, nullptr},
        {{}, true, 0, 99, Reallocated, 0, 1, nullptr},
        {{}, true, 0, 100, Reallocated, 0, 1, "Wear: rated life used up\r\n"},
        {{}, true, 0, 255, CautionItem::WornOut, 1, 1, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rises ? c.rises : "none");
        uint8_t data[SmartSectorLength] = {};
        uint8_t thresholds[SmartSectorLength] = {};
        uint8_t log[NvmeHealthLogLength] = {};
        for (size_t k = 0; k < c.attributes.size(); k++) {
            uint8_t *entry = data + 2 + 12 * k;
            entry[0] = thresholds[2 + 12 * k] = c.attributes[k].id;
            entry[3] = c.attributes[k].current;
            for (int b = 0; b < 6; b++)
                entry[5 + b] = static_cast<uint8_t>(c.attributes[k].raw >> (8 * b));
            thresholds[2 + 12 * k + 1] = c.attributes[k].threshold;
        }
        log[5] = c.percentageUsed;
        log[160] = static_cast<uint8_t>(c.mediaErrors);
        DriveHealth answer = {1, true, {}};
        if (c.nvmeLog)
            ReadNvmeCautionCounts(log, answer.counts);
        else
            ReadAtaCautionCounts(data, thresholds, answer.counts);
        Run({{1, 1, 0, 0, 0, c.healthy}});
        Drives[0].SMARTError = 0;
        Drives[0].CautionAcknowledged.value[static_cast<int>(c.acknowledgedItem)] = c.acknowledged;
        Answers[0] = answer;
        Script.clear();
        RunSmartCheck(Steps);
        EXPECT_EQ(Script, c.healthy == 0 ? "ask0 raise0 dialog0 beep"
                          : c.rises      ? "ask0 caution0 cautiondialog0 beep"
                                         : "ask0 ");
        char rises[CautionTextSize];
        FormatCautionRises(Drives[0].CautionSeen, Drives[0].CautionAcknowledged, rises);
        if (c.rises) {
            EXPECT_STREQ(rises, c.rises);
        }
    }
}

TEST_F(SmartCheck, StandingCautionIsNotRaisedAgainAndKeepsTheCountsItShows)
{
    Run({{1, 1, 0, 0, 0, 1}});
    Answers[0] = {1, true, {{8}}};
    RunSmartCheck(Steps);
    Answers[0] = {1, true, {{9}}};
    Script.clear();
    RunSmartCheck(Steps);
    EXPECT_EQ(Script, "ask0 cautiondialog0 beep");
    EXPECT_EQ(Drives[0].CautionSeen.value[0], 8u);
    // Unread counts neither raise nor clear anything.
    Drives[0].SMARTCaution = 0;
    Answers[0] = {1, false, {{20}}};
    Script.clear();
    RunSmartCheck(Steps);
    EXPECT_EQ(Script, "ask0 ");
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
