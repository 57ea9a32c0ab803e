// The property sheet's program-wide state and the protocol every page follows
// for the sheet's notifications.
#pragma once

#include <windows.h>

#include <cstdint>

extern int32_t PropertiesOpen;
extern int32_t PropertiesCancelled;
extern HWND PropertySheetWindow;
extern HWND DrivesPageWindow;
extern HWND VolumesPageWindow;

// Answers PSN_SETACTIVE (records the sheet, and the page in pageWindow when
// given), PSN_KILLACTIVE, PSN_RESET (the sheet was cancelled) and PSN_HELP
// (the page's topic). Returns FALSE for every other notification, PSN_APPLY
// included, so OK always closes the sheet.
INT_PTR AnswerPageNotification(HWND page, const NMHDR *header, uint32_t topic, HWND *pageWindow);
