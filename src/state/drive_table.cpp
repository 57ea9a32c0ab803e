#include "state/drive_table.h"

#include <cstring>

#include "base/bounded_text.h"

DriveRecord Drives[MaxDrives];
uint8_t DriveCount;
uint8_t CurrentDrive;
bool DriveRescanOut;

bool OnInternalBus(const DriveRecord &drive)
{
    // STORAGE_BUS_TYPE: BusTypeAta, BusTypeRAID, BusTypeSas, BusTypeSata, BusTypeNvme.
    switch (drive.BusType) {
    case 3:
    case 8:
    case 10:
    case 11:
    case 17:
        return true;
    }
    return false;
}

uint32_t CautionItemsUnwatched(const DriveRecord &drive)
{
    // The record's field may fill its whole width without a terminator.
    char model[AtaModelLength + 1] = {};
    memcpy(model, drive.Model, BoundedLength(drive.Model, AtaModelLength));
    return drive.CautionUnwatched | CautionItemsUnwatchedForModel(model);
}

void FormatDriveCautionRises(const DriveRecord &drive, char (&text)[CautionTextSize])
{
    FormatCautionRises(drive.CautionSeen, drive.CautionSeenIds, drive.CautionAcknowledged, CautionItemsUnwatched(drive),
                       text);
}
