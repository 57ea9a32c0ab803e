#include "drives/drive_access.h"

#include <cstring>
#include <ctime>

#include "drives/drive_rescan_plan.h"
#include "drives/drive_temperature.h"
#include "drives/drive_worker.h"
#include "drives/smart_commands.h"
#include "drives/smart_requests.h"
#include "ui/page_protocol.h"
#include "drives/storage_commands.h"

namespace {

void ReadAtaHealth(const DriveRecord &record, DriveHealth &health, DriveReading &reading, bool wholeReading)
{
    AtaPath path = AtaPathOf(record.Access);
    health.status = ReturnSMARTStatus(record.Device, record.DriveNumber, path);
    if (health.status == 0) {
        health.gone = NoSuchDeviceError(GetLastError());
        if (health.gone || !wholeReading)
            return;
    }
    // Both sectors come back in the one data reply: keep the first before the second request.
    uint8_t data[SmartSectorLength];
    if (!ReadSMARTData(record.Device, record.DriveNumber, path))
        return;
    memcpy(data, SmartDataSector(), sizeof data);
    health.temperature = ReadAtaTemperature(data);
    memcpy(reading.data, data, sizeof data);
    reading.dataRead = true;
    // Without thresholds the counts still stand; only the threshold item is not known this time.
    bool thresholds = ReadSMARTThresholds(record.Device, record.DriveNumber, path);
    if (thresholds)
        memcpy(reading.thresholds, SmartDataSector(), sizeof reading.thresholds);
    reading.thresholdsRead = thresholds;
    // A failing drive's counts are for the page only.
    if (health.status == 1)
        ReadAtaCautionHealth(data, thresholds ? SmartDataSector() : nullptr, health);
}

}  // namespace

void ReadDriveHealth(const DriveRecord &record, DriveHealth &health, DriveReading *kept, bool wholeReading)
{
    health = DriveHealth{};
    // Only the flags need clearing: a sector is read only where its flag says it came.
    DriveReading scratch;
    DriveReading &reading = kept ? *kept : scratch;
    reading.read = false;
    reading.dataRead = reading.thresholdsRead = reading.healthLogRead = reading.predictionRead = false;
    reading.access = record.Access;
    reading.temperature = NoTemperature;
    // When the drive answered: the caution times by it how long a count stays below its acknowledged one.
    health.readTime = static_cast<int64_t>(time(nullptr));
    switch (record.Access) {
    case DriveAccess::NvmeHealth:
        // Unanswered reads as failing, as a failed SMART request does.
        reading.healthLogRead =
            AskNvmeHealth(record.Device, &health.status, &health.counts, &health.temperature, reading.healthLog);
        health.countsRead = reading.healthLogRead && health.status == 1;
        break;
    case DriveAccess::FailurePrediction:
        reading.predictionRead = AskPredictedFailure(record.Device, &health.status);
        reading.predicts = health.status == 0;
        if (!reading.predictionRead)
            health.status = 0;   // unanswered reads as failing, as a failed SMART request does
        break;
    case DriveAccess::NotReadable:
        // Never asked: nothing of it can be read.
        health.status = 1;
        return;
    case DriveAccess::SmartIoctl:
    case DriveAccess::AtaPassThrough:
        ReadAtaHealth(record, health, reading, wholeReading);
        reading.read = reading.dataRead;
        reading.temperature = health.temperature;
        reading.time = health.readTime;
        return;
    }
    // Every request sets the thread's error, success or not: this is the health query's.
    health.gone = health.status == 0 && NoSuchDeviceError(GetLastError());
    // Failure prediction carries no temperature: the system's property may, on a drive that answered.
    if (record.Access == DriveAccess::FailurePrediction && health.status == 1)
        AskDeviceTemperature(record.Device, health.temperature, health.warningTemperature);
    reading.read = reading.healthLogRead || reading.predictionRead;
    reading.temperature = health.temperature;
    reading.time = health.readTime;
}

void AskRoundDrive(RoundDrive &drive)
{
    DriveRecord record = {};
    record.Device = drive.device;
    record.DriveNumber = drive.driveNumber;
    record.Access = drive.access;
    ReadDriveHealth(record, drive.health, &drive.reading);
}

bool TakesSMARTCommands(const DriveRecord &record)
{
    return record.Access == DriveAccess::SmartIoctl || record.Access == DriveAccess::AtaPassThrough;
}

AtaPath AtaPathOf(DriveAccess access)
{
    return access == DriveAccess::AtaPassThrough ? AtaPath::PassThrough : AtaPath::SmartDriver;
}

void PrepareDriveSMART(DriveRecord &record)
{
    if (!TakesSMARTCommands(record)) {
        record.SMARTSupported = 1;
    } else if (record.SMARTEnabled == 1) {
        AtaPath path = AtaPathOf(record.Access);
        record.SMARTSupported = EnableSMART(record.Device, record.DriveNumber, path) ? 1 : 0;
        record.SMARTEnabled = EnableAttributeAutosave(record.Device, record.DriveNumber, path) ? 1 : 0;
    } else {
        record.SMARTSupported = 1;
        DisableSMART(record.Device, record.DriveNumber, AtaPathOf(record.Access));
    }
}

namespace {

// What the worker sends to one drive; written by the window thread only while no job of the drive's is out.
struct SMARTCommands {
    HANDLE device;
    uint8_t driveNumber;
    AtaPath path;
    bool enable;
    bool again;   // window thread only: a later commit changed the setting meanwhile
};

SMARTCommands Commands[MaxDrives];

void SendSMARTCommands(void *context)
{
    const SMARTCommands &commands = *static_cast<const SMARTCommands *>(context);
    if (commands.enable) {
        EnableSMART(commands.device, commands.driveNumber, commands.path);
        EnableAttributeAutosave(commands.device, commands.driveNumber, commands.path);
    } else {
        DisableSMART(commands.device, commands.driveNumber, commands.path);
    }
}

}  // namespace

void ApplyDriveSMART(int drive, HWND window)
{
    const DriveRecord &record = Drives[drive];
    if (!TakesSMARTCommands(record))
        return;
    SMARTCommands &commands = Commands[drive];
    if (DriveWorkOut(SMARTCommandJob + drive)) {
        commands.again = true;
        return;
    }
    commands = {record.Device, record.DriveNumber, AtaPathOf(record.Access), record.SMARTEnabled == 1, false};
    // Without a worker the commands are sent here, as before there was one.
    if (!QueueDriveWork(SMARTCommandJob + drive, SendSMARTCommands, &commands, window))
        SendSMARTCommands(&commands);
}

void FinishDriveSMART(int drive, HWND window)
{
    // While the sheet is open the setting in memory is not committed: its closing resumes.
    if (drive < 0 || drive >= DriveCount || !Commands[drive].again || PropertiesOpen ||
        DriveWorkOut(SMARTCommandJob + drive))
        return;
    Commands[drive].again = false;
    ApplyDriveSMART(drive, window);
}

void ResumeDriveSMART(HWND window)
{
    for (uint8_t i = 0; i < DriveCount; i++)
        FinishDriveSMART(i, window);
}
