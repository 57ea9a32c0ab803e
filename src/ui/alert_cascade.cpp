#include "ui/alert_cascade.h"

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
