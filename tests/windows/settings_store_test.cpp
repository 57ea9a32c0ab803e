// The settings store against the real (Wine) registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "state/settings.h"
#include "state/settings_store.h"

namespace {

struct StoredValue {
    std::string name;
    DWORD type;
    std::vector<uint8_t> data;
    bool operator==(const StoredValue &) const = default;
};

std::vector<StoredValue> ValuesOf(const char *path)
{
    std::vector<StoredValue> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; i++) {
        char name[256];
        DWORD nameLength = sizeof name;
        uint8_t data[4096];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS)
            break;
        values.push_back({name, type, std::vector<uint8_t>(data, data + dataLength)});
    }
    RegCloseKey(key);
    return values;
}

const StoredValue *Find(const std::vector<StoredValue> &values, const char *name)
{
    for (const StoredValue &v : values) {
        if (v.name == name)
            return &v;
    }
    return nullptr;
}

void SetValue(const char *path, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

void SetFlag(const char *path, const char *name, int32_t value)
{
    SetValue(path, name, REG_BINARY, &value, 4);
}

void SetText(const char *path, const char *name, const std::string &text)
{
    SetValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

const char DrivePath[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
const char VolumePath[] = "Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D";
const char GlobalPath[] = "Software\\Tessmere\\HOLMVARD\\Global";

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tessmere");
        memset(&GlobalSettings, 0, sizeof GlobalSettings);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tessmere"); }

    static DriveRecord NewDrive()
    {
        DriveRecord drive = {};
        CopyText(drive.Model, "ABC-1234");
        CopyText(drive.Serial, "XYZ98765");
        return drive;
    }
    static VolumeRecord NewVolume()
    {
        VolumeRecord volume = {};
        CopyText(volume.VolumeSerialText, "1A2B-3C4D");
        return volume;
    }
};

void ExpectValue(const std::vector<StoredValue> &values, const char *name, DWORD type, DWORD size, uint32_t number)
{
    const StoredValue *v = Find(values, name);
    ASSERT_NE(v, nullptr) << name;
    EXPECT_EQ(v->type, type) << name;
    ASSERT_EQ(v->data.size(), size) << name;
    uint32_t stored = 0;
    memcpy(&stored, v->data.data(), 4);
    EXPECT_EQ(stored, number) << name;
}

void ExpectText(const std::vector<StoredValue> &values, const char *name, const std::string &text)
{
    const StoredValue *v = Find(values, name);
    ASSERT_NE(v, nullptr) << name;
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_SZ)) << name;
    ASSERT_EQ(v->data.size(), 256u) << name;
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(v->data.data())), text) << name;
}

