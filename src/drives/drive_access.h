// How each drive is reached: by the SMART requests, or by the storage queries
// of a handle opened with no access (the NVMe health log or the system's
// failure prediction). The one place that tells the paths apart.
#pragma once

#include <windows.h>

#include "drives/health_rows.h"
#include "drives/smart_check.h"
#include "drives/smart_commands.h"
#include "drives/status_round.h"
#include "state/drive_table.h"

// Every device request of one drive's SMART check, answered into health: the
// status (1 healthy, 0 a threshold exceeded or no answer) and, for a healthy
// drive, its caution counts. An ATA drive is asked RETURN STATUS, then READ
// DATA and READ THRESHOLDS; an NVMe drive's one health log gives both; failure
// prediction gives no counts. Reads the record's device fields only. What the
// drive answered goes into reading when given.
// wholeReading: an ATA drive that reports a threshold exceeded is read all the
// same, for the Health page; a check stops at its status.
void ReadDriveHealth(const DriveRecord &record, DriveHealth &health, DriveReading *reading = nullptr,
                     bool wholeReading = false);

// ReadDriveHealth for the drive of a round, on the drive worker. A request the
// watcher cancelled for its time has failed like any other.
void AskRoundDrive(RoundDrive &drive);

// Whether the drive takes SMART commands of its own: the switch, autosave and
// the off-line routine. Monitoring a drive reached through the storage queries
// is the program's own switch: nothing is sent to the drive for it.
bool TakesSMARTCommands(const DriveRecord &record);

// How the ATA requests of a drive that takes them are sent.
AtaPath AtaPathOf(DriveAccess access);

// At start-up: puts the drive into the SMART state its setting asks for. The
// results are kept in memory only: a drive that refuses autosave shows as
// disabled for this run while its stored setting stays, so the next start
// tries again.
void PrepareDriveSMART(DriveRecord &record);

// After a changed SMARTEnabled was stored: sends the commands it needs, on the
// drive worker, behind whatever that drive has out. The results are not
// examined: the stored setting stands. A change while the last commands are
// still out is sent once they are done, so the drive ends in the state stored.
void ApplyDriveSMART(int drive, HWND window);

// On the window thread when job SMARTCommandJob + drive is done: sends the
// change that came meanwhile. Not while the property sheet is open.
void FinishDriveSMART(int drive, HWND window);

// When the property sheet has closed: what FinishDriveSMART held back goes.
void ResumeDriveSMART(HWND window);
