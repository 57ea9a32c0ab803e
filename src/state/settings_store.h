// Loading and writing the settings in the registry under HKEY_LOCAL_MACHINE.
// Each call opens its key, reads or writes, and closes it again; results of
// the registry calls are not examined.
#pragma once

#include <cstdint>

#include "state/drive_table.h"
#include "state/settings.h"
#include "state/volume_table.h"

// Create-or-read of one key at start-up: a new key gets the defaults, written;
// an existing key is read into the record.
void LoadDriveSettings(DriveRecord &drive);
void LoadVolumeSettings(VolumeRecord &volume);
void LoadGlobalSettings();

// Writers of single values, as the parts that change them need them.
void StoreDriveFlag(const DriveRecord &drive, const char *name, int32_t value);
// A flag and its time stamp together, from the record's own 40-byte field.
void StoreDriveFlagWithTime(const DriveRecord &drive, const char *flagName, int32_t value, const char *timeName,
                            const char (&time)[TimeStampSize]);
// SMARTCautionCounts from the record's acknowledged counts.
void StoreDriveCautionCounts(const DriveRecord &drive);
// SMARTCautionWatched and TemperatureLimit, as the Health page sets them.
void StoreDriveWatchSettings(const DriveRecord &drive);
// SMARTCautionCounts and SMARTCautionBelow, after a check changed either.
void StoreDriveCautionState(const DriveRecord &drive);
void StoreVolumeFlag(const VolumeRecord &volume, const char *name, int32_t value);
void StoreVolumeNumber(const VolumeRecord &volume, const char *name, uint32_t value);
void StoreVolumeFlagWithTime(const VolumeRecord &volume, const char *flagName, int32_t value, const char *timeName,
                             const char (&time)[TimeStampSize]);
void StoreGlobalFlag(const char *name, int32_t value);
void StoreGlobalNumber(const char *name, uint32_t value);
void StoreGlobalText(const char *name, const char (&text)[SettingsTextSize]);
