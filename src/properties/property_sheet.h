// The "HOLMVARD Properties" sheet: opened from the tray, it rolls its pages'
// changes back or commits them when it closes, then runs both checks and
// restarts both polling timers.
#pragma once

#include <windows.h>

// Returns once the sheet has closed and its changes are applied or rolled
// back; a second request while it is open only brings it to the front.
void OpenProperties(HWND commandWindow);
