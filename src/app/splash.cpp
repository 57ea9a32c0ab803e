#include "app/splash.h"

#include "app/splash_palette.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "ui/dpi_scale.h"
#include "ui/window_dpi.h"

namespace {

constexpr char SplashClassName[] = "Splash";
constexpr UINT_PTR SplashTimer = 3;
constexpr UINT SplashMilliseconds = 5000;
constexpr int PaletteSize = 256;

// A zero-filled LOGPALETTE with room for count entries, from global memory.
LOGPALETTE *AllocatePalette(int count)
{
    auto *palette = static_cast<LOGPALETTE *>(
        GlobalAlloc(GPTR, sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(count)));
    if (!palette)
        return nullptr;
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    return palette;
}

HPALETTE CreateFromRecord(LOGPALETTE *record)
{
    HPALETTE palette = CreatePalette(record);
    GlobalFree(record);
    return palette;
}

void RepaintWithOwnPalette(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

}  // namespace

HPALETTE CreatePaletteFromColorTable(const RGBQUAD *table, int count)
{
    LOGPALETTE *record = AllocatePalette(count);
    if (!record)
        return nullptr;
    for (int i = 0; i < count; i++) {
        PaletteColour colour = PaletteColourOfTableEntry(reinterpret_cast<const uint8_t *>(&table[i]));
        record->palPalEntry[i] = {colour.red, colour.green, colour.blue, 0};
    }
    return CreateFromRecord(record);
}

HPALETTE CreateDefaultPalette()
{
    LOGPALETTE *record = AllocatePalette(PaletteSize);
    if (!record)
        return nullptr;
    for (int k = 0; k < PaletteSize; k++) {
        PaletteColour colour = DefaultPaletteColour(k);
        record->palPalEntry[k] = {colour.red, colour.green, colour.blue, 0};
    }
    return CreateFromRecord(record);
}

void PaintSplashBitmap(HWND window, int bitmapId)
{
    RECT client;
    GetClientRect(window, &client);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(Instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return;
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    RGBQUAD table[PaletteSize];
    UINT entries = GetDIBColorTable(memory, 0, PaletteSize, table);
    // The whole table is taken, as the bitmap declares 256 entries.
    HPALETTE palette = entries ? CreatePaletteFromColorTable(table, PaletteSize) : CreateDefaultPalette();
    HPALETTE oldPalette = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
    RealizePalette(dc);
    // Enlarged for a display above 100 % scale, the picture is averaged rather
    // than given doubled pixels; at its own size plain copying is exact.
    bool enlarged = client.right > size.bmWidth || client.bottom > size.bmHeight;
    SetStretchBltMode(dc, enlarged ? HALFTONE : COLORONCOLOR);
    if (enlarged)
        SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    DeleteObject(bitmap);
    if (oldPalette)
        SelectPalette(dc, oldPalette, FALSE);
    ReleaseDC(window, dc);
    if (palette)
        DeleteObject(palette);
}

void ShowSplash()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SplashWndProc;
    windowClass.hInstance = Instance;
    windowClass.hIcon = LoadIconA(Instance, SplashClassName);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = SplashClassName;
    if (!RegisterClassA(&windowClass))
        return;
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(Instance, MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0));
    BITMAP size = {};
    if (bitmap) {
        GetObjectA(bitmap, sizeof size, &size);
        DeleteObject(bitmap);
    }
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    PixelRect area = {desktop.left, desktop.top, desktop.right, desktop.bottom};
    PixelRect place = CentreAtDpi(size.bmWidth, size.bmHeight, DefaultDpi, area);
    HWND window = CreateWindowExA(0, SplashClassName, "", WS_POPUP | WS_BORDER, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, nullptr, nullptr, Instance,
                                  nullptr);
    if (!window)
        return;
    // The picture is drawn for 100 %: at the scale of the monitor the window
    // landed on, it grows and stays centred.
    place = CentreAtDpi(size.bmWidth, size.bmHeight, WindowDpi(window), area);
    SetWindowPos(window, HWND_TOPMOST, place.left, place.top, place.right - place.left, place.bottom - place.top, 0);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetTimer(window, SplashTimer, SplashMilliseconds, nullptr);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        PaintSplashBitmap(window, IDB_SPLASH);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        return 0;
    case WM_DPICHANGED:
        MoveToSuggestedRect(window, lParam);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) == window)
            return 0;
        RepaintWithOwnPalette(window);
        return 1;
    case WM_QUERYNEWPALETTE:
        RepaintWithOwnPalette(window);
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
