// The splash picture shown while the program starts.
#pragma once

#include <windows.h>

// Shows the picture centred and topmost, at the scale of the monitor it is
// on; it closes itself after five seconds or at a click. Every failure means
// no splash.
void ShowSplash();

LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Draws the bitmap stretched over the window's whole client area, smoothed
// where the window's scale enlarges it.
void PaintSplashBitmap(HWND window, int bitmapId);

// New logical palettes, or null when memory for them cannot be had.
HPALETTE CreatePaletteFromColorTable(const RGBQUAD *table, int count);
HPALETTE CreateDefaultPalette();
