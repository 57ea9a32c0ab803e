#include "drives/offline_test_dialog.h"

#include <commctrl.h>

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
bool ReadOfflineInfo(HANDLE device, uint8_t driveNumber, OfflineCollectionInfo &info)
{
    bool read = ReadSMARTData(device, driveNumber) != FALSE;
    uint8_t sector[SmartSectorLength] = {};
    if (read)
        memcpy(sector, SmartDataSector(), sizeof sector);
    info = GetOfflineCollectionInfo(sector);
    return read;
}

// Sends EXECUTE OFF-LINE IMMEDIATE when the drive can run the routine; null
// when it runs, otherwise the status text that says why not.
const char *StartOfflineRoutine(HANDLE device, uint8_t driveNumber, const OfflineCollectionInfo &info)
{
    if (!(info.capability & 1) || info.seconds == 0)
        return "Test not supported";
    if (!ExecuteOfflineImmediate(device, driveNumber))
        return "Error starting test";
    return nullptr;
}

// One poll at the end of a countdown, handed to the drive worker: what it asks
// and, when it is done, what the drive said.
struct OfflinePoll {
    HANDLE device;
    uint8_t driveNumber;
    uint8_t attempts;
    bool read;              // the status could be read: seconds holds the drive's time
    uint16_t seconds;
    const char *finished;   // the outcome text, or null when the routine was restarted
    bool awaited;           // handed to the worker, its answer not yet taken
};

OfflinePoll Polls[MaxDrives];

// On the worker: reads the outcome, and restarts an interrupted routine.
void PollDrive(void *context)
{
    OfflinePoll &poll = *static_cast<OfflinePoll *>(context);
    OfflineCollectionInfo info;
    poll.read = ReadOfflineInfo(poll.device, poll.driveNumber, info);
    if (!poll.read) {
        poll.finished = "Error reading status";
        return;
    }
    poll.seconds = info.seconds;
    poll.finished = ReadOfflineStatus(info.status, poll.attempts);
    if (!poll.finished)
        poll.finished = StartOfflineRoutine(poll.device, poll.driveNumber, info);
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
    if (poll.awaited || DriveWorkOut(OfflinePollJob + drive))
        return;
    DriveRecord &record = Drives[drive];
    record.OfflineTestAttempts++;
    poll = {record.Device, record.DriveNumber, record.OfflineTestAttempts, false, 0, nullptr, true};
    if (QueueDriveWork(OfflinePollJob + drive, PollDrive, &poll, dialog))
        return;
    poll.awaited = false;
    // Without a worker the drive is polled here, as before there was one.
    PollDrive(&poll);
    FinishOfflinePoll(dialog, drive);
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
    OfflineCollectionInfo info;
    ReadOfflineInfo(record.Device, record.DriveNumber, info);
    record.OfflineTestSeconds = info.seconds;
    if (const char *refused = StartOfflineRoutine(record.Device, record.DriveNumber, info)) {
        FinishTest(dialog, drive, refused, false);
        return;
    }
    record.OfflineTestRunning = 1;
    record.OfflineTestAttempts = 1;
    record.OfflineTestStart = time(nullptr);
    if (record.OfflineTestSeconds < LeastOfflineTestSeconds)
        record.OfflineTestSeconds = LeastOfflineTestSeconds;
    HWND progress = GetDlgItem(dialog, IDC_TEST_PROGRESS);
    SendMessageA(progress, PBM_SETRANGE32, 0, record.OfflineTestSeconds);
    SendMessageA(progress, PBM_SETSTEP, 1, 0);
    SetTimer(dialog, TimerOf(drive), 1000, nullptr);
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
            // Its answer would come to a dialog that is gone.
            Polls[drive].awaited = false;
            Drives[drive].OfflineTestRunning = 0;
            CloseAlertDialog(dialog, Drives[drive].OfflineTestDialog);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
