// The SMTP client: one plain-text message to the server, sender and recipient
// of the e-mail settings, over one TCP connection: to port 25 in clear for a
// plain server name, through TLS with a sign-in for an smtp:// or smtps://
// address (mail_server_address.h).
#pragma once

#include <windows.h>

#include <cstddef>

#include "alerts/smtp_dialogue.h"

// Runs the whole dialogue. Returns TRUE when the server took the message;
// either way writes "Email successfully sent!" or the failing step's error
// text into result. A setting or subject holding a line break is refused with
// the error text of the step that would carry it, before anything is sent.
BOOL SendMail(const char *subject, const char *body, char *result, size_t resultSize);

// As SendMail; returns the step that failed, or MailStep::None.
MailStep TrySendMail(const char *subject, const char *body, char *result, size_t resultSize);

// As TrySendMail with the Date line given: date as it stands, or, when empty,
// the moment the header goes out, written back into date.
MailStep TrySendMailDated(const char *subject, const char *body, char (&date)[MailDateSize], char *result,
                          size_t resultSize);

// "Tue, 08 Dec 2026 05:37:27 +0000" for now, in the local zone.
void FormatNowForMail(char (&date)[MailDateSize]);

// The socket routines take a SOCKET, which is a UINT_PTR, so this header needs
// no <winsock2.h>.

// The tick count (GetTickCount64) by which a send or a whole reply must be done.
unsigned long long SocketDeadline();

// Waits until the socket can be read (or written); false once the deadline
// has passed, or on an error.
bool WaitForSocket(UINT_PTR socket, bool forWriting, unsigned long long deadline);

// Receives what has come, up to size bytes, waiting until the deadline: the
// count, 0 once the server closed, -1 on an error or a time-out.
int ReceiveSome(UINT_PTR socket, char *buffer, size_t size, unsigned long long deadline);

// Sends all length bytes; FALSE on a socket error or when the server stops taking data.
BOOL SendBytes(UINT_PTR socket, const char *data, size_t length);

// Sends the whole text; FALSE on a socket error or when the server stops taking data.
BOOL SendText(UINT_PTR socket, const char *text);

// Receives one reply into buffer; TRUE when it is complete and of class 1 to 3.
BOOL ReadReply(UINT_PTR socket, char (&buffer)[SmtpBufferSize]);

// The "HOLMVARD Email Error" box with the error, the settings and the message.
void ShowMailError(HWND owner, const char *subject, const char *body, const char *error);
