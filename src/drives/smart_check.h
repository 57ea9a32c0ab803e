// The SMART status check's decisions: which drives are asked, which alerts
// stand, where CurrentDrive ends and whether to beep. The effects are steps
// that the caller supplies, so the same loop serves the program and its tests.
#pragma once

#include "state/drive_table.h"

// What one drive answered at a check.
struct DriveHealth {
    int status;             // 1 healthy; 0 threshold exceeded or request failed
    bool countsRead;        // counts holds the drive's caution counts
    CautionCounts counts;
};

struct SmartCheckSteps {
    // The device requests of one drive: its status, and its caution counts when
    // healthy. False when the drive has no answer this time (it was not asked),
    // so it is not evaluated.
    bool (*readHealth)(int drive, DriveHealth &health);
    // A new SMART error, already set in the record: time stamp, registry, e-mail, log.
    void (*raiseError)(int drive);
    // A new caution, already set in the record: time stamp, registry, e-mail, log.
    void (*raiseCaution)(int drive);
    // Opens the drive's alert dialog unless one is open.
    void (*showErrorDialog)(int drive);
    void (*showSimulatedErrorDialog)(int drive);
    void (*showCautionDialog)(int drive);
    // Once per check while any alert stands.
    void (*beep)();
};

// Only a monitored, supported drive without a standing error and not busy with
// an off-line test, whose health can be read at all, is asked for its status.
bool DriveQualifiesForStatus(const DriveRecord &drive);

// Takes the counts a healthy drive answered: true when they raise a caution,
// which is then set. A standing caution keeps the counts its dialog shows.
bool TakeCautionCounts(DriveRecord &drive, const CautionCounts &counts);

void RunSmartCheck(const SmartCheckSteps &steps);
