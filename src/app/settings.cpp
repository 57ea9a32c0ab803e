#include "app/settings.h"

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
