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
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"

namespace {

constexpr char FolderName[] = "Outbox";
constexpr size_t NameLength = 12;   // "00000001.msg"
// Room for the cap and stragglers a crash or an older run may have left.
constexpr int ListLimit = 256;
// Names tried for one file set aside before it waits for the next attempt.
constexpr uint32_t SetAsideTries = 1000;

// "00000001.msg.sent" beside a message the server took whose file could not be removed.
constexpr char MarkSuffix[] = ".sent";
constexpr size_t MarkLength = NameLength + sizeof MarkSuffix - 1;

using Path = char[MAX_PATH];
using FileName = char[NameLength + 1];

struct Listing {
    FileName names[ListLimit];
    int count;
    unsigned long last;   // the highest number in the folder, delivered files and marks included
};

bool FolderReported;
KeptMail Mail;
char FileText[OutboxFileSize];
// Messages the server took whose file could not be removed, also when their
// mark could not be written: never sent again, and removed at each listing
// until that works.
FileName Delivered[ListLimit];
int DeliveredCount;

// The system's text for error on one line; empty when it has none.
void SystemErrorText(DWORD error, char (&text)[256])
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  sizeof text, nullptr);
    text[length < sizeof text ? length : 0] = '\0';
    for (char *c = text; *c; c++) {
        if (*c == '\r' || *c == '\n')
            *c = ' ';
    }
    for (size_t end = strlen(text); end > 0 && text[end - 1] == ' '; end--)
        text[end - 1] = '\0';
}

bool Contains(const FileName *names, int count, const char *name)
{
    for (int i = 0; i < count; i++) {
        if (_stricmp(names[i], name) == 0)
            return true;
    }
    return false;
}

bool EndsWith(const char *name, size_t length, const char *suffix)
{
    size_t suffixLength = strlen(suffix);
    return length >= suffixLength && _stricmp(name + length - suffixLength, suffix) == 0;
}

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

// The kept messages, oldest first: their names count up as they are kept. A
// message the server took (marked, or remembered) is removed again instead
// of listed; while it or its mark stays, its number stays taken.
void ListKept(const Path &folder, Listing &listing)
{
    listing.count = 0;
    listing.last = 0;
    Path pattern;
    if (!PathOf(folder, "*", pattern))
        return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        // No file left, or no folder: a name remembered as delivered may be used again.
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
            DeliveredCount = 0;
        return;
    }
    FileName marks[ListLimit];
    int markCount = 0;
    for (bool more = true; more; more = FindNextFileA(search, &entry)) {
        size_t length = strlen(entry.cFileName);
        bool message = length == NameLength && EndsWith(entry.cFileName, length, ".msg");
        bool mark = length == MarkLength && EndsWith(entry.cFileName, length, ".msg.sent");
        if ((!message && !mark) || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        unsigned long number = strtoul(entry.cFileName, nullptr, 10);
        if (number > listing.last)
            listing.last = number;
        if (message && listing.count < ListLimit)
            CopyText(listing.names[listing.count++], entry.cFileName);
        else if (mark && markCount < ListLimit)   // the message's name: the mark cut before its suffix
            CopyTextSized(marks[markCount++], NameLength + 1, entry.cFileName);
    }
    FindClose(search);
    FileName stillThere[ListLimit];
    int stillCount = 0;
    int waiting = 0;
    for (int i = 0; i < listing.count; i++) {
        const char *name = listing.names[i];
        Path path;
        if (!Contains(marks, markCount, name) && !Contains(Delivered, DeliveredCount, name))
            CopyText(listing.names[waiting++], name);
        else if (!PathOf(folder, name, path) || !DeleteFileA(path))
            CopyText(stillThere[stillCount++], name);
    }
    listing.count = waiting;
    memcpy(Delivered, stillThere, sizeof stillThere[0] * static_cast<size_t>(stillCount));
    DeliveredCount = stillCount;
    // A mark goes once its message has gone.
    for (int i = 0; i < markCount; i++) {
        Path path;
        Path mark;
        if (PathOf(folder, marks[i], path) && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
            FormatInto(mark, "%s%s", path, MarkSuffix))
            DeleteFileA(mark);
    }
    qsort(listing.names, static_cast<size_t>(listing.count), sizeof listing.names[0],
          [](const void *a, const void *b) { return strcmp(static_cast<const char *>(a), static_cast<const char *>(b)); });
}

