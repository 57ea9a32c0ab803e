// The Drives page of the property sheet.
#pragma once

#include <windows.h>

INT_PTR CALLBACK DrivesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Lists the drives by model in a combo box, CurrentDrive chosen.
void FillDriveChoice(HWND list);

// Fills fields 1001 to 1006 of a page or dialog with the drive's IDE/ATA parameters.
void ShowDriveInfo(HWND dialog, int drive);

// Refreshes everything the page shows for the drive, and the summary.
void ShowDriveSettings(HWND page, int drive);
