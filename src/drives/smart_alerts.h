// The SMART status check and its alert dialogs: the SMART error, the simulated
// error and the caution of rising counts.
#pragma once

#include <windows.h>

// Asks every qualifying drive for its SMART status, raises new errors and keeps
// an alert dialog open, with one beep, for every standing alert. owner becomes
// the owner of the dialogs.
void CheckSMARTStatus(HWND owner);

INT_PTR CALLBACK SMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SimulatedSMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SMARTCautionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
