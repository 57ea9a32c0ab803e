// The Health page: what each drive answered at its latest check, row by row;
// which counts the caution watches; the temperature and its limit.
#pragma once

#include <windows.h>

extern HWND HealthPageWindow;

INT_PTR CALLBACK HealthPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// On the command window when the worker has done the page's Refresh: what the
// drive answered becomes its latest reading, and the page, if open, shows it.
void FinishHealthRefresh();
