#include "ui/tray_status.h"

#include <cstring>

#include "base/bounded_text.h"
#include "state/drive_table.h"
#include "state/volume_table.h"

bool ComposeTrayTip(char (&tip)[TrayTipSize])
{
    bool smartError = false;
    bool simulatedError = false;
    bool caution = false;
    bool freeSpaceError = false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        smartError = smartError || Drives[i].SMARTError != 0;
        simulatedError = simulatedError || Drives[i].SimulateError != 0;
        caution = caution || Drives[i].SMARTCaution != 0;
    }
    for (uint8_t i = 0; i < VolumeCount; i++)
        freeSpaceError = freeSpaceError || Volumes[i].FreeSpaceError != 0;

    tip[0] = '\0';
    if (smartError)
        AppendText(tip, "SMART Error, ");
    if (simulatedError)
        AppendText(tip, "SMART Error (Simulated), ");
    // A real error says more than a caution, and all four pieces would not fit the tip.
    if (caution && !smartError)
        AppendText(tip, "SMART Caution, ");
    if (freeSpaceError)
        AppendText(tip, "Free Space Error, ");
    size_t length = strlen(tip);
    if (length == 0) {
        CopyText(tip, TrayTipAllClear);
        return false;
    }
    // Drop the separator after the last piece.
    tip[length - 2] = '\0';
    return true;
}
