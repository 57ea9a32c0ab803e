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

// Posted to the window a retry started from when its message's exchange is over.
constexpr UINT KeptMailSentMessage = WM_APP + 112;

// The retry timer: the oldest kept message goes from a mail thread of its own,
// with the settings as they stand now, so the window thread goes on. Never
// while the property sheet is open. The window thread's own use of the outbox
// (an alert's mail) first waits for the retry out.
void RetryKeptMail(HWND window);

// On KeptMailSentMessage: removes and logs the message the server took, or
// keeps it for the next retry; the next message then goes.
void FinishKeptMailRetry(HWND window);

// Whether a retry's message is out.
bool KeptMailRetryOut();

// At shutdown: waits for a retry out at most KeptMailStopWaitMs and takes its
// outcome, so a message the server took is not sent again at the next start.
constexpr DWORD KeptMailStopWaitMs = 30000;
void StopKeptMailRetry();

// At start-up, and when the property sheet has closed: sets the retry timer
// when messages are waiting.
void ScheduleKeptMail(HWND window);

// How many messages wait in the outbox.
uint32_t CountKeptMail();
