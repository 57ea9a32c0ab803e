// Each drive's history file in the History folder beside the error log, one
// line per check, and the window that draws it. Everything here runs on the
// command window's thread, where the check's results are taken.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "history/history_lines.h"

// Appends the sample to the drive's file, creating the folder and the header
// as needed; a file that passed HistoryFileLimit then keeps its header and its
// newest half, replaced whole so that a reader never sees half a file. A
// failed write changes nothing else and shows nothing. An open history window
// of the drive is given the sample.
void AppendDriveHistory(const char *driveKeyText, const HistorySample &sample);

// The file's half of AppendDriveHistory, beside the error log at errorLogPath
// and without telling a window: for the drive worker, which must not read the
// settings the window thread may change. True when the line was appended.
bool AppendDriveHistoryLine(const char *errorLogPath, const char *driveKeyText, const HistorySample &sample);

// Local time minus UTC at the moment, in minutes, as a history line records it.
int32_t UtcOffsetMinutesAt(int64_t moment);

// The drive's history file: the History folder's path and the file's name.
// False when the path does not fit.
bool BuildDriveHistoryPath(const char *driveKeyText, char (&path)[MAX_PATH]);

// The whole of a file in one heap block the caller frees with HeapFree; null
// when it cannot be read. size receives its length.
char *ReadDriveHistoryFile(const char *path, size_t &size);

// Opens the drive's history window, owned by owner, or brings an open one
// forward. limit is the drive's temperature limit, 0 for none. Null when no
// window could be made.
HWND OpenHistoryWindow(HWND owner, const char *driveKeyText, const char *model, uint8_t limit);

// Adds a line just appended to the drive's file to its open window, if any.
void NotifyHistoryAppended(const char *driveKeyText, const HistorySample &sample);

// At shutdown: destroys every history window.
void CloseHistoryWindows();
