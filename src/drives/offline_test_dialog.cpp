#include "drives/offline_test_dialog.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <ctime>

#include "base/bounded_text.h"
#include "drives/drive_access.h"
#include "drives/drive_worker.h"
#include "drives/offline_test.h"
#include "drives/smart_commands.h"
#include "drives/smart_requests.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_info_text.h"
#include "state/drive_table.h"
#include "ui/alert_dialogs.h"
#include "ui/alert_placement.h"

namespace {

UINT_PTR TimerOf(int drive)
{
    return 100 + static_cast<UINT_PTR>(drive);
}

// The drive's off-line values from a fresh SMART data read; false when the read failed.
bool ReadOfflineInfo(HANDLE device, uint8_t driveNumber, AtaPath path, OfflineCollectionInfo &info)
{
    bool read = ReadSMARTData(device, driveNumber, path) != FALSE;
    uint8_t sector[SmartSectorLength] = {};
    if (read)
        memcpy(sector, SmartDataSector(), sizeof sector);
    info = GetOfflineCollectionInfo(sector);
    return read;
}

// Sends EXECUTE OFF-LINE IMMEDIATE when the drive can run the routine; null
// when it runs, otherwise the status text that says why not.
const char *StartOfflineRoutine(HANDLE device, uint8_t driveNumber, AtaPath path, const OfflineCollectionInfo &info)
{
    if (!(info.capability & 1) || info.seconds == 0)
        return "Test not supported";
    if (!ExecuteOfflineImmediate(device, driveNumber, path))
        return "Error starting test";
    return nullptr;
}

// The test's start, or one poll at the end of a countdown, handed to the drive
// worker: what it asks and, when it is done, what the drive said.
struct OfflinePoll {
    HANDLE device;
    uint8_t driveNumber;
    AtaPath path;
    uint8_t attempts;
    bool starting;          // the start: read the capability and start the routine
    bool read;              // the status could be read: seconds holds the drive's time
    uint16_t seconds;
    const char *finished;   // the outcome or refusal text, or null when the routine runs
    bool awaited;           // handed to the worker, its answer not yet taken
    // Set by Cancel: no command goes to the drive after it, even from a job already out.
    std::atomic<bool> cancelled;
};

// constinit: zeroed by the loader, not written at start.
constinit OfflinePoll Polls[MaxDrives]{};

void StartRoutineUnlessCancelled(OfflinePoll &poll, const OfflineCollectionInfo &info)
{
    poll.finished = poll.cancelled ? "Test cancelled" : StartOfflineRoutine(poll.device, poll.driveNumber, poll.path, info);
}

// On the worker: reads the capability and starts the routine.
void StartDrive(void *context)
{
    OfflinePoll &poll = *static_cast<OfflinePoll *>(context);
    OfflineCollectionInfo info;
    poll.read = ReadOfflineInfo(poll.device, poll.driveNumber, poll.path, info);
    poll.seconds = info.seconds;
    StartRoutineUnlessCancelled(poll, info);
}

// On the worker: reads the outcome, and restarts an interrupted routine.
void PollDrive(void *context)
{
    OfflinePoll &poll = *static_cast<OfflinePoll *>(context);
    OfflineCollectionInfo info;
    poll.read = ReadOfflineInfo(poll.device, poll.driveNumber, poll.path, info);
    if (!poll.read) {
        poll.finished = "Error reading status";
        return;
    }
    poll.seconds = info.seconds;
    poll.finished = ReadOfflineStatus(info.status, poll.attempts);
    if (!poll.finished)
        StartRoutineUnlessCancelled(poll, info);
}

void SetPoll(OfflinePoll &poll, const DriveRecord &record, bool starting)
{
    poll.device = record.Device;
    poll.driveNumber = record.DriveNumber;
    poll.path = AtaPathOf(record.Access);
    poll.attempts = record.OfflineTestAttempts;
    poll.starting = starting;
    poll.read = false;
    poll.seconds = 0;
    poll.finished = nullptr;
    poll.awaited = true;
    poll.cancelled = false;
}

// Hands the job to the worker; without a worker it runs here, as before there was one.
void AskDrive(HWND dialog, int drive, void (*work)(void *))
{
    OfflinePoll &poll = Polls[drive];
    if (QueueDriveWork(OfflinePollJob + drive, work, &poll, dialog))
        return;
    work(&poll);
    PostMessageA(dialog, DriveWorkDoneMessage, static_cast<WPARAM>(OfflinePollJob + drive), 0);
}

// Ends the test, or its start, with the status text and OK ready.
void FinishTest(HWND dialog, int drive, const char *status, bool started)
{
    DriveRecord &record = Drives[drive];
    SetDlgItemTextA(dialog, IDC_TEST_STATUS, status);
    if (started) {
        KillTimer(dialog, TimerOf(drive));
        record.OfflineTestRunning = 0;
        SetDlgItemTextA(dialog, IDC_TEST_TIME, "Test completed");
    }
    HWND ok = GetDlgItem(dialog, IDC_TEST_OK);
    EnableWindow(ok, TRUE);
    SetFocus(ok);
}

// The start's answer, on the window thread.
void FinishOfflineStart(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    const OfflinePoll &poll = Polls[drive];
    record.OfflineTestSeconds = poll.seconds;
    if (poll.finished) {
        record.OfflineTestRunning = 0;
        FinishTest(dialog, drive, poll.finished, false);
        return;
    }
    SetDlgItemTextA(dialog, IDC_TEST_STATUS, "Testing . . .");
    record.OfflineTestAttempts = 1;
    record.OfflineTestStart = time(nullptr);
    if (record.OfflineTestSeconds < LeastOfflineTestSeconds)
        record.OfflineTestSeconds = LeastOfflineTestSeconds;
    HWND progress = GetDlgItem(dialog, IDC_TEST_PROGRESS);
    SendMessageA(progress, PBM_SETRANGE32, 0, record.OfflineTestSeconds);
    SendMessageA(progress, PBM_SETSTEP, 1, 0);
    SetTimer(dialog, TimerOf(drive), 1000, nullptr);
}

// The poll's answer, on the window thread.
void FinishOfflinePoll(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    const OfflinePoll &poll = Polls[drive];
    if (poll.read)
        record.OfflineTestSeconds = poll.seconds;
    if (poll.finished) {
        FinishTest(dialog, drive, poll.finished, true);
        return;
    }
    record.OfflineTestSeconds = RestartSeconds(record.OfflineTestSeconds, record.OfflineTestAttempts);
    record.OfflineTestStart = time(nullptr);
    char status[48];
    FormatInto(status, "Testing . . . (Attempt %d)", record.OfflineTestAttempts);
    SetDlgItemTextA(dialog, IDC_TEST_STATUS, status);
}

// At the end of a countdown: the worker reads the outcome, or restarts an
// interrupted routine. Ticks while it does are dropped.
void PollOfflineTest(HWND dialog, int drive)
{
    OfflinePoll &poll = Polls[drive];
    // A poll of a test cancelled meanwhile may still be running: it is let finish.
    if (DriveWorkOut(OfflinePollJob + drive))
        return;
    // Done, but its message never came: taken now.
    if (poll.awaited) {
        poll.awaited = false;
        if (poll.starting)
            FinishOfflineStart(dialog, drive);
        else
            FinishOfflinePoll(dialog, drive);
        return;
    }
    DriveRecord &record = Drives[drive];
    record.OfflineTestAttempts++;
    SetPoll(poll, record, false);
    AskDrive(dialog, drive, PollDrive);
}

void OnOfflineTestTick(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    uint16_t elapsed = OfflineElapsed(time(nullptr), record.OfflineTestStart);
    char text[32];
    if (OfflineCountdown(record.OfflineTestSeconds, elapsed, text)) {
        SetDlgItemTextA(dialog, IDC_TEST_TIME, text);
        SendDlgItemMessageA(dialog, IDC_TEST_PROGRESS, PBM_SETPOS, elapsed, 0);
        return;
    }
    PollOfflineTest(dialog, drive);
}

}  // namespace

