#pragma once

#include <windows.h>

// The hidden command window's procedure: timers, tray callbacks and menu commands.
INT_PTR CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Answered 1 while a SMART check is out (its drives asked on the worker, or its
// answers not yet taken) or a kept-mail retry is, else 0: whoever sent a tick
// from another process, such as a test or a benchmark, can tell when the
// tick's work is done.
constexpr UINT CheckOutMessage = WM_APP + 111;
