#include "history/drive_history.h"

#include <cstring>
#include <ctime>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "state/settings.h"

namespace {

// Writes all of text[0..size); false on any failure or short write.
bool WriteAll(HANDLE file, const char *text, size_t size)
{
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, text, chunk, &written, nullptr) || written != chunk)
            return false;
        text += chunk;
        size -= chunk;
    }
    return true;
}

// Keeps the header and the newest half. The trimmed text goes to a file
// beside the history and is renamed over it, so a reader sees the old file or
// the new one and a failure leaves the old one as it was.
void TrimDriveHistoryFile(const char *path)
{
    size_t size = 0;
    char *text = ReadDriveHistoryFile(path, size);
    if (!text)
        return;
    HistoryTrim trim = TrimHistory(text, size);
    char temporary[MAX_PATH];
    bool written = false;
    if (FormatInto(temporary, "%s.new", path)) {
        FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        written = file.handle != INVALID_HANDLE_VALUE && WriteAll(file.handle, text, trim.headerLength) &&
                  WriteAll(file.handle, text + trim.tailStart, size - trim.tailStart) &&
                  FlushFileBuffers(file.handle);
    }
    HeapFree(GetProcessHeap(), 0, text);
    if (written && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return;
    DeleteFileA(temporary);
}

}  // namespace

namespace {

bool BuildHistoryPathBeside(const char *errorLogPath, const char *driveKeyText, char (&path)[MAX_PATH])
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    // Without a log there is nothing to stand beside: no folder of the current directory's is taken instead.
    if (errorLogPath[0] == '\0' || !BuildHistoryFolderPath(errorLogPath, folder) ||
        !HistoryFileNameOf(driveKeyText, name))
        return false;
    return FormatInto(path, "%s\\%s", folder, name);
}

}  // namespace

bool BuildDriveHistoryPath(const char *driveKeyText, char (&path)[MAX_PATH])
{
    return BuildHistoryPathBeside(GlobalSettings.ErrorLogFilePath, driveKeyText, path);
}

int32_t UtcOffsetMinutesAt(int64_t moment)
{
    time_t when = static_cast<time_t>(moment);
    struct tm local = {};
    if (localtime_s(&local, &when) != 0)
        return 0;
    return static_cast<int32_t>((static_cast<int64_t>(_mkgmtime(&local)) - moment) / 60);
}

char *ReadDriveHistoryFile(const char *path, size_t &size)
{
    size = 0;
    // Shared every way: the check may append, or trim and rename, while the window reads.
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER length;
    if (file.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.handle, &length) || length.QuadPart < 0 ||
        static_cast<uint64_t>(length.QuadPart) > 0x7FFFFFFF)
        return nullptr;
    size_t wanted = static_cast<size_t>(length.QuadPart);
    char *text = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, wanted + 1));
    if (!text)
        return nullptr;
    DWORD read = 0;
    if (wanted > 0 && (!ReadFile(file.handle, text, static_cast<DWORD>(wanted), &read, nullptr))) {
        HeapFree(GetProcessHeap(), 0, text);
        return nullptr;
    }
    // A file that grew since its size was taken is read as far as it was.
    size = read;
    text[size] = '\0';
    return text;
}

void AppendDriveHistory(const char *driveKeyText, const HistorySample &sample)
{
    if (AppendDriveHistoryLine(GlobalSettings.ErrorLogFilePath, driveKeyText, sample))
        NotifyHistoryAppended(driveKeyText, sample);
}

bool AppendDriveHistoryLine(const char *errorLogPath, const char *driveKeyText, const HistorySample &sample)
{
    char folder[MAX_PATH];
    char path[MAX_PATH];
    char line[HistoryLineSize];
    if (!BuildHistoryPathBeside(errorLogPath, driveKeyText, path) || !BuildHistoryFolderPath(errorLogPath, folder) ||
        !FormatHistoryLine(sample, line, sizeof line))
        return false;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    LARGE_INTEGER size = {};
    bool appended = false;
    {
        // Append-only access: each write lands at the end, whatever else has the file.
        FileHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.handle, &size))
            return false;
        if (size.QuadPart == 0 && WriteAll(file.handle, HistoryHeader, sizeof HistoryHeader - 1))
            size.QuadPart = sizeof HistoryHeader - 1;
        if (size.QuadPart > 0)
            appended = WriteAll(file.handle, line, strlen(line));
        if (appended)
            size.QuadPart += static_cast<LONGLONG>(strlen(line));
    }
    if (!appended)
        return false;
    if (static_cast<uint64_t>(size.QuadPart) > HistoryFileLimit)
        TrimDriveHistoryFile(path);
    return true;
}
