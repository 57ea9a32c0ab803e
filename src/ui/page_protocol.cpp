#include "ui/page_protocol.h"

#include <commctrl.h>
#include <prsht.h>

#include "ui/context_help.h"

int32_t PropertiesOpen;
int32_t PropertiesCancelled;
HWND PropertySheetWindow;
HWND DrivesPageWindow;
HWND VolumesPageWindow;

INT_PTR AnswerPageNotification(HWND page, const NMHDR *header, uint32_t topic, HWND *pageWindow)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        PropertySheetWindow = header->hwndFrom;
        if (pageWindow)
            *pageWindow = page;
        break;
    case PSN_KILLACTIVE:
        break;
    case PSN_RESET:
        PropertiesCancelled = 1;
        break;
    case PSN_HELP:
        return ShowWindowTopic(page, topic);
    default:
        return FALSE;
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    return TRUE;
}
