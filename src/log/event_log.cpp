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
    char program[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return;
    RegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SourceKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key.handle,
                        nullptr) != ERROR_SUCCESS) {
        key.handle = nullptr;
        return;
    }
    char stored[MAX_PATH + 1] = "";
    DWORD size = sizeof stored - 1;
    if (RegQueryValueExA(key.handle, "EventMessageFile", nullptr, nullptr, reinterpret_cast<BYTE *>(stored), &size) ==
            ERROR_SUCCESS &&
        lstrcmpiA(stored, program) == 0)
        return;
    RegSetValueExA(key.handle, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(program),
                   length + 1);
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
