#include "drives/status_round.h"

#include "base/bounded_text.h"

bool OpenStatusRound(StatusRound &round)
{
    if (round.out)
        return false;
    round.out = true;
    round.count = DriveCount;
    CopyText(round.errorLogPath, GlobalSettings.ErrorLogFilePath);
    for (uint8_t i = 0; i < DriveCount; i++) {
        const DriveRecord &record = Drives[i];
        RoundDrive &drive = round.drives[i];
        drive.device = record.Device;
        drive.driveNumber = record.DriveNumber;
        drive.access = record.Access;
        drive.asked = DriveQualifiesForStatus(record);
        // A round cut short never reads as healthy.
        drive.health = DriveHealth{};
        drive.reading.read = false;
        FormatDriveKeyText(record, drive.keyText);
        drive.unwatched = CautionItemsUnwatched(record);
        drive.historyWritten = false;
    }
    return true;
}

void AskStatusRound(StatusRound &round, void (*ask)(RoundDrive &drive))
{
    for (uint8_t i = 0; i < round.count; i++) {
        if (round.drives[i].asked)
            ask(round.drives[i]);
    }
}

bool RoundHealth(const StatusRound &round, int drive, DriveHealth &health)
{
    if (drive < 0 || drive >= round.count || !round.drives[drive].asked)
        return false;
    health = round.drives[drive].health;
    return true;
}

void CloseStatusRound(StatusRound &round)
{
    round.out = false;
}
