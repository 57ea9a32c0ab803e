#include "log/log_records.h"

#include "base/bounded_text.h"
#include "state/drive_alerts.h"
#include "state/drive_info_text.h"
#include "state/drive_temperature_text.h"
#include "state/volume_texts.h"

namespace {

// The time fields are fixed 40-byte texts: never read past them.
int TimeLength(const char (&time)[TimeStampSize])
{
    return static_cast<int>(BoundedLength(time, TimeStampSize));
}

void AppendVanished(const DriveRecord &drive, char (&record)[LogRecordSize])
{
    if (drive.Vanished)
        AppendText(record, "The drive stopped answering: it is no longer found while the PC runs.\r\n");
}

void AppendCautionRises(const DriveRecord &drive, char (&record)[LogRecordSize])
{
    char rises[CautionTextSize];
    FormatDriveCautionRises(drive, rises);
    AppendText(record, rises);
}

void AppendTemperatures(const DriveRecord &drive, char (&record)[LogRecordSize])
{
    char temperatures[TemperatureTextSize];
    FormatTemperatureLines(drive, temperatures);
    AppendText(record, temperatures);
}

struct DriveRecordRow {
    const char *heading;
    DriveAlert alert;       // whose time of raising the record quotes
    bool acknowledges;
    LogEvent event;
    // Lines of the kind's own after the time; nullptr for none.
    void (*details)(const DriveRecord &drive, char (&record)[LogRecordSize]);
};

// Indexed by DriveLogRecord.
const DriveRecordRow DriveRecordRows[] = {
    {"SMART error condition detected", DriveAlert::SMARTError, false, LogEvent::SMARTError, AppendVanished},
    {"SMART error condition detected (Simulated)", DriveAlert::SimulatedSMARTError, false,
     LogEvent::SimulatedSMARTError, nullptr},
    {"SMART error condition acknowledged", DriveAlert::SMARTError, true, LogEvent::SMARTErrorAcknowledged,
     nullptr},
    {"SMART error condition acknowledged (Simulated)", DriveAlert::SimulatedSMARTError, true,
     LogEvent::SimulatedSMARTErrorAcknowledged, nullptr},
    {"SMART caution detected", DriveAlert::SMARTCaution, false, LogEvent::SMARTCaution, AppendCautionRises},
    {"SMART caution acknowledged", DriveAlert::SMARTCaution, true, LogEvent::SMARTCautionAcknowledged, nullptr},
    {"Drive temperature high", DriveAlert::DriveTemperature, false, LogEvent::DriveTemperature, AppendTemperatures},
    {"Drive temperature high acknowledged", DriveAlert::DriveTemperature, true,
     LogEvent::DriveTemperatureAcknowledged, AppendTemperatures},
};
static_assert(sizeof DriveRecordRows / sizeof DriveRecordRows[0] ==
              static_cast<int>(DriveLogRecord::DriveTemperatureAcknowledged) + 1);

const DriveRecordRow &RowOf(DriveLogRecord kind)
{
    return DriveRecordRows[static_cast<int>(kind)];
}

}  // namespace

LogEvent DriveLogEventOf(DriveLogRecord kind)
{
    return RowOf(kind).event;
}

bool DriveLogRecordAcknowledges(DriveLogRecord kind)
{
    return RowOf(kind).acknowledges;
}

void FormatDriveLogRecord(DriveLogRecord kind, const DriveRecord &drive, const char *acknowledged,
                          char (&record)[LogRecordSize])
{
    const DriveRecordRow &row = RowOf(kind);
    const char(&occurred)[TimeStampSize] = drive.*DriveAlertKindOf(row.alert).time;
    char size[SizeTextSize];
    FormatDriveCapacity(drive, size);
    FormatInto(record, "%s\r\nModel number: %.*s\r\nSerial number: %.*s\r\nDrive size: %s\r\nOccurred on: %.*s\r\n",
               row.heading, AtaModelLength, drive.Model, AtaSerialLength, drive.Serial, size, TimeLength(occurred),
               occurred);
    if (row.details)
        row.details(drive, record);
    if (row.acknowledges) {
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
