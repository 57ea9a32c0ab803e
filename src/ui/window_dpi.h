// The DPI a window is shown at and the system's sizes at that DPI. The calls
// that answer per monitor came with Windows 10 1607 and LoadIconMetric with
// Vista's common controls: each is looked up at run time, and on a system
// without it the system DPI, which is then the only one, serves.
#pragma once

#include <windows.h>

// The window's DPI, or the system's when the window or the system cannot say.
int WindowDpi(HWND window);

// The system metric index at dpi.
int SystemMetricForDpi(int index, int dpi);

// AdjustWindowRectEx for a window without a menu, at dpi.
BOOL AdjustWindowRectForDpi(RECT *rect, DWORD style, DWORD exStyle, int dpi);

// Icon resource id at the size the notification area shows (the small icon
// size at the system DPI), or null; the caller destroys it.
HICON LoadNotificationIcon(HINSTANCE instance, int id);

// Moves and sizes a top-level window to the rectangle a WM_DPICHANGED message
// suggests (its lParam), so it keeps its place and grows or shrinks with the
// new scale.
void MoveToSuggestedRect(HWND window, LPARAM suggested);
