#include "state/settings.h"

#include <cstring>

#include "base/bounded_text.h"

GlobalSettingsRecord GlobalSettings;

const PollingPeriod PollingPeriods[PollingPeriodCount] = {
    {"Every 5 Minutes", 300000},   {"Every 10 Minutes", 600000}, {"Every 20 Minutes", 1200000},
    {"Every 30 Minutes", 1800000}, {"Every Hour", 3600000},      {"Every 2 Hours", 7200000},
    {"Every 4 Hours", 14400000},   {"Every 8 Hours", 28800000},
};

uint32_t ValidPollingIndex(uint32_t index)
{
    return index < PollingPeriodCount ? index : DefaultPollingIndex;
}

bool BuildDriveKeyPath(const char *model, const char *serial, char (&path)[RegistryPathSize])
{
    memset(path, 0, sizeof path);
    bool whole = CopyText(path, DrivesKeyPrefix);
    whole = AppendText(path, model) && whole;
    return AppendText(path, serial) && whole;
}

bool BuildVolumeKeyPath(const char *volumeSerialText, char (&path)[RegistryPathSize])
{
    memset(path, 0, sizeof path);
    bool whole = CopyText(path, VolumesKeyPrefix);
    return AppendText(path, volumeSerialText) && whole;
}

bool BuildDefaultErrorLogPath(const char *modulePath, char (&path)[SettingsTextSize])
{
    memset(path, 0, sizeof path);
    size_t length = BoundedLength(modulePath, SettingsTextSize);
    size_t folder = 0;
    for (size_t i = 0; i < length; i++) {
        if (modulePath[i] == '\\' || modulePath[i] == '/')
            folder = i + 1;
    }
    if (folder + sizeof ErrorLogFileName > sizeof path)
        return false;
    memcpy(path, modulePath, folder);
    return AppendText(path, ErrorLogFileName);
}

bool InterpretFourBytes(const uint8_t *data, uint32_t size, uint8_t (&value)[4])
{
    if (size > sizeof value)
        return false;
    memset(value, 0, sizeof value);
    memcpy(value, data, size);
    return true;
}

bool InterpretText(const char *data, uint32_t size, char *field, uint32_t fieldSize)
{
    if (fieldSize == 0 || size > fieldSize)
        return false;
    uint32_t kept = size < fieldSize ? size : static_cast<uint32_t>(CharacterBoundary(data, fieldSize - 1));
    memset(field, 0, fieldSize);
    memcpy(field, data, kept);
    return true;
}
