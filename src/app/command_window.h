#pragma once

#include <windows.h>

// The hidden command window's procedure: timers, tray callbacks and menu commands.
INT_PTR CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start-up waits for the drive worker with the window answering. Until it is
// done, a request for the property sheet is kept and served afterwards: the
// sheet would otherwise snapshot settings the start-up check is still taking.
void FinishStartup(HWND window);

// Answered 1 while start-up runs, while a SMART check is out (its drives asked on the worker, or its
// answers not yet taken), a kept-mail retry is, or a rescan of the drives is awaited or out, else 0: whoever sent a tick
// from another process, such as a test or a benchmark, can tell when the
// tick's work is done.
constexpr UINT CheckOutMessage = WM_APP + 111;
