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
// "simulated0", "cautiondialog0", "beep", "store0".
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
void FakeStore(int drive) { Script += "store" + std::to_string(drive) + " "; }
void FakeHot(int drive)
{
    EXPECT_EQ(Drives[drive].TemperatureAlert, 1);
    Script += "hot" + std::to_string(drive) + " ";
}
void FakeHotDialog(int drive) { Script += "hotdialog" + std::to_string(drive) + " "; }

const SmartCheckSteps Steps = {FakeReadHealth, FakeRaise,         FakeCaution, FakeDialog, FakeSimulated,
                               FakeCautionDialog, FakeBeep,       FakeStore,   FakeHot,    FakeHotDialog};

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

TEST_F(SmartCheck, ADriveWhoseRequestFindsNoDeviceIsMissingAndOnlyAnInternalOneRaises)
{
    // Drive 0 on SATA, drive 1 on USB: both requests found no device; drive 2 failed as a drive fails.
    memset(Drives, 0, sizeof Drives);
    DriveCount = 3;
    const uint8_t buses[] = {SataBusType, UsbBusType, UsbBusType};
    for (int i = 0; i < 3; i++) {
        Drives[i].SMARTSupported = Drives[i].SMARTEnabled = 1;
        Drives[i].BusType = buses[i];
        Healthy[i] = 0;
        Answers[i] = {};
        Answers[i].gone = i < 2;
    }
    Script.clear();
    RunSmartCheck(Steps);
    EXPECT_EQ(Script, "ask0 raise0 dialog0 ask1 ask2 raise2 dialog2 beep");
    EXPECT_TRUE(Drives[0].Missing && Drives[0].Vanished);
    EXPECT_TRUE(Drives[1].Missing && !Drives[1].Vanished && !Drives[1].SMARTError);
    EXPECT_FALSE(Drives[2].Missing);
    // A missing drive is not asked again; its standing error is still shown.
    Drives[2].SMARTError = 0;
    Script.clear();
    RunSmartCheck(Steps);
    EXPECT_EQ(Script, "dialog0 ask2 raise2 dialog2 beep");
}

TEST_F(SmartCheck, NoDrivesMeansNoWork)
{
    Run({});
    EXPECT_EQ(Script, "");
}

// One ATA attribute in both sectors' slot k: the data entry and its threshold.
// Flags as drives report them: 0x0033 pre-failure, 0x0032 old-age.
struct Attribute {
    uint8_t id;
    uint8_t current;
    uint64_t raw;
    uint8_t threshold;
    uint16_t flags = 0x0033;
};

// Byte 511 makes the 512 bytes sum to 0.
void Seal(uint8_t *sector)
{
    uint8_t sum = 0;
    for (int i = 0; i < 511; i++)
        sum = static_cast<uint8_t>(sum + sector[i]);
    sector[511] = static_cast<uint8_t>(0x100 - sum);
}

// Both sectors of the attributes, sealed; the data sector's checksum broken when asked.
void BuildSectors(const std::vector<Attribute> &attributes, uint8_t *data, uint8_t *thresholds, bool breakChecksum)
{
    memset(data, 0, SmartSectorLength);
    memset(thresholds, 0, SmartSectorLength);
    for (size_t k = 0; k < attributes.size(); k++) {
        uint8_t *entry = data + 2 + 12 * k;
        entry[0] = thresholds[2 + 12 * k] = attributes[k].id;
        entry[1] = static_cast<uint8_t>(attributes[k].flags);
        entry[2] = static_cast<uint8_t>(attributes[k].flags >> 8);
        entry[3] = attributes[k].current;
        for (int b = 0; b < 6; b++)
            entry[5 + b] = static_cast<uint8_t>(attributes[k].raw >> (8 * b));
        thresholds[2 + 12 * k + 1] = attributes[k].threshold;
    }
    Seal(data);
    Seal(thresholds);
    if (breakChecksum)
        data[511]++;
}