void StartOfflineTest(int drive)
{
    DriveRecord &record = Drives[drive];
    if (AlertDialogOpen(record.OfflineTestDialog))
        return;
    HWND dialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_OFFLINE_TEST), CommandWindow, OfflineTestDlgProc, 0);
    record.OfflineTestDialog = dialog;
    if (!dialog)
        return;
    DriveInfoTexts texts;
    FormatDriveInfo(record, texts);
    SetDlgItemTextA(dialog, IDC_MODEL, texts.model);
    SetDlgItemTextA(dialog, IDC_SERIAL, texts.serial);
    SetDlgItemTextA(dialog, IDC_CAPACITY, texts.capacity);
    PlaceAlertDialog(dialog);
    ShowWindow(dialog, SW_SHOW);
    // Owned by the command window, not the sheet: bring it above the sheet that started it.
    SetForegroundWindow(dialog);
    UpdateWindow(dialog);

    // NVMe and failure-prediction drives have no off-line routine to start.
    if (!TakesSMARTCommands(record)) {
        FinishTest(dialog, drive, "Test not supported", false);
        return;
    }
    // A poll of a test cancelled just now may still be out: the start waits behind it.
    OfflinePoll &poll = Polls[drive];
    if (DriveWorkOut(OfflinePollJob + drive)) {
        FinishTest(dialog, drive, "Error starting test", false);
        return;
    }
    // Held from now: a check that opens while the start is out leaves the drive alone.
    record.OfflineTestRunning = 1;
    record.OfflineTestAttempts = 1;
    SetPoll(poll, record, true);
    SetDlgItemTextA(dialog, IDC_TEST_STATUS, "Waiting for the drive . . .");
    AskDrive(dialog, drive, StartDrive);
}

INT_PTR CALLBACK OfflineTestDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    int drive = FindRecordByDialog(Drives, DriveCount, &DriveRecord::OfflineTestDialog, dialog);
    if (drive < 0)
        return FALSE;
    switch (message) {
    case WM_TIMER:
        OnOfflineTestTick(dialog, drive);
        return TRUE;
    case DriveWorkDoneMessage:
        if (wParam == static_cast<WPARAM>(OfflinePollJob + drive) && Polls[drive].awaited) {
            Polls[drive].awaited = false;
            if (Polls[drive].starting)
                FinishOfflineStart(dialog, drive);
            else
                FinishOfflinePoll(dialog, drive);
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TEST_OK:
            CloseAlertDialog(dialog, Drives[drive].OfflineTestDialog);
            return TRUE;
        case IDC_TEST_CANCEL:
            KillTimer(dialog, TimerOf(drive));
            // Its answer would come to a dialog that is gone, and it sends nothing more.
            Polls[drive].awaited = false;
            Polls[drive].cancelled = true;
            Drives[drive].OfflineTestRunning = 0;
            CloseAlertDialog(dialog, Drives[drive].OfflineTestDialog);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
