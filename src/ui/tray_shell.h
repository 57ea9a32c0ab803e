// The one place where the program reaches the shell's notification area.
// holmvard.exe links the system version of these two calls,
// holmvard-emulated.exe one that also logs each call and can refuse adds, since
// Wine's shell neither fails an add nor shows what a notification carried.
#pragma once

#include <windows.h>
#include <shellapi.h>

// As Shell_NotifyIconA.
BOOL ShellNotifyIcon(DWORD action, NOTIFYICONDATAA *data);

// Lets message through Windows' filter to window from processes of a lower
// integrity level, as ChangeWindowMessageFilterEx with MSGFLT_ALLOW.
BOOL AllowMessageFromShell(HWND window, UINT message);
