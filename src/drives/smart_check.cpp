#include "drives/smart_check.h"

bool DriveQualifiesForStatus(const DriveRecord &drive)
{
    return drive.SMARTSupported && drive.SMARTEnabled && !drive.SMARTError && !drive.OfflineTestRunning &&
           drive.Access != DriveAccess::NotReadable;
}

bool TakeCautionCounts(DriveRecord &drive, const CautionCounts &counts)
{
    if (drive.SMARTCaution) {
        // A caution loaded at start-up has not shown its counts yet.
        if (!drive.CautionSeenRead)
            drive.CautionSeen = counts;
        drive.CautionSeenRead = true;
        return false;
    }
    drive.CautionSeen = counts;
    drive.CautionSeenRead = true;
    if (!CautionRises(counts, drive.CautionAcknowledged))
        return false;
    drive.SMARTCaution = 1;
    return true;
}

void RunSmartCheck(const SmartCheckSteps &steps)
{
    if (DriveCount == 0)
        return;
    bool alertStands = false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        DriveRecord &drive = Drives[i];
        DriveHealth health = {};
        if (DriveQualifiesForStatus(drive) && steps.readHealth(i, health)) {
            // Set before the e-mail and log run: a check nested in their message
            // boxes then finds the alert standing and raises nothing twice.
            drive.SMARTError = health.status == 0 ? 1 : 0;
            if (drive.SMARTError)
                steps.raiseError(i);
            else if (health.countsRead && TakeCautionCounts(drive, health.counts))
                steps.raiseCaution(i);
        }
        if (drive.SMARTError) {
            CurrentDrive = i;
            alertStands = true;
            steps.showErrorDialog(i);
        }
        if (drive.SMARTCaution) {
            CurrentDrive = i;
            alertStands = true;
            steps.showCautionDialog(i);
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
