#include "history/history_lines.h"

#include <cstring>

#include "base/bounded_text.h"

namespace {

constexpr int64_t SecondsPerDay = 24 * 60 * 60;
// Offsets beyond a day are no time zone's.
constexpr int32_t OffsetMinutesMax = 24 * 60 - 1;

// Days since 1970-01-01 of a proleptic Gregorian date: eras of 400 years
// repeat exactly, so the count needs no table.
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, HistoryCivilTime &civil)
{
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    civil.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    civil.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    civil.year = static_cast<int>(yearOfEra + era * 400 + (civil.month <= 2));
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The cells of one line, as offsets into it.
struct Cells {
    const char *start[HistoryColumnCount];
    size_t length[HistoryColumnCount];
};

bool SplitCells(const char *line, size_t length, Cells &cells)
{
    if (length > 0 && line[length - 1] == '\n')
        length--;
    if (length > 0 && line[length - 1] == '\r')
        length--;
    int cell = 0;
    size_t begin = 0;
    for (size_t i = 0; i <= length; i++) {
        if (i < length && line[i] != ',')
            continue;
        if (cell == HistoryColumnCount)
            return false;
        cells.start[cell] = line + begin;
        cells.length[cell] = i - begin;
        cell++;
        begin = i + 1;
    }
    return cell == HistoryColumnCount;
}

// Decimal digits only, no sign, at most maximum.
bool ReadNumber(const char *text, size_t length, uint64_t maximum, uint64_t &value)
{
    if (length == 0 || length > 20)
        return false;
    uint64_t result = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (result > (maximum - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

// Exactly count digits at text: the fixed-width fields of the time.
bool ReadDigits(const char *text, int count, int &value)
{
    value = 0;
    for (int i = 0; i < count; i++) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "2026-12-09T14:05:00+01:00"; Z stands for +00:00.
bool ReadTime(const char *text, size_t length, int64_t &time, int32_t &offsetMinutes)
{
    if (length != 25 && length != 20)
        return false;
    int year, month, day, hour, minute, second;
    if (!ReadDigits(text, 4, year) || text[4] != '-' || !ReadDigits(text + 5, 2, month) || text[7] != '-' ||
        !ReadDigits(text + 8, 2, day) || text[10] != 'T' || !ReadDigits(text + 11, 2, hour) || text[13] != ':' ||
        !ReadDigits(text + 14, 2, minute) || text[16] != ':' || !ReadDigits(text + 17, 2, second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    int offset = 0;
    if (length == 20) {
        if (text[19] != 'Z')
            return false;
    } else {
        int offsetHours, offsetRest;
        if ((text[19] != '+' && text[19] != '-') || !ReadDigits(text + 20, 2, offsetHours) || text[22] != ':' ||
            !ReadDigits(text + 23, 2, offsetRest) || offsetRest > 59)
            return false;
        offset = offsetHours * 60 + offsetRest;
        if (offset > OffsetMinutesMax)
            return false;
        if (text[19] == '-')
            offset = -offset;
    }
    int64_t local = DaysFromCivil(year, month, day) * SecondsPerDay + hour * 3600 + minute * 60 + second;
    time = local - static_cast<int64_t>(offset) * 60;
    offsetMinutes = offset;
    return true;
}

// An empty cell stays empty; a value is appended after the comma.
void AppendCell(char *line, size_t size, bool present, uint64_t value, bool &whole)
{
    char cell[24];
    if (present)
        FormatInto(cell, ",%llu", static_cast<unsigned long long>(value));
    else
        CopyText(cell, ",");
    whole = AppendTextSized(line, size, cell) && whole;
}

// A character a Windows file name cannot hold.
bool ForbiddenInFileName(unsigned char c)
{
    return c < 0x20 || c == 0x7F || strchr("<>:\"/\\|?*", c) != nullptr;
}

}  // namespace

HistoryCivilTime HistoryCivilTimeOf(int64_t time, int32_t utcOffsetMinutes)
{
    int64_t local = time + static_cast<int64_t>(utcOffsetMinutes) * 60;
    int64_t days = local >= 0 ? local / SecondsPerDay : -((-local + SecondsPerDay - 1) / SecondsPerDay);
    int64_t rest = local - days * SecondsPerDay;
    HistoryCivilTime civil = {};
    CivilFromDays(days, civil);
    civil.hour = static_cast<int>(rest / 3600);
    civil.minute = static_cast<int>(rest / 60 % 60);
    civil.second = static_cast<int>(rest % 60);
    return civil;
}

bool FormatHistoryLine(const HistorySample &sample, char *line, size_t size)
{
    if (size == 0)
        return false;
    HistoryCivilTime civil = HistoryCivilTimeOf(sample.time, sample.utcOffsetMinutes);
    int32_t offset = sample.utcOffsetMinutes;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0)
        offset = -offset;
    bool whole = FormatIntoSized(line, size, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", civil.year, civil.month,
                                 civil.day, civil.hour, civil.minute, civil.second, sign,
                                 static_cast<int>(offset / 60), static_cast<int>(offset % 60));
    AppendCell(line, size, sample.temperature != 0, sample.temperature, whole);
    for (int item = 0; item < CautionItemCount; item++) {
        bool watched = (sample.unwatched & CautionItemBit(static_cast<CautionItem>(item))) == 0;
        AppendCell(line, size, sample.countsRead && watched, sample.counts.value[item], whole);
    }
    AppendCell(line, size, sample.powerOnHoursRead, sample.powerOnHours, whole);
    AppendCell(line, size, sample.nvme, sample.percentageUsed, whole);
    AppendCell(line, size, sample.nvme, sample.dataUnitsWritten, whole);
    return AppendTextSized(line, size, "\r\n") && whole;
}

bool HistoryFileNameOfSized(const char *driveKeyText, char *name, size_t size)
{
    static const char extension[] = ".csv";
    if (size < sizeof extension) {
        if (size > 0)
            name[0] = '\0';
        return false;
    }
    size_t length = strlen(driveKeyText);
    // Windows drops trailing dots and spaces from a name: keep them visible.
    size_t kept = length;
    while (kept > 0 && (driveKeyText[kept - 1] == '.' || driveKeyText[kept - 1] == ' '))
        kept--;
    size_t wanted = length == 0 ? 1 : length;
    size_t room = size - sizeof extension;
    size_t written = wanted < room ? wanted : room;
    for (size_t i = 0; i < written; i++) {
        // A double-byte character's trail byte may look like a backslash: keep the pair whole.
        if (i + 1 < written && CharacterBoundary(driveKeyText, i + 1) != i + 1) {
            name[i] = driveKeyText[i];
            name[i + 1] = driveKeyText[i + 1];
            i++;
            continue;
        }
        unsigned char c = i < length ? static_cast<unsigned char>(driveKeyText[i]) : '_';
        name[i] = i >= kept || ForbiddenInFileName(c) ? '_' : static_cast<char>(c);
    }
    name[written] = '\0';
    // A cut must not leave half a character behind.
    name[CharacterBoundary(name, written)] = '\0';
    bool whole = written == wanted;
    return AppendTextSized(name, size, extension) && whole;
}

bool BuildHistoryFolderPathSized(const char *errorLogPath, char *folder, size_t size)
{
    if (size == 0)
        return false;
    size_t length = strlen(errorLogPath);
    size_t end = 0;
    for (size_t i = 0; i < length; i++) {
        // A trail byte may be a backslash: only a whole character ends a folder.
        if ((errorLogPath[i] == '\\' || errorLogPath[i] == '/') && CharacterBoundary(errorLogPath, i) == i)
            end = i + 1;
    }
    static const char name[] = "History";
    if (end + sizeof name > size) {
        folder[0] = '\0';
        return false;
    }
    memcpy(folder, errorLogPath, end);
    memcpy(folder + end, name, sizeof name);
    return true;
}

bool ParseHistoryLine(const char *line, size_t length, HistorySample &sample)
{
    Cells cells;
    if (!SplitCells(line, length, cells))
        return false;
    HistorySample read = {};
    if (!ReadTime(cells.start[0], cells.length[0], read.time, read.utcOffsetMinutes))
        return false;
    uint64_t value = 0;
    if (cells.length[1] > 0) {
        if (!ReadNumber(cells.start[1], cells.length[1], 255, value) || value == 0)
            return false;
        read.temperature = static_cast<uint8_t>(value);
    }
    uint32_t empty = 0;
    for (int item = 0; item < CautionItemCount; item++) {
        int cell = 2 + item;
        if (cells.length[cell] == 0) {
            empty |= CautionItemBit(static_cast<CautionItem>(item));
            continue;
        }
        if (!ReadNumber(cells.start[cell], cells.length[cell], UINT32_MAX, value))
            return false;
        read.counts.value[item] = static_cast<uint32_t>(value);
        read.countsRead = true;
    }
    read.unwatched = read.countsRead ? empty : 0;
    const int hours = 2 + CautionItemCount;
    if (cells.length[hours] > 0) {
        if (!ReadNumber(cells.start[hours], cells.length[hours], UINT64_MAX, read.powerOnHours))
            return false;
        read.powerOnHoursRead = true;
    }
    // The NVMe figures come together or not at all.
    bool used = cells.length[hours + 1] > 0;
    if (used != (cells.length[hours + 2] > 0))
        return false;
    if (used) {
        if (!ReadNumber(cells.start[hours + 1], cells.length[hours + 1], 255, value) ||
            !ReadNumber(cells.start[hours + 2], cells.length[hours + 2], UINT64_MAX, read.dataUnitsWritten))
            return false;
        read.percentageUsed = static_cast<uint8_t>(value);
        read.nvme = true;
    }
    sample = read;
    return true;
}

size_t NextHistoryLine(const char *text, size_t size, size_t at)
{
    if (at >= size)
        return size;
    const void *end = memchr(text + at, '\n', size - at);
    return end ? static_cast<size_t>(static_cast<const char *>(end) - text) + 1 : size;
}

HistoryTrim TrimHistory(const char *text, size_t size)
{
    HistoryTrim trim;
    trim.headerLength = NextHistoryLine(text, size, 0);
    // The newest half begins at the first line that starts at or after the middle.
    size_t middle = size - size / 2;
    if (middle <= trim.headerLength)
        trim.tailStart = trim.headerLength;
    else
        trim.tailStart = text[middle - 1] == '\n' ? middle : NextHistoryLine(text, size, middle);
    return trim;
}
