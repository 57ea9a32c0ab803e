// The device layer of holmvard-emulated.exe. Drives, and the space of the volumes
// it describes, come from emulated-drives.txt in the program's folder, read again
// at every call so that a test can change a drive or fill a volume between two
// checks; every call leaves one line in emulated-requests.log in the same folder.
// The drive worker and the completing thread call it at once: one lock keeps
// the bay, the handles and the log whole. A delayed or hung drive's request is
// left out, as an overlapped request on a real drive is, and completed later
// by a thread of the emulator's own.
#include "drives/device_io.h"
#include "volumes/volume_space.h"

#include <cstdint>
#include <cstring>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "emulator/drive_emulation.h"

static_assert(EmulatedErrorInvalidFunction == ERROR_INVALID_FUNCTION);
static_assert(EmulatedErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(EmulatedErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(EmulatedErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(EmulatedErrorNotReady == ERROR_NOT_READY);
static_assert(EmulatedErrorDeviceNotExist == ERROR_DEV_NOT_EXIST);
static_assert(EmulatedErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(EmulatedErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(EmulatedErrorIoDevice == ERROR_IO_DEVICE);
static_assert(EmulatedGenericRead == GENERIC_READ);
static_assert(EmulatedGenericWrite == GENERIC_WRITE);
static_assert(EmulatedGenericAll == GENERIC_ALL);

namespace {

// Far above the small multiples of 4 the kernel hands out, and never INVALID_HANDLE_VALUE.
constexpr uintptr_t FakeHandleBase = 0x7E000000;
constexpr uint32_t FakeHandleLimit = 0x00800000;   // keeps every value below 0x80000000

constexpr DWORD DescriptionLimit = 65536;
constexpr int SharingRetries = 5;
constexpr DWORD SharingRetryMilliseconds = 20;

SRWLOCK EmulatorLock = SRWLOCK_INIT;

struct EmulatorLocked {
    EmulatorLocked() { AcquireSRWLockExclusive(&EmulatorLock); }
    EmulatorLocked(const EmulatorLocked &) = delete;
    EmulatorLocked &operator=(const EmulatorLocked &) = delete;
    ~EmulatorLocked() { ReleaseSRWLockExclusive(&EmulatorLock); }
};

EmulatedHandleTable Handles;
// What a broken description answers for every volume.
const EmulatedVolume BrokenVolume = {true, false, 0, 0, 0};
EmulatedBay Bay;
char DescriptionText[DescriptionLimit + 1];

// The full name of a file in the folder of the running exe; false when the path does not fit.
bool NameBesideProgram(char (&path)[1024], const char *fileName)
{
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    DWORD folderEnd = length;
    while (folderEnd > 0 && path[folderEnd - 1] != '\\' && path[folderEnd - 1] != '/')
        --folderEnd;
    path[folderEnd] = '\0';
    return AppendText(path, fileName);
}

// Opened, appended to and closed at every line, so a test can read or delete the
// log at any moment and nothing is lost when the program is killed.
void WriteLogLine(const char *line)
{
    char path[1024];
    if (!NameBesideProgram(path, RequestLogFileName))
        return;
    char text[RequestLogLineSize + 2];
    CopyText(text, line);
    AppendText(text, "\n");
    FileHandle log;
    log.handle = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log.handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(log.handle, text, static_cast<DWORD>(BoundedLength(text, sizeof text)), &written, nullptr);
}

void WriteErrorLine(const char *text)
{
    char line[RequestLogLineSize];
    FormatErrorLogLine(line, sizeof line, text);
    WriteLogLine(line);
}

// A test may be rewriting the description just as the program reads it.
HANDLE OpenDescription(const char *path)
{
    for (int attempt = 0;; ++attempt) {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            attempt == SharingRetries)
            return file;
        Sleep(SharingRetryMilliseconds);
    }
}

// Fills Bay from the description file, or with the default bay when there is none.
// Returns false after logging an ERROR line when the file cannot be read or parsed.
bool LoadBay()
{
    char path[1024];
    if (!NameBesideProgram(path, DriveDescriptionFileName)) {
        WriteErrorLine("the program's folder name is too long for the description file");
        return false;
    }
    FileHandle file;
    file.handle = OpenDescription(path);
    if (file.handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            SetDefaultBay(Bay);
            return true;
        }
        char text[RequestLogLineSize];
        FormatInto(text, "%s: cannot be opened, error %lu", DriveDescriptionFileName, error);
        WriteErrorLine(text);
        return false;
    }
    DWORD total = 0;
    for (;;) {
        DWORD read = 0;
        // One byte more than the limit tells a file at the limit from a longer one.
        if (!ReadFile(file.handle, DescriptionText + total, DescriptionLimit + 1 - total, &read, nullptr)) {
            char text[RequestLogLineSize];
            FormatInto(text, "%s: cannot be read, error %lu", DriveDescriptionFileName, GetLastError());
            WriteErrorLine(text);
            return false;
        }
        if (read == 0)
            break;
        total += read;
        if (total > DescriptionLimit) {
            char text[RequestLogLineSize];
            FormatInto(text, "%s: longer than %lu bytes", DriveDescriptionFileName, DescriptionLimit);
            WriteErrorLine(text);
            return false;
        }
    }
    DescriptionError error;
    if (!ParseDriveDescription(DescriptionText, total, Bay, error)) {
        char text[RequestLogLineSize];
        FormatDescriptionError(error, text, sizeof text);
        WriteErrorLine(text);
        return false;
    }
    return true;
}

HANDLE HandleOf(uint32_t number)
{
    return reinterpret_cast<HANDLE>(FakeHandleBase + 4 * static_cast<uintptr_t>(number));
}

// The number of an open emulated handle, or 0 for anything else.
uint32_t NumberOf(HANDLE device)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(device);
    if (value <= FakeHandleBase || (value - FakeHandleBase) % 4 != 0)
        return 0;
    uintptr_t number = (value - FakeHandleBase) / 4;
    if (number >= FakeHandleLimit || !FindEmulatedHandle(Handles, static_cast<uint32_t>(number)))
        return 0;
    return static_cast<uint32_t>(number);
}

}  // namespace

HANDLE DeviceOpen(const char *name, DWORD access, DWORD shareMode, DWORD disposition)
{
    EmulatorLocked locked;
    uint32_t number = 0;
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (LoadBay()) {
        EmulatedOpen answer = AnswerDeviceOpen(Bay, name, access);
        error = answer.error;
        if (answer.ok) {
            if (Handles.opened + 1 < FakeHandleLimit)
                number = AddEmulatedHandle(Handles, answer.device);
            if (number == 0) {
                WriteErrorLine("too many emulated handles are open");
                error = ERROR_TOO_MANY_OPEN_FILES;
            }
        }
    }
    char line[RequestLogLineSize];
    FormatOpenLogLine(line, sizeof line, name, access, shareMode, disposition, number);
    WriteLogLine(line);
    SetLastError(number ? ERROR_SUCCESS : error);
    return number ? HandleOf(number) : INVALID_HANDLE_VALUE;
}

namespace {

// A request left out: a delayed drive's until its time, a hung drive's until
// the description lets it go. Its buffers stay the caller's until it completes.
struct PendingRequest {
    bool used;
    bool completed;
    bool hangs;
    bool cancelled;
    uint32_t number;
    DWORD ioctl;
    const uint8_t *input;
    DWORD inputLength;
    uint8_t *output;
    DWORD outputLength;
    OVERLAPPED *overlapped;
    DWORD due;
    EmulatedReply reply;
    uint8_t asked[LoggedInputLimit + 1];   // the request as it came, for the log
};

constexpr int PendingLimit = 16;
// How often a hung drive's description is read again.
constexpr DWORD HangPollMs = 200;

PendingRequest Pending[PendingLimit];
HANDLE CompletionWake;

void LogRequest(uint32_t number, DWORD ioctl, const uint8_t *asked, DWORD inputLength, DWORD outputLength, bool ok)
{
    char line[RequestLogLineSize];
    FormatIoctlLogLine(line, sizeof line, number, ioctl, asked, inputLength, outputLength, ok);
    WriteLogLine(line);
}

// The answer under the description as it is now. Under the lock.
EmulatedReply Answer(uint32_t number, DWORD ioctl, const void *input, DWORD inputLength, void *output,
                     DWORD outputLength)
{
    EmulatedReply reply = {false, ERROR_INVALID_HANDLE, 0};
    bool loaded = LoadBay();
    const EmulatedDevice *open = number ? FindEmulatedHandle(Handles, number) : nullptr;
    if (!open)
        return reply;
    if (!loaded) {
        reply.error = ERROR_NOT_READY;
        return reply;
    }
    return AnswerDeviceControl(Bay, *open, ioctl, static_cast<const uint8_t *>(input), inputLength,
                               static_cast<uint8_t *>(output), outputLength);
}

// Answers a pending request, or ends it as cancelled. Under the lock.
void Complete(PendingRequest &request, bool cancelled)
{
    if (cancelled)
        request.reply = {false, ERROR_OPERATION_ABORTED, 0};
    else
        request.reply = Answer(request.number, request.ioctl, request.input, request.inputLength, request.output,
                               request.outputLength);
    LogRequest(request.number, request.ioctl, request.input ? request.asked : nullptr, request.inputLength,
               request.outputLength, request.reply.ok);
    request.completed = true;
    SetEvent(request.overlapped->hEvent);
}

// Whether a hung request's drive still hangs under the description as it is now. Under the lock.
bool StillHangs(const PendingRequest &request)
{
    const EmulatedDevice *device = FindEmulatedHandle(Handles, request.number);
    return device && LoadBay() && EmulatedHangOf(Bay, *device, request.ioctl, request.asked, request.inputLength);
}

// Set while the thread that completes pending requests runs.
HANDLE Completer;
bool CompleterEnded;

// Completes each pending request when its time comes, and ends once none is
// left to complete, as the program's own threads do when idle.
DWORD WINAPI CompletePendingRequests(void *)
{
    for (;;) {
        DWORD wait = INFINITE;
        {
            EmulatorLocked locked;
            DWORD now = GetTickCount();
            for (PendingRequest &request : Pending) {
                if (!request.used || request.completed)
                    continue;
                if (request.hangs && StillHangs(request)) {
                    if (HangPollMs < wait)
                        wait = HangPollMs;
                    continue;
                }
                if (request.hangs) {
                    request.hangs = false;
                    request.due = now;
                }
                DWORD left = request.due - now;
                if (request.cancelled || static_cast<LONG>(left) <= 0)
                    Complete(request, request.cancelled);
                else if (left < wait)
                    wait = left;
            }
            if (wait == INFINITE) {
                CompleterEnded = true;
                return 0;
            }
        }
        WaitForSingleObject(CompletionWake, wait);
    }
}

// A free record with the thread that completes it running; nullptr when none can be had. Under the lock.
PendingRequest *TakePending()
{
    if (!Completer || CompleterEnded) {
        if (!CompletionWake && !(CompletionWake = CreateEventA(nullptr, FALSE, FALSE, nullptr)))
            return nullptr;
        HANDLE completer = CreateThread(nullptr, 0, CompletePendingRequests, nullptr, 0, nullptr);
        if (!completer)
            return nullptr;
        if (Completer)
            CloseHandle(Completer);
        Completer = completer;
        CompleterEnded = false;
    }
    for (PendingRequest &request : Pending) {
        if (!request.used)
            return &request;
    }
    return nullptr;
}

PendingRequest *FindPending(OVERLAPPED *overlapped)
{
    for (PendingRequest &request : Pending) {
        if (request.used && request.overlapped == overlapped)
            return &request;
    }
    return nullptr;
}

}  // namespace

BOOL DeviceRequestStart(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output,
                        DWORD outputLength, DWORD *returned, OVERLAPPED *overlapped)
{
    EmulatorLocked locked;
    uint32_t number = NumberOf(device);
    // The request as it came: a query answered in the same buffer overwrites it.
    uint8_t asked[LoggedInputLimit + 1] = {};
    if (input)
        memcpy(asked, input, inputLength < sizeof asked ? inputLength : sizeof asked);
    uint32_t delay = 0;
    bool hangs = false;
    if (number != 0 && LoadBay()) {
        const EmulatedDevice &open = *FindEmulatedHandle(Handles, number);
        delay = EmulatedDelayOf(Bay, open, ioctl, asked, inputLength);
        hangs = EmulatedHangOf(Bay, open, ioctl, asked, inputLength);
    }
    PendingRequest *pending = (delay != 0 || hangs) && overlapped ? TakePending() : nullptr;
    if (pending) {
        *pending = PendingRequest{true,   false,       hangs,        false,      number,
                                  ioctl,  static_cast<const uint8_t *>(input), inputLength,
                                  static_cast<uint8_t *>(output), outputLength, overlapped,
                                  GetTickCount() + delay, {}, {}};
        memcpy(pending->asked, asked, sizeof asked);
        // As the system does when a request starts.
        ResetEvent(overlapped->hEvent);
        SetEvent(CompletionWake);
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    EmulatedReply reply = Answer(number, ioctl, input, inputLength, output, outputLength);
    if (returned)
        *returned = reply.returned;
    LogRequest(number, ioctl, input ? asked : nullptr, inputLength, outputLength, reply.ok);
    SetLastError(reply.ok ? ERROR_SUCCESS : reply.error);
    return reply.ok ? TRUE : FALSE;
}

BOOL DeviceRequestResult(HANDLE, OVERLAPPED *overlapped, DWORD *returned)
{
    EmulatorLocked locked;
    PendingRequest *request = FindPending(overlapped);
    if (!request || !request->completed) {
        SetLastError(request ? ERROR_IO_INCOMPLETE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    EmulatedReply reply = request->reply;
    request->used = false;
    if (returned)
        *returned = reply.returned;
    SetLastError(reply.ok ? ERROR_SUCCESS : reply.error);
    return reply.ok ? TRUE : FALSE;
}

// A delayed request ends at once, as a cancelled request on a drive does; a
// hung one ignores it, as a stuck driver does.
void DeviceRequestCancel(HANDLE, OVERLAPPED *overlapped)
{
    EmulatorLocked locked;
    PendingRequest *request = FindPending(overlapped);
    if (request && !request->completed && !request->hangs) {
        request->cancelled = true;
        SetEvent(CompletionWake);
    }
}

// Closing needs no description: a handle handed out stays closable whatever the file says now.
BOOL DeviceClose(HANDLE device)
{
    EmulatorLocked locked;
    uint32_t number = NumberOf(device);
    bool closed = RemoveEmulatedHandle(Handles, number);
    char line[RequestLogLineSize];
    FormatCloseLogLine(line, sizeof line, number, closed);
    WriteLogLine(line);
    SetLastError(closed ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
    return closed ? TRUE : FALSE;
}

BOOL QueryOsVersion(OSVERSIONINFOA *version)
{
    EmulatorLocked locked;
    bool answered = LoadBay() && Bay.versionSucceeds && version &&
                    version->dwOSVersionInfoSize == sizeof(OSVERSIONINFOA);
    if (answered) {
        version->dwMajorVersion = Bay.majorVersion;
        version->dwMinorVersion = Bay.minorVersion;
        version->dwBuildNumber = Bay.buildNumber;
        version->dwPlatformId = Bay.platformId;
        version->szCSDVersion[0] = '\0';
    }
    char line[RequestLogLineSize];
    FormatVersionLogLine(line, sizeof line, answered, Bay.platformId, Bay.majorVersion, Bay.minorVersion,
                         Bay.buildNumber);
    WriteLogLine(line);
    SetLastError(answered ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
    return answered ? TRUE : FALSE;
}

BOOL QueryVolumeSpace(const char *root, ULARGE_INTEGER *available, ULARGE_INTEGER *total, ULARGE_INTEGER *free)
{
    EmulatorLocked locked;
    char line[RequestLogLineSize];
    if (!LoadBay()) {
        FormatSpaceLogLine(line, sizeof line, root, &BrokenVolume);
        WriteLogLine(line);
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    const EmulatedVolume *volume = EmulatedVolumeOf(Bay, root);
    FormatSpaceLogLine(line, sizeof line, root, volume);
    WriteLogLine(line);
    if (!volume || !volume->defined)
        return GetDiskFreeSpaceExA(root, available, total, free);
    if (!volume->succeeds) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (available)
        available->QuadPart = volume->availableBytes;
    if (total)
        total->QuadPart = volume->totalBytes;
    if (free)
        free->QuadPart = volume->freeBytes;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
