// The notification-area icon owned by the command window.
#pragma once

#include <windows.h>

constexpr UINT TrayIconId = 102;
constexpr UINT TrayCallbackMessage = WM_APP + 100;
constexpr int TrayTipSize = 64;

extern char TrayTip[TrayTipSize];

// Adds, modifies or deletes (NIM_ADD, NIM_MODIFY, NIM_DELETE) the icon with TrayTip.
BOOL NotifyTrayIcon(HWND window, HICON icon, DWORD action);

// Deletes the icon, destroys the command window with every dialog it parents,
// and releases the icons.
void ShutdownTray(HWND window);
