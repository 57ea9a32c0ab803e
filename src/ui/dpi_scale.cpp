#include "ui/dpi_scale.h"

#include <cstdint>

int ScaleToDpi(int pixels, int dpi)
{
    if (dpi <= 0)
        return pixels;
    int64_t scaled = static_cast<int64_t>(pixels) * dpi;
    int64_t half = DefaultDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / DefaultDpi : (scaled - half) / DefaultDpi);
}

int ChooseDpi(int windowDpi, int systemDpi)
{
    if (windowDpi > 0)
        return windowDpi;
    return systemDpi > 0 ? systemDpi : DefaultDpi;
}

PixelRect CentreAtDpi(int width, int height, int dpi, PixelRect area)
{
    int scaledWidth = ScaleToDpi(width, dpi);
    int scaledHeight = ScaleToDpi(height, dpi);
    int left = area.left + (area.right - area.left - scaledWidth) / 2;
    int top = area.top + (area.bottom - area.top - scaledHeight) / 2;
    return {left, top, left + scaledWidth, top + scaledHeight};
}
