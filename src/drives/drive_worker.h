// The one thread that sends the periodic checks' device requests and the
// off-line test's polls, so a drive slow to answer never holds the window
// thread. A job runs there and its window is then posted DriveWorkDoneMessage.
#pragma once

#include <windows.h>

#include "state/drive_table.h"

// wParam: the job that is done.
constexpr UINT DriveWorkDoneMessage = WM_APP + 110;

constexpr int StatusRoundJob = 0;
// The off-line test poll of drive i is job OfflinePollJob + i.
constexpr int OfflinePollJob = 1;
constexpr int DriveWorkJobs = OfflinePollJob + MaxDrives;

// Hands work(context) to the worker. False when the job is still queued or
// running, or no worker thread can be had; the caller then decides.
bool QueueDriveWork(int job, void (*work)(void *), void *context, HWND window);

// Whether the job is queued or running.
bool DriveWorkOut(int job);

// At shutdown: cancels the request out and waits for the worker at most the
// request time-out; what it finishes afterwards is never taken.
void StopDriveWorker();
