#include "drives/smart_alerts.h"

#include <ctime>

#include "base/text_format.h"
#include "drives/drive_access.h"
#include "drives/drive_worker.h"
#include "drives/drives_page.h"
#include "drives/smart_check.h"
#include "drives/status_round.h"
#include "log/error_log.h"
#include "mail/alert_mail.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/metrics_text.h"
#include "state/settings.h"
#include "state/settings_snapshot.h"
#include "state/settings_store.h"
#include "ui/alert_dialogs.h"
#include "ui/alert_placement.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"

namespace {

HWND CheckOwner;
// Written by the worker only while it holds the round.
StatusRound Round;
// The window thread is taking the round's answers (a box of the e-mail or log may hold it there).
bool Applying;
// A check was asked for while a rescan was out.
bool HeldForRescan;

void AskRound(void *)
{
    AskStatusRound(Round, AskRoundDrive);
}

bool AskHealth(int drive, DriveHealth &health)
{
    return RoundHealth(Round, drive, health);
}

void RaiseSMARTError(int drive)
{
    DriveRecord &record = Drives[drive];
    FormatTimeStamp(record.SMARTErrorTime, sizeof record.SMARTErrorTime);
    StoreDriveFlagWithTime(record, "SMARTError", 1, "SMARTErrorTime", record.SMARTErrorTime);
    NotifyAlertRaised(AlertNotice::SMARTError, drive);
    if (GlobalSettings.EmailSMARTErrors)
        MailSMARTError(CheckOwner, drive);
    LogSMARTError(CheckOwner, drive);
}

void RaiseSMARTCaution(int drive)
{
    DriveRecord &record = Drives[drive];
    FormatTimeStamp(record.SMARTCautionTime, sizeof record.SMARTCautionTime);
    StoreDriveFlagWithTime(record, "SMARTCaution", 1, "SMARTCautionTime", record.SMARTCautionTime);
    NotifyAlertRaised(AlertNotice::SMARTCaution, drive);
    if (GlobalSettings.EmailSMARTErrors)
        MailSMARTCaution(CheckOwner, drive);
    LogSMARTCaution(CheckOwner, drive);
}

void StoreSMARTCautionState(int drive)
{
    StoreDriveCautionState(Drives[drive]);
}

// Creates the alert dialog unless the drive still has one open: the drive's
// fields, and field set to text.
void OpenAlertDialog(HWND &dialog, int templateId, DLGPROC procedure, int drive, int field, const char *text)
{
    if (AlertDialogOpen(dialog))
        return;
    dialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(templateId), CheckOwner, procedure, 0);
    if (!dialog)
        return;
    ShowDriveInfo(dialog, drive);
    SetDlgItemTextA(dialog, field, text);
    ShowAlertDialog(dialog);
}

void ShowSMARTErrorDialog(int drive)
{
    DriveRecord &record = Drives[drive];
    OpenAlertDialog(record.ErrorDialog, IDD_SMART_ERROR, SMARTErrorDlgProc, drive, IDC_ERROR_TIME,
                    record.SMARTErrorTime);
}

void ShowSimulatedSMARTErrorDialog(int drive)
{
    DriveRecord &record = Drives[drive];
    OpenAlertDialog(record.SimulatedErrorDialog, IDD_SIMULATED_SMART_ERROR, SimulatedSMARTErrorDlgProc, drive,
                    IDC_SIMULATED_ERROR_TIME, record.SimulateErrorTime);
}

void ShowSMARTCautionDialog(int drive)
{
    DriveRecord &record = Drives[drive];
    char rises[CautionTextSize];
    FormatDriveCautionRises(record, rises);
    OpenAlertDialog(record.CautionDialog, IDD_SMART_CAUTION, SMARTCautionDlgProc, drive, IDC_CAUTION_RISES, rises);
}

void AcknowledgeSMARTError(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    record.SMARTError = 0;
    UpdateTrayStatus(CommandWindow);
    StoreDriveFlag(record, "SMARTError", 0);
    LogSMARTErrorAcknowledged(dialog, drive);
    RequestMetricsFile();
}

void AcknowledgeSimulatedSMARTError(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    // An open sheet's Cancel must not bring the error back, nor its OK count it as a change.
    SettingsSnapshot.SimulateError[drive] = 0;
    record.SimulateError = 0;
    UpdateTrayStatus(CommandWindow);
    if (PropertiesOpen && drive == CurrentDrive && DrivesPageWindow)
        ShowDriveSettings(DrivesPageWindow, drive);
    StoreDriveFlag(record, "SimulateError", 0);
    LogSimulatedSMARTErrorAcknowledged(dialog, drive);
    RequestMetricsFile();
}

// The counts the dialog showed become the acknowledged ones; without a reading
// in this run (a caution loaded at start-up on an unmonitored drive) the stored
// ones stay.
void AcknowledgeSMARTCaution(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    if (record.CautionSeenRead) {
        record.CautionAcknowledged = record.CautionSeen;
        StoreDriveCautionCounts(record);
    }
    record.SMARTCaution = 0;
    StoreDriveFlag(record, "SMARTCaution", 0);
    LogSMARTCautionAcknowledged(dialog, drive);
    UpdateTrayStatus(CommandWindow);
    RequestMetricsFile();
}

