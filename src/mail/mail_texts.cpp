#include "mail/mail_texts.h"

#include "base/bounded_text.h"
#include "state/drive_info_text.h"
#include "state/drive_temperature_text.h"
#include "state/volume_texts.h"

namespace {

#define TEST_PREAMBLE                                                                                                   \
    "This is a test email sent by the HOLMVARD Utility.\r\nThe message below is an example of what would be\r\n"       \
    "sent if the primary hard drive reported an actual\r\nSMART error condition. Remember, this is only a test.\r\n\r\n"

#define SMART_REPORT_HEAD "HOLMVARD has detected a SMART error condition\r\nreported by this drive:\r\n\r\n"
#define SMART_WARNING_TAIL                                                                                              \
    "\r\n\r\nWARNING: Immediately back-up the data and replace this\r\nhard disk drive. A failure may be imminent.\r\n"

const char SMARTErrorFormat[] = SMART_REPORT_HEAD
    "Model number: %.*s\r\nSerial number: %.*s\r\nDrive size: %s\r\n\r\nOccurred on: %.*s." SMART_WARNING_TAIL;
const char SimulatedSMARTErrorFormat[] = TEST_PREAMBLE SMART_REPORT_HEAD
    "Model number: %.*s\r\nSerial number: %.*s\r\nDrive size: %s\r\n\r\nOccurred on: %.*s." SMART_WARNING_TAIL;
const char TestMailFormat[] = TEST_PREAMBLE SMART_REPORT_HEAD
    "Model number:  %.*s\r\nSerial number: %.*s\r\nSize:          %s\r\n\r\nThis occurred on %s." SMART_WARNING_TAIL;
const char SMARTCautionFormat[] =
    "HOLMVARD has found a SMART caution in\r\nthe counts kept by this drive:\r\n\r\n"
    "Model number: %.*s\r\nSerial number: %.*s\r\nDrive size: %s\r\n\r\nOccurred on: %.*s.\r\n\r\n"
    "%s\r\n"
    "CAUTION: Back up the data on this drive now. It may still\r\nwork for a long time, but counts that rise like "
    "these\r\noften come before a failure.\r\n";
const char DriveTemperatureFormat[] =
    "HOLMVARD has read this drive at or above its\r\ntemperature limit at two checks in a row:\r\n\r\n"
    "Model number: %.*s\r\nSerial number: %.*s\r\nDrive size: %s\r\n\r\nOccurred on: %.*s.\r\n\r\n"
    "%s\r\n"
    "CAUTION: Heat shortens a drive's life. Check its fans and\r\nairflow, and keep its case free of dust.\r\n";
const char FreeSpaceErrorFormat[] =
    "HOLMVARD has detected a free space minimum\r\nerror condition on this volume:\r\n\r\n"
    "Volume name: %s\r\nSerial number: %.*s\r\nFree Space: %s\r\n\r\nOccurred on: %.*s.\r\n\r\n"
    "WARNING: Immediately upgrade your hard disk drive.\r\nOperating system failures may result.\r\n";

}  // namespace

void FormatSMARTErrorBody(const DriveRecord &drive, bool simulated, char (&body)[MailBodySize])
{
    char size[SizeTextSize];
    FormatDriveCapacity(drive, size);
    const char(&time)[TimeStampSize] = simulated ? drive.SimulateErrorTime : drive.SMARTErrorTime;
    FormatInto(body, simulated ? SimulatedSMARTErrorFormat : SMARTErrorFormat, AtaModelLength, drive.Model,
               AtaSerialLength, drive.Serial, size, static_cast<int>(BoundedLength(time, TimeStampSize)), time);
}

void FormatSMARTCautionBody(const DriveRecord &drive, char (&body)[MailBodySize])
{
    char size[SizeTextSize];
    FormatDriveCapacity(drive, size);
    char rises[CautionTextSize];
    FormatDriveCautionRises(drive, rises);
    FormatInto(body, SMARTCautionFormat, AtaModelLength, drive.Model, AtaSerialLength, drive.Serial, size,
               static_cast<int>(BoundedLength(drive.SMARTCautionTime, TimeStampSize)), drive.SMARTCautionTime, rises);
}

void FormatDriveTemperatureBody(const DriveRecord &drive, char (&body)[MailBodySize])
{
    char size[SizeTextSize];
    FormatDriveCapacity(drive, size);
    char temperatures[TemperatureTextSize];
    FormatTemperatureLines(drive, temperatures);
    FormatInto(body, DriveTemperatureFormat, AtaModelLength, drive.Model, AtaSerialLength, drive.Serial, size,
               static_cast<int>(BoundedLength(drive.TemperatureAlertTime, TimeStampSize)), drive.TemperatureAlertTime,
               temperatures);
}

void FormatFreeSpaceErrorBody(const VolumeRecord &volume, char (&body)[MailBodySize])
{
    char title[VolumeTitleSize];
    char summary[VolumeSizeTextSize];
    FormatVolumeTitle(volume, title);
    FormatFreeSpaceSummary(volume, summary);
    FormatInto(body, FreeSpaceErrorFormat, title, VolumeSerialTextSize, volume.VolumeSerialText, summary,
               static_cast<int>(BoundedLength(volume.FreeSpaceErrorTime, TimeStampSize)), volume.FreeSpaceErrorTime);
}

void FormatTestMailBody(const DriveRecord &drive, const char *now, char (&body)[MailBodySize])
{
    char size[SizeTextSize];
    FormatDriveCapacity(drive, size);
    FormatInto(body, TestMailFormat, AtaModelLength, drive.Model, AtaSerialLength, drive.Serial, size, now);
}
