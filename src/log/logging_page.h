// The Logging page of the property sheet: the error log in a list, cleared or printed.
#pragma once

#include <windows.h>

extern HWND PrintingDialog;
extern BOOL ContinuePrinting;

INT_PTR CALLBACK LoggingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the page's list with the log, a row per piece of at most 79
// characters; FALSE when the log could not be opened.
BOOL LoadLogList(HWND page);

// Keeps the program's windows served while the spooler works; FALSE cancels the job.
BOOL CALLBACK PrintLogAbortProc(HDC printer, int error);

INT_PTR CALLBACK PrintingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
