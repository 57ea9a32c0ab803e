#include "log/log_records.h"

#include "base/bounded_text.h"
#include "state/drive_info_text.h"
#include "state/volume_texts.h"

namespace {

// The time fields are fixed 40-byte texts: never read past them.
int TimeLength(const char (&time)[TimeStampSize])
{
    return static_cast<int>(BoundedLength(time, TimeStampSize));
}

}  // namespace

void FormatDriveLogRecord(DriveLogRecord kind, const DriveRecord &drive, const char *acknowledged,
                          char (&record)[LogRecordSize])
{
    static const char *const Headings[] = {
        "SMART error condition detected",
        "SMART error condition detected (Simulated)",
        "SMART error condition acknowledged",
        "SMART error condition acknowledged (Simulated)",
        "SMART caution detected",
        "SMART caution acknowledged",
    };
    bool simulated = kind == DriveLogRecord::SimulatedSMARTError || kind == DriveLogRecord::SimulatedSMARTErrorAcknowledged;
    bool caution = kind == DriveLogRecord::SMARTCaution || kind == DriveLogRecord::SMARTCautionAcknowledged;
    const char(&occurred)[TimeStampSize] =
        simulated ? drive.SimulateErrorTime : caution ? drive.SMARTCautionTime : drive.SMARTErrorTime;
    char size[SizeTextSize];
    FormatDriveCapacity(drive, size);
    FormatInto(record, "%s\r\nModel number: %.*s\r\nSerial number: %.*s\r\nDrive size: %s\r\nOccurred on: %.*s\r\n",
               Headings[static_cast<int>(kind)], AtaModelLength, drive.Model, AtaSerialLength, drive.Serial, size,
               TimeLength(occurred), occurred);
    if (kind == DriveLogRecord::SMARTError && drive.Vanished)
        AppendText(record, "The drive stopped answering: it is no longer found while the PC runs.\r\n");
    if (kind == DriveLogRecord::SMARTCaution) {
        char rises[CautionTextSize];
        FormatDriveCautionRises(drive, rises);
        AppendText(record, rises);
    }
    if (kind == DriveLogRecord::SMARTErrorAcknowledged || kind == DriveLogRecord::SimulatedSMARTErrorAcknowledged ||
        kind == DriveLogRecord::SMARTCautionAcknowledged) {
        AppendText(record, "Acknowledged: ");
        AppendText(record, acknowledged);
        AppendText(record, "\r\n");
    }
    AppendText(record, "\r\n");
}

void FormatVolumeLogRecord(VolumeLogRecord kind, const VolumeRecord &volume, const char *acknowledged,
                           char (&record)[LogRecordSize])
{
    char title[VolumeTitleSize];
    char summary[VolumeSizeTextSize];
    FormatVolumeTitle(volume, title);
    FormatFreeSpaceSummary(volume, summary);
    FormatInto(record, "%s\r\nVolume name: %s\r\nSerial number: %.*s\r\nFree Space: %s\r\nOccurred on: %.*s\r\n",
               kind == VolumeLogRecord::FreeSpaceError ? "Free space error condition detected"
                                                       : "Free space error condition acknowledged",
               title, VolumeSerialTextSize, volume.VolumeSerialText, summary, TimeLength(volume.FreeSpaceErrorTime),
               volume.FreeSpaceErrorTime);
    if (kind == VolumeLogRecord::FreeSpaceErrorAcknowledged) {
        AppendText(record, "Acknowledged: ");
        AppendText(record, acknowledged);
        AppendText(record, "\r\n");
    }
    AppendText(record, "\r\n");
}
