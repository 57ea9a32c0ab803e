// The Alerts page of the property sheet and its test e-mail.
#pragma once

#include <windows.h>

// The open "Sending Test Email" dialog, or null.
extern HWND TestEmailDialog;

INT_PTR CALLBACK AlertsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The e-mail fields, their labels and the test button are usable while either e-mail switch is on.
void UpdateEmailControls(HWND page);

INT_PTR CALLBACK TestEmailDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
