// The error log file: one record appended per raised alert and per acknowledgement.
#pragma once

#include <windows.h>

#include "log/log_events.h"
#include "log/log_records.h"

// Reports text to the Event Log as event, then appends it to the file named by
// ErrorLogFilePath. A file that cannot be opened or written is reported in a
// "Log File Write Error" box owned by owner.
void AppendToErrorLog(HWND owner, const char *text, LogEvent event);

// As AppendToErrorLog without a box: false when the text could not be written.
bool AppendToErrorLogQuietly(const char *text, LogEvent event);

// The drive's record of that kind, to the file and to the Event Log.
void LogDriveRecord(HWND owner, int drive, DriveLogRecord kind);
void LogFreeSpaceError(HWND owner, int volume);
void LogFreeSpaceErrorAcknowledged(HWND owner, int volume);
