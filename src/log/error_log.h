// The error log file: one record appended per raised alert and per acknowledgement.
#pragma once

#include <windows.h>

#include "log/log_events.h"

// Reports text to the Event Log as event, then appends it to the file named by
// ErrorLogFilePath. A file that cannot be opened or written is reported in a
// "Log File Write Error" box owned by owner.
void AppendToErrorLog(HWND owner, const char *text, LogEvent event);

// As AppendToErrorLog without a box: false when the text could not be written.
bool AppendToErrorLogQuietly(const char *text, LogEvent event);

void LogSMARTError(HWND owner, int drive);
void LogSimulatedSMARTError(HWND owner, int drive);
void LogFreeSpaceError(HWND owner, int volume);
void LogSMARTErrorAcknowledged(HWND owner, int drive);
void LogSimulatedSMARTErrorAcknowledged(HWND owner, int drive);
void LogFreeSpaceErrorAcknowledged(HWND owner, int volume);
void LogSMARTCaution(HWND owner, int drive);
void LogSMARTCautionAcknowledged(HWND owner, int drive);
