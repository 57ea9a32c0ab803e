// What the Drives page shows for a drive: its SMART status text, the state of
// the monitoring check box, and the summary over all drives. Portable.
#pragma once

#include "state/drive_table.h"

struct DrivePageState {
    const char *status;        // field 1007
    bool monitoringChecked;    // check box 1014
    bool monitoringEnabled;
};

DrivePageState DrivePageStateOf(const DriveRecord &drive);

// "Failure Likely", "Failure Likely (Simulated)", "Caution" or "All Drives OK", over the drive table.
const char *DriveSummaryText();