// Written to a temporary name, flushed, then renamed over the file: a crash
// leaves the old file or the new one, never half of either. Returns
// ERROR_SUCCESS or the system's error.
DWORD WriteWhole(const Path &folder, const char *name, const KeptMail &mail)
{
    size_t length = 0;
    Path temporary;
    Path path;
    if (!FormatKeptMail(mail, FileText, sizeof FileText, length))
        return ERROR_INVALID_DATA;
    if (!PathOf(folder, "kept.tmp", temporary) || !PathOf(folder, name, path))
        return ERROR_FILENAME_EXCED_RANGE;
    {
        FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (file.handle == INVALID_HANDLE_VALUE)
            return GetLastError();
        DWORD written = 0;
        if (!WriteFile(file.handle, FileText, static_cast<DWORD>(length), &written, nullptr) ||
            !FlushFileBuffers(file.handle))
            return GetLastError();
        if (written != length)
            return ERROR_DISK_FULL;
    }
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return GetLastError();
    return ERROR_SUCCESS;
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

// A file that cannot be read is renamed, never deleted, and logged. Never
// over an earlier one: the numbers start again once the outbox has emptied.
void SetAside(const Path &folder, const char *name)
{
    Path path;
    if (!PathOf(folder, name, path))
        return;
    char aside[SetAsideNameSize];
    char renamed[64] = "";
    for (uint32_t n = 1; n <= SetAsideTries && !renamed[0]; n++) {
        Path asidePath;
        FormatSetAsideName(name, n, aside);
        if (!PathOf(folder, aside, asidePath))
            break;
        if (MoveFileExA(path, asidePath, 0))
            CopyText(renamed, aside);
        else if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!renamed[0])
        FormatInto(renamed, "not renamed, system error %lu", GetLastError());
    char record[LogRecordSize];
    FormatSetAsideRecord(name, renamed, record);
    AppendToErrorLogQuietly(record, LogEvent::KeptMailSetAside);
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

// A retry's one message on the mail thread: what it sends, with the settings
// as they stood when it started, and how it went.
struct RetrySend {
    GlobalSettingsRecord settings;
    KeptMail mail;
    FileName name;
    Path folder;
    bool taken;
    MailStep step;
    char result[MailResultSize];
};

RetrySend Sending;
HANDLE SendingThread;   // set while a retry's message is out
HWND SendingWindow;

// The oldest messages go while the outbox is full, each with a log record;
// never the one a retry has out.
void MakeRoom(const Path &folder, const Listing &listing)
{
    uint32_t drop = OldestToDrop(static_cast<uint32_t>(listing.count));
    for (uint32_t i = 0; i < drop; i++) {
        Path path;
        if ((SendingThread && strcmp(listing.names[i], Sending.name) == 0) || !OpenKept(folder, listing.names[i], path))
            continue;
        DeleteFileA(path);
        char record[LogRecordSize];
        FormatDroppedRecord(Mail, record);
        AppendToErrorLogQuietly(record, LogEvent::AlertMailFailed);
    }
}

// The mark beside a message the server took: every listing removes the
// message instead of sending it.
void MarkDelivered(const Path &path)
{
    Path mark;
    if (FormatInto(mark, "%s%s", path, MarkSuffix)) {
        FileHandle file(CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
}

// The server took the message: its file goes, and a failure to remove it is
// logged and marked, so it is never sent again, after a restart neither.
void RemoveDelivered(const char *name, const Path &path)
{
    char now[TimeStampSize];
    FormatTimeStamp(now, sizeof now);
    char record[LogRecordSize];
    bool removed = DeleteFileA(path) != 0;
    DWORD error = GetLastError();
    // A listing meanwhile may have removed it by its mark already.
    removed = removed || error == ERROR_FILE_NOT_FOUND;
    FormatDeliveredRecord(Mail, now, record);
    AppendToErrorLogQuietly(record, LogEvent::KeptMailDelivered);
    if (removed)
        return;
    MarkDelivered(path);
    if (DeliveredCount < ListLimit)
        CopyText(Delivered[DeliveredCount++], name);
    char text[256];
    SystemErrorText(error, text);
    FormatUnremovedRecord(Mail, name, error, text, record);
    // Marked so it is never sent again: set aside like an unreadable file.
    AppendToErrorLogQuietly(record, LogEvent::KeptMailSetAside);
}

// KeepFailedMail's work: ERROR_SUCCESS, or the system's error.
DWORD KeepMail(const char *subject, const char *body, const char *date)
{
    Path folder;
    if (!OutboxFolder(folder))
        return ERROR_FILENAME_EXCED_RANGE;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        DWORD error = GetLastError();
        if (!FolderReported) {
            char record[LogRecordSize];
            FormatOutboxFolderRecord(folder, record);
            AppendToErrorLogQuietly(record, LogEvent::AlertMailFailed);
        }
        FolderReported = true;
        return error;
    }
    Listing listing;
    ListKept(folder, listing);
    MakeRoom(folder, listing);
    char name[NameLength + 1];
    FormatInto(name, "%08lu.msg", listing.last + 1);

    memset(&Mail, 0, sizeof Mail);
    FormatTimeStamp(Mail.raised, sizeof Mail.raised);
    CopyText(Mail.date, date);
    Mail.attempts = 1;
    CopyText(Mail.subject, subject);
    CopyText(Mail.body, body);
    DWORD error = WriteWhole(folder, name, Mail);
    if (error != ERROR_SUCCESS)
        return error;
    // The first message waiting starts the retries; later ones join them.
    if (listing.count == 0)
        SetRetry(CommandWindow, 1);
    return ERROR_SUCCESS;
}


// On the mail thread the moment the server takes the message: marked at once,
// so a Close that cannot wait for its QUIT never sends it again.
void MarkSendingDelivered()
{
    Path path;
    if (PathOf(Sending.folder, Sending.name, path))
        MarkDelivered(path);
}

DWORD WINAPI SendRetry(void *)
{
    Sending.step = TrySendMailWith(Sending.settings, Sending.mail.subject, Sending.mail.body, Sending.mail.date,
                                   Sending.taken, Sending.result, sizeof Sending.result, MarkSendingDelivered);
    PostMessageA(SendingWindow, KeptMailSentMessage, 0, 0);
    return 0;
}

enum class RetryStart { NoneWaiting, Started, NoThread };

// Hands the oldest readable kept message to a mail thread of its own.
RetryStart StartRetry(HWND window)
{
    Path folder;
    if (!OutboxFolder(folder))
        return RetryStart::NoneWaiting;
    Listing listing;
    ListKept(folder, listing);
    for (int i = 0; i < listing.count; i++) {
        Path path;
        if (!OpenKept(folder, listing.names[i], path))
            continue;
        Sending.settings = GlobalSettings;
        Sending.mail = Mail;
        CopyText(Sending.name, listing.names[i]);
        CopyText(Sending.folder, folder);
        SendingWindow = window;
        SendingThread = CreateThread(nullptr, 0, SendRetry, nullptr, 0, nullptr);
        return SendingThread ? RetryStart::Started : RetryStart::NoThread;
    }
    return RetryStart::NoneWaiting;
}

// Waits for the mail thread and takes its outcome: a message the server took
// is removed and logged, one it did not waits for the next retry. True when
// the next message may go now.
bool TakeRetry()
{
    WaitForSingleObject(SendingThread, INFINITE);
    CloseHandle(SendingThread);
    SendingThread = nullptr;
    Mail = Sending.mail;
    Path path;
    if (!PathOf(Sending.folder, Sending.name, path))
        return false;
    if (Sending.step != MailStep::None && !Sending.taken) {
        // Later messages wait behind it, so they still go out in order.
        Mail.attempts++;
        WriteWhole(Sending.folder, Sending.name, Mail);
        SetRetry(SendingWindow, Mail.attempts);
        return false;
    }
    RemoveDelivered(Sending.name, path);
    return true;
}

// Before the window thread uses the outbox itself: the retry out ends first.
void SettleRetry()
{
    if (SendingThread)
        TakeRetry();
}

}  // namespace

bool KeepFailedMail(const char *subject, const char *body, const char *date)
{
    // Kept beside a retry out, which never touches the global record or another file.
    DWORD error = KeepMail(subject, body, date);
    if (error == ERROR_SUCCESS)
        return true;
    char text[256];
    SystemErrorText(error, text);
    char record[LogRecordSize];
    FormatUnkeptRecord(subject, error, text, record);
    AppendToErrorLogQuietly(record, LogEvent::AlertMailFailed);
    return false;
}

bool OutboxHoldsMail()
{
    SettleRetry();
    Path folder;
    Listing listing;
    if (!OutboxFolder(folder))
        return false;
    ListKept(folder, listing);
    return listing.count > 0;
}

MailStep SendKeptMail(HWND window, char *result, size_t resultSize)
{
    SettleRetry();
    KillTimer(window, OutboxTimer);
    CopyTextSized(result, resultSize, MailSentText);
    MailStep last = MailStep::None;
    Path folder;
    if (!OutboxFolder(folder))
        return last;
    Listing listing;
    ListKept(folder, listing);
    for (int i = 0; i < listing.count; i++) {
        Path path;
        if (!OpenKept(folder, listing.names[i], path))
            continue;
        bool taken = false;
        last = TrySendMailDated(Mail.subject, Mail.body, Mail.date, taken, result, resultSize);
        if (last != MailStep::None && !taken) {
            // Later messages wait behind it, so they still go out in order.
            Mail.attempts++;
            WriteWhole(folder, listing.names[i], Mail);
            SetRetry(window, Mail.attempts);
            return last;
        }
        // Taken even when the QUIT after it failed: the server holds it.
        RemoveDelivered(listing.names[i], path);
    }
    return last;
}

void RetryKeptMail(HWND window)
{
    KillTimer(window, OutboxTimer);
    if (SendingThread || PropertiesOpen)
        return;
    if (StartRetry(window) == RetryStart::NoThread) {
        char result[MailResultSize];
        SendKeptMail(window, result, sizeof result);
    }
}

void FinishKeptMailRetry(HWND window)
{
    // Taken already by the window thread's own use of the outbox.
    if (!SendingThread)
        return;
    // The next message goes at once, unless the sheet is open: its closing schedules the rest.
    if (TakeRetry() && !PropertiesOpen && StartRetry(window) == RetryStart::NoThread) {
        char result[MailResultSize];
        SendKeptMail(window, result, sizeof result);
    }
}

bool KeptMailRetryOut()
{
    return SendingThread != nullptr;
}

void StopKeptMailRetry()
{
    // What the server took must not go again at the next start: wait for it, as long as one step may last.
    if (SendingThread && WaitForSingleObject(SendingThread, KeptMailStopWaitMs) == WAIT_OBJECT_0)
        TakeRetry();
}

void ScheduleKeptMail(HWND window)
{
    // The retry out sets the timer when it ends.
    if (SendingThread)
        return;
    Path folder;
    Path path;
    Listing listing;
    if (!OutboxFolder(folder))
        return;
    ListKept(folder, listing);
    if (listing.count > 0 && PathOf(folder, listing.names[0], path))
        SetRetry(window, ReadKept(path) ? Mail.attempts : 1);
}

uint32_t CountKeptMail()
{
    Path folder;
    if (!OutboxFolder(folder))
        return 0;
    Listing listing;
    ListKept(folder, listing);
    return static_cast<uint32_t>(listing.count);
}
