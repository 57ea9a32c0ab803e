#pragma once

#include <windows.h>

// The hidden command window's procedure: timers, tray callbacks and menu commands.
INT_PTR CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
