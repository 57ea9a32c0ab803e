#include "drives/offline_test_dialog.h"

#include <commctrl.h>

#include <cstring>
#include <ctime>

#include "base/bounded_text.h"
#include "drives/drive_access.h"
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
bool ReadOfflineInfo(const DriveRecord &drive, OfflineCollectionInfo &info)
{
    bool read = ReadSMARTData(drive.Device, drive.DriveNumber) != FALSE;
    uint8_t sector[SmartSectorLength] = {};
    if (read)
        memcpy(sector, SmartDataSector(), sizeof sector);
    info = GetOfflineCollectionInfo(sector);
    return read;
}

// Sends EXECUTE OFF-LINE IMMEDIATE when the drive can run the routine; null
// when it runs, otherwise the status text that says why not.
const char *StartOfflineRoutine(const DriveRecord &record, const OfflineCollectionInfo &info)
{
    if (!(info.capability & 1) || record.OfflineTestSeconds == 0)
        return "Test not supported";
    if (!ExecuteOfflineImmediate(record.Device, record.DriveNumber))
        return "Error starting test";
    return nullptr;
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

// At the end of a countdown: read the outcome, or restart an interrupted routine.
void PollOfflineTest(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    record.OfflineTestAttempts++;
    OfflineCollectionInfo info;
    if (!ReadOfflineInfo(record, info)) {
        FinishTest(dialog, drive, "Error reading status", true);
        return;
    }
    record.OfflineTestSeconds = info.seconds;
    const char *outcome = ReadOfflineStatus(info.status, record.OfflineTestAttempts);
    if (outcome) {
        FinishTest(dialog, drive, outcome, true);
        return;
    }
    if (const char *refused = StartOfflineRoutine(record, info)) {
        FinishTest(dialog, drive, refused, true);
        return;
    }
    record.OfflineTestSeconds = RestartSeconds(record.OfflineTestSeconds, record.OfflineTestAttempts);
    record.OfflineTestStart = time(nullptr);
    char status[48];
    FormatInto(status, "Testing . . . (Attempt %d)", record.OfflineTestAttempts);
    SetDlgItemTextA(dialog, IDC_TEST_STATUS, status);
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
    ReadOfflineInfo(record, info);
    record.OfflineTestSeconds = info.seconds;
    if (const char *refused = StartOfflineRoutine(record, info)) {
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
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TEST_OK:
            CloseAlertDialog(dialog, Drives[drive].OfflineTestDialog);
            return TRUE;
        case IDC_TEST_CANCEL:
            KillTimer(dialog, TimerOf(drive));
            Drives[drive].OfflineTestRunning = 0;
            CloseAlertDialog(dialog, Drives[drive].OfflineTestDialog);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
