#include "drives/drive_page_texts.h"

DrivePageState DrivePageStateOf(const DriveRecord &drive)
{
    DrivePageState state;
    if (drive.Access == DriveAccess::NotReadable)
        state = {"Not readable", false, false};
    else if (!drive.SMARTSupported)
        state = {"Not Supported", false, false};
    else if (!drive.SMARTEnabled)
        state = {"Disabled", false, true};
    else
        state = {drive.SMARTError ? "Failure Likely" : drive.SMARTCaution ? "Caution" : "OK", true, true};
    if (drive.SimulateError)
        state.status = "Failure Likely (Simulated)";
    // Nothing can be sent to a drive that is away; its setting stays as stored.
    if (drive.Missing)
        state = {"Not present", state.monitoringChecked, false};
    return state;
}

const char *DriveSummaryText()
{
    bool simulated = false;
    bool caution = false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        if (Drives[i].SMARTError)
            return "Failure Likely";
        simulated = simulated || Drives[i].SimulateError;
        caution = caution || Drives[i].SMARTCaution;
    }
    return simulated ? "Failure Likely (Simulated)" : caution ? "Caution" : "All Drives OK";
}
