#include "ui/alert_cascade.h"

#include "ui/dpi_scale.h"

ScreenPoint ChooseAlertPosition(const ScreenPoint *open, int openCount, ScreenPoint first, int step, int slots)
{
    for (int k = 0; k < slots; k++) {
        ScreenPoint candidate = {first.x + k * step, first.y + k * step};
        bool taken = false;
        for (int i = 0; i < openCount && !taken; i++)
            taken = open[i].x == candidate.x && open[i].y == candidate.y;
        if (!taken)
            return candidate;
    }
    return first;
}

int AlertCascadeStep(int captionHeight, int frameHeight, int dpi)
{
    int step = captionHeight + 2 * frameHeight;
    int least = ScaleToDpi(8, dpi);
    return step < least ? least : step;
}
