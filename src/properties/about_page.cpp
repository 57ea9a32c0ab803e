#include "properties/about_page.h"

#include <shellapi.h>

#include "resources/resource_ids.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_WEBSITE)
            return FALSE;
        // Without a browser for the address nothing happens, as the user would expect of a link.
        ShellExecuteA(nullptr, "open", MakerWebsite, nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    case WM_NOTIFY:
        return AnswerPageNotification(page, reinterpret_cast<const NMHDR *>(lParam), AboutPageTopic, nullptr);
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}
