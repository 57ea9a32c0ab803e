// A drive's history file: one CSV line per check, UTF-8, CR LF ended, under a
// header naming the columns. The lines, the file's name and what a trim keeps.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/smart_caution.h"

struct HistorySample {
    int64_t time;                // seconds since 1970, UTC
    int32_t utcOffsetMinutes;    // local time minus UTC at that time
    uint8_t temperature;         // degrees Celsius, 0 none
    bool countsRead;
    CautionCounts counts;
    uint32_t unwatched;          // caution item bits not watched: their cells stay empty
    bool powerOnHoursRead;
    uint64_t powerOnHours;
    bool nvme;
    uint8_t percentageUsed;
    uint64_t dataUnitsWritten;
};

// The columns: time, temperature, the caution items in CautionItem order, then
// power-on hours and the two NVMe figures.
constexpr char HistoryHeader[] =
    "time,temperature,reallocated_sectors,reported_uncorrectable,reallocation_events,pending_sectors,"
    "offline_uncorrectable,attributes_at_threshold,media_errors,worn_out,power_on_hours,percentage_used,"
    "data_units_written\r\n";
constexpr int HistoryColumnCount = 13;

// Ample for the longest line: every column at its largest value.
constexpr size_t HistoryLineSize = 320;

// A file that grew past this keeps its header and its newest half.
constexpr uint64_t HistoryFileLimit = 4ull * 1024 * 1024;

// The sample as one line, CR LF ended, into line[0..size); false when cut.
bool FormatHistoryLine(const HistorySample &sample, char *line, size_t size);

// The drive's key text (model followed by serial) with every character a file
// name cannot hold made '_', and ".csv"; an empty key gives "_.csv". False
// when the name was cut.
bool HistoryFileNameOfSized(const char *driveKeyText, char *name, size_t size);

template <size_t N>
bool HistoryFileNameOf(const char *driveKeyText, char (&name)[N])
{
    return HistoryFileNameOfSized(driveKeyText, name, N);
}

// The History folder beside the error log: the folder of errorLogPath
// followed by "History", or "History" alone when the path names no folder.
// False when it does not fit.
bool BuildHistoryFolderPathSized(const char *errorLogPath, char *folder, size_t size);

template <size_t N>
bool BuildHistoryFolderPath(const char *errorLogPath, char (&folder)[N])
{
    return BuildHistoryFolderPathSized(errorLogPath, folder, N);
}

// One line of line[0..length), with or without its line end, back into a
// sample. False, leaving sample alone, for anything FormatHistoryLine cannot
// have written: a wrong number of cells, a bad time, a number out of range.
// Counts are read when any item cell holds one; the empty ones are unwatched.
bool ParseHistoryLine(const char *line, size_t length, HistorySample &sample);

// Where the next line starts after the one at text[at]: past its LF, or size.
size_t NextHistoryLine(const char *text, size_t size, size_t at);

// What a file of size bytes keeps when it passed the limit: its first line
// (the header), text[0..headerLength), followed by text[tailStart..size), the
// newest half, from the start of a line. tailStart is size when no line
// starts in the newest half.
struct HistoryTrim {
    size_t headerLength;
    size_t tailStart;
};
HistoryTrim TrimHistory(const char *text, size_t size);

// A time as the calendar shows it at its offset.
struct HistoryCivilTime {
    int year;
    int month;    // 1 to 12
    int day;      // 1 to 31
    int hour;
    int minute;
    int second;
};
HistoryCivilTime HistoryCivilTimeOf(int64_t time, int32_t utcOffsetMinutes);
