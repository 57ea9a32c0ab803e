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

void ComposeAlertNotice(AlertNotice alert, int index, char (&title)[NoticeTitleSize], char (&text)[NoticeTextSize])
{
    if (alert == AlertNotice::FreeSpaceError) {
        const VolumeRecord &volume = Volumes[index];
        CopyText(title, "Free Space Error Detected");
        if (volume.VolumeName[0] != '\0')
            FormatInto(text, "Volume %s (%s) has less free space than its minimum of %u%%.", volume.RootPath,
                       volume.VolumeName, volume.FreeSpaceMin);
        else
            FormatInto(text, "Volume %s has less free space than its minimum of %u%%.", volume.RootPath,
                       volume.FreeSpaceMin);
        return;
    }
    // Indexed by AlertNotice: the caption of the drive's alert dialog and what befell the drive.
    static const struct {
        const char *title;
        const char *what;
    } DriveNotices[] = {
        {"SMART Error Detected", "reports a SMART error. Back up its data now."},
        {"SMART Error Detected (Simulated)", "shows a simulated SMART error."},
        {"SMART Caution Detected", "shows counts that often come before a failure. Back up its data."},
    };
    const DriveRecord &drive = Drives[index];
    CopyText(title, DriveNotices[static_cast<int>(alert)].title);
    FormatInto(text, "Drive %s, serial %s, %s", drive.Model, drive.Serial, DriveNotices[static_cast<int>(alert)].what);
}
