#include "drives/smart_check.h"

bool DriveQualifiesForStatus(const DriveRecord &drive)
{
    return drive.SMARTSupported && drive.SMARTEnabled && !drive.SMARTError && !drive.OfflineTestRunning;
}

void RunSmartCheck(const SmartCheckSteps &steps)
{
    if (DriveCount == 0)
        return;
    bool alertStands = false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        DriveRecord &drive = Drives[i];
        if (DriveQualifiesForStatus(drive)) {
            // Set before the e-mail and log run: a check nested in their message
            // boxes then finds the error standing and raises nothing twice.
            drive.SMARTError = steps.returnStatus(i) == 0 ? 1 : 0;
            if (drive.SMARTError)
                steps.raiseError(i);
        }
        if (drive.SMARTError) {
            CurrentDrive = i;
            alertStands = true;
            steps.showErrorDialog(i);
        }
        if (drive.SimulateError) {
            CurrentDrive = i;
            alertStands = true;
            steps.showSimulatedErrorDialog(i);
        }
    }
    if (alertStands)
        steps.beep();
}
