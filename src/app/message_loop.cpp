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
bool OfferDialogMessage(MSG &message)
{
    if (OfferToDialog(CommandWindow, message))
        return true;
    for (uint8_t i = 0; i < DriveCount; i++) {
        HWND simulated = Drives[i].SimulatedErrorDialog;
        HWND dialog = simulated && IsWindow(simulated) ? simulated : Drives[i].ErrorDialog;
        if (OfferToDialog(dialog, message) || OfferToDialog(Drives[i].CautionDialog, message))
            return true;
    }
    for (uint8_t i = 0; i < VolumeCount; i++) {
        if (OfferToDialog(Volumes[i].ErrorDialog, message))
            return true;
    }
    return false;
}

}  // namespace

void RunMessageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (OfferDialogMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
