// The built-in help engine: takes the help engine's commands and the program's
// context numbers and shows a topic's text in a pop-up that closes on the next
// click or key.
#pragma once

#include <windows.h>

#include <cstdint>

// Window class of the pop-up; its window text is the topic's text.
constexpr char HelpPopupClassName[] = "HOLMVARD Help";

// Stands in for WinHelp. HELP_CONTEXTPOPUP shows the topic whose context number
// is data; HELP_WM_HELP shows the topic of the control window, looked up in the
// (control id, context) pairs that data points to; HELP_CONTEXTMENU first offers
// "What's This?" for that control at the cursor. helpFile is accepted for the
// callers' sake and not read. Returns FALSE for an unknown command or a topic
// without text; a control without help shows nothing and returns TRUE.
BOOL ShowHelp(HWND window, const char *helpFile, UINT command, ULONG_PTR data);

// The answers every help-aware window procedure gives; each returns TRUE
// (handled).
INT_PTR AnswerHelp(const HELPINFO *info);               // WM_HELP
INT_PTR AnswerContextMenu(HWND control);                // WM_CONTEXTMENU, its wParam
INT_PTR ShowWindowTopic(HWND window, uint32_t topic);   // a page's or dialog's own Help
