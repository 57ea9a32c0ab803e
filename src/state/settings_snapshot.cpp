#include "state/settings_snapshot.h"

SettingsSnapshotRecord SettingsSnapshot;

void TakeSettingsSnapshot()
{
    SettingsSnapshotRecord &s = SettingsSnapshot;
    s.CurrentDrive = CurrentDrive;
    s.CurrentVolume = CurrentVolume;
    s.Global = GlobalSettings;
    for (uint8_t i = 0; i < DriveCount; i++) {
        s.SMARTEnabled[i] = Drives[i].SMARTEnabled;
        s.SimulateError[i] = Drives[i].SimulateError;
        s.CautionUnwatched[i] = Drives[i].CautionUnwatched;
        s.TemperatureLimit[i] = Drives[i].TemperatureLimit;
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
    GlobalSettings = s.Global;
    for (uint8_t i = 0; i < DriveCount; i++) {
        Drives[i].SMARTEnabled = s.SMARTEnabled[i];
        Drives[i].SimulateError = s.SimulateError[i];
        Drives[i].CautionUnwatched = s.CautionUnwatched[i];
        Drives[i].TemperatureLimit = s.TemperatureLimit[i];
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
    if (g.SMARTPollingPeriod != s.Global.SMARTPollingPeriod)
        steps.storeGlobalNumber("SMARTPollingPeriod", g.SMARTPollingPeriod);
    if (g.FreeSpacePollingPeriod != s.Global.FreeSpacePollingPeriod)
        steps.storeGlobalNumber("FreeSpacePollingPeriod", g.FreeSpacePollingPeriod);
    if (g.EmailSMARTErrors != s.Global.EmailSMARTErrors)
        steps.storeGlobalFlag("EmailSMARTErrors", g.EmailSMARTErrors);
    if (g.EmailFreeSpaceErrors != s.Global.EmailFreeSpaceErrors)
        steps.storeGlobalFlag("EmailFreeSpaceErrors", g.EmailFreeSpaceErrors);
    steps.storeEmailTexts();
    for (uint8_t i = 0; i < DriveCount; i++) {
        if (Drives[i].SMARTEnabled != s.SMARTEnabled[i])
            steps.applySMARTEnabled(i);
        if (Drives[i].SimulateError != s.SimulateError[i])
            steps.applySimulateError(i);
        if (Drives[i].CautionUnwatched != s.CautionUnwatched[i] || Drives[i].TemperatureLimit != s.TemperatureLimit[i])
            steps.storeDriveWatch(i);
    }
    for (uint8_t i = 0; i < VolumeCount; i++) {
        if (Volumes[i].SpaceCheckEnabled != s.SpaceCheckEnabled[i])
            steps.storeVolumeFlag(i, "SpaceCheckEnabled", Volumes[i].SpaceCheckEnabled);
        if (Volumes[i].FreeSpaceMin != s.FreeSpaceMin[i])
            steps.storeVolumeNumber(i, "FreeSpaceMin", Volumes[i].FreeSpaceMin);
    }
}
