#include "ui/alert_dialogs.h"

void MessageBeepExclamation()
{
    MessageBeep(MB_ICONEXCLAMATION);
}

bool AlertDialogOpen(HWND field)
{
    return field && IsWindow(field);
}

void CloseAlertDialog(HWND dialog, HWND &field)
{
    DestroyWindow(dialog);
    field = nullptr;
}
