#include "ui/alert_placement.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "state/drive_table.h"
#include "state/volume_table.h"
#include "ui/alert_cascade.h"
#include "ui/window_dpi.h"

namespace {

constexpr int MostAlerts = MaxDrives * 5 + MaxVolumes;
// Every alert cascades from the one top-left that centres the largest (the
// free-space error dialog), so a later, larger alert never covers an earlier
// one's caption.
constexpr int LargestAlertWidth = FREE_SPACE_ERROR_WIDTH;
constexpr int LargestAlertHeight = FREE_SPACE_ERROR_HEIGHT;

void NoteOpenAlert(HWND open, HWND placed, ScreenPoint *points, int &count)
{
    RECT frame;
    if (open && open != placed && IsWindow(open) && GetWindowRect(open, &frame) && count < MostAlerts)
        points[count++] = {frame.left, frame.top};
}

bool UserWorksInThisProgram()
{
    DWORD process = 0;
    HWND foreground = GetForegroundWindow();
    return foreground && GetWindowThreadProcessId(foreground, &process) && process == GetCurrentProcessId();
}

// Windows gives a background process no foreground, but lets it lift a window
// above another program's maximised one: topmost and straight back, so the
// dialog stays in front of what the user has now and not of what comes later.
void LiftAboveOtherWindows(HWND dialog)
{
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// An alert has no taskbar button to flash (its owner is hidden): its caption does.
void FlashUntilSeen(HWND dialog)
{
    FLASHWINFO flash = {};
    flash.cbSize = sizeof flash;
    flash.hwnd = dialog;
    flash.dwFlags = FLASHW_CAPTION | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}

constexpr UINT_PTR DpiFollowerId = 1;

// A dialog moved to a monitor of another scale takes the place Windows
// suggests; the dialog manager then scales its controls and font.
LRESULT CALLBACK FollowDpiChanges(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_DPICHANGED)
        MoveToSuggestedRect(dialog, lParam);
    else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(dialog, FollowDpiChanges, DpiFollowerId);
    return DefSubclassProc(dialog, message, wParam, lParam);
}

}  // namespace

void PlaceAlertDialog(HWND dialog)
{
    SetWindowSubclass(dialog, FollowDpiChanges, DpiFollowerId, 0);
    ScreenPoint open[MostAlerts];
    int openCount = 0;
    for (uint8_t i = 0; i < DriveCount; i++) {
        NoteOpenAlert(Drives[i].ErrorDialog, dialog, open, openCount);
        NoteOpenAlert(Drives[i].SimulatedErrorDialog, dialog, open, openCount);
        NoteOpenAlert(Drives[i].CautionDialog, dialog, open, openCount);
        NoteOpenAlert(Drives[i].TemperatureDialog, dialog, open, openCount);
        NoteOpenAlert(Drives[i].OfflineTestDialog, dialog, open, openCount);
    }
    for (uint8_t i = 0; i < VolumeCount; i++)
        NoteOpenAlert(Volumes[i].ErrorDialog, dialog, open, openCount);

    // Dialog units follow the dialog's font, which follows its DPI; the frame
    // and the caption need that DPI said.
    int dpi = WindowDpi(dialog);
    RECT area;
    RECT frame;
    RECT largest = {0, 0, LargestAlertWidth, LargestAlertHeight};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || !GetWindowRect(dialog, &frame) ||
        !MapDialogRect(dialog, &largest) ||
        !AdjustWindowRectForDpi(&largest, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)),
                                static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)), dpi))
        return;
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int largestWidth = largest.right - largest.left;
    int largestHeight = largest.bottom - largest.top;
    int step = AlertCascadeStep(SystemMetricForDpi(SM_CYCAPTION, dpi), SystemMetricForDpi(SM_CYFIXEDFRAME, dpi), dpi);
    ScreenPoint first = {area.left + (area.right - area.left - largestWidth) / 2,
                         area.top + (area.bottom - area.top - largestHeight) / 2};
    // Only as many steps as stay inside the work area.
    int room = (area.bottom - first.y - height) / step;
    int across = (area.right - first.x - width) / step;
    if (across < room)
        room = across;
    int slots = room < 1 ? 1 : room + 1;
    if (slots > MostAlerts)
        slots = MostAlerts;
    if (first.x < area.left)
        first.x = area.left;
    if (first.y < area.top)
        first.y = area.top;
    ScreenPoint place = ChooseAlertPosition(open, openCount, first, step, slots);
    SetWindowPos(dialog, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowAlertDialog(HWND dialog)
{
    PlaceAlertDialog(dialog);
    if (UserWorksInThisProgram()) {
        ShowWindow(dialog, SW_SHOW);
        return;
    }
    ShowWindow(dialog, SW_SHOWNA);
    LiftAboveOtherWindows(dialog);
    FlashUntilSeen(dialog);
}

void BringAlertDialogForward(HWND dialog)
{
    if (SetForegroundWindow(dialog))
        return;
    LiftAboveOtherWindows(dialog);
    FlashUntilSeen(dialog);
}
