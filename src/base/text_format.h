// Time-stamp, digit-grouping and size texts for the dialogs, pages, e-mails,
// error log and the time-stamp values in the registry. Nothing here depends on
// the user's language or the C locale: names, separators and units are fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// The longest time stamp is 38 characters (a Wednesday in September).
constexpr size_t TimeStampSize = 40;

// The largest 64-bit value grouped is 26 characters.
constexpr size_t GroupedNumberSize = 27;

// Ample for any size text a disk or volume can produce; larger values are cut.
constexpr size_t SizeTextSize = 40;

// Writes the current local time as "Tuesday, January 01, 2002 09:05:03" into
// buffer[0..size), cut when size is too small. Leaves an empty text when the
// clock or the local-time conversion fails. Writes nothing when size is 0.
void FormatTimeStamp(char *buffer, size_t size);

// The formatting half of FormatTimeStamp, for a time already broken down.
// Leaves an empty text when the weekday or month is out of range.
void FormatTimeStampOf(const struct tm &local, char *buffer, size_t size);

// Writes value with a comma between each group of three digits from the right
// (1234567 gives 1,234,567). buffer holds at least GroupedNumberSize bytes.
void FormatGroupedNumber(uint64_t value, char *buffer);

// A drive capacity in decimal units (1 MB = 1,000,000 bytes), as "40.02GB";
// 1000 MB and above is shown in GB. buffer holds at least SizeTextSize bytes.
void FormatDecimalSize(double bytes, char *buffer);

// A volume size in binary units (1 MB = 1,048,576 bytes), as "0.50MB";
// 1024 MB and above is shown in GB. buffer holds at least SizeTextSize bytes.
void FormatBinarySize(double bytes, char *buffer);
