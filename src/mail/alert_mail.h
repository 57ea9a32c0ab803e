// The alert e-mails: composed from the record, sent, and a failure shown once.
#pragma once

#include <windows.h>

void MailSMARTError(HWND owner, int drive);
void MailSimulatedSMARTError(HWND owner, int drive);
void MailFreeSpaceError(HWND owner, int volume);
void MailSMARTCaution(HWND owner, int drive);
