// The notification-area icon owned by the command window.
#pragma once

#include <windows.h>

#include "ui/tray_status.h"

constexpr UINT TrayIconId = 102;
constexpr UINT TrayCallbackMessage = WM_APP + 100;
constexpr UINT_PTR SMARTTimer = 1;
constexpr UINT_PTR FreeSpaceTimer = 2;
// Retries of kept alert e-mails; the polling timers stay as they are.
constexpr UINT_PTR OutboxTimer = 4;
// Adds the icon again while the shell refuses it (at logon it may not be there yet).
constexpr UINT_PTR TrayAddTimer = 5;
// A quiet moment after the last device notice, then the drives are scanned again.
constexpr UINT_PTR RescanTimer = 6;
// The callback's second parameter when the user clicks a notification (NIN_BALLOONUSERCLICK).
constexpr LPARAM TrayNoticeClicked = WM_USER + 5;
// Asks the command window to write the metrics file.
constexpr UINT MetricsMessage = WM_APP + 101;

extern char TrayTip[TrayTipSize];

// Lets the shell's "TaskbarCreated" reach the window, which runs elevated
// while the shell does not.
void AllowTaskbarCreated(HWND window);

// Adds, modifies or deletes (NIM_ADD, NIM_MODIFY, NIM_DELETE) the icon with TrayTip.
// A modify that would show the picture and tip already shown is not sent; one
// the shell refuses becomes an add. While an add is refused, TrayAddTimer
// tries it again every few seconds.
BOOL NotifyTrayIcon(HWND window, HICON icon, DWORD action);

// Adds the icon again with TrayTip and the picture last asked for, as after
// the taskbar was re-created or an add was refused.
void AddTrayIconAgain(HWND window);

// The notification of an alert just raised on drive or volume index, from the
// icon of the command window.
void NotifyAlertRaised(AlertNotice alert, int index);

// Brings the dialog of the alert the latest notification told of to the
// front, when it is open.
void ShowNoticedAlert();

// Recomposes TrayTip from the alert flags and switches the icon's picture.
void UpdateTrayStatus(HWND window);

// Has the metrics file written once the work at hand is done: after a check, an
// acknowledgement or a commit, the state it shows is then complete.
void RequestMetricsFile();

// Menu 101's popup with "Properties" as its default item; the caller destroys the menu.
HMENU LoadTrayMenu(HMENU &popup);

// The tray menu at the mouse position; the choice arrives as WM_COMMAND.
void ShowTrayMenu(HWND window);

// Removes, without dispatching, at most 1000 messages pending for the window and its children.
void DiscardPendingMessages(HWND window);

// Deletes the icon, destroys the command window with every dialog it parents,
// and releases the icons.
void ShutdownTray(HWND window);
