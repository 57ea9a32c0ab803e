#include <gtest/gtest.h>

#include <cstring>

#include "state/settings.h"

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

}  // namespace
