#include "mail/smtp_dialogue.h"

#include <cstring>

#include "base/bounded_text.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool HasLineBreak(const char *text)
{
    return strchr(text, '\r') || strchr(text, '\n');
}

}  // namespace

const char *MailStepErrorText(MailStep step)
{
    static const char *const Texts[] = {
        "Winsock startup error",     "Local host name error",     "Socket creation error",
        "Server host name error",    "Server connect error",      "Server welcome error",
        "Server email connect error", "Server MAIL FROM: error",   "Server RCPT TO: error",
        "Server DATA command error", "Server email header error", "Server email body error",
        "Server QUIT command error", "Server address error",      "Password in address refused",
        "Server STARTTLS error",     "Server TLS error",          "Server certificate error",
        "No e-mail password stored", "Server sign-in error",      "Stored password unreadable",
    };
    int index = static_cast<int>(step) - 1;
    if (index < 0 || index >= static_cast<int>(sizeof Texts / sizeof Texts[0]))
        return "";
    return Texts[index];
}

ReplyState ExamineReply(const char *received, size_t length)
{
    size_t lineStart = 0;
    for (size_t i = 0; i + 1 < length; i++) {
        if (received[i] != '\r' || received[i + 1] != '\n')
            continue;
        const char *line = received + lineStart;
        size_t lineLength = i - lineStart;
        lineStart = i + 2;
        // A code, then a space, a hyphen or the line's end.
        bool coded = lineLength >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
                     (lineLength == 3 || line[3] == ' ' || line[3] == '-');
        if (coded && lineLength > 3 && line[3] == '-')
            continue;
        if (!coded)
            return ReplyState::Rejected;
        return line[0] >= '1' && line[0] <= '3' ? ReplyState::Accepted : ReplyState::Rejected;
    }
    return ReplyState::Incomplete;
}

MailStep FirstStepCarryingLineBreak(const char *server, const char *from, const char *to, const char *subject)
{
    if (HasLineBreak(server))
        return MailStep::ServerLookup;
    if (HasLineBreak(from))
        return MailStep::MailFrom;
    if (HasLineBreak(to))
        return MailStep::RcptTo;
    if (HasLineBreak(subject))
        return MailStep::Header;
    return MailStep::None;
}

bool ParseDottedIPv4(const char *text, uint32_t &address)
{
    uint32_t result = 0;
    const char *cursor = text;
    for (int part = 0; part < 4; part++) {
        if (part > 0 && *cursor++ != '.')
            return false;
        if (!IsDigit(*cursor))
            return false;
        uint32_t value = 0;
        int digits = 0;
        while (IsDigit(*cursor) && digits < 4) {
            value = value * 10 + static_cast<uint32_t>(*cursor++ - '0');
            digits++;
        }
        if (digits > 3 || value > 255)
            return false;
        result |= value << (8 * part);
    }
    if (*cursor != '\0')
        return false;
    address = result;
    return true;
}

void FormatZone(int32_t biasMinutes, bool daylight, char (&zone)[8])
{
    int32_t offset = -biasMinutes + (daylight ? 60 : 0);
    char sign = offset >= 0 ? '+' : '-';
    if (offset < 0)
        offset = -offset;
    FormatInto(zone, "%c%02d%02d", sign, static_cast<int>(offset / 60 % 100), static_cast<int>(offset % 60));
}

void FormatMailDate(const struct tm &local, const char *zone, char (&date)[MailDateSize])
{
    static const char *const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11) {
        date[0] = '\0';
        return;
    }
    FormatInto(date, "%s, %02d %s %d %02d:%02d:%02d %s", Days[local.tm_wday], local.tm_mday, Months[local.tm_mon],
               local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, zone);
}

bool HasEightBitText(const char *text)
{
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; c++) {
        if (*c >= 0x80)
            return true;
    }
    return false;
}

bool BuildHeaderBlock(const char *date, const char *from, const char *subject, const char *to, bool utf8Body,
                      char *block, size_t size)
{
    // After the five lines, so an all-ASCII message's block is exactly what it always was.
    return FormatIntoSized(block, size, "Date: %s\r\nFrom: %s\r\nSubject: %s\r\nTo: %s\r\nX-Mailer: %s\r\n%s", date,
                           from, subject, to, MailerName,
                           utf8Body ? "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n" : "");
}

bool DotStuff(const char *body, char *stuffed, size_t size)
{
    if (size == 0)
        return false;
    size_t out = 0;
    bool lineStart = true;
    for (const char *c = body; *c; c++) {
        size_t need = lineStart && *c == '.' ? 2 : 1;
        if (out + need >= size) {
            stuffed[out] = '\0';
            return false;
        }
        if (need == 2)
            stuffed[out++] = '.';
        stuffed[out++] = *c;
        lineStart = *c == '\n';
    }
    stuffed[out] = '\0';
    return true;
}

void FormatMailErrorText(const char *error, const char *from, const char *to, const char *server, const char *subject,
                         const char *body, char (&text)[MailErrorTextSize])
{
    FormatInto(text,
               "An error has occurred sending an email message.\n\nError: %s\nFrom: %s\nTo: %s\nServer: %s\n\n"
               "Subject:\n%s\n\nEmail message:\n%s",
               error, from, to, server, subject, body);
}
