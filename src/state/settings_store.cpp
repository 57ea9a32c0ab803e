#include "state/settings_store.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "state/drive_alerts.h"
#include "state/settings.h"

namespace {

void OpenSettingsKey(const char *path, RegKey &key)
{
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, const_cast<char *>(SettingsKeyClass), 0, KEY_ALL_ACCESS,
                        nullptr, &key.handle, &disposition) != ERROR_SUCCESS) {
        key.handle = nullptr;
        return;
    }
    key.created = disposition == REG_CREATED_NEW_KEY;
}

void WriteFlag(const RegKey &key, const char *name, int32_t value)
{
    if (!key.handle)
        return;
    uint8_t data[4];
    memcpy(data, &value, sizeof data);
    RegSetValueExA(key.handle, name, 0, REG_BINARY, data, sizeof data);
}

void WriteNumber(const RegKey &key, const char *name, uint32_t value)
{
    if (!key.handle)
        return;
    DWORD data = value;
    RegSetValueExA(key.handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&data), sizeof data);
}

// Texts are stored with their whole buffer, terminator and the rest included.
void WriteText(const RegKey &key, const char *name, const char *text, DWORD size)
{
    if (!key.handle)
        return;
    RegSetValueExA(key.handle, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), size);
}

// A 4-byte flag or number, whatever type it was stored with. A value that is
// missing or wider than 4 bytes leaves the setting as it was.
template <typename T>
void ReadFourBytes(const RegKey &key, const char *name, T &setting)
{
    static_assert(sizeof(T) == 4);
    if (!key.handle)
        return;
    uint8_t data[4] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.handle, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS)
        return;
    uint8_t value[4];
    if (InterpretFourBytes(data, size, value))
        memcpy(&setting, value, sizeof value);
}

// A text of at most size - 1 characters, always terminated. A value that does not
// fit the field is not taken: the setting stays as it was.
void ReadText(const RegKey &key, const char *name, char *field, DWORD size)
{
    if (!key.handle)
        return;
    char data[SettingsTextSize] = {};
    DWORD length = size;
    if (RegQueryValueExA(key.handle, name, nullptr, nullptr, reinterpret_cast<BYTE *>(data), &length) !=
        ERROR_SUCCESS)
        return;
    InterpretText(data, length, field, size);
}

// A value of at most size bytes, whatever type it was stored with; false when
// it is missing or longer, size then its length.
bool ReadBinary(const RegKey &key, const char *name, uint8_t *data, DWORD &size)
{
    return key.handle && RegQueryValueExA(key.handle, name, nullptr, nullptr, data, &size) == ERROR_SUCCESS;
}

bool ValueMissing(const RegKey &key, const char *name)
{
    return !key.handle || RegQueryValueExA(key.handle, name, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
}

void DefaultErrorLogPath(char (&path)[SettingsTextSize])
{
    char modulePath[SettingsTextSize] = {};
    DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    // A path cut to the buffer would name another folder (in UTF-8 a long one
    // takes more bytes than characters): no default is better than a wrong one.
    if (length == 0 || length >= sizeof modulePath) {
        memset(path, 0, sizeof path);
        return;
    }
    BuildDefaultErrorLogPath(modulePath, path);
}

void OpenDriveKey(const DriveRecord &drive, RegKey &key)
{
    char path[RegistryPathSize];
    BuildDriveKeyPath(drive.Model, drive.Serial, path);
    OpenSettingsKey(path, key);
}

void OpenVolumeKey(const VolumeRecord &volume, RegKey &key)
{
    char path[RegistryPathSize];
    BuildVolumeKeyPath(volume.VolumeSerialText, path);
    OpenSettingsKey(path, key);
}

}  // namespace

