// The SMART status check's decisions: which drives are asked, which alerts
// stand, where CurrentDrive ends and whether to beep. The effects are steps
// that the caller supplies, so the same loop serves the program and its tests.
#pragma once

#include "state/drive_table.h"

struct SmartCheckSteps {
    // RETURN STATUS for the drive: 1 healthy, 0 threshold exceeded or request failed.
    int (*returnStatus)(int drive);
    // A new SMART error, already set in the record: time stamp, registry, e-mail, log.
    void (*raiseError)(int drive);
    // Opens the drive's alert dialog unless one is open.
    void (*showErrorDialog)(int drive);
    void (*showSimulatedErrorDialog)(int drive);
    // Once per check while any alert stands.
    void (*beep)();
};

// Only a monitored, supported drive without a standing error and not busy with
// an off-line test is asked for its status.
bool DriveQualifiesForStatus(const DriveRecord &drive);

void RunSmartCheck(const SmartCheckSteps &steps);
