// The settings the property sheet saves when it opens, the roll back to them,
// and the commit's decisions: which changed values are written, in which
// order, and which drives get SMART commands or a newly simulated error. The
// effects are steps the caller supplies. Portable.
#pragma once

#include <cstdint>

#include "state/drive_table.h"
#include "state/settings.h"
#include "state/volume_table.h"

struct SettingsSnapshotRecord {
    uint8_t CurrentDrive;
    uint8_t CurrentVolume;
    GlobalSettingsRecord Global;
    int32_t SMARTEnabled[MaxDrives];
    int32_t SimulateError[MaxDrives];
    uint32_t CautionUnwatched[MaxDrives];
    uint32_t TemperatureLimit[MaxDrives];
    int32_t SpaceCheckEnabled[MaxVolumes];
    uint32_t FreeSpaceMin[MaxVolumes];
};

extern SettingsSnapshotRecord SettingsSnapshot;

// Copies the live settings into the snapshot, and back.
void TakeSettingsSnapshot();
void RestoreSettingsSnapshot();

struct CommitSteps {
    void (*storeGlobalNumber)(const char *name, uint32_t value);
    void (*storeGlobalFlag)(const char *name, int32_t value);
    void (*storeEmailTexts)();
    // The drive's SMARTEnabled was written; send the SMART commands it needs.
    void (*applySMARTEnabled)(int drive);
    // SimulateError changed: store it, and when it is now set stamp, mail and log it.
    void (*applySimulateError)(int drive);
    // The counts watched or the temperature limit changed on the Health page.
    void (*storeDriveWatch)(int drive);
    void (*storeVolumeFlag)(int volume, const char *name, int32_t value);
    void (*storeVolumeNumber)(int volume, const char *name, uint32_t value);
};

// Writes what differs from the snapshot, in the fixed order; the three e-mail
// texts always.
void CommitSettings(const CommitSteps &steps);
