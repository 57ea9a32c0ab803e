#include "mail/outbox_records.h"

#include <cstring>

#include "base/bounded_text.h"

namespace {

constexpr char FirstLine[] = "HOLMVARD kept e-mail\r\n";
constexpr uint32_t AttemptsLimit = 1000000;

bool HasLineBreakOrNothing(const char *text)
{
    return text[0] == '\0' || strpbrk(text, "\r\n") != nullptr;
}

// Reads "<name>: <value>\r\n" at cursor into value; false unless it is exactly that.
template <size_t N> bool ReadField(const char *&cursor, const char *end, const char *name, char (&value)[N])
{
    size_t nameLength = strlen(name);
    if (static_cast<size_t>(end - cursor) < nameLength + 2 || memcmp(cursor, name, nameLength) != 0 ||
        cursor[nameLength] != ':' || cursor[nameLength + 1] != ' ')
        return false;
    const char *start = cursor + nameLength + 2;
    const char *stop = start;
    while (stop < end && *stop != '\r' && *stop != '\n' && *stop != '\0')
        stop++;
    size_t length = static_cast<size_t>(stop - start);
    if (length == 0 || length >= sizeof value || end - stop < 2 || stop[0] != '\r' || stop[1] != '\n')
        return false;
    memcpy(value, start, length);
    value[length] = '\0';
    cursor = stop + 2;
    return true;
}

bool ReadNumber(const char *text, uint32_t limit, uint32_t &number)
{
    number = 0;
    for (const char *c = text; *c; c++) {
        if (*c < '0' || *c > '9' || (c == text && *c == '0' && c[1]))
            return false;
        number = number * 10 + static_cast<uint32_t>(*c - '0');
        if (number > limit)
            return false;
    }
    return true;
}

}  // namespace

bool FormatKeptMail(const KeptMail &mail, char *text, size_t size, size_t &length)
{
    if (HasLineBreakOrNothing(mail.raised) || HasLineBreakOrNothing(mail.date) ||
        HasLineBreakOrNothing(mail.subject) || mail.attempts == 0)
        return false;
    size_t bodyLength = strnlen(mail.body, sizeof mail.body);
    if (bodyLength == sizeof mail.body)
        return false;
    if (!FormatIntoSized(text, size, "%sRaised: %s\r\nDate: %s\r\nAttempts: %lu\r\nSubject: %s\r\nBody: %zu\r\n\r\n",
                         FirstLine, mail.raised, mail.date, static_cast<unsigned long>(mail.attempts), mail.subject,
                         bodyLength))
        return false;
    size_t header = strlen(text);
    if (header + bodyLength >= size)
        return false;
    memcpy(text + header, mail.body, bodyLength);
    length = header + bodyLength;
    text[length] = '\0';
    return true;
}

bool ParseKeptMail(const char *text, size_t length, KeptMail &mail)
{
    memset(&mail, 0, sizeof mail);
    const char *cursor = text;
    const char *end = text + length;
    size_t first = sizeof FirstLine - 1;
    if (length < first || memcmp(text, FirstLine, first) != 0)
        return false;
    cursor += first;
    char attempts[OutboxFieldSize];
    char bodyLength[OutboxFieldSize];
    if (!ReadField(cursor, end, "Raised", mail.raised) || !ReadField(cursor, end, "Date", mail.date) ||
        !ReadField(cursor, end, "Attempts", attempts) || !ReadField(cursor, end, "Subject", mail.subject) ||
        !ReadField(cursor, end, "Body", bodyLength))
        return false;
    uint32_t bodySize = 0;
    if (!ReadNumber(attempts, AttemptsLimit, mail.attempts) || mail.attempts == 0 ||
        !ReadNumber(bodyLength, OutboxBodySize - 1, bodySize))
        return false;
    if (end - cursor < 2 || cursor[0] != '\r' || cursor[1] != '\n')
        return false;
    cursor += 2;
    // The body is the rest of the file, exactly as long as announced.
    if (static_cast<size_t>(end - cursor) != bodySize || memchr(cursor, '\0', bodySize))
        return false;
    memcpy(mail.body, cursor, bodySize);
    mail.body[bodySize] = '\0';
    return true;
}

uint32_t RetryDelayMinutes(uint32_t attempts)
{
    switch (attempts) {
    case 0:
    case 1:
        return 5;
    case 2:
        return 10;
    case 3:
        return 20;
    case 4:
        return 40;
    }
    return 60;
}

uint32_t OldestToDrop(uint32_t kept)
{
    return kept >= OutboxLimit ? kept - OutboxLimit + 1 : 0;
}

void FormatDeliveredRecord(const KeptMail &mail, const char *delivered, char (&record)[LogRecordSize])
{
    FormatInto(record, "Delayed e-mail delivered\r\nSubject: %s\r\nRaised on: %s\r\nDelivered on: %s\r\n\r\n",
               mail.subject, mail.raised, delivered);
}

void FormatDroppedRecord(const KeptMail &mail, char (&record)[LogRecordSize])
{
    FormatInto(record, "Kept e-mail dropped: more than %lu waiting\r\nSubject: %s\r\nRaised on: %s\r\n\r\n",
               static_cast<unsigned long>(OutboxLimit), mail.subject, mail.raised);
}

void FormatSetAsideName(const char *fileName, uint32_t n, char (&aside)[SetAsideNameSize])
{
    if (n < 2)
        FormatInto(aside, "%s.bad", fileName);
    else
        FormatInto(aside, "%s.%lu.bad", fileName, static_cast<unsigned long>(n));
}

void FormatSetAsideRecord(const char *fileName, const char *aside, char (&record)[LogRecordSize])
{
    FormatInto(record, "Unreadable kept e-mail set aside\r\nFile: %s\r\nRenamed to: %s\r\n\r\n", fileName, aside);
}

void FormatOutboxFolderRecord(const char *folder, char (&record)[LogRecordSize])
{
    FormatInto(record, "Kept e-mail folder cannot be created\r\nFolder: %s\r\n\r\n", folder);
}

void FormatUnkeptRecord(const char *subject, unsigned long error, const char *errorText,
                        char (&record)[LogRecordSize])
{
    FormatInto(record, "Alert e-mail cannot be kept\r\nSubject: %s\r\nSystem error: %lu %s\r\n\r\n", subject, error,
               errorText);
}

void FormatUnremovedRecord(const KeptMail &mail, const char *fileName, unsigned long error, const char *errorText,
                           char (&record)[LogRecordSize])
{
    FormatInto(record,
               "Delivered kept e-mail cannot be removed\r\nFile: %s\r\nSubject: %s\r\nRaised on: %s\r\n"
               "System error: %lu %s\r\n\r\n",
               fileName, mail.subject, mail.raised, error, errorText);
}
