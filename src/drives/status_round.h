// The SMART check handed between the window thread and the drive worker: the
// window thread copies into a round what the worker needs to ask each drive
// that qualifies now, the worker asks them and writes each drive's health
// into the round, and the window thread runs the check on those answers.
// Portable.
#pragma once

#include <cstdint>

#include "drives/health_rows.h"
#include "drives/smart_check.h"
#include "state/drive_table.h"
#include "state/settings.h"

struct RoundDrive {
    DeviceHandle device;
    uint8_t driveNumber;
    DriveAccess access;
    bool asked;           // qualified when the round was opened
    DriveHealth health;   // what it answered; failing until it has answered
    DriveReading reading; // and all it answered, for the Health page and the history
    // Copied when the round opens, for the worker to write the drive's history line.
    char keyText[DriveKeyTextSize];
    uint32_t unwatched;
    bool historyWritten;
};

struct StatusRound {
    RoundDrive drives[MaxDrives];
    uint8_t count;
    bool out;   // opened and not yet closed: a tick meanwhile is dropped
    char errorLogPath[SettingsTextSize];   // where the history folder stands, as the round opened
};

// Window thread: fills the round from the drive table; false, leaving the
// round as it is, while the last one is still out.
bool OpenStatusRound(StatusRound &round);

// Worker: asks every drive of the round that qualified when it was opened.
void AskStatusRound(StatusRound &round, void (*ask)(RoundDrive &drive));

// Window thread: the health the check reads for a drive; false when the drive
// was not asked this round, so it is not evaluated.
bool RoundHealth(const StatusRound &round, int drive, DriveHealth &health);

void CloseStatusRound(StatusRound &round);
