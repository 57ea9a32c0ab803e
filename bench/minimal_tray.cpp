// The reference for the idle cost: the least a tray program can be. A hidden
// window, one notification icon, the common controls and a message loop, with
// the same system DLLs loaded as the program imports.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const char *const dlls[] = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",
                                "shell32.dll",  "user32.dll",   "ws2_32.dll"};
    for (const char *dll : dlls)
        LoadLibraryA(dll);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "MinimalTray";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "MinimalTray", "Minimal tray", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;

    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    icon.uCallbackMessage = WM_APP;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(icon.szTip, "Minimal tray", sizeof icon.szTip);
    Shell_NotifyIconA(NIM_ADD, &icon);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
