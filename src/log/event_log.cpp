#include "log/event_log.h"

#include <windows.h>

#include "base/guards.h"
#include "log/log_records.h"

namespace {

constexpr char SourceName[] = "HOLMVARD";
constexpr char SourceKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\HOLMVARD";
constexpr DWORD TypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

static_assert(static_cast<WORD>(EventType::Error) == EVENTLOG_ERROR_TYPE);
static_assert(static_cast<WORD>(EventType::Warning) == EVENTLOG_WARNING_TYPE);
static_assert(static_cast<WORD>(EventType::Information) == EVENTLOG_INFORMATION_TYPE);

struct EventSource {
    HANDLE handle;
    EventSource() : handle(RegisterEventSourceA(nullptr, SourceName)) {}
    EventSource(const EventSource &) = delete;
    EventSource &operator=(const EventSource &) = delete;
    ~EventSource()
    {
        if (handle)
            DeregisterEventSource(handle);
    }
};

}  // namespace

void RegisterLogEventSource()
{
    // In UTF-16: an ANSI path holds '?' for a character its code page lacks, and
    // in UTF-8 may run past MAX_PATH bytes, and Event Viewer would find no texts.
    wchar_t program[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    RegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SourceKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key.handle,
                        nullptr) != ERROR_SUCCESS) {
        key.handle = nullptr;
        return;
    }
    wchar_t stored[MAX_PATH + 1] = L"";
    DWORD size = sizeof stored - sizeof stored[0];
    if (RegQueryValueExW(key.handle, L"EventMessageFile", nullptr, nullptr, reinterpret_cast<BYTE *>(stored), &size) ==
            ERROR_SUCCESS &&
        lstrcmpiW(stored, program) == 0)
        return;
    RegSetValueExW(key.handle, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(program),
                   (length + 1) * sizeof program[0]);
    RegSetValueExA(key.handle, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&TypesSupported),
                   sizeof TypesSupported);
}

void ReportLogEvent(LogEvent event, const char *record)
{
    char text[LogRecordSize];
    FormatEventString(record, text, sizeof text);
    EventKind kind = EventKindOf(event);
    EventSource source;
    if (!source.handle)
        return;
    const char *strings[] = {text};
    ReportEventA(source.handle, static_cast<WORD>(kind.type), 0, kind.id, nullptr, 1, 0, strings, nullptr);
}
