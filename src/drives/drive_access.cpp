#include "drives/drive_access.h"

#include "drives/smart_commands.h"
#include "drives/storage_commands.h"

int AskDriveStatus(const DriveRecord &record)
{
    switch (record.Access) {
    case DriveAccess::NvmeHealth:
        return ReturnNvmeStatus(record.Device);
    case DriveAccess::FailurePrediction:
        return ReturnPredictedStatus(record.Device);
    case DriveAccess::SmartIoctl:
        break;
    }
    return ReturnSMARTStatus(record.Device, record.DriveNumber);
}

bool TakesSMARTCommands(const DriveRecord &record)
{
    return record.Access == DriveAccess::SmartIoctl;
}

void PrepareDriveSMART(DriveRecord &record)
{
    if (!TakesSMARTCommands(record)) {
        record.SMARTSupported = 1;
    } else if (record.SMARTEnabled == 1) {
        record.SMARTSupported = EnableSMART(record.Device, record.DriveNumber) ? 1 : 0;
        record.SMARTEnabled = EnableAttributeAutosave(record.Device, record.DriveNumber) ? 1 : 0;
    } else {
        record.SMARTSupported = 1;
        DisableSMART(record.Device, record.DriveNumber);
    }
}

void ApplyDriveSMART(const DriveRecord &record)
{
    if (!TakesSMARTCommands(record))
        return;
    if (record.SMARTEnabled == 1) {
        EnableSMART(record.Device, record.DriveNumber);
        EnableAttributeAutosave(record.Device, record.DriveNumber);
    } else {
        DisableSMART(record.Device, record.DriveNumber);
    }
}
