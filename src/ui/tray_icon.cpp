#include "ui/tray_icon.h"

#include <cstddef>
#include <cstring>

#include "base/bounded_text.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_alerts.h"
#include "state/drive_table.h"
#include "state/volume_table.h"
#include "ui/alert_dialogs.h"
#include "ui/alert_placement.h"
#include "ui/tray_shell.h"

static_assert(TrayCallbackMessage == 0x8064);
static_assert(TrayNoticeClicked == NIN_BALLOONUSERCLICK);
// The version-2 layout: the first with a notification's title, text and flags.
#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V2_SIZE == 504);
static_assert(offsetof(NOTIFYICONDATAA, szInfo) == 176);
static_assert(offsetof(NOTIFYICONDATAA, szInfoTitle) == 436);
#else
static_assert(NOTIFYICONDATAA_V2_SIZE == 488);
static_assert(offsetof(NOTIFYICONDATAA, szInfo) == 160);
static_assert(offsetof(NOTIFYICONDATAA, szInfoTitle) == 420);
#endif
static_assert(offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD) == NOTIFYICONDATAA_V2_SIZE);
static_assert(sizeof NOTIFYICONDATAA{}.szInfoTitle == NoticeTitleSize);
static_assert(sizeof NOTIFYICONDATAA{}.szInfo == NoticeTextSize);

char TrayTip[TrayTipSize];

namespace {

// Long enough for a shell that is starting to settle, short enough that the
// icon is there soon after it.
constexpr UINT TrayAddRetryMilliseconds = 5000;

// What the shell shows now. A status update that would change nothing skips the
// round trip to the taskbar, which costs milliseconds at every check.
bool IconShown;
HICON ShownIcon;
char ShownTip[TrayTipSize];
// The picture that goes with TrayTip: the one the last add or change asked for.
HICON WantedIcon;
bool AddRetrying;

// The alert the latest notification told of.
bool NoticeGiven;
AlertNotice NoticedAlert;
int NoticedIndex;

void FillRecord(NOTIFYICONDATAA &data, HWND window, HICON icon)
{
    data = {};
    // A layout the shell knows, at this target's own size: it refuses any other.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = TrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon;
    CopyTextSized(data.szTip, 64, TrayTip);
}

// Sends an add or a change. A change the shell refuses means it has lost the
// icon: it is added instead. An add that timed out at logon may have reached
// the shell all the same, so a refused retry asks whether the icon is there.
BOOL SendToShell(HWND window, DWORD action, NOTIFYICONDATAA &data, bool retry)
{
    BOOL done = ShellNotifyIcon(action, &data);
    if (!done && (action == NIM_MODIFY || retry))
        done = ShellNotifyIcon(action == NIM_MODIFY ? NIM_ADD : NIM_MODIFY, &data);
    IconShown = done;
    if (done) {
        ShownIcon = data.hIcon;
        CopyText(ShownTip, TrayTip);
        if (AddRetrying)
            KillTimer(window, TrayAddTimer);
        AddRetrying = false;
    } else {
        AddRetrying = SetTimer(window, TrayAddTimer, TrayAddRetryMilliseconds, nullptr) != 0;
    }
    return done;
}

HWND NoticedDialog()
{
    if (NoticedAlert == AlertNotice::FreeSpaceError)
        return NoticedIndex < VolumeCount ? Volumes[NoticedIndex].ErrorDialog : nullptr;
    if (NoticedIndex >= DriveCount)
        return nullptr;
    return Drives[NoticedIndex].*DriveAlertKindOf(DriveAlertOf(NoticedAlert)).dialog;
}

}  // namespace

void AllowTaskbarCreated(HWND window)
{
    if (TaskbarCreatedMessage != 0)
        AllowMessageFromShell(window, TaskbarCreatedMessage);
}

BOOL NotifyTrayIcon(HWND window, HICON icon, DWORD action)
{
    if (action == NIM_MODIFY && IconShown && icon == ShownIcon && strcmp(TrayTip, ShownTip) == 0)
        return TRUE;
    NOTIFYICONDATAA data;
    FillRecord(data, window, icon);
    if (action != NIM_DELETE) {
        WantedIcon = icon;
        return SendToShell(window, action, data, false);
    }
    if (AddRetrying)
        KillTimer(window, TrayAddTimer);
    AddRetrying = false;
    IconShown = false;
    return ShellNotifyIcon(NIM_DELETE, &data);
}

void AddTrayIconAgain(HWND window)
{
    // Before start-up first adds it there is nothing to bring back: the window
    // answers while start-up waits for the drives, the icon comes later.
    if (!WantedIcon)
        return;
    NOTIFYICONDATAA data;
    FillRecord(data, window, WantedIcon);
    SendToShell(window, NIM_ADD, data, true);
}

void NotifyAlertRaised(AlertNotice alert, int index)
{
    if (!CommandWindow)
        return;
    NoticeGiven = true;
    NoticedAlert = alert;
    NoticedIndex = index;
    NOTIFYICONDATAA data;
    FillRecord(data, CommandWindow, WantedIcon ? WantedIcon : NormalIcon);
    data.uFlags |= NIF_INFO;
    ComposeAlertNotice(alert, index, data.szInfoTitle, data.szInfo);
    // The check beeps once for all its alerts; the notification adds no sound of its own.
    data.dwInfoFlags = (AlertNoticeWarns(alert) ? NIIF_WARNING : NIIF_ERROR) | NIIF_NOSOUND;
    SendToShell(CommandWindow, NIM_MODIFY, data, false);
}

void ShowNoticedAlert()
{
    if (!NoticeGiven)
        return;
    HWND dialog = NoticedDialog();
    if (AlertDialogOpen(dialog))
        BringAlertDialogForward(dialog);
}

void UpdateTrayStatus(HWND window)
{
    bool alertStands = ComposeTrayTip(TrayTip);
    NotifyTrayIcon(window, alertStands ? ErrorIcon : NormalIcon, NIM_MODIFY);
}

void RequestMetricsFile()
{
    if (CommandWindow)
        PostMessageA(CommandWindow, MetricsMessage, 0, 0);
}

HMENU LoadTrayMenu(HMENU &popup)
{
    HMENU menu = LoadMenuA(Instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (popup)
        SetMenuDefaultItem(popup, IDM_PROPERTIES, FALSE);
    return menu;
}

void ShowTrayMenu(HWND window)
{
    HMENU popup = nullptr;
    HMENU menu = LoadTrayMenu(popup);
    POINT cursor = {};
    GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, window, nullptr);
    SetForegroundWindow(window);
    if (menu)
        DestroyMenu(menu);
}

void DiscardPendingMessages(HWND window)
{
    MSG message;
    for (int removed = 0; removed < 1000; removed++) {
        if (!PeekMessageA(&message, window, 0, 0, PM_REMOVE))
            break;
    }
}

void ShutdownTray(HWND window)
{
    NotifyTrayIcon(window, NormalIcon, NIM_DELETE);
    DestroyWindow(window);
    if (NormalIcon)
        DestroyIcon(NormalIcon);
    if (ErrorIcon)
        DestroyIcon(ErrorIcon);
    NormalIcon = nullptr;
    ErrorIcon = nullptr;
}
