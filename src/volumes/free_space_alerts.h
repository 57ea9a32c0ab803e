// The free-space check and its alert dialog.
#pragma once

#include <windows.h>

// Measures every volume, raises new free-space errors and keeps an alert
// dialog open, with one beep, for every volume in error. owner becomes the
// owner of the dialogs.
void CheckFreeSpace(HWND owner);

// Opens the volume's free-space error dialog unless one is open, and records it
// in the volume's ErrorDialog.
void OpenFreeSpaceErrorDialog(HWND owner, int volume);

INT_PTR CALLBACK FreeSpaceErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
