#include "volumes/free_space_alerts.h"

#include <commctrl.h>

#include <ctime>

#include "base/text_format.h"
#include "log/error_log.h"
#include "mail/alert_mail.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/metrics_text.h"
#include "state/settings.h"
#include "state/settings_snapshot.h"
#include "state/settings_store.h"
#include "state/volume_table.h"
#include "state/volume_texts.h"
#include "ui/alert_dialogs.h"
#include "ui/alert_placement.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"
#include "volumes/free_space_check.h"
#include "volumes/volume_space.h"
#include "volumes/volumes_page.h"

namespace {

HWND CheckOwner;

bool AskVolumeSpace(int volume, uint64_t &available, uint64_t &total, uint64_t &free)
{
    ULARGE_INTEGER availableBytes = {};
    ULARGE_INTEGER totalBytes = {};
    ULARGE_INTEGER freeBytes = {};
    if (!QueryVolumeSpace(Volumes[volume].RootPath, &availableBytes, &totalBytes, &freeBytes))
        return false;
    available = availableBytes.QuadPart;
    total = totalBytes.QuadPart;
    free = freeBytes.QuadPart;
    return true;
}

// An open Volumes page showing the volume follows an acknowledgement.
void RefreshOpenVolumesPage(int volume)
{
    if (PropertiesOpen && volume == CurrentVolume && VolumesPageWindow)
        ShowVolumeSettings(VolumesPageWindow, volume);
}

void RaiseFreeSpaceError(int volume)
{
    VolumeRecord &record = Volumes[volume];
    FormatTimeStamp(record.FreeSpaceErrorTime, sizeof record.FreeSpaceErrorTime);
    StoreVolumeFlagWithTime(record, "FreeSpaceError", 1, "FreeSpaceErrorTime", record.FreeSpaceErrorTime);
    NotifyAlertRaised(AlertNotice::FreeSpaceError, volume);
    if (GlobalSettings.EmailFreeSpaceErrors)
        MailFreeSpaceError(CheckOwner, volume);
    LogFreeSpaceError(CheckOwner, volume);
}

void ShowFreeSpaceErrorDialog(int volume)
{
    OpenFreeSpaceErrorDialog(CheckOwner, volume);
}

void ShowMinimumText(HWND dialog, int volume, int percent)
{
    char text[MinimumTextSize];
    FormatMinimumText(Volumes[volume].TotalBytes, static_cast<uint32_t>(percent), text);
    SetDlgItemTextA(dialog, IDC_MINIMUM_TEXT, text);
}

void AcknowledgeFreeSpaceError(HWND dialog, int volume)
{
    VolumeRecord &record = Volumes[volume];
    record.FreeSpaceError = 0;
    UpdateTrayStatus(CommandWindow);
    StoreVolumeFlag(record, "FreeSpaceError", 0);
    // The acknowledged setting is in place before the log record: a log that
    // cannot be written shows a modal box, and a check ticking inside it must
    // not raise again, against the old minimum, the error just acknowledged.
    // It goes into the property sheet's saved copy too, so the sheet's Cancel
    // keeps it and its OK finds nothing to write. Only that one: the other may
    // hold an edit of the open sheet still to be written or rolled back.
    HWND slider = GetDlgItem(dialog, IDC_NEW_MINIMUM);
    if (IsWindowEnabled(slider)) {
        record.FreeSpaceMin = static_cast<uint32_t>(SendMessageA(slider, TBM_GETPOS, 0, 0));
        SettingsSnapshot.FreeSpaceMin[volume] = record.FreeSpaceMin;
        RefreshOpenVolumesPage(volume);
        StoreVolumeNumber(record, "FreeSpaceMin", record.FreeSpaceMin);
    } else {
        record.SpaceCheckEnabled = 0;
        SettingsSnapshot.SpaceCheckEnabled[volume] = 0;
        RefreshOpenVolumesPage(volume);
        StoreVolumeFlag(record, "SpaceCheckEnabled", 0);
    }
    LogFreeSpaceErrorAcknowledged(dialog, volume);
    RequestMetricsFile();
}

INT_PTR OnFreeSpaceCommand(HWND dialog, int volume, WORD id)
{
    switch (id) {
    case IDC_FREE_SPACE_ACKNOWLEDGE:
        return TRUE;
    case IDC_FREE_SPACE_OK:
        if (IsDlgButtonChecked(dialog, IDC_FREE_SPACE_ACKNOWLEDGE) == BST_CHECKED)
            AcknowledgeFreeSpaceError(dialog, volume);
        CloseAlertDialog(dialog, Volumes[volume].ErrorDialog);
        return TRUE;
    case IDC_FREE_SPACE_CANCEL:
    case IDCANCEL:
        CloseAlertDialog(dialog, Volumes[volume].ErrorDialog);
        return TRUE;
    case IDC_FREE_SPACE_HELP:
        return ShowWindowTopic(dialog, FreeSpaceErrorTopic);
    }
    return FALSE;
}

INT_PTR OnNewMinimumScroll(HWND dialog, int volume, WORD code)
{
    if (code > TB_BOTTOM)
        return FALSE;
    HWND slider = GetDlgItem(dialog, IDC_NEW_MINIMUM);
    int position = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
    int clamped = ClampNewMinimum(Volumes[volume], position);
    if (clamped != position)
        SendMessageA(slider, TBM_SETPOS, TRUE, clamped);
    ShowMinimumText(dialog, volume, clamped);
    return TRUE;
}

}  // namespace

void CheckFreeSpace(HWND owner)
{
    CheckOwner = owner;
    const FreeSpaceCheckSteps steps = {AskVolumeSpace, RaiseFreeSpaceError, ShowFreeSpaceErrorDialog, MessageBeepExclamation};
    RunFreeSpaceCheck(steps);
    LastFreeSpaceCheckTime = time(nullptr);
    RequestMetricsFile();
}

void OpenFreeSpaceErrorDialog(HWND owner, int volume)
{
    VolumeRecord &record = Volumes[volume];
    if (AlertDialogOpen(record.ErrorDialog))
        return;
    HWND dialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_FREE_SPACE_ERROR), owner, FreeSpaceErrorDlgProc, 0);
    record.ErrorDialog = dialog;
    if (!dialog)
        return;
    SetDlgItemTextA(dialog, IDC_FREE_SPACE_TIME, record.FreeSpaceErrorTime);
    ShowVolumeInfo(dialog, volume);
    MinimumProposal proposal = ProposeMinimum(record);
    if (proposal.disableMonitoring) {
        SetDlgItemTextA(dialog, IDC_FREE_SPACE_ACKNOWLEDGE, "&Acknowledge error and disable Free Space Monitoring");
        EnableWindow(GetDlgItem(dialog, IDC_NEW_MINIMUM), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_MINIMUM_LABEL), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_MINIMUM_TEXT), FALSE);
    }
    HWND slider = GetDlgItem(dialog, IDC_NEW_MINIMUM);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageA(slider, TBM_SETTICFREQ, 10, 0);
    SendMessageA(slider, TBM_SETPOS, TRUE, proposal.percent);
    ShowMinimumText(dialog, volume, proposal.percent);
    ShowAlertDialog(dialog);
}

INT_PTR CALLBACK FreeSpaceErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    int volume = FindRecordByDialog(Volumes, VolumeCount, &VolumeRecord::ErrorDialog, dialog);
    if (volume < 0)
        return FALSE;
    switch (message) {
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        return OnFreeSpaceCommand(dialog, volume, LOWORD(wParam));
    case WM_HSCROLL:
        return OnNewMinimumScroll(dialog, volume, LOWORD(wParam));
    }
    return FALSE;
}
