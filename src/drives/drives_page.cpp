#include "drives/drives_page.h"

#include <commctrl.h>

#include "drives/drive_page_texts.h"
#include "drives/offline_test_dialog.h"
#include "resources/resource_ids.h"
#include "state/drive_info_text.h"
#include "state/drive_table.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"

namespace {

INT_PTR OnDrivesPageCommand(HWND page, WORD id, WORD code)
{
    switch (id) {
    case IDC_DRIVE_LIST: {
        if (code != CBN_SELCHANGE)
            return FALSE;
        LRESULT selected = SendDlgItemMessageA(page, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0);
        if (selected < 0 || selected >= DriveCount)
            return TRUE;
        CurrentDrive = static_cast<uint8_t>(selected);
        ShowDriveSettings(page, CurrentDrive);
        return TRUE;
    }
    case IDC_ENABLE_MONITORING:
    case IDC_SIMULATE_ERROR: {
        if (code != BN_CLICKED || CurrentDrive >= DriveCount)
            return FALSE;
        int32_t checked = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
        if (id == IDC_ENABLE_MONITORING)
            Drives[CurrentDrive].SMARTEnabled = checked;
        else
            Drives[CurrentDrive].SimulateError = checked;
        ShowDriveSettings(page, CurrentDrive);
        return TRUE;
    }
    case IDC_RUN_OFFLINE_TEST:
        if (CurrentDrive < DriveCount)
            StartOfflineTest(CurrentDrive);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void FillDriveChoice(HWND list)
{
    for (uint8_t i = 0; i < DriveCount; i++)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Drives[i].Model));
    SendMessageA(list, CB_SETCURSEL, CurrentDrive, 0);
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

void ShowDriveSettings(HWND page, int drive)
{
    ShowDriveInfo(page, drive);
    DrivePageState state = DrivePageStateOf(Drives[drive]);
    SetDlgItemTextA(page, IDC_SMART_STATUS, state.status);
    CheckDlgButton(page, IDC_ENABLE_MONITORING, state.monitoringChecked ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, IDC_ENABLE_MONITORING), state.monitoringEnabled);
    CheckDlgButton(page, IDC_SIMULATE_ERROR, Drives[drive].SimulateError ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(page, IDC_DRIVE_SUMMARY, DriveSummaryText());
}

INT_PTR CALLBACK DrivesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FillDriveChoice(GetDlgItem(page, IDC_DRIVE_LIST));
        if (CurrentDrive < DriveCount)
            ShowDriveSettings(page, CurrentDrive);
        return TRUE;
    case WM_COMMAND:
        return OnDrivesPageCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return AnswerPageNotification(page, reinterpret_cast<const NMHDR *>(lParam), DrivesPageTopic,
                                      &DrivesPageWindow);
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}
