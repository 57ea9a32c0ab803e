// The Drives page of the property sheet and the off-line test it starts.
#pragma once

#include <windows.h>

INT_PTR CALLBACK DrivesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Refreshes everything the page shows for the drive, and the summary.
void ShowDriveSettings(HWND page, int drive);

// Opens the drive's off-line test dialog, owned by the command window, and
// starts the routine unless the drive cannot run it.
void StartOfflineTest(int drive);

INT_PTR CALLBACK OfflineTestDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
