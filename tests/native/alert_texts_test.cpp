#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log/log_records.h"
#include "mail/mail_texts.h"

namespace {

DriveRecord MakeDrive(uint32_t sectors)
{
    DriveRecord d = {};
    strcpy(d.Model, "WDC WD400BB-00CAA0");
    strcpy(d.Serial, "WD-WMA8E1234567");
    d.LbaSectors = sectors;
    strcpy(d.SMARTErrorTime, "Monday, January 07, 2002 14:03:09");
    strcpy(d.SimulateErrorTime, "Friday, March 01, 2002 10:00:00");
    strcpy(d.SMARTCautionTime, "Sunday, February 03, 2002 08:00:00");
    d.CautionSeen.value[static_cast<int>(CautionItem::ReallocatedSectors)] = 9;
    d.CautionAcknowledged.value[static_cast<int>(CautionItem::ReallocatedSectors)] = 8;
    return d;
}

VolumeRecord MakeVolume(const char *label)
{
    VolumeRecord v = {};
    memcpy(v.RootPath, "D:\\", 4);
    strcpy(v.VolumeName, label);
    strcpy(v.VolumeSerialText, "1A2B-3C4D");
    v.TotalBytes = 21474836480ull;
    v.FreeBytes = 1610612736ull;
    v.UsedBytes = v.TotalBytes - v.FreeBytes;
    strcpy(v.FreeSpaceErrorTime, "Monday, January 07, 2002 14:03:09");
    return v;
}

const char Ack[] = "Monday, January 07, 2002 14:05:41";

TEST(LogRecords, EveryRecordByteForByte)
{
    char record[LogRecordSize];
    FormatVolumeLogRecord(VolumeLogRecord::FreeSpaceErrorAcknowledged, MakeVolume("DATA"), Ack, record);
    EXPECT_STREQ(record, "Free space error condition acknowledged\r\nVolume name: D: DATA\r\n"
                         "Serial number: 1A2B-3C4D\r\nFree Space: 1.50GB, 1,610,612,736 bytes, 7.5%\r\n"
                         "Occurred on: Monday, January 07, 2002 14:03:09\r\n"
                         "Acknowledged: Monday, January 07, 2002 14:05:41\r\n\r\n");
    FormatVolumeLogRecord(VolumeLogRecord::FreeSpaceError, MakeVolume(""), Ack, record);
    EXPECT_STREQ(record, "Free space error condition detected\r\nVolume name: D: \r\n"
                         "Serial number: 1A2B-3C4D\r\nFree Space: 1.50GB, 1,610,612,736 bytes, 7.5%\r\n"
                         "Occurred on: Monday, January 07, 2002 14:03:09\r\n\r\n");

    const struct {
        DriveLogRecord kind;
        uint32_t sectors;
        const char *text;
    } drives[] = {
        {DriveLogRecord::SMARTError, 78165360,
         "SMART error condition detected\r\nModel number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\n"
         "Drive size: 40.02GB\r\nOccurred on: Monday, January 07, 2002 14:03:09\r\n\r\n"},
        {DriveLogRecord::SimulatedSMARTError, 0,
         "SMART error condition detected (Simulated)\r\nModel number: WDC WD400BB-00CAA0\r\n"
         "Serial number: WD-WMA8E1234567\r\nDrive size: 0.00MB\r\nOccurred on: Friday, March 01, 2002 10:00:00\r\n\r\n"},
        {DriveLogRecord::SMARTErrorAcknowledged, 78165360,
         "SMART error condition acknowledged\r\nModel number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\n"
         "Drive size: 40.02GB\r\nOccurred on: Monday, January 07, 2002 14:03:09\r\n"
         "Acknowledged: Monday, January 07, 2002 14:05:41\r\n\r\n"},
        {DriveLogRecord::SimulatedSMARTErrorAcknowledged, 4294967295u,
         "SMART error condition acknowledged (Simulated)\r\nModel number: WDC WD400BB-00CAA0\r\n"
         "Serial number: WD-WMA8E1234567\r\nDrive size: 2199.02GB\r\nOccurred on: Friday, March 01, 2002 10:00:00\r\n"
         "Acknowledged: Monday, January 07, 2002 14:05:41\r\n\r\n"},
        {DriveLogRecord::SMARTCaution, 78165360,
         "SMART caution detected\r\nModel number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\n"
         "Drive size: 40.02GB\r\nOccurred on: Sunday, February 03, 2002 08:00:00\r\n"
         "Reallocated sectors (5): 9, was 8\r\n\r\n"},
        {DriveLogRecord::SMARTCautionAcknowledged, 78165360,
         "SMART caution acknowledged\r\nModel number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\n"
         "Drive size: 40.02GB\r\nOccurred on: Sunday, February 03, 2002 08:00:00\r\n"
         "Acknowledged: Monday, January 07, 2002 14:05:41\r\n\r\n"},
    };
    for (const auto &d : drives) {
        FormatDriveLogRecord(d.kind, MakeDrive(d.sectors), Ack, record);
        EXPECT_STREQ(record, d.text);
    }

    // Fields that fill their whole width, without terminators, never run over.
    DriveRecord full = MakeDrive(1);
    memset(full.Model, 'M', sizeof full.Model);
    memset(full.SMARTErrorTime, 'T', sizeof full.SMARTErrorTime);
    FormatDriveLogRecord(DriveLogRecord::SMARTError, full, Ack, record);
    EXPECT_NE(strstr(record, ("Model number: " + std::string(40, 'M') + "\r\n").c_str()), nullptr);
    EXPECT_NE(strstr(record, ("Occurred on: " + std::string(40, 'T') + "\r\n\r\n").c_str()), nullptr);
}

TEST(MailTexts, BodiesWordForWord)
{
    char body[MailBodySize];
    FormatSMARTErrorBody(MakeDrive(78165360), false, body);
    EXPECT_STREQ(body, "HOLMVARD has detected a SMART error condition\r\nreported by this drive:\r\n\r\n"
                       "Model number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\nDrive size: 40.02GB\r\n"
                       "\r\nOccurred on: Monday, January 07, 2002 14:03:09.\r\n\r\n"
                       "WARNING: Immediately back-up the data and replace this\r\n"
                       "hard disk drive. A failure may be imminent.\r\n");
    const std::string preamble = "This is a test email sent by the HOLMVARD Utility.\r\n"
                                 "The message below is an example of what would be\r\n"
                                 "sent if the primary hard drive reported an actual\r\n"
                                 "SMART error condition. Remember, this is only a test.\r\n\r\n";
    FormatSMARTErrorBody(MakeDrive(78165360), true, body);
    EXPECT_EQ(std::string(body), preamble +
                                     "HOLMVARD has detected a SMART error condition\r\nreported by this drive:\r\n\r\n"
                                     "Model number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\n"
                                     "Drive size: 40.02GB\r\n\r\nOccurred on: Friday, March 01, 2002 10:00:00.\r\n\r\n"
                                     "WARNING: Immediately back-up the data and replace this\r\n"
                                     "hard disk drive. A failure may be imminent.\r\n");
    FormatTestMailBody(MakeDrive(78165360), "Tuesday, January 01, 2002 09:05:03", body);
    EXPECT_EQ(std::string(body), preamble +
                                     "HOLMVARD has detected a SMART error condition\r\nreported by this drive:\r\n\r\n"
                                     "Model number:  WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\n"
                                     "Size:          40.02GB\r\n\r\nThis occurred on Tuesday, January 01, 2002 09:05:03.\r\n"
                                     "\r\nWARNING: Immediately back-up the data and replace this\r\n"
                                     "hard disk drive. A failure may be imminent.\r\n");
    FormatFreeSpaceErrorBody(MakeVolume(""), body);
    EXPECT_STREQ(body, "HOLMVARD has detected a free space minimum\r\nerror condition on this volume:\r\n\r\n"
                       "Volume name: D: \r\nSerial number: 1A2B-3C4D\r\nFree Space: 1.50GB, 1,610,612,736 bytes, 7.5%\r\n"
                       "\r\nOccurred on: Monday, January 07, 2002 14:03:09.\r\n\r\n"
                       "WARNING: Immediately upgrade your hard disk drive.\r\nOperating system failures may result.\r\n");
    FormatSMARTCautionBody(MakeDrive(78165360), body);
    EXPECT_STREQ(body, "HOLMVARD has found a SMART caution in\r\nthe counts kept by this drive:\r\n\r\n"
                       "Model number: WDC WD400BB-00CAA0\r\nSerial number: WD-WMA8E1234567\r\nDrive size: 40.02GB\r\n"
                       "\r\nOccurred on: Sunday, February 03, 2002 08:00:00.\r\n\r\n"
                       "Reallocated sectors (5): 9, was 8\r\n\r\n"
                       "CAUTION: Back up the data on this drive now. It may still\r\n"
                       "work for a long time, but counts that rise like these\r\noften come before a failure.\r\n");
    for (const char *subject : {SMARTErrorSubject, SimulatedSMARTErrorSubject, FreeSpaceErrorSubject, TestMailSubject,
                                SMARTCautionSubject})
        EXPECT_LE(strlen(subject), 48u);
}

}  // namespace
