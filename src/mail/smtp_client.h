// The SMTP client: one plain-text message to the server, sender and recipient
// of the e-mail settings, over one TCP connection: to port 25 in clear for a
// plain server name, through TLS with a sign-in for an smtp:// or smtps://
// address (mail_server_address.h). A body past ASCII goes as UTF-8, converted
// from the ANSI code page where that is another, and declared so.
#pragma once

#include <windows.h>

#include <cstddef>

#include "mail/smtp_dialogue.h"
#include "state/settings.h"

// Runs the whole dialogue. Returns TRUE when the server took the message;
// either way writes "Email successfully sent!" or the failing step's error
// text into result. A setting or subject holding a line break is refused with
// the error text of the step that would carry it, before anything is sent.
BOOL SendMail(const char *subject, const char *body, char *result, size_t resultSize);

// As SendMail; returns the step that failed, or MailStep::None.
MailStep TrySendMail(const char *subject, const char *body, char *result, size_t resultSize);

// As TrySendMail with the Date line given: date as it stands, or, when empty,
// the moment the header goes out, written back into date. taken receives
// whether the server answered the end of the data with 2xx: it then holds the
// message, even when a later step (QUIT) fails.
MailStep TrySendMailDated(const char *subject, const char *body, char (&date)[MailDateSize], bool &taken,
                          char *result, size_t resultSize);

// As TrySendMailDated, with the server, sender and recipient of settings, a
// copy the caller took, rather than the program's, which the property sheet
// edits on the window thread. Sends never overlap: a second waits for the
// first. onTaken (when not null) runs the moment the server takes the message,
// before QUIT, on the sending thread.
MailStep TrySendMailWith(const GlobalSettingsRecord &settings, const char *subject, const char *body,
                         char (&date)[MailDateSize], bool &taken, char *result, size_t resultSize,
                         void (*onTaken)() = nullptr);

// "Tue, 08 Dec 2026 05:37:27 +0000" for now, in the local zone.
void FormatNowForMail(char (&date)[MailDateSize]);

// The "HOLMVARD Email Error" box with the error, the settings and the message.
void ShowMailError(HWND owner, const char *subject, const char *body, const char *error);