TEST_F(SettingsStore, FirstRunCreatesTheThreeKindsOfKeyWithTheirDefaults)
{
    DriveRecord drive = NewDrive();
    LoadDriveSettings(drive);
    VolumeRecord volume = NewVolume();
    LoadVolumeSettings(volume);
    LoadGlobalSettings();

    std::vector<StoredValue> driveValues = ValuesOf(DrivePath);
    ASSERT_EQ(driveValues.size(), 3u) << "no time stamps before an error";
    ExpectValue(driveValues, "SMARTEnabled", REG_BINARY, 4, 1);
    ExpectValue(driveValues, "SMARTError", REG_BINARY, 4, 0);
    ExpectValue(driveValues, "SimulateError", REG_BINARY, 4, 0);
    EXPECT_EQ(drive.SMARTEnabled, 1);
    EXPECT_EQ(drive.SMARTError, 0);
    EXPECT_EQ(drive.SimulateError, 0);

    std::vector<StoredValue> volumeValues = ValuesOf(VolumePath);
    ASSERT_EQ(volumeValues.size(), 3u);
    ExpectValue(volumeValues, "SpaceCheckEnabled", REG_BINARY, 4, 1);
    ExpectValue(volumeValues, "FreeSpaceError", REG_BINARY, 4, 0);
    ExpectValue(volumeValues, "FreeSpaceMin", REG_DWORD, 4, 15);
    EXPECT_EQ(volume.SpaceCheckEnabled, 1);
    EXPECT_EQ(volume.FreeSpaceMin, 15u);

    std::vector<StoredValue> globalValues = ValuesOf(GlobalPath);
    ASSERT_EQ(globalValues.size(), 8u);
    ExpectValue(globalValues, "SMARTPollingPeriod", REG_DWORD, 4, 4);
    ExpectValue(globalValues, "FreeSpacePollingPeriod", REG_DWORD, 4, 4);
    ExpectValue(globalValues, "EmailSMARTErrors", REG_BINARY, 4, 0);
    ExpectValue(globalValues, "EmailFreeSpaceErrors", REG_BINARY, 4, 0);
    ExpectText(globalValues, "EmailFrom", "holmvard@example.com");
    ExpectText(globalValues, "EmailTo", "administrator@example.com");
    ExpectText(globalValues, "EmailServer", "mail.example.com");
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string folder = module;
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    ExpectText(globalValues, "ErrorLogFilePath", folder + "ErrorLog.txt");
    EXPECT_STREQ(GlobalSettings.ErrorLogFilePath, (folder + "ErrorLog.txt").c_str());

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, GlobalPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    char keyClass[64] = "";
    DWORD classLength = sizeof keyClass;
    RegQueryInfoKeyA(key, keyClass, &classLength, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_STREQ(keyClass, "HOLMVARD");
}

TEST_F(SettingsStore, LaterRunReadsStoredValuesBackAndWritesNothing)
{
    DriveRecord first = NewDrive();
    LoadDriveSettings(first);
    VolumeRecord firstVolume = NewVolume();
    LoadVolumeSettings(firstVolume);
    LoadGlobalSettings();
    SetFlag(DrivePath, "SMARTEnabled", 0);
    SetFlag(DrivePath, "SMARTError", 1);
    SetText(DrivePath, "SMARTErrorTime", "Tuesday, January 01, 2002 09:05:03");
    SetFlag(VolumePath, "FreeSpaceError", 1);
    SetText(VolumePath, "FreeSpaceErrorTime", "Wednesday, September 26, 2001 23:59:59");
    uint32_t minimum = 42;
    SetValue(VolumePath, "FreeSpaceMin", REG_DWORD, &minimum, 4);
    uint32_t period = 7;
    SetValue(GlobalPath, "SMARTPollingPeriod", REG_DWORD, &period, 4);
    SetFlag(GlobalPath, "EmailSMARTErrors", 1);
    SetText(GlobalPath, "EmailServer", "127.0.0.1");
    std::vector<StoredValue> before[] = {ValuesOf(DrivePath), ValuesOf(VolumePath), ValuesOf(GlobalPath)};

    memset(&GlobalSettings, 0, sizeof GlobalSettings);
    DriveRecord drive = NewDrive();
    LoadDriveSettings(drive);
    VolumeRecord volume = NewVolume();
    LoadVolumeSettings(volume);
    LoadGlobalSettings();

    EXPECT_EQ(drive.SMARTEnabled, 0);
    EXPECT_EQ(drive.SMARTError, 1);
    EXPECT_STREQ(drive.SMARTErrorTime, "Tuesday, January 01, 2002 09:05:03");
    EXPECT_EQ(volume.FreeSpaceError, 1);
    EXPECT_STREQ(volume.FreeSpaceErrorTime, "Wednesday, September 26, 2001 23:59:59");
    EXPECT_EQ(volume.FreeSpaceMin, 42u);
    EXPECT_EQ(volume.SpaceCheckEnabled, 1);
    EXPECT_EQ(GlobalSettings.SMARTPollingPeriod, 7u);
    EXPECT_EQ(GlobalSettings.FreeSpacePollingPeriod, 4u);
    EXPECT_EQ(GlobalSettings.EmailSMARTErrors, 1);
    EXPECT_STREQ(GlobalSettings.EmailServer, "127.0.0.1");
    EXPECT_STREQ(GlobalSettings.EmailFrom, "holmvard@example.com");

    EXPECT_EQ(ValuesOf(DrivePath), before[0]);
    EXPECT_EQ(ValuesOf(VolumePath), before[1]);
    EXPECT_EQ(ValuesOf(GlobalPath), before[2]);
}

TEST_F(SettingsStore, MissingValuesLeaveSettingsZeroOrEmptyButTheLogBesideTheProgram)
{
    SetText(DrivePath, "Unrelated", "x");
    SetText(VolumePath, "Unrelated", "x");
    SetText(GlobalPath, "Unrelated", "x");
    DriveRecord drive = NewDrive();
    LoadDriveSettings(drive);
    VolumeRecord volume = NewVolume();
    LoadVolumeSettings(volume);
    LoadGlobalSettings();
    EXPECT_EQ(drive.SMARTEnabled, 0);
    EXPECT_EQ(drive.SMARTError, 0);
    EXPECT_EQ(volume.SpaceCheckEnabled, 0);
    EXPECT_EQ(volume.FreeSpaceMin, 0u);
    EXPECT_EQ(GlobalSettings.SMARTPollingPeriod, 0u) << "a missing index selects the first row";
    EXPECT_STREQ(GlobalSettings.EmailFrom, "");
    // A key imported without the log's path logs beside the program, and stays as imported.
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string folder = module;
    EXPECT_EQ(GlobalSettings.ErrorLogFilePath, folder.substr(0, folder.find_last_of('\\') + 1) + "ErrorLog.txt");
    EXPECT_EQ(ValuesOf(DrivePath).size(), 1u);
    EXPECT_EQ(ValuesOf(GlobalPath).size(), 1u);
    // A path stored empty is read as stored.
    SetText(GlobalPath, "ErrorLogFilePath", "");
    LoadGlobalSettings();
    EXPECT_STREQ(GlobalSettings.ErrorLogFilePath, "");
}

TEST_F(SettingsStore, TimeStampIsReadOnlyWhileItsFlagIsSet)
{
    SetFlag(DrivePath, "SMARTEnabled", 1);
    SetFlag(DrivePath, "SMARTError", 0);
    SetText(DrivePath, "SMARTErrorTime", "leftover");
    SetFlag(DrivePath, "SimulateError", 1);
    SetText(DrivePath, "SimulateErrorTime", "Friday, March 01, 2002 10:00:00");
    DriveRecord drive = NewDrive();
    LoadDriveSettings(drive);
    EXPECT_STREQ(drive.SMARTErrorTime, "");
    EXPECT_STREQ(drive.SimulateErrorTime, "Friday, March 01, 2002 10:00:00");
}

TEST_F(SettingsStore, OverlongOrWrongTypedValuesCannotOverflowTheirFields)
{
    SetFlag(DrivePath, "SMARTError", 1);
    SetText(DrivePath, "SMARTErrorTime", std::string(300, 'T'));
    SetFlag(DrivePath, "SimulateError", 1);
    // Exactly the field's width and no terminator.
    SetValue(DrivePath, "SimulateErrorTime", REG_BINARY, std::string(40, 'S').data(), 40);
    SetText(DrivePath, "SMARTEnabled", "1");
    SetText(GlobalPath, "EmailFrom", std::string(1000, 'F'));
    SetValue(GlobalPath, "EmailTo", REG_BINARY, std::string(256, 'E').data(), 256);
    uint64_t wide = 0x0000000100000003ull;
    SetValue(GlobalPath, "FreeSpacePollingPeriod", REG_QWORD, &wide, 8);

    struct {
        DriveRecord drive;
        uint8_t guard[64];
    } guarded;
    memset(&guarded, 0xA5, sizeof guarded);
    guarded.drive = NewDrive();
    LoadDriveSettings(guarded.drive);
    EXPECT_STREQ(guarded.drive.SMARTErrorTime, "") << "a value wider than its field is not taken";
    EXPECT_EQ(std::string(guarded.drive.SimulateErrorTime), std::string(39, 'S'));
    // The stored bytes are taken as they are: "1" and its terminator.
    EXPECT_EQ(guarded.drive.SMARTEnabled, 0x31);
    for (uint8_t byte : guarded.guard)
        ASSERT_EQ(byte, 0xA5);

    CopyText(GlobalSettings.EmailFrom, "kept@example.com");
    LoadGlobalSettings();
    EXPECT_STREQ(GlobalSettings.EmailFrom, "kept@example.com");
    EXPECT_EQ(std::string(GlobalSettings.EmailTo), std::string(255, 'E'));
    EXPECT_EQ(GlobalSettings.FreeSpacePollingPeriod, 0u);
}

TEST_F(SettingsStore, PollingIndexOutsideTheTableIsTheDefaultInMemoryAndStaysStored)
{
    LoadGlobalSettings();
    uint32_t outside = 9;
    SetValue(GlobalPath, "SMARTPollingPeriod", REG_DWORD, &outside, 4);
    uint32_t huge = 0xFFFFFFFF;
    SetValue(GlobalPath, "FreeSpacePollingPeriod", REG_DWORD, &huge, 4);
    LoadGlobalSettings();
    EXPECT_EQ(GlobalSettings.SMARTPollingPeriod, DefaultPollingIndex);
    EXPECT_EQ(GlobalSettings.FreeSpacePollingPeriod, DefaultPollingIndex);
    ExpectValue(ValuesOf(GlobalPath), "SMARTPollingPeriod", REG_DWORD, 4, 9);
}

TEST_F(SettingsStore, CautionValuesOfAnyWholeLengthAreReadAndWrittenAtTodaysSize)
{
    SetFlag(DrivePath, "SMARTEnabled", 1);
    // A ninth item, as a later program would store it.
    const uint32_t longer[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    SetValue(DrivePath, "SMARTCautionCounts", REG_BINARY, longer, sizeof longer);
    const uint8_t watched = 0xFE;
    SetValue(DrivePath, "SMARTCautionWatched", REG_BINARY, &watched, 1);
    DriveRecord drive = NewDrive();
    LoadDriveSettings(drive);
    EXPECT_EQ(drive.CautionAcknowledged.value[0], 1u);
    EXPECT_EQ(drive.CautionAcknowledged.value[7], 8u);
    EXPECT_EQ(drive.CautionUnwatched, CautionItemBit(CautionItem::ReallocatedSectors));
    drive.CautionBelowSince.since[0] = 1000000000;
    StoreDriveCautionState(drive);
    std::vector<StoredValue> values = ValuesOf(DrivePath);
    ExpectValue(values, "SMARTCautionCounts", REG_BINARY, 32, 1);
    ExpectValue(values, "SMARTCautionBelow", REG_BINARY, 96, 1000000000);
}

TEST_F(SettingsStore, WritersStoreOneValueOrAFlagWithItsTimeStamp)
{
    DriveRecord drive = NewDrive();
    LoadDriveSettings(drive);
    CopyText(drive.SMARTErrorTime, "Tuesday, January 01, 2002 09:05:03");
    StoreDriveFlagWithTime(drive, "SMARTError", 1, "SMARTErrorTime", drive.SMARTErrorTime);
    std::vector<StoredValue> values = ValuesOf(DrivePath);
    ExpectValue(values, "SMARTError", REG_BINARY, 4, 1);
    const StoredValue *time = Find(values, "SMARTErrorTime");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(time->data.size(), 40u);
    StoreDriveFlag(drive, "SMARTError", 0);
    ExpectValue(ValuesOf(DrivePath), "SMARTError", REG_BINARY, 4, 0);

    VolumeRecord volume = NewVolume();
    StoreVolumeNumber(volume, "FreeSpaceMin", 7);
    ExpectValue(ValuesOf(VolumePath), "FreeSpaceMin", REG_DWORD, 4, 7);
    StoreGlobalNumber("SMARTPollingPeriod", 2);
    StoreGlobalFlag("EmailFreeSpaceErrors", 1);
    char server[256] = "smtp.example.com";
    StoreGlobalText("EmailServer", server);
    values = ValuesOf(GlobalPath);
    ExpectValue(values, "SMARTPollingPeriod", REG_DWORD, 4, 2);
    ExpectValue(values, "EmailFreeSpaceErrors", REG_BINARY, 4, 1);
    ExpectText(values, "EmailServer", "smtp.example.com");
}

}  // namespace
