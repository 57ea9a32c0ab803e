// The outbox: alert e-mails that could not be sent, kept one file each in an
// Outbox folder beside the error log, and tried again on a timer of their own
// until the server takes them.
#pragma once

#include <windows.h>

// Keeps a failed alert e-mail; date is the Date line of its first attempt.
// Keeping never shows a box: what fails is written to the log, if anywhere.
void KeepFailedMail(const char *subject, const char *body, const char *date);

// Tries the kept messages oldest first, without a box, until one fails; each
// one delivered is removed and logged. Sets the retry timer for what is left.
void RetryKeptMail(HWND window);

// At start-up: sets the retry timer when messages are waiting.
void ScheduleKeptMail(HWND window);
