#include "app/tray_icon.h"

#include <shellapi.h>

#include "app/app_state.h"
#include "app/bounded_text.h"

static_assert(TrayCallbackMessage == 0x8064);
#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 104);
#else
static_assert(NOTIFYICONDATAA_V1_SIZE == 88);
#endif

char TrayTip[TrayTipSize];

BOOL NotifyTrayIcon(HWND window, HICON icon, DWORD action)
{
    NOTIFYICONDATAA data = {};
    // The version-1 layout, at this target's own size: the shell refuses any other.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = TrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon;
    CopyTextSized(data.szTip, 64, TrayTip);
    return Shell_NotifyIconA(action, &data);
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