void LoadDriveSettings(DriveRecord &drive)
{
    RegKey key;
    OpenDriveKey(drive, key);
    if (key.created) {
        drive.SMARTEnabled = 1;
        drive.SMARTError = 0;
        drive.SimulateError = 0;
        WriteFlag(key, "SMARTEnabled", 1);
        WriteFlag(key, "SMARTError", 0);
        WriteFlag(key, "SimulateError", 0);
        return;
    }
    ReadFourBytes(key, "SMARTEnabled", drive.SMARTEnabled);
    // Never written: missing is the automatic limit.
    ReadFourBytes(key, "TemperatureLimit", drive.TemperatureLimit);
    for (int k = 0; k < DriveAlertCount; k++) {
        const DriveAlertKind &kind = DriveAlertKindOf(static_cast<DriveAlert>(k));
        ReadFourBytes(key, kind.flagName, drive.*kind.flag);
        if (drive.*kind.flag)
            ReadText(key, kind.timeName, drive.*kind.time, TimeStampSize);
    }
    // A layout that is not ours leaves nothing acknowledged and nothing below;
    // a missing mask watches every item.
    uint8_t stored[CautionStoredItemsMax * CautionBelowEntryBytes];
    DWORD size = sizeof stored;
    if (ReadBinary(key, "SMARTCautionCounts", stored, size))
        UnpackCautionCounts(stored, size, drive.CautionAcknowledged);
    size = sizeof stored;
    if (ReadBinary(key, "SMARTCautionBelow", stored, size))
        UnpackCautionBelow(stored, size, drive.CautionBelowSince);
    size = sizeof stored;
    if (ReadBinary(key, "SMARTCautionWatched", stored, size))
        drive.CautionUnwatched = UnpackCautionUnwatched(stored, size);
}

void LoadVolumeSettings(VolumeRecord &volume)
{
    RegKey key;
    OpenVolumeKey(volume, key);
    if (key.created) {
        volume.SpaceCheckEnabled = 1;
        volume.FreeSpaceError = 0;
        volume.FreeSpaceMin = 15;
        WriteFlag(key, "SpaceCheckEnabled", 1);
        WriteFlag(key, "FreeSpaceError", 0);
        WriteNumber(key, "FreeSpaceMin", 15);
        return;
    }
    ReadFourBytes(key, "SpaceCheckEnabled", volume.SpaceCheckEnabled);
    ReadFourBytes(key, "FreeSpaceError", volume.FreeSpaceError);
    if (volume.FreeSpaceError)
        ReadText(key, "FreeSpaceErrorTime", volume.FreeSpaceErrorTime, sizeof volume.FreeSpaceErrorTime);
    ReadFourBytes(key, "FreeSpaceMin", volume.FreeSpaceMin);
}

void LoadGlobalSettings()
{
    RegKey key;
    OpenSettingsKey(GlobalKeyPath, key);
    GlobalSettingsRecord &settings = GlobalSettings;
    if (key.created) {
        settings.SMARTPollingPeriod = DefaultPollingIndex;
        settings.FreeSpacePollingPeriod = DefaultPollingIndex;
        settings.EmailSMARTErrors = 0;
        settings.EmailFreeSpaceErrors = 0;
        memset(settings.EmailFrom, 0, sizeof settings.EmailFrom);
        memset(settings.EmailTo, 0, sizeof settings.EmailTo);
        memset(settings.EmailServer, 0, sizeof settings.EmailServer);
        CopyText(settings.EmailFrom, DefaultEmailFrom);
        CopyText(settings.EmailTo, DefaultEmailTo);
        CopyText(settings.EmailServer, DefaultEmailServer);
        DefaultErrorLogPath(settings.ErrorLogFilePath);
        WriteNumber(key, "SMARTPollingPeriod", settings.SMARTPollingPeriod);
        WriteNumber(key, "FreeSpacePollingPeriod", settings.FreeSpacePollingPeriod);
        WriteFlag(key, "EmailSMARTErrors", 0);
        WriteFlag(key, "EmailFreeSpaceErrors", 0);
        WriteText(key, "EmailFrom", settings.EmailFrom, sizeof settings.EmailFrom);
        WriteText(key, "EmailTo", settings.EmailTo, sizeof settings.EmailTo);
        WriteText(key, "EmailServer", settings.EmailServer, sizeof settings.EmailServer);
        WriteText(key, "ErrorLogFilePath", settings.ErrorLogFilePath, sizeof settings.ErrorLogFilePath);
        return;
    }
    ReadFourBytes(key, "SMARTPollingPeriod", settings.SMARTPollingPeriod);
    ReadFourBytes(key, "FreeSpacePollingPeriod", settings.FreeSpacePollingPeriod);
    ReadFourBytes(key, "EmailSMARTErrors", settings.EmailSMARTErrors);
    ReadFourBytes(key, "EmailFreeSpaceErrors", settings.EmailFreeSpaceErrors);
    ReadText(key, "EmailFrom", settings.EmailFrom, sizeof settings.EmailFrom);
    ReadText(key, "EmailTo", settings.EmailTo, sizeof settings.EmailTo);
    ReadText(key, "EmailServer", settings.EmailServer, sizeof settings.EmailServer);
    // A key seeded without the log's path (an administrator importing the mail
    // settings) logs beside the program rather than meet an empty path at
    // every record; the registry is left as it is.
    if (ValueMissing(key, "ErrorLogFilePath"))
        DefaultErrorLogPath(settings.ErrorLogFilePath);
    else
        ReadText(key, "ErrorLogFilePath", settings.ErrorLogFilePath, sizeof settings.ErrorLogFilePath);
    ReadText(key, "MetricsFile", settings.MetricsFile, sizeof settings.MetricsFile);
    // An index outside the table is used as the default in memory and left as stored.
    settings.SMARTPollingPeriod = ValidPollingIndex(settings.SMARTPollingPeriod);
    settings.FreeSpacePollingPeriod = ValidPollingIndex(settings.FreeSpacePollingPeriod);
}

