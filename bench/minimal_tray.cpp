// The reference for the idle cost: the least a tray program can be. A hidden
// window, one notification icon, the common controls and a message loop, with
// the same system DLLs loaded as the program imports (those it loads at their
// first use are not among them). Given "picture", it first
// stretches an 8-bit picture of the splash's size onto a window, as the
// program's start-up does, to show what drawing that leaves in Wine's memory.
// Given "notices" too, its window also asks for disk arrival and removal
// notices, as the program's command window does: what Wine charges for them.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <cstring>

namespace {

constexpr int PictureWidth = 480;
constexpr int PictureHeight = 320;

LRESULT CALLBACK PictureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header = {sizeof info.header, PictureWidth, PictureHeight, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    for (int i = 0; i < 256; i++)
        info.colours[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
    void *bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits,
                                       nullptr, 0);
    if (picture)
        memset(bits, 0x5A, PictureWidth * PictureHeight);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture);
    RECT client;
    GetClientRect(window, &client);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, PictureWidth, PictureHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(picture);
    EndPaint(window, &paint);
    return 0;
}

DWORD WINAPI EndAtOnce(void *)
{
    return 0;
}

void AskForDiskNotices(HWND window)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    // GUID_DEVINTERFACE_DISK
    filter.dbcc_classguid = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
    RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void ShowPictureOnce(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PictureWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "MinimalPicture";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "MinimalPicture", "", WS_POPUP | WS_BORDER, 100, 100, PictureWidth,
                                  PictureHeight, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    DestroyWindow(window);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const char *const dlls[] = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "shell32.dll", "user32.dll"};
    for (const char *dll : dlls)
        LoadLibraryA(dll);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    if (strstr(commandLine, "picture"))
        ShowPictureOnce(instance);

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
    if (strstr(commandLine, "notices"))
        AskForDiskNotices(window);
    if (strstr(commandLine, "thread")) {
        HANDLE thread = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, nullptr);
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    }
    if (strstr(commandLine, "notices")) {
        DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        // GUID_DEVINTERFACE_DISK
        filter.dbcc_classguid = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
        RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
