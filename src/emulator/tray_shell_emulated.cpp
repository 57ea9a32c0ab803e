// The shell calls of holmvard-emulated.exe. Each reaches the system's shell as in
// holmvard.exe and leaves one line in emulated-shell.log beside the exe, since
// Wine shows nothing of a notification's texts; and as at a logon before the
// taskbar exists, the description's tray-add-fails refuses the run's first adds
// without asking the shell, which under Wine never refuses one.
#include "ui/tray_shell.h"

#include <cstdint>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "emulator/drive_emulation.h"
#include "state/app_state.h"

namespace {

constexpr char ShellLogFileName[] = "emulated-shell.log";
constexpr DWORD DescriptionLimit = 65536;

char DescriptionText[DescriptionLimit];
uint32_t AddsRefused;

// The full name of a file in the folder of the running exe; false when it does not fit.
bool NameBesideProgram(char (&path)[1024], const char *fileName)
{
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    while (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/')
        --length;
    path[length] = '\0';
    return AppendText(path, fileName);
}

// How many adds the description refuses; none without a description that parses.
uint32_t AddsToRefuse()
{
    char path[1024];
    if (!NameBesideProgram(path, DriveDescriptionFileName))
        return 0;
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD length = 0;
    if (file.handle == INVALID_HANDLE_VALUE || !ReadFile(file.handle, DescriptionText, DescriptionLimit, &length, nullptr))
        return 0;
    static EmulatedBay bay;
    DescriptionError error;
    return ParseDriveDescription(DescriptionText, length, bay, error) ? bay.trayAddFails : 0;
}

const char *IconName(HICON icon)
{
    if (!icon)
        return "none";
    if (icon == NormalIcon)
        return "normal";
    return icon == ErrorIcon ? "error" : "other";
}

// Opened, appended to and closed at every line, as the request log.
void WriteShellLine(const char *line)
{
    char path[1024];
    if (!NameBesideProgram(path, ShellLogFileName))
        return;
    FileHandle log(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log.handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(log.handle, line, static_cast<DWORD>(BoundedLength(line, 1024)), &written, nullptr);
}

}  // namespace

// ADD|MODIFY|DELETE id=<n> flags=<hex> icon=normal|error|none|other tip="..."
// [title="..." info="..." infoflags=<hex>] -> ok|FAIL[ (refused)]
BOOL ShellNotifyIcon(DWORD action, NOTIFYICONDATAA *data)
{
    static const char *const Actions[] = {"ADD", "MODIFY", "DELETE"};
    bool refused = action == NIM_ADD && AddsRefused < AddsToRefuse();
    BOOL done = FALSE;
    if (refused) {
        AddsRefused++;
        SetLastError(ERROR_TIMEOUT);
    } else {
        done = Shell_NotifyIconA(action, data);
    }
    char line[1024];
    FormatInto(line, "%s id=%u flags=%02X icon=%s tip=\"%.*s\"", action <= NIM_DELETE ? Actions[action] : "OTHER",
               data->uID, data->uFlags, IconName(data->hIcon), static_cast<int>(BoundedLength(data->szTip, sizeof data->szTip)),
               data->szTip);
    if (data->uFlags & NIF_INFO) {
        char info[512];
        FormatInto(info, " title=\"%.*s\" info=\"%.*s\" infoflags=%02lX",
                   static_cast<int>(BoundedLength(data->szInfoTitle, sizeof data->szInfoTitle)), data->szInfoTitle,
                   static_cast<int>(BoundedLength(data->szInfo, sizeof data->szInfo)), data->szInfo, data->dwInfoFlags);
        AppendText(line, info);
    }
    AppendText(line, done ? " -> ok\n" : refused ? " -> FAIL (refused)\n" : " -> FAIL\n");
    WriteShellLine(line);
    return done;
}

// ALLOW message=<hex> -> ok|FAIL
BOOL AllowMessageFromShell(HWND window, UINT message)
{
    BOOL done = ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
    char line[64];
    FormatInto(line, "ALLOW message=%04X -> %s\n", message, done ? "ok" : "FAIL");
    WriteShellLine(line);
    return done;
}
