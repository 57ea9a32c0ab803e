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

// The cascade's step for a dialog at dpi, from its caption's and fixed frame's
// heights at that DPI: one caption and its frames, so each earlier caption
// stays in sight, and never less than 8 pixels at 96 DPI.
int AlertCascadeStep(int captionHeight, int frameHeight, int dpi);
