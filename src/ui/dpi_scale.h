// Pixel sizes at a display's DPI. The program's own pixel sizes are drawn for
// 96 DPI (100 % scale) and grow with the DPI of the window they serve. Portable.
#pragma once

constexpr int DefaultDpi = 96;

// pixels, given for 96 DPI, at dpi: rounded to the nearest pixel, halves away
// from zero. An unknown dpi (0 or less) leaves them as they are.
int ScaleToDpi(int pixels, int dpi);

// The DPI to draw at: the window's own when the system names one (Windows 10
// 1607 on), else the system's, else 96.
int ChooseDpi(int windowDpi, int systemDpi);

struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};

// A picture of width x height pixels at 96 DPI, at dpi and centred in area.
PixelRect CentreAtDpi(int width, int height, int dpi, PixelRect area);
