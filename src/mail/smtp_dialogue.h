// The SMTP dialogue's texts and decisions: the steps and their error texts,
// reading a reply out of the bytes received so far, the header block with its
// date line and the declaration of a UTF-8 body, dot-stuffing, and which settings may go on the wire. Portable:
// the sockets are smtp_client.cpp's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

constexpr size_t SmtpBufferSize = 16384;
constexpr size_t MailResultSize = 80;
constexpr uint16_t SmtpPort = 25;
constexpr size_t MailDateSize = 48;   // the Date line's text
constexpr char MailerName[] = "HOLMVARD V1.0";
constexpr char MailSentText[] = "Email successfully sent!";
// The test e-mail's result while a kept message is out to the server.
constexpr char MailBusyText[] = "Busy sending kept e-mail";
// Connect, each send and each wait for a reply give up after this long.
constexpr int SmtpTimeoutSeconds = 30;

enum class MailStep {
    None = 0,   // no step failed
    Startup = 1,
    LocalHostName,
    SocketCreation,
    ServerLookup,
    Connect,
    Welcome,
    Helo,
    MailFrom,
    RcptTo,
    Data,
    Header,
    Body,
    Quit,
    // Only for a server given as an smtp:// or smtps:// address.
    Address,          // the address cannot be read
    AddressPassword,  // the address carries a password
    StartTls,         // STARTTLS not offered or refused
    Tls,              // the TLS handshake or a record failed
    Certificate,      // the server's certificate is not trusted for its name
    NoPassword,       // the address names a user and no password is stored
    SignIn,           // no usable mechanism, or the server refused the password
    PasswordUnreadable,  // a password is stored that this Windows user cannot unseal
};

// "Winsock startup error" ... "Server QUIT command error", "Server address error" ...
// "Stored password unreadable"; none longer than 30 characters.
const char *MailStepErrorText(MailStep step);

enum class ReplyState {
    Incomplete,   // no final line yet: receive more, while the buffer has room
    Accepted,     // a complete reply of class 1, 2 or 3
    Rejected,     // a complete reply of class 4 or 5, or one without a reply code
};

// Reads the reply in the first length bytes received: complete once a line
// that starts with a three-digit code not followed by '-' ends in CR LF.
// Continuation lines ("250-...") come before it, in as many pieces as the
// network cuts them into.
ReplyState ExamineReply(const char *received, size_t length);

// Which setting would put a line break on the wire, as the step that carries
// it first: the server name, the sender, the recipient or the subject.
// MailStep::None when none does.
MailStep FirstStepCarryingLineBreak(const char *server, const char *from, const char *to, const char *subject);

// True for four decimal numbers 0-255 separated by dots, and nothing else;
// address receives them in network order (first number in the lowest byte).
bool ParseDottedIPv4(const char *text, uint32_t &address);

// The local zone as the date line shows it: "+0100", "-0500", "+0530".
// biasMinutes is UTC minus standard local time (300 five hours west); daylight
// saving moves the zone a fixed hour ahead.
void FormatZone(int32_t biasMinutes, bool daylight, char (&zone)[8]);

// "Tue, 08 Dec 2026 05:37:27 +0000" with English names, whatever the locale.
void FormatMailDate(const struct tm &local, const char *zone, char (&date)[MailDateSize]);

// Whether the text holds a byte past ASCII: a body that does goes out as UTF-8
// and is declared so; an all-ASCII message keeps the plain five header lines.
bool HasEightBitText(const char *text);

// The five header lines, in their fixed order, then, for a UTF-8 body, the
// MIME-Version and Content-Type lines that declare it; false when they do not fit.
bool BuildHeaderBlock(const char *date, const char *from, const char *subject, const char *to, bool utf8Body,
                      char *block, size_t size);

// The body with a second '.' before every line that starts with one, so no
// line of it can end the message; false when it does not fit.
bool DotStuff(const char *body, char *stuffed, size_t size);

// The "HOLMVARD Email Error" box's text.
constexpr size_t MailErrorTextSize = 4096;
void FormatMailErrorText(const char *error, const char *from, const char *to, const char *server, const char *subject,
                         const char *body, char (&text)[MailErrorTextSize]);