enum class AlertKind { Error, Simulated, Caution };

struct AlertControls {
    int acknowledge;
    int ok;
    int cancel;
    int help;
    uint32_t topic;
};

const AlertControls SMARTErrorControls = {IDC_ACKNOWLEDGE, IDC_ERROR_OK, IDC_ERROR_CANCEL, IDC_ERROR_HELP,
                                          SMARTErrorTopic};
const AlertControls SimulatedErrorControls = {IDC_SIMULATED_ACKNOWLEDGE, IDC_SIMULATED_OK, IDC_SIMULATED_CANCEL,
                                              IDC_SIMULATED_HELP, SimulatedSMARTErrorTopic};
const AlertControls CautionControls = {IDC_ACKNOWLEDGE, IDC_ERROR_OK, IDC_ERROR_CANCEL, IDC_ERROR_HELP,
                                       SMARTCautionTopic};

// Indexed by AlertKind.
struct AlertRow {
    const AlertControls &controls;
    HWND DriveRecord::*field;
    void (*acknowledge)(HWND dialog, int drive);
};

const AlertRow AlertRows[] = {
    {SMARTErrorControls, &DriveRecord::ErrorDialog, AcknowledgeSMARTError},
    {SimulatedErrorControls, &DriveRecord::SimulatedErrorDialog, AcknowledgeSimulatedSMARTError},
    {CautionControls, &DriveRecord::CautionDialog, AcknowledgeSMARTCaution},
};

INT_PTR OnAlertCommand(HWND dialog, int drive, const AlertRow &row, WORD id)
{
    const AlertControls &controls = row.controls;
    HWND &field = Drives[drive].*row.field;
    if (id == controls.acknowledge)
        return TRUE;
    if (id == controls.ok) {
        if (IsDlgButtonChecked(dialog, controls.acknowledge) == BST_CHECKED)
            row.acknowledge(dialog, drive);
        CloseAlertDialog(dialog, field);
        return TRUE;
    }
    if (id == controls.cancel || id == IDCANCEL) {
        CloseAlertDialog(dialog, field);
        return TRUE;
    }
    if (id == controls.help)
        return ShowWindowTopic(dialog, controls.topic);
    return FALSE;
}

INT_PTR AlertDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, AlertKind kind)
{
    const AlertRow &row = AlertRows[static_cast<int>(kind)];
    int drive = FindRecordByDialog(Drives, DriveCount, row.field, dialog);
    if (drive < 0)
        return FALSE;
    switch (message) {
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        return OnAlertCommand(dialog, drive, row, LOWORD(wParam));
    }
    return FALSE;
}

// The check on the round's answers. The round stays out until the end, so a
// tick inside a message box of the e-mail or log is dropped.
void RunCheckOnRound(HWND owner)
{
    CheckOwner = owner;
    Applying = true;
    const SmartCheckSteps steps = {AskHealth,           RaiseSMARTError,        RaiseSMARTCaution,
                                   ShowSMARTErrorDialog, ShowSimulatedSMARTErrorDialog, ShowSMARTCautionDialog,
                                   MessageBeepExclamation, StoreSMARTCautionState};
    RunSmartCheck(steps);
    Applying = false;
    LastSMARTCheckTime = time(nullptr);
    RequestMetricsFile();
    CloseStatusRound(Round);
}

}  // namespace

void CheckSMARTStatus(HWND owner)
{
    if (!OpenStatusRound(Round))
        return;
    AskRound(nullptr);
    RunCheckOnRound(owner);
}

void RequestSMARTCheck(HWND owner)
{
    // A round whose message never came, or that finished while the sheet was
    // open, is taken now rather than holding every later tick off.
    FinishSMARTCheck(owner);
    // A rescan will change the table under the round: its end asks again.
    if (DriveRescanOut) {
        HeldForRescan = true;
        return;
    }
    if (!OpenStatusRound(Round))
        return;
    // Without a worker the drives are asked here, as before there was one.
    if (!QueueDriveWork(StatusRoundJob, AskRound, nullptr, owner)) {
        AskRound(nullptr);
        RunCheckOnRound(owner);
    }
}

bool FinishSMARTCheck(HWND owner)
{
    // Taken once: the worker's message may come while a box of the e-mail or
    // log holds the window thread inside the taking. Kept while the sheet is
    // open: its pages hold CurrentDrive and settings not yet committed; the
    // sheet's closing takes it.
    if (!Round.out || Applying || PropertiesOpen || DriveWorkOut(StatusRoundJob))
        return false;
    RunCheckOnRound(owner);
    return true;
}

bool SMARTCheckOut()
{
    return Round.out && !Applying;
}

bool SMARTRoundOut()
{
    return Round.out;
}

void RequestSMARTCheckAfterRescan(HWND owner, bool tableChanged)
{
    if (!tableChanged && !HeldForRescan)
        return;
    HeldForRescan = false;
    RequestSMARTCheck(owner);
}

void RaiseVanishedDriveError(int drive, HWND owner)
{
    CheckOwner = owner;
    RaiseSMARTError(drive);
}

INT_PTR CALLBACK SMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, AlertKind::Error);
}

INT_PTR CALLBACK SimulatedSMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, AlertKind::Simulated);
}

INT_PTR CALLBACK SMARTCautionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, AlertKind::Caution);
}
