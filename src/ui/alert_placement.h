// Placing alert dialogs on screen.
#pragma once

#include <windows.h>

// Moves a new alert or off-line test dialog, not yet shown, to where the
// largest alert would be centred in the work area, or further down and right
// while another such dialog already sits there.
void PlaceAlertDialog(HWND dialog);

// Places a new alert dialog as above and shows it in front of the other
// windows: activated while the user works in this program, otherwise without
// taking the keyboard from the window they work in, its caption flashing
// until they come to it. It does not stay on top.
void ShowAlertDialog(HWND dialog);

// Brings an open alert dialog to the front and activates it, as a click on its
// notification asks; raised and flashing as above when Windows refuses it the
// foreground.
void BringAlertDialogForward(HWND dialog);
