// Drives and volumes that come and go while the program runs: the device
// notices, the rescan on the drive worker after a quiet moment, and its
// answers applied to the tables on the window thread.
#pragma once

#include <windows.h>

// Asks Windows for the arrival and removal of disks at the command window.
void RegisterDeviceNotices(HWND window);

// WM_DEVICECHANGE: a disk or a volume came or went, or the device tree
// changed. The rescan follows a quiet moment, so a burst makes one.
void OnDeviceChange(HWND window, WPARAM event, LPARAM data);

// RescanTimer: the quiet moment is over.
void OnRescanTimer(HWND window);

// RescanJob is done on the worker: its answers are applied unless the
// property sheet is open (its pages hold drive indices).
void FinishDriveRescan(HWND window);

// Start-up is over: rescans may run, one awaited since at once.
void AllowDriveRescans(HWND window);

// The sheet or a round kept a rescan waiting, and is over.
void ResumeDriveRescan(HWND window);

// Whether a rescan is awaited, out or not yet applied.
bool DriveRescanPending();

// At shutdown, once the worker has stopped: the handles rescans replaced.
void CloseReplacedDevices();
