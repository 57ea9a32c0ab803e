#include "volumes/volumes_page.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "state/volume_table.h"
#include "state/volume_texts.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"
#include "volumes/free_space_check.h"

namespace {

void ShowPageMinimum(HWND page, int volume)
{
    char text[MinimumTextSize];
    FormatMinimumText(Volumes[volume].TotalBytes, Volumes[volume].FreeSpaceMin, text);
    SetDlgItemTextA(page, IDC_MINIMUM_TEXT, text);
}

void FillVolumeList(HWND page)
{
    HWND list = GetDlgItem(page, IDC_VOLUME_LIST);
    for (uint8_t i = 0; i < VolumeCount; i++) {
        char title[VolumeTitleSize];
        FormatVolumeTitle(Volumes[i], title);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title));
    }
    SendMessageA(list, CB_SETCURSEL, CurrentVolume, 0);
}

INT_PTR OnVolumesPageCommand(HWND page, WORD id, WORD code)
{
    if (id == IDC_VOLUME_LIST && code == CBN_SELCHANGE) {
        // Typed text selects nothing: only a choice from the list acts.
        LRESULT selected = SendDlgItemMessageA(page, IDC_VOLUME_LIST, CB_GETCURSEL, 0, 0);
        if (selected >= 0 && selected < VolumeCount) {
            CurrentVolume = static_cast<uint8_t>(selected);
            ShowVolumeSettings(page, CurrentVolume);
        }
        return TRUE;
    }
    if (id == IDC_ENABLE_SPACE_CHECK && code == BN_CLICKED && CurrentVolume < VolumeCount) {
        Volumes[CurrentVolume].SpaceCheckEnabled = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
        ShowVolumeSettings(page, CurrentVolume);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OnPageMinimumScroll(HWND page, WORD code)
{
    if (code > TB_BOTTOM || CurrentVolume >= VolumeCount)
        return FALSE;
    HWND slider = GetDlgItem(page, IDC_PAGE_MINIMUM);
    VolumeRecord &volume = Volumes[CurrentVolume];
    volume.FreeSpaceMin = PageMinimumOf(static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0)));
    SendMessageA(slider, TBM_SETPOS, TRUE, volume.FreeSpaceMin);
    ShowPageMinimum(page, CurrentVolume);
    return TRUE;
}

}  // namespace

void ShowVolumeInfo(HWND dialog, int volume)
{
    VolumeInfoTexts texts;
    FormatVolumeInfo(Volumes[volume], texts);
    SetDlgItemTextA(dialog, IDC_VOLUME_TITLE, texts.title);
    SetDlgItemTextA(dialog, IDC_VOLUME_SERIAL, texts.serial);
    SetDlgItemTextA(dialog, IDC_FILE_SYSTEM, texts.fileSystem);
    SetDlgItemTextA(dialog, IDC_TOTAL_SPACE, texts.total);
    SetDlgItemTextA(dialog, IDC_USED_SPACE, texts.used);
    SetDlgItemTextA(dialog, IDC_FREE_SPACE, texts.free);
}

void ShowVolumeSettings(HWND page, int volume)
{
    const VolumeRecord &record = Volumes[volume];
    ShowVolumeInfo(page, volume);
    HWND slider = GetDlgItem(page, IDC_PAGE_MINIMUM);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageA(slider, TBM_SETTICFREQ, 10, 0);
    SendMessageA(slider, TBM_SETPOS, TRUE, record.FreeSpaceMin);
    ShowPageMinimum(page, volume);
    CheckDlgButton(page, IDC_ENABLE_SPACE_CHECK, record.SpaceCheckEnabled ? BST_CHECKED : BST_UNCHECKED);
    BOOL monitored = record.SpaceCheckEnabled ? TRUE : FALSE;
    EnableWindow(slider, monitored);
    EnableWindow(GetDlgItem(page, IDC_MINIMUM_LABEL), monitored);
    EnableWindow(GetDlgItem(page, IDC_MINIMUM_TEXT), monitored);
    SetDlgItemTextA(page, IDC_VOLUME_STATUS, VolumeSummaryText());
}

INT_PTR CALLBACK VolumesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FillVolumeList(page);
        if (CurrentVolume < VolumeCount)
            ShowVolumeSettings(page, CurrentVolume);
        return TRUE;
    case WM_COMMAND:
        return OnVolumesPageCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL:
        return OnPageMinimumScroll(page, LOWORD(wParam));
    case WM_NOTIFY:
        return AnswerPageNotification(page, reinterpret_cast<const NMHDR *>(lParam), VolumesPageTopic,
                                      &VolumesPageWindow);
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}
