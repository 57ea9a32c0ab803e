#include "properties/settings_snapshot.h"

#include <cstring>

SettingsSnapshotRecord SettingsSnapshot;

void TakeSettingsSnapshot()
{
    SettingsSnapshotRecord &s = SettingsSnapshot;
    s.CurrentDrive = CurrentDrive;
    s.CurrentVolume = CurrentVolume;
    s.SMARTPollingPeriod = GlobalSettings.SMARTPollingPeriod;
    s.FreeSpacePollingPeriod = GlobalSettings.FreeSpacePollingPeriod;
    s.EmailSMARTErrors = GlobalSettings.EmailSMARTErrors;
    s.EmailFreeSpaceErrors = GlobalSettings.EmailFreeSpaceErrors;
    memcpy(s.EmailFrom, GlobalSettings.EmailFrom, sizeof s.EmailFrom);
    memcpy(s.EmailTo, GlobalSettings.EmailTo, sizeof s.EmailTo);
    memcpy(s.EmailServer, GlobalSettings.EmailServer, sizeof s.EmailServer);
    for (uint8_t i = 0; i < DriveCount; i++) {
        s.SMARTEnabled[i] = Drives[i].SMARTEnabled;
        s.SimulateError[i] = Drives[i].SimulateError;
    }
    for (uint8_t i = 0; i < VolumeCount; i++) {
        s.SpaceCheckEnabled[i] = Volumes[i].SpaceCheckEnabled;
        s.FreeSpaceMin[i] = Volumes[i].FreeSpaceMin;
    }
}

void RestoreSettingsSnapshot()
{
    const SettingsSnapshotRecord &s = SettingsSnapshot;
    CurrentDrive = s.CurrentDrive;
    CurrentVolume = s.CurrentVolume;
    GlobalSettings.SMARTPollingPeriod = s.SMARTPollingPeriod;
    GlobalSettings.FreeSpacePollingPeriod = s.FreeSpacePollingPeriod;
    GlobalSettings.EmailSMARTErrors = s.EmailSMARTErrors;
    GlobalSettings.EmailFreeSpaceErrors = s.EmailFreeSpaceErrors;
    memcpy(GlobalSettings.EmailFrom, s.EmailFrom, sizeof s.EmailFrom);
    memcpy(GlobalSettings.EmailTo, s.EmailTo, sizeof s.EmailTo);
    memcpy(GlobalSettings.EmailServer, s.EmailServer, sizeof s.EmailServer);
    for (uint8_t i = 0; i < DriveCount; i++) {
        Drives[i].SMARTEnabled = s.SMARTEnabled[i];
        Drives[i].SimulateError = s.SimulateError[i];
    }
    for (uint8_t i = 0; i < VolumeCount; i++) {
        Volumes[i].SpaceCheckEnabled = s.SpaceCheckEnabled[i];
        Volumes[i].FreeSpaceMin = s.FreeSpaceMin[i];
    }
}

void CommitSettings(const CommitSteps &steps)
{
    const SettingsSnapshotRecord &s = SettingsSnapshot;
    const GlobalSettingsRecord &g = GlobalSettings;
    if (g.SMARTPollingPeriod != s.SMARTPollingPeriod)
        steps.storeGlobalNumber("SMARTPollingPeriod", g.SMARTPollingPeriod);
    if (g.FreeSpacePollingPeriod != s.FreeSpacePollingPeriod)
        steps.storeGlobalNumber("FreeSpacePollingPeriod", g.FreeSpacePollingPeriod);
    if (g.EmailSMARTErrors != s.EmailSMARTErrors)
        steps.storeGlobalFlag("EmailSMARTErrors", g.EmailSMARTErrors);
    if (g.EmailFreeSpaceErrors != s.EmailFreeSpaceErrors)
        steps.storeGlobalFlag("EmailFreeSpaceErrors", g.EmailFreeSpaceErrors);
    steps.storeEmailTexts();
    for (uint8_t i = 0; i < DriveCount; i++) {
        if (Drives[i].SMARTEnabled != s.SMARTEnabled[i])
            steps.applySMARTEnabled(i);
        if (Drives[i].SimulateError != s.SimulateError[i])
            steps.applySimulateError(i);
    }
    for (uint8_t i = 0; i < VolumeCount; i++) {
        if (Volumes[i].SpaceCheckEnabled != s.SpaceCheckEnabled[i])
            steps.storeVolumeFlag(i, "SpaceCheckEnabled", Volumes[i].SpaceCheckEnabled);
        if (Volumes[i].FreeSpaceMin != s.FreeSpaceMin[i])
            steps.storeVolumeNumber(i, "FreeSpaceMin", Volumes[i].FreeSpaceMin);
    }
}
