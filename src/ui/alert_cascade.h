// Where a new alert dialog goes so that none hides another: down and right of
// the centre in steps, on the first step no open alert occupies. Portable.
#pragma once

struct ScreenPoint {
    int x;
    int y;
};

// The top-left for a new alert: first + k x step for the smallest k in
// 0 .. slots - 1 that no open alert's top-left holds; slot 0 when every slot
// is taken.
ScreenPoint ChooseAlertPosition(const ScreenPoint *open, int openCount, ScreenPoint first, int step, int slots);
