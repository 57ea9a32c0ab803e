// The alert e-mails: composed from the record, sent, and a failure shown once.
#pragma once

#include <windows.h>

#include "mail/mail_texts.h"

// The alert of a drive, its body composed by body from the drive's record.
void MailDriveAlert(HWND owner, int drive, const char *subject, DriveMailBody body);
void MailFreeSpaceError(HWND owner, int volume);
