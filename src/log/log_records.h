// The error log's record texts. Portable: the file itself is written by
// error_log.cpp.
#pragma once

#include <cstddef>

#include "log/log_events.h"
#include "state/drive_table.h"
#include "state/volume_table.h"

// Ample for every record: the longest stays well under 400 characters.
constexpr size_t LogRecordSize = 1024;

enum class DriveLogRecord {
    SMARTError,
    SimulatedSMARTError,
    SMARTErrorAcknowledged,
    SimulatedSMARTErrorAcknowledged,
    SMARTCaution,
    SMARTCautionAcknowledged,
    DriveTemperature,
    DriveTemperatureAcknowledged,
};
enum class VolumeLogRecord { FreeSpaceError, FreeSpaceErrorAcknowledged };

// The Event Log's record of the same event.
LogEvent DriveLogEventOf(DriveLogRecord kind);

// Whether the record tells of an acknowledgement, and so quotes its moment.
bool DriveLogRecordAcknowledges(DriveLogRecord kind);

// The record of a drive event. acknowledged is the moment of acknowledgement,
// used only by the acknowledgement records. A caution lists the counts that rose.
void FormatDriveLogRecord(DriveLogRecord kind, const DriveRecord &drive, const char *acknowledged,
                          char (&record)[LogRecordSize]);
void FormatVolumeLogRecord(VolumeLogRecord kind, const VolumeRecord &volume, const char *acknowledged,
                           char (&record)[LogRecordSize]);
