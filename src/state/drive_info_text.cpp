#include "state/drive_info_text.h"

#include "base/bounded_text.h"

void FormatDriveInfo(const DriveRecord &drive, DriveInfoTexts &texts)
{
    CopyText(texts.model, drive.Model);
    CopyText(texts.serial, drive.Serial);
    CopyText(texts.firmware, drive.FirmwareRev);
    FormatInto(texts.geometry, "%d/%d/%d", drive.Cylinders, drive.Heads, drive.SectorsPerTrack);
    FormatGroupedNumber(drive.LbaSectors, texts.lbaSectors);
    FormatDriveCapacity(drive, texts.capacity);
}

void FormatDriveCapacity(const DriveRecord &drive, char (&capacity)[SizeTextSize])
{
    FormatDecimalSize(static_cast<double>(drive.LbaSectors) * 512.0, capacity);
}