void StoreDriveFlag(const DriveRecord &drive, const char *name, int32_t value)
{
    RegKey key;
    OpenDriveKey(drive, key);
    WriteFlag(key, name, value);
}

void StoreDriveFlagWithTime(const DriveRecord &drive, const char *flagName, int32_t value, const char *timeName,
                            const char (&time)[TimeStampSize])
{
    RegKey key;
    OpenDriveKey(drive, key);
    WriteFlag(key, flagName, value);
    WriteText(key, timeName, time, sizeof time);
}

namespace {

void WriteCautionCounts(const RegKey &key, const DriveRecord &drive)
{
    uint8_t counts[CautionCountsBytes];
    PackCautionCounts(drive.CautionAcknowledged, counts);
    RegSetValueExA(key.handle, "SMARTCautionCounts", 0, REG_BINARY, counts, sizeof counts);
}

}  // namespace

void StoreDriveWatchSettings(const DriveRecord &drive)
{
    RegKey key;
    OpenDriveKey(drive, key);
    if (!key.handle)
        return;
    uint8_t watched[CautionWatchedBytes];
    PackCautionWatched(drive.CautionUnwatched, watched);
    RegSetValueExA(key.handle, "SMARTCautionWatched", 0, REG_BINARY, watched, sizeof watched);
    WriteNumber(key, "TemperatureLimit", drive.TemperatureLimit);
}

void StoreDriveCautionCounts(const DriveRecord &drive)
{
    RegKey key;
    OpenDriveKey(drive, key);
    if (key.handle)
        WriteCautionCounts(key, drive);
}

void StoreDriveCautionState(const DriveRecord &drive)
{
    RegKey key;
    OpenDriveKey(drive, key);
    if (!key.handle)
        return;
    WriteCautionCounts(key, drive);
    uint8_t below[CautionBelowBytes];
    PackCautionBelow(drive.CautionBelowSince, below);
    RegSetValueExA(key.handle, "SMARTCautionBelow", 0, REG_BINARY, below, sizeof below);
}

void StoreVolumeFlag(const VolumeRecord &volume, const char *name, int32_t value)
{
    RegKey key;
    OpenVolumeKey(volume, key);
    WriteFlag(key, name, value);
}

void StoreVolumeNumber(const VolumeRecord &volume, const char *name, uint32_t value)
{
    RegKey key;
    OpenVolumeKey(volume, key);
    WriteNumber(key, name, value);
}

void StoreVolumeFlagWithTime(const VolumeRecord &volume, const char *flagName, int32_t value, const char *timeName,
                             const char (&time)[TimeStampSize])
{
    RegKey key;
    OpenVolumeKey(volume, key);
    WriteFlag(key, flagName, value);
    WriteText(key, timeName, time, sizeof time);
}

void StoreGlobalFlag(const char *name, int32_t value)
{
    RegKey key;
    OpenSettingsKey(GlobalKeyPath, key);
    WriteFlag(key, name, value);
}

void StoreGlobalNumber(const char *name, uint32_t value)
{
    RegKey key;
    OpenSettingsKey(GlobalKeyPath, key);
    WriteNumber(key, name, value);
}

void StoreGlobalText(const char *name, const char (&text)[SettingsTextSize])
{
    RegKey key;
    OpenSettingsKey(GlobalKeyPath, key);
    WriteText(key, name, text, sizeof text);
}
