#include "ui/tray_status.h"

#include <cstring>

#include "base/bounded_text.h"
#include "state/drive_alerts.h"
#include "state/drive_table.h"
#include "state/volume_table.h"

bool ComposeTrayTip(char (&tip)[TrayTipSize])
{
    bool stands[DriveAlertCount] = {};
    bool freeSpaceError = false;
    for (int k = 0; k < DriveAlertCount; k++) {
        const DriveAlertKind &kind = DriveAlertKindOf(static_cast<DriveAlert>(k));
        for (uint8_t i = 0; i < DriveCount; i++)
            stands[k] = stands[k] || Drives[i].*kind.flag != 0;
    }
    for (uint8_t i = 0; i < VolumeCount; i++)
        freeSpaceError = freeSpaceError || Volumes[i].FreeSpaceError != 0;

    static const char FreeSpacePiece[] = "Free Space Error";
    bool errorStands = stands[static_cast<int>(DriveAlert::SMARTError)];
    for (int k = 0; k < DriveAlertCount; k++)
        stands[k] = stands[k] && !(DriveAlertKindOf(static_cast<DriveAlert>(k)).givesWayToError && errorStands);
    // Each piece is written with its separator, the last one's dropped after:
    // all of them must fit the tip's characters.
    size_t needed = freeSpaceError ? sizeof FreeSpacePiece + 1 : 0;
    for (int k = 0; k < DriveAlertCount; k++)
        needed += stands[k] ? strlen(DriveAlertKindOf(static_cast<DriveAlert>(k)).trayPiece) + 2 : 0;
    for (int k = 0; k < DriveAlertCount && needed > TrayTipSize - 1; k++) {
        const DriveAlertKind &kind = DriveAlertKindOf(static_cast<DriveAlert>(k));
        if (stands[k] && kind.leftOutWhenFull) {
            stands[k] = false;
            needed -= strlen(kind.trayPiece) + 2;
        }
    }

    tip[0] = '\0';
    for (int k = 0; k < DriveAlertCount; k++) {
        if (!stands[k])
            continue;
        AppendText(tip, DriveAlertKindOf(static_cast<DriveAlert>(k)).trayPiece);
        AppendText(tip, ", ");
    }
    if (freeSpaceError) {
        AppendText(tip, FreeSpacePiece);
        AppendText(tip, ", ");
    }
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
    const DriveAlertKind &kind = DriveAlertKindOf(DriveAlertOf(alert));
    const DriveRecord &drive = Drives[index];
    CopyText(title, kind.caption);
    FormatInto(text, "Drive %s, serial %s, %s", drive.Model, drive.Serial, kind.noticeText);
}

bool AlertNoticeWarns(AlertNotice alert)
{
    return alert != AlertNotice::FreeSpaceError && DriveAlertKindOf(DriveAlertOf(alert)).noticeWarns;
}