DriveHealth AtaAnswer(const std::vector<Attribute> &attributes, bool thresholdsRead = true, bool breakChecksum = false,
                      int64_t readTime = 0)
{
    uint8_t data[SmartSectorLength];
    uint8_t thresholds[SmartSectorLength];
    BuildSectors(attributes, data, thresholds, breakChecksum);
    DriveHealth answer = {};
    answer.status = 1;
    ReadAtaCautionHealth(data, thresholdsRead ? thresholds : nullptr, answer);
    answer.readTime = readTime;
    return answer;
}

std::string Rises(const DriveRecord &drive)
{
    char rises[CautionTextSize];
    FormatDriveCautionRises(drive, rises);
    return rises;
}

TEST_F(SmartCheck, CautionRisesWhenAWatchedCountPassesTheAcknowledgedOneAndNeverOverAnError)
{
    constexpr auto Reallocated = CautionItem::ReallocatedSectors;
    constexpr auto AtThreshold = CautionItem::AttributesAtThreshold;
    constexpr uint16_t OldAge = 0x0032;
    const struct {
        std::vector<Attribute> attributes;   // ATA drive, unless nvmeLog is set
        bool nvmeLog;
        uint32_t mediaErrors;
        uint8_t percentageUsed;
        CautionItem acknowledgedItem;
        uint32_t acknowledged;
        int healthy;
        const char *rises;                   // nullptr: no caution raised
        const char *model = "";
        uint32_t unwatched = 0;              // SMARTCautionWatched's items switched off
    } cases[] = {
        {{{5, 100, 8, 36}}, false, 0, 0, Reallocated, 0, 1, "Reallocated sectors (5): 8, was 0\r\n"},
        {{{187, 100, 1, 0}}, false, 0, 0, Reallocated, 0, 1, "Reported uncorrectable errors (187): 1, was 0\r\n"},
        {{{196, 100, 2, 0}}, false, 0, 0, Reallocated, 0, 1, "Reallocation events (196): 2, was 0\r\n"},
        {{{197, 100, 3, 0}}, false, 0, 0, Reallocated, 0, 1, "Pending sectors (197): 3, was 0\r\n"},
        {{{198, 100, 4, 0}}, false, 0, 0, Reallocated, 0, 1, "Offline uncorrectable sectors (198): 4, was 0\r\n"},
        // 5 and 196 count in their low 16 bits: 6,835 in the high word is other data.
        {{{5, 100, 6835ull << 16, 36}}, false, 0, 0, Reallocated, 0, 1, nullptr},
        {{{5, 100, (6835ull << 16) + 3, 36}}, false, 0, 0, Reallocated, 0, 1, "Reallocated sectors (5): 3, was 0\r\n"},
        {{{196, 100, 0x10002, 0}}, false, 0, 0, Reallocated, 0, 1, "Reallocation events (196): 2, was 0\r\n"},
        // The others count in the low 32 bits of the 48-bit raw value.
        {{{197, 100, 0x500000008ull, 0}}, false, 0, 0, Reallocated, 0, 1, "Pending sectors (197): 8, was 0\r\n"},
        {{{5, 100, 8, 36}}, false, 0, 0, Reallocated, 8, 1, nullptr},
        {{{5, 100, 7, 36}}, false, 0, 0, Reallocated, 8, 1, nullptr},
        {{{5, 100, 9, 36}, {197, 100, 1, 0}}, false, 0, 0, Reallocated, 8, 1,
         "Reallocated sectors (5): 9, was 8\r\nPending sectors (197): 1, was 0\r\n"},
        {{{9, 90, 40000, 0}, {194, 30, 45, 0}}, false, 0, 0, Reallocated, 0, 1, nullptr},
        {{{1, 10, 0, 10}}, false, 0, 0, Reallocated, 0, 1, "Attributes at threshold (1): 1, was 0\r\n"},
        {{{1, 9, 0, 10}, {3, 11, 0, 10}}, false, 0, 0, Reallocated, 0, 1, "Attributes at threshold (1): 1, was 0\r\n"},
        {{{1, 9, 0, 10}, {3, 10, 0, 10}}, false, 0, 0, Reallocated, 0, 1,
         "Attributes at threshold (1, 3): 2, was 0\r\n"},
        {{{1, 10, 0, 10}}, false, 0, 0, AtThreshold, 1, 1, nullptr},
        // Old-age attributes and temperatures at their threshold foretell no failure.
        {{{9, 10, 40000, 10, OldAge}, {3, 10, 0, 10, OldAge}}, false, 0, 0, Reallocated, 0, 1, nullptr},
        {{{190, 40, 60, 45}, {194, 30, 70, 40}, {231, 20, 80, 30}}, false, 0, 0, Reallocated, 0, 1, nullptr},
        // A count switched off in the drive's key, or by its model's family, rises in vain; the rest still count.
        {{{198, 100, 4096, 0}}, false, 0, 0, CautionItem::OfflineUncorrectable, 4000, 1, nullptr, "",
         CautionItemBit(CautionItem::OfflineUncorrectable)},
        {{{5, 100, 8, 36}, {198, 100, 4096, 0}}, false, 0, 0, Reallocated, 0, 1,
         "Reallocated sectors (5): 8, was 0\r\n", "", CautionItemBit(CautionItem::OfflineUncorrectable)},
        {{{198, 100, 4096, 0}}, false, 0, 0, Reallocated, 0, 1, nullptr, "OCZ-VERTEX450"},
        {{{5, 100, 8, 36}, {198, 100, 4096, 0}}, false, 0, 0, Reallocated, 0, 1,
         "Reallocated sectors (5): 8, was 0\r\n", "KINGSTON SV300S37A240G"},
        {{{198, 100, 4096, 0}}, false, 0, 0, Reallocated, 0, 1, "Offline uncorrectable sectors (198): 4096, was 0\r\n",
         "OCZ-VERTEX4"},
        {{{196, 100, 0x200000100ull, 0}}, false, 0, 0, Reallocated, 0, 1, nullptr, "SFCF4096H2BU4TO-I-MS-527-STD"},
        // A threshold exceeded raises the SMART error alone.
        {{{5, 100, 8, 36}}, false, 0, 0, Reallocated, 0, 0, nullptr},
        {{}, true, 2, 0, Reallocated, 0, 1, "Media errors: 2, was 0\r\n"},
        {{}, true, 2, 0, CautionItem::MediaErrors, 2, 1, nullptr},
        {{}, true, 0, 99, Reallocated, 0, 1, nullptr},
        {{}, true, 0, 100, Reallocated, 0, 1, "Wear: rated life used up\r\n"},
        {{}, true, 0, 255, CautionItem::WornOut, 1, 1, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.rises ? c.rises : "none") + " " + c.model);
        uint8_t log[NvmeHealthLogLength] = {};
        log[5] = c.percentageUsed;
        log[160] = static_cast<uint8_t>(c.mediaErrors);
        DriveHealth answer = AtaAnswer(c.attributes);
        if (c.nvmeLog)
            ReadNvmeCautionCounts(log, answer.counts);
        Run({{1, 1, 0, 0, 0, c.healthy}});
        Drives[0].SMARTError = 0;
        strcpy(Drives[0].Model, c.model);
        Drives[0].CautionUnwatched = c.unwatched;
        Drives[0].CautionAcknowledged.value[static_cast<int>(c.acknowledgedItem)] = c.acknowledged;
        Answers[0] = answer;
        Script.clear();
        RunSmartCheck(Steps);
        EXPECT_EQ(Script, c.healthy == 0 ? "ask0 raise0 dialog0 beep"
                          : c.rises      ? "ask0 caution0 cautiondialog0 beep"
                                         : "ask0 ");
        if (c.rises) {
            EXPECT_EQ(Rises(Drives[0]), c.rises);
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

TEST_F(SmartCheck, ACountBelowItsAcknowledgedOneForADayOfChecksBringsItDownToTheHighestReadMeanwhile)
{
    constexpr int Pending = static_cast<int>(CautionItem::PendingSectors);
    constexpr int64_t Start = 1000000000;
    constexpr int64_t Hour = 3600;
    const struct {
        int64_t hours;           // after Start
        uint64_t pending;
        const char *script;
        uint32_t acknowledged;   // afterwards
    } checks[] = {
        {0, 0, "ask0 store0 ", 8},   // rewritten: 8 stays acknowledged for now
        {1, 1, "ask0 store0 ", 8},
        {23, 0, "ask0 ", 8},
        {24, 0, "ask0 store0 ", 1},
        // Flipping between 0 and 1 no longer reaches above it.
        {25, 1, "ask0 ", 1},
        {26, 0, "ask0 store0 ", 1},
        {27, 1, "ask0 store0 ", 1},
        // Three is a rise over 1, where it was none over 8.
        {28, 3, "ask0 caution0 cautiondialog0 beep", 1},
        // No count comes down under a standing caution: its dialog shows what they were.
        {29, 0, "ask0 store0 cautiondialog0 beep", 1},
        {60, 0, "ask0 cautiondialog0 beep", 1},
    };
    Run({{1, 1, 0, 0, 0, 1}});
    Drives[0].CautionAcknowledged.value[Pending] = 8;
    for (const auto &c : checks) {
        SCOPED_TRACE(c.hours);
        Answers[0] = AtaAnswer({{197, 100, c.pending, 0}}, true, false, Start + c.hours * Hour);
        Script.clear();
        RunSmartCheck(Steps);
        EXPECT_EQ(Script, c.script);
        EXPECT_EQ(Drives[0].CautionAcknowledged.value[Pending], c.acknowledged);
    }
    EXPECT_EQ(Rises(Drives[0]), "Pending sectors (197): 3, was 1\r\n");
}

TEST_F(SmartCheck, FailedThresholdsStillTakeTheCountsAndTheirItemNeitherRisesNorFalls)
{
    constexpr int AtThreshold = static_cast<int>(CautionItem::AttributesAtThreshold);
    Run({{1, 1, 0, 0, 0, 1}});
    Drives[0].CautionAcknowledged.value[AtThreshold] = 1;
    Answers[0] = AtaAnswer({{5, 100, 8, 36}, {1, 5, 0, 10}}, false, false, 1000000000);
    Script.clear();
    RunSmartCheck(Steps);
    EXPECT_EQ(Script, "ask0 caution0 cautiondialog0 beep");
    EXPECT_EQ(Rises(Drives[0]), "Reallocated sectors (5): 8, was 0\r\n");
    // What an acknowledgement would store keeps the threshold item's 1.
    EXPECT_EQ(Drives[0].CautionSeen.value[AtThreshold], 1u);
}

TEST_F(SmartCheck, AReadingThatFailsItsChecksumIsTakenOnlyWhenTheNextCheckReadsTheSameCounts)
{
    const struct {
        uint64_t reallocated;
        bool checksumBad;
        const char *script;
    } checks[] = {
        {8, true, "ask0 "},
        {9, true, "ask0 "},
        {9, true, "ask0 caution0 cautiondialog0 beep"},
    };
    Run({{1, 1, 0, 0, 0, 1}});
    for (const auto &c : checks) {
        Answers[0] = AtaAnswer({{5, 100, c.reallocated, 36}}, true, c.checksumBad);
        Script.clear();
        RunSmartCheck(Steps);
        EXPECT_EQ(Script, c.script) << c.reallocated;
    }
    EXPECT_EQ(Rises(Drives[0]), "Reallocated sectors (5): 9, was 0\r\n");
    // A sound one is taken at once.
    Run({{1, 1, 0, 0, 0, 1}});
    Answers[0] = AtaAnswer({{5, 100, 8, 36}});
    Script.clear();
    RunSmartCheck(Steps);
    EXPECT_EQ(Script, "ask0 caution0 cautiondialog0 beep");
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
