#include "ui/tray_icon.h"

#include <shellapi.h>

#include <cstring>

#include "base/bounded_text.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"

static_assert(TrayCallbackMessage == 0x8064);
#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 104);
#else
static_assert(NOTIFYICONDATAA_V1_SIZE == 88);
#endif

char TrayTip[TrayTipSize];

namespace {

// What the shell shows now. A status update that would change nothing skips the
// round trip to the taskbar, which costs milliseconds at every check.
bool IconShown;
HICON ShownIcon;
char ShownTip[TrayTipSize];

}  // namespace

BOOL NotifyTrayIcon(HWND window, HICON icon, DWORD action)
{
    if (action == NIM_MODIFY && IconShown && icon == ShownIcon && strcmp(TrayTip, ShownTip) == 0)
        return TRUE;
    NOTIFYICONDATAA data = {};
    // The version-1 layout, at this target's own size: the shell refuses any other.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = TrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon;
    CopyTextSized(data.szTip, 64, TrayTip);
    BOOL done = Shell_NotifyIconA(action, &data);
    // A failed add or change is tried again by the next update.
    IconShown = done && action != NIM_DELETE;
    if (IconShown) {
        ShownIcon = icon;
        CopyText(ShownTip, TrayTip);
    }
    return done;
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
