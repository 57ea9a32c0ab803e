// The Volumes page of the property sheet.
#pragma once

#include <windows.h>

INT_PTR CALLBACK VolumesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Fills fields 1045 to 1055 of a page or dialog with the volume's identity and sizes.
void ShowVolumeInfo(HWND dialog, int volume);

// Refreshes the page for the volume: its information, settings and the status over all volumes.
void ShowVolumeSettings(HWND page, int volume);
