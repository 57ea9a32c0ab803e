#include "ui/tray_shell.h"

BOOL ShellNotifyIcon(DWORD action, NOTIFYICONDATAA *data)
{
    return Shell_NotifyIconA(action, data);
}

BOOL AllowMessageFromShell(HWND window, UINT message)
{
    return ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
}
