// The outbox: alert e-mails that could not be sent, kept one file each in an
// Outbox folder beside the error log, and tried again on a timer of their own
// until the server takes them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "mail/smtp_dialogue.h"

// Keeps a failed alert e-mail; date is the Date line of its first attempt.
// Keeping never shows a box: what fails is written to the log, if anywhere.
// False when the message could not be kept.
bool KeepFailedMail(const char *subject, const char *body, const char *date);

// Whether kept messages wait to be sent.
bool OutboxHoldsMail();

// Tries the kept messages oldest first, without a box, until one fails; each
// one the server took is removed and logged. Sets the retry timer for what
// is left. Returns the step that failed in the last attempt, or
// MailStep::None, with its text in result.
MailStep SendKeptMail(HWND window, char *result, size_t resultSize);

// SendKeptMail for the retry timer.
void RetryKeptMail(HWND window);

// At start-up, and when the property sheet has closed: sets the retry timer
// when messages are waiting.
void ScheduleKeptMail(HWND window);

// How many messages wait in the outbox.
uint32_t CountKeptMail();
