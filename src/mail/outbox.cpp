#include "mail/outbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "base/text_format.h"
#include "log/error_log.h"
#include "mail/outbox_records.h"
#include "mail/smtp_client.h"
#include "state/app_state.h"
#include "state/settings.h"
#include "ui/tray_icon.h"

namespace {

constexpr char FolderName[] = "Outbox";
constexpr size_t NameLength = 12;   // "00000001.msg"
// Room for the cap and stragglers a crash or an older run may have left.
constexpr int ListLimit = 256;

using Path = char[MAX_PATH];

struct Listing {
    char names[ListLimit][NameLength + 1];
    int count;
};

bool FolderReported;
KeptMail Mail;
char FileText[OutboxFileSize];

// The folder beside the error log.
bool OutboxFolder(Path &folder)
{
    if (!CopyText(folder, GlobalSettings.ErrorLogFilePath))
        return false;
    char *slash = strrchr(folder, '\\');
    if (slash)
        slash[1] = '\0';
    else
        folder[0] = '\0';
    return AppendText(folder, FolderName);
}

bool PathOf(const Path &folder, const char *name, Path &path)
{
    return FormatInto(path, "%s\\%s", folder, name);
}

// The kept messages, oldest first: their names count up as they are kept.
void ListKept(const Path &folder, Listing &listing)
{
    listing.count = 0;
    Path pattern;
    if (!PathOf(folder, "*.msg", pattern))
        return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more && listing.count < ListLimit;
         more = FindNextFileA(search, &entry)) {
        if (strlen(entry.cFileName) == NameLength && !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyText(listing.names[listing.count++], entry.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    qsort(listing.names, static_cast<size_t>(listing.count), sizeof listing.names[0],
          [](const void *a, const void *b) { return strcmp(static_cast<const char *>(a), static_cast<const char *>(b)); });
}

// Written to a temporary name, flushed, then renamed over the file: a crash
// leaves the old file or the new one, never half of either.
bool WriteWhole(const Path &folder, const char *name, const KeptMail &mail)
{
    size_t length = 0;
    Path temporary;
    Path path;
    if (!FormatKeptMail(mail, FileText, sizeof FileText, length) || !PathOf(folder, "kept.tmp", temporary) ||
        !PathOf(folder, name, path))
        return false;
    {
        FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        DWORD written = 0;
        if (file.handle == INVALID_HANDLE_VALUE ||
            !WriteFile(file.handle, FileText, static_cast<DWORD>(length), &written, nullptr) || written != length ||
            !FlushFileBuffers(file.handle))
            return false;
    }
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Reads and parses a kept message into Mail; false when it cannot be read or is not whole.
bool ReadKept(const Path &path)
{
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD length = 0;
    if (!ReadFile(file.handle, FileText, sizeof FileText - 1, &length, nullptr))
        return false;
    return ParseKeptMail(FileText, length, Mail);
}

// A file that cannot be read is renamed, never deleted, and logged.
void SetAside(const Path &folder, const char *name)
{
    Path path;
    Path aside;
    if (!PathOf(folder, name, path) || !FormatInto(aside, "%s.bad", path))
        return;
    MoveFileExA(path, aside, MOVEFILE_REPLACE_EXISTING);
    char record[LogRecordSize];
    FormatSetAsideRecord(name, record);
    AppendToErrorLogQuietly(record);
}

// Reads a kept message into Mail, with its path; a file that cannot be read is set aside.
bool OpenKept(const Path &folder, const char *name, Path &path)
{
    if (!PathOf(folder, name, path))
        return false;
    if (ReadKept(path))
        return true;
    SetAside(folder, name);
    return false;
}

void SetRetry(HWND window, uint32_t attempts)
{
    SetTimer(window, OutboxTimer, RetryDelayMinutes(attempts) * 60000u, nullptr);
}

// The oldest messages go while the outbox is full, each with a log record.
void MakeRoom(const Path &folder, const Listing &listing)
{
    uint32_t drop = OldestToDrop(static_cast<uint32_t>(listing.count));
    for (uint32_t i = 0; i < drop; i++) {
        Path path;
        if (!OpenKept(folder, listing.names[i], path))
            continue;
        DeleteFileA(path);
        char record[LogRecordSize];
        FormatDroppedRecord(Mail, record);
        AppendToErrorLogQuietly(record);
    }
}

}  // namespace

void KeepFailedMail(const char *subject, const char *body, const char *date)
{
    Path folder;
    if (!OutboxFolder(folder))
        return;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        if (!FolderReported) {
            char record[LogRecordSize];
            FormatOutboxFolderRecord(folder, record);
            AppendToErrorLogQuietly(record);
        }
        FolderReported = true;
        return;
    }
    Listing listing;
    ListKept(folder, listing);
    MakeRoom(folder, listing);
    unsigned long next = 1;
    if (listing.count > 0)
        next = strtoul(listing.names[listing.count - 1], nullptr, 10) + 1;
    char name[NameLength + 1];
    FormatInto(name, "%08lu.msg", next);

    memset(&Mail, 0, sizeof Mail);
    FormatTimeStamp(Mail.raised, sizeof Mail.raised);
    CopyText(Mail.date, date);
    Mail.attempts = 1;
    CopyText(Mail.subject, subject);
    CopyText(Mail.body, body);
    if (!WriteWhole(folder, name, Mail))
        return;
    // The first message waiting starts the retries; later ones join them.
    if (listing.count == 0)
        SetRetry(CommandWindow, 1);
}

void RetryKeptMail(HWND window)
{
    KillTimer(window, OutboxTimer);
    Path folder;
    if (!OutboxFolder(folder))
        return;
    Listing listing;
    ListKept(folder, listing);
    for (int i = 0; i < listing.count; i++) {
        Path path;
        if (!OpenKept(folder, listing.names[i], path))
            continue;
        char result[MailResultSize];
        if (TrySendMailDated(Mail.subject, Mail.body, Mail.date, result, sizeof result) != MailStep::None) {
            // Later messages wait behind it, so they still go out in order.
            Mail.attempts++;
            WriteWhole(folder, listing.names[i], Mail);
            SetRetry(window, Mail.attempts);
            return;
        }
        DeleteFileA(path);
        char now[TimeStampSize];
        FormatTimeStamp(now, sizeof now);
        char record[LogRecordSize];
        FormatDeliveredRecord(Mail, now, record);
        AppendToErrorLogQuietly(record);
    }
}

void ScheduleKeptMail(HWND window)
{
    Path folder;
    Path path;
    Listing listing;
    if (!OutboxFolder(folder))
        return;
    ListKept(folder, listing);
    if (listing.count > 0 && PathOf(folder, listing.names[0], path))
        SetRetry(window, ReadKept(path) ? Mail.attempts : 1);
}
