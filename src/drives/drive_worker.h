// The one thread that sends the drives' device requests, so a drive slow to
// answer, or a driver that never completes a request, never holds the window
// thread. Jobs run there in the order they were queued (a command sent at a
// commit goes before the check that follows it); a job's window is then
// posted DriveWorkDoneMessage. The thread exists only while there is work: it
// starts with the first job queued and ends once idle for DriveWorkerIdleMs.
#pragma once

#include <windows.h>

#include "state/drive_table.h"

constexpr DWORD DriveWorkerIdleMs = 2000;

// wParam: the job that is done.
constexpr UINT DriveWorkDoneMessage = WM_APP + 110;

constexpr int StatusRoundJob = 0;
// The off-line test of drive i (its start and its polls) is job OfflinePollJob + i.
constexpr int OfflinePollJob = 1;
// The SMART commands a commit sends to drive i are job SMARTCommandJob + i.
constexpr int SMARTCommandJob = OfflinePollJob + MaxDrives;
// Start-up's discovery and its SMART commands.
constexpr int StartupJob = SMARTCommandJob + MaxDrives;
// A rescan of the physical drives after a device came or went.
constexpr int RescanJob = StartupJob + 1;
// The Health page's Refresh of one drive.
constexpr int HealthRefreshJob = RescanJob + 1;
constexpr int DriveWorkJobs = HealthRefreshJob + 1;

// Hands work(context) to the worker. False when the job is still queued or
// running, or no worker thread can be had; the caller then decides.
bool QueueDriveWork(int job, void (*work)(void *), void *context, HWND window);

// Whether the job is queued or running.
bool DriveWorkOut(int job);

// At shutdown: ends the wait of the request out and waits for the worker a
// short while; what it finishes afterwards is never taken. False when the
// worker is still running.
bool StopDriveWorker();
