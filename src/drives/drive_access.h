// How each drive is reached: by the SMART requests, or by the storage queries
// of a handle opened with no access (the NVMe health log or the system's
// failure prediction). The one place that tells the paths apart.
#pragma once

#include "state/drive_table.h"

// 1 when the drive reports itself healthy, 0 when it reports a threshold
// exceeded or cannot be asked.
int AskDriveStatus(const DriveRecord &record);

// Whether the drive takes SMART commands of its own: the switch, autosave and
// the off-line routine. Monitoring a drive reached through the storage queries
// is the program's own switch: nothing is sent to the drive for it.
bool TakesSMARTCommands(const DriveRecord &record);

// At start-up: puts the drive into the SMART state its setting asks for. The
// results are kept in memory only: a drive that refuses autosave shows as
// disabled for this run while its stored setting stays, so the next start
// tries again.
void PrepareDriveSMART(DriveRecord &record);

// After a changed SMARTEnabled was stored: sends the commands it needs. The
// results are not examined: the stored setting stands.
void ApplyDriveSMART(const DriveRecord &record);
