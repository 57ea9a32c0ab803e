// The off-line test dialog that the Drives page starts.
#pragma once

#include <windows.h>

// Opens the drive's off-line test dialog, owned by the command window, and
// starts the routine unless the drive cannot run it.
void StartOfflineTest(int drive);

INT_PTR CALLBACK OfflineTestDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
