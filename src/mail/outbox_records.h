// The outbox's portable half: an alert e-mail that could not be sent, as the
// text of its file; when the next attempt is due; and the log records of what
// became of it. The files themselves are outbox.cpp's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/log_records.h"
#include "mail/smtp_dialogue.h"

constexpr size_t OutboxFieldSize = 128;
constexpr size_t OutboxBodySize = 16384;
// Header lines and the body: ample room for any kept message.
constexpr size_t OutboxFileSize = OutboxBodySize + 1024;
constexpr uint32_t OutboxLimit = 100;

struct KeptMail {
    char raised[OutboxFieldSize];    // when the alert was raised, as the program stamps times
    char date[MailDateSize];         // the Date line of the first attempt, sent unchanged later
    uint32_t attempts;               // attempts so far, the first one included
    char subject[OutboxFieldSize];
    char body[OutboxBodySize];
};

// The file's text; false when it does not fit. length receives its size.
bool FormatKeptMail(const KeptMail &mail, char *text, size_t size, size_t &length);

// Reads a file's text back: false for anything but a whole, well-formed file.
bool ParseKeptMail(const char *text, size_t length, KeptMail &mail);

// Minutes until the next attempt of a message tried attempts times: 5, 10,
// 20, 40, then 60 for ever.
uint32_t RetryDelayMinutes(uint32_t attempts);

// How many of the oldest of kept messages go before one more is kept.
uint32_t OldestToDrop(uint32_t kept);

// The name a file that cannot be read is set aside under: "<name>.bad", or
// "<name>.<n>.bad" for the n-th try (n from 2) when that name is taken.
constexpr size_t SetAsideNameSize = 32;
void FormatSetAsideName(const char *fileName, uint32_t n, char (&aside)[SetAsideNameSize]);

// "Delayed e-mail delivered", "Kept e-mail dropped", "Unreadable kept e-mail
// set aside", "Kept e-mail folder cannot be created", "Alert e-mail cannot be
// kept" and "Delivered kept e-mail cannot be removed" records, with their
// lines and the empty line that ends every log record. error and errorText
// are the system's error number and its text.
void FormatDeliveredRecord(const KeptMail &mail, const char *delivered, char (&record)[LogRecordSize]);
void FormatDroppedRecord(const KeptMail &mail, char (&record)[LogRecordSize]);
void FormatSetAsideRecord(const char *fileName, const char *aside, char (&record)[LogRecordSize]);
void FormatOutboxFolderRecord(const char *folder, char (&record)[LogRecordSize]);
void FormatUnkeptRecord(const char *subject, unsigned long error, const char *errorText,
                        char (&record)[LogRecordSize]);
void FormatUnremovedRecord(const KeptMail &mail, const char *fileName, unsigned long error, const char *errorText,
                           char (&record)[LogRecordSize]);
