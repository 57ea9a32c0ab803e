#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "state/settings.h"
#include "state/smart_caution.h"

namespace {

TEST(Settings, DriveKeyIsModelImmediatelyFollowedBySerial)
{
    char path[RegistryPathSize];
    EXPECT_TRUE(BuildDriveKeyPath("ABC-1234", "XYZ98765", path));
    EXPECT_STREQ(path, "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765");
}

TEST(Settings, VolumeKeyIsNamedBySerialText)
{
    char path[RegistryPathSize];
    EXPECT_TRUE(BuildVolumeKeyPath("1A2B-3C4D", path));
    EXPECT_STREQ(path, "Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D");
}

TEST(Settings, KeyPathIsZeroFilledAndCutInsideItsBuffer)
{
    char path[RegistryPathSize];
    memset(path, 'x', sizeof path);
    BuildVolumeKeyPath("1", path);
    for (size_t i = strlen(path); i < sizeof path; i++)
        ASSERT_EQ(path[i], '\0') << i;
    char longName[400];
    memset(longName, 'M', sizeof longName - 1);
    longName[sizeof longName - 1] = '\0';
    EXPECT_FALSE(BuildDriveKeyPath(longName, "S", path));
    EXPECT_EQ(strlen(path), sizeof path - 1);
}

TEST(Settings, DefaultErrorLogLiesInTheProgramFolderWhateverTheProgramIsCalled)
{
    const struct {
        const char *module;
        const char *log;
    } cases[] = {
        {"C:\\Program Files\\HOLMVARD\\HOLMVARD.EXE", "C:\\Program Files\\HOLMVARD\\ErrorLog.txt"},
        {"C:\\Tools\\holmvard-emulated.exe", "C:\\Tools\\ErrorLog.txt"},
        {"Z:\\h.exe", "Z:\\ErrorLog.txt"},
        {"holmvard.exe", "ErrorLog.txt"},
    };
    for (const auto &c : cases) {
        char path[SettingsTextSize];
        EXPECT_TRUE(BuildDefaultErrorLogPath(c.module, path)) << c.module;
        EXPECT_STREQ(path, c.log);
    }
}

TEST(Settings, DefaultErrorLogPathThatCannotFitIsRefused)
{
    char module[SettingsTextSize];
    memset(module, 'd', sizeof module);
    module[250] = '\\';
    module[sizeof module - 1] = '\0';
    char path[SettingsTextSize];
    EXPECT_FALSE(BuildDefaultErrorLogPath(module, path));
}

TEST(Settings, PollingPeriodsAndOutOfRangeIndexes)
{
    const struct {
        const char *label;
        uint32_t milliseconds;
    } rows[] = {
        {"Every 5 Minutes", 300000},   {"Every 10 Minutes", 600000}, {"Every 20 Minutes", 1200000},
        {"Every 30 Minutes", 1800000}, {"Every Hour", 3600000},      {"Every 2 Hours", 7200000},
        {"Every 4 Hours", 14400000},   {"Every 8 Hours", 28800000},
    };
    for (int i = 0; i < PollingPeriodCount; i++) {
        EXPECT_STREQ(PollingPeriods[i].Label, rows[i].label);
        EXPECT_EQ(PollingPeriods[i].Milliseconds, rows[i].milliseconds);
        EXPECT_EQ(ValidPollingIndex(i), static_cast<uint32_t>(i));
    }
    EXPECT_EQ(ValidPollingIndex(8), DefaultPollingIndex);
    EXPECT_EQ(ValidPollingIndex(0xFFFFFFFF), DefaultPollingIndex);
}

// Stored values written by a program with fewer or more items than ours keep
// the items they hold; any other size is not ours.
TEST(Settings, StoredCautionValuesKeepTheItemsTheyHoldAtAnyLengthOfWholeEntries)
{
    // Entry i of either layout holds i + 1 in its first byte.
    uint8_t stored[1024] = {};
    const struct {
        size_t entry;     // 4: SMARTCautionCounts, 12: SMARTCautionBelow
        uint32_t size;
        bool taken;
        int held;         // items holding their number, the rest 0
    } cases[] = {
        {4, 32, true, 8},  {4, 12, true, 3},   {4, 36, true, 8},   {4, 256, true, 8}, {4, 0, true, 0},
        {4, 31, false, 0}, {4, 33, false, 0},  {4, 2, false, 0},   {4, 260, false, 0},
        {12, 96, true, 8}, {12, 48, true, 4},  {12, 108, true, 8}, {12, 100, false, 0}, {12, 780, false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.entry) + " " + std::to_string(c.size));
        memset(stored, 0, sizeof stored);
        for (size_t i = 0; i * c.entry < sizeof stored; i++)
            stored[i * c.entry] = static_cast<uint8_t>(i + 1);
        CautionCounts counts;
        CautionBelow below;
        memset(&counts, 0x5A, sizeof counts);
        memset(&below, 0x5A, sizeof below);
        bool taken = c.entry == 4 ? UnpackCautionCounts(stored, c.size, counts) : UnpackCautionBelow(stored, c.size, below);
        EXPECT_EQ(taken, c.taken);
        for (int i = 0; i < CautionItemCount; i++) {
            uint64_t value = c.entry == 4 ? counts.value[i] : static_cast<uint64_t>(below.since[i]);
            uint64_t expected = !c.taken ? (c.entry == 4 ? 0x5A5A5A5Au : 0x5A5A5A5A5A5A5A5Aull) : i < c.held ? i + 1 : 0;
            EXPECT_EQ(value, expected) << i;
        }
    }
}

TEST(Settings, WatchedMaskSwitchesOffItsClearedBitsAndWatchesItemsBeyondIt)
{
    const struct {
        std::vector<uint8_t> bytes;
        uint32_t unwatched;
    } cases[] = {
        {{0xFF}, 0},
        {{0xFE}, CautionItemBit(CautionItem::ReallocatedSectors)},
        {{0xEF, 0xFF}, CautionItemBit(CautionItem::OfflineUncorrectable)},
        {{0x7F, 0x00, 0x00, 0x00}, CautionItemBit(CautionItem::WornOut)},
        {{}, 0},
        // Longer than any program's items: not ours, everything watched.
        {std::vector<uint8_t>(9, 0x00), 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(UnpackCautionUnwatched(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), c.unwatched);
}

}  // namespace
