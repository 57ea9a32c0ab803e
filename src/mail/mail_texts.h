// Subjects and bodies of the messages the program mails. Portable.
#pragma once

#include <cstddef>

#include "state/drive_table.h"
#include "state/volume_table.h"

constexpr size_t MailSubjectSize = 80;
constexpr size_t MailBodySize = 2048;

constexpr char SMARTErrorSubject[] = "HOLMVARD Alert! SMART error detected";
constexpr char SimulatedSMARTErrorSubject[] = "HOLMVARD Alert! SMART error detected (Simulated)";
constexpr char FreeSpaceErrorSubject[] = "HOLMVARD Alert! Free space error detected";
constexpr char TestMailSubject[] = "HOLMVARD Alert! SMART error detected (Test)";
constexpr char SMARTCautionSubject[] = "HOLMVARD Alert! SMART caution detected";
constexpr char DriveTemperatureSubject[] = "HOLMVARD Alert! Drive temperature high";

// Composes the body of a drive alert's e-mail.
using DriveMailBody = void (*)(const DriveRecord &drive, char (&body)[MailBodySize]);

// The report of a real (simulated false) or simulated SMART error of the drive,
// with the time stored when it was raised.
void FormatSMARTErrorBody(const DriveRecord &drive, bool simulated, char (&body)[MailBodySize]);

// The report of the drive's caution: the counts that rose, what they were, and the time.
void FormatSMARTCautionBody(const DriveRecord &drive, char (&body)[MailBodySize]);

// The drive, when its temperature was first read at or above its limit twice in a row, the reading and the limit.
void FormatDriveTemperatureBody(const DriveRecord &drive, char (&body)[MailBodySize]);

void FormatFreeSpaceErrorBody(const VolumeRecord &volume, char (&body)[MailBodySize]);

// The Alerts page's test message about the drive, stamped with now.
void FormatTestMailBody(const DriveRecord &drive, const char *now, char (&body)[MailBodySize]);
