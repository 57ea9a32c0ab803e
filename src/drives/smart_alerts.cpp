#include "drives/smart_alerts.h"

#include "alerts/alert_mail.h"
#include "alerts/error_log.h"
#include "app/alert_placement.h"
#include "app/app_state.h"
#include "app/context_help.h"
#include "app/help_ids.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "base/text_format.h"
#include "app/tray_icon.h"
#include "drives/drive_info_text.h"
#include "drives/drive_table.h"
#include "drives/drives_page.h"
#include "drives/smart_check.h"
#include "drives/smart_commands.h"
#include "drives/storage_commands.h"
#include "properties/page_protocol.h"
#include "properties/settings_snapshot.h"
#include "resources/resource_ids.h"

namespace {

HWND CheckOwner;

int AskReturnStatus(int drive)
{
    const DriveRecord &record = Drives[drive];
    switch (record.Access) {
    case DriveAccess::NvmeHealth:
        return ReturnNvmeStatus(record.Device);
    case DriveAccess::FailurePrediction:
        return ReturnPredictedStatus(record.Device);
    case DriveAccess::SmartIoctl:
        break;
    }
    return ReturnSMARTStatus(record.Device, record.DriveNumber);
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
    if (dialog && IsWindow(dialog))
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

void Beep()
{
    MessageBeep(MB_ICONEXCLAMATION);
}

// The drive whose dialog field holds the window; -1 while the dialog is still
// being created, because the field is set only when creation returns.
int FindDriveByDialog(HWND dialog, bool simulated)
{
    for (uint8_t i = 0; i < DriveCount; i++) {
        HWND open = simulated ? Drives[i].SimulatedErrorDialog : Drives[i].ErrorDialog;
        if (open == dialog)
            return i;
    }
    return -1;
}

void CloseAlertDialog(HWND dialog, HWND &field)
{
    DestroyWindow(dialog);
    field = nullptr;
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
    int drive = FindDriveByDialog(dialog, simulated);
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
                                   ShowSimulatedSMARTErrorDialog, Beep};
    RunSmartCheck(steps);
}

void ShowDriveInfo(HWND dialog, int drive)
{
    DriveInfoTexts texts;
    FormatDriveInfo(Drives[drive], texts);
    SetDlgItemTextA(dialog, IDC_MODEL, texts.model);
    SetDlgItemTextA(dialog, IDC_SERIAL, texts.serial);
    SetDlgItemTextA(dialog, IDC_FIRMWARE, texts.firmware);
    SetDlgItemTextA(dialog, IDC_GEOMETRY, texts.geometry);
    SetDlgItemTextA(dialog, IDC_LBA_SECTORS, texts.lbaSectors);
    SetDlgItemTextA(dialog, IDC_CAPACITY, texts.capacity);
}

INT_PTR CALLBACK SMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, false);
}

INT_PTR CALLBACK SimulatedSMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, true);
}
