// The six IDE/ATA parameter texts shown for a drive by the alert dialogs and
// the Drives page.
#pragma once

#include "base/text_format.h"
#include "state/drive_table.h"

struct DriveInfoTexts {
    char model[AtaModelLength + 1];
    char serial[AtaSerialLength + 1];
    char firmware[AtaFirmwareLength + 1];
    char geometry[24];                  // cylinders/heads/sectors
    char lbaSectors[GroupedNumberSize]; // grouped digits
    char capacity[SizeTextSize];        // LBA sectors x 512 in decimal units
};

void FormatDriveInfo(const DriveRecord &drive, DriveInfoTexts &texts);

// LBA sectors x 512 bytes, formed in double precision, in decimal units: the
// drive size of the dialogs, the error log and the alert e-mails.
void FormatDriveCapacity(const DriveRecord &drive, char (&capacity)[SizeTextSize]);
