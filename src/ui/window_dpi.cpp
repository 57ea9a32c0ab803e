#include "ui/window_dpi.h"

#include <commctrl.h>

#include "ui/dpi_scale.h"

namespace {

using DpiForWindowCall = UINT(WINAPI *)(HWND);
using MetricForDpiCall = int(WINAPI *)(int, UINT);
using AdjustForDpiCall = BOOL(WINAPI *)(RECT *, DWORD, BOOL, DWORD, UINT);
using IconMetricCall = HRESULT(WINAPI *)(HINSTANCE, PCWSTR, int, HICON *);

// A function of a loaded system DLL, or null where this Windows lacks it. The
// void cast tells the compiler the signature is known to the caller.
template <typename Call>
Call SystemCall(const char *module, const char *name)
{
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded)
        return nullptr;
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0;
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

int WindowDpi(HWND window)
{
    static const auto dpiForWindow = SystemCall<DpiForWindowCall>("user32.dll", "GetDpiForWindow");
    int dpi = dpiForWindow && window ? static_cast<int>(dpiForWindow(window)) : 0;
    return ChooseDpi(dpi, dpi > 0 ? 0 : SystemDpi());
}

int SystemMetricForDpi(int index, int dpi)
{
    static const auto metricForDpi = SystemCall<MetricForDpiCall>("user32.dll", "GetSystemMetricsForDpi");
    if (metricForDpi && dpi > 0)
        return metricForDpi(index, static_cast<UINT>(dpi));
    return GetSystemMetrics(index);
}

BOOL AdjustWindowRectForDpi(RECT *rect, DWORD style, DWORD exStyle, int dpi)
{
    static const auto adjustForDpi = SystemCall<AdjustForDpiCall>("user32.dll", "AdjustWindowRectExForDpi");
    if (adjustForDpi && dpi > 0)
        return adjustForDpi(rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    return AdjustWindowRectEx(rect, style, FALSE, exStyle);
}

HICON LoadNotificationIcon(HINSTANCE instance, int id)
{
    // comctl32 is loaded by the program's first common-control call; only
    // version 6 has LoadIconMetric, which picks the image drawn for that size.
    static const auto iconMetric = SystemCall<IconMetricCall>("comctl32.dll", "LoadIconMetric");
    HICON icon = nullptr;
    if (iconMetric && SUCCEEDED(iconMetric(instance, MAKEINTRESOURCEW(id), LIM_SMALL, &icon)) && icon)
        return icon;
    // The width metric serves for both dimensions.
    int size = SystemMetricForDpi(SM_CXSMICON, WindowDpi(nullptr));
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void MoveToSuggestedRect(HWND window, LPARAM suggested)
{
    const RECT *place = reinterpret_cast<const RECT *>(suggested);
    if (!place)
        return;
    SetWindowPos(window, nullptr, place->left, place->top, place->right - place->left, place->bottom - place->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
