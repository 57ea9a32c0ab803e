// Placing alert dialogs on screen.
#pragma once

#include <windows.h>

// Moves a new alert or off-line test dialog, not yet shown, to where the
// largest alert would be centred in the work area, or further down and right
// while another such dialog already sits there.
void PlaceAlertDialog(HWND dialog);
