#include "log/error_log.h"

#include "base/guards.h"
#include "base/text_format.h"
#include "log/event_log.h"
#include "log/log_records.h"
#include "state/settings.h"

namespace {

void AppendVolumeRecord(HWND owner, int volume, VolumeLogRecord kind, LogEvent event)
{
    char now[TimeStampSize] = "";
    if (kind == VolumeLogRecord::FreeSpaceErrorAcknowledged)
        FormatTimeStamp(now, sizeof now);
    char record[LogRecordSize];
    FormatVolumeLogRecord(kind, Volumes[volume], now, record);
    AppendToErrorLog(owner, record, event);
}

}  // namespace

namespace {

// Appends text; nullptr when done, otherwise the box text of what failed.
const char *WriteLogText(const char *text)
{
    // No sharing: a reader never sees a record half written.
    FileHandle log(CreateFileA(GlobalSettings.ErrorLogFilePath, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log.handle == INVALID_HANDLE_VALUE)
        return "Error opening log file";
    SetFilePointer(log.handle, 0, nullptr, FILE_END);
    DWORD written = 0;
    if (!WriteFile(log.handle, text, static_cast<DWORD>(strlen(text)), &written, nullptr))
        return "Error writing to log file";
    return nullptr;
}

}  // namespace

void AppendToErrorLog(HWND owner, const char *text, LogEvent event)
{
    // First, so the event is out even while the box below waits for the user.
    ReportLogEvent(event, text);
    if (const char *failure = WriteLogText(text))
        MessageBoxA(owner, failure, "Log File Write Error", MB_ICONWARNING | MB_OK);
}

bool AppendToErrorLogQuietly(const char *text, LogEvent event)
{
    ReportLogEvent(event, text);
    return WriteLogText(text) == nullptr;
}

void LogDriveRecord(HWND owner, int drive, DriveLogRecord kind)
{
    char now[TimeStampSize] = "";
    if (DriveLogRecordAcknowledges(kind))
        FormatTimeStamp(now, sizeof now);
    char record[LogRecordSize];
    FormatDriveLogRecord(kind, Drives[drive], now, record);
    AppendToErrorLog(owner, record, DriveLogEventOf(kind));
}

void LogFreeSpaceError(HWND owner, int volume)
{
    AppendVolumeRecord(owner, volume, VolumeLogRecord::FreeSpaceError, LogEvent::FreeSpaceError);
}

void LogFreeSpaceErrorAcknowledged(HWND owner, int volume)
{
    AppendVolumeRecord(owner, volume, VolumeLogRecord::FreeSpaceErrorAcknowledged,
                       LogEvent::FreeSpaceErrorAcknowledged);
}
