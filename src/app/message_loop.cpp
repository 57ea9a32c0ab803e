#include "app/message_loop.h"

#include <windows.h>

#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/volume_table.h"

namespace {

bool OfferToDialog(HWND dialog, MSG &message)
{
    return dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &message);
}

// The first window that takes the message as a dialog message ends its handling.
bool OfferDialogMessage(MSG &message, bool offerAlertDialogs)
{
    if (OfferToDialog(CommandWindow, message))
        return true;
    if (!offerAlertDialogs)
        return false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        HWND simulated = Drives[i].SimulatedErrorDialog;
        HWND dialog = simulated && IsWindow(simulated) ? simulated : Drives[i].ErrorDialog;
        if (OfferToDialog(dialog, message) || OfferToDialog(Drives[i].CautionDialog, message) ||
            OfferToDialog(Drives[i].TemperatureDialog, message))
            return true;
    }
    for (uint8_t i = 0; i < VolumeCount; i++) {
        if (OfferToDialog(Volumes[i].ErrorDialog, message))
            return true;
    }
    return false;
}

void HandleMessage(MSG &message, bool offerAlertDialogs)
{
    if (OfferDialogMessage(message, offerAlertDialogs))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

}  // namespace

void RunMessageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        HandleMessage(message, true);
}

bool RunMessageLoopUntil(bool (*done)(), bool offerAlertDialogs)
{
    // Woken by the worker's message; the bound also catches one that was lost.
    constexpr DWORD LookAgainMs = 100;
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, LookAgainMs, QS_ALLINPUT);
        MSG message;
        while (!done() && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return false;
            HandleMessage(message, offerAlertDialogs);
        }
    }
    return true;
}
