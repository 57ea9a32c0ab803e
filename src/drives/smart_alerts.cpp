#include "drives/smart_alerts.h"

#include "base/text_format.h"
#include "drives/drive_access.h"
#include "drives/drives_page.h"
#include "drives/smart_check.h"
#include "log/error_log.h"
#include "mail/alert_mail.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_table.h"
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

int AskReturnStatus(int drive)
{
    return AskDriveStatus(Drives[drive]);
}

void RaiseSMARTError(int drive)
{
    DriveRecord &record = Drives[drive];
    FormatTimeStamp(record.SMARTErrorTime, sizeof record.SMARTErrorTime);
    StoreDriveFlagWithTime(record, "SMARTError", 1, "SMARTErrorTime", record.SMARTErrorTime);
    if (GlobalSettings.EmailSMARTErrors)
        MailSMARTError(CheckOwner, drive);
    LogSMARTError(CheckOwner, drive);
}

// Creates the alert dialog unless the drive still has one open.
void OpenAlertDialog(HWND &dialog, int templateId, DLGPROC procedure, int drive, int timeField, const char *time)
{
    if (AlertDialogOpen(dialog))
        return;
    dialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(templateId), CheckOwner, procedure, 0);
    if (!dialog)
        return;
    ShowDriveInfo(dialog, drive);
    SetDlgItemTextA(dialog, timeField, time);
    PlaceAlertDialog(dialog);
    ShowWindow(dialog, SW_SHOW);
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

void AcknowledgeSMARTError(HWND dialog, int drive)
{
    DriveRecord &record = Drives[drive];
    record.SMARTError = 0;
    UpdateTrayStatus(CommandWindow);
    StoreDriveFlag(record, "SMARTError", 0);
    LogSMARTErrorAcknowledged(dialog, drive);
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
}

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

INT_PTR OnAlertCommand(HWND dialog, int drive, bool simulated, WORD id)
{
    const AlertControls &controls = simulated ? SimulatedErrorControls : SMARTErrorControls;
    HWND &field = simulated ? Drives[drive].SimulatedErrorDialog : Drives[drive].ErrorDialog;
    if (id == controls.acknowledge)
        return TRUE;
    if (id == controls.ok) {
        if (IsDlgButtonChecked(dialog, controls.acknowledge) == BST_CHECKED) {
            if (simulated)
                AcknowledgeSimulatedSMARTError(dialog, drive);
            else
                AcknowledgeSMARTError(dialog, drive);
        }
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

INT_PTR AlertDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, bool simulated)
{
    int drive = FindRecordByDialog(Drives, DriveCount,
                                   simulated ? &DriveRecord::SimulatedErrorDialog : &DriveRecord::ErrorDialog, dialog);
    if (drive < 0)
        return FALSE;
    switch (message) {
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        return OnAlertCommand(dialog, drive, simulated, LOWORD(wParam));
    }
    return FALSE;
}

}  // namespace

void CheckSMARTStatus(HWND owner)
{
    CheckOwner = owner;
    const SmartCheckSteps steps = {AskReturnStatus, RaiseSMARTError, ShowSMARTErrorDialog,
                                   ShowSimulatedSMARTErrorDialog, MessageBeepExclamation};
    RunSmartCheck(steps);
}

INT_PTR CALLBACK SMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, false);
}

INT_PTR CALLBACK SimulatedSMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, true);
}
