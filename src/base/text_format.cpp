#include "base/text_format.h"

#include "base/bounded_text.h"

namespace {

// Our own tables rather than strftime: its names follow the C locale, and the
// stored time stamps and the log must read the same on every system.
const char *const DayNames[7] = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
};

const char *const MonthNames[12] = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December",
};

bool ToLocalTime(time_t now, struct tm &local)
{
#ifdef _WIN32
    // The Microsoft runtime takes the result first, unlike C11's localtime_s.
    return localtime_s(&local, &now) == 0;
#else
    return localtime_r(&now, &local) != nullptr;
#endif
}

}  // namespace

void FormatTimeStampOf(const struct tm &local, char *buffer, size_t size)
{
    if (size == 0)
        return;
    if (local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11) {
        buffer[0] = '\0';
        return;
    }
    FormatIntoSized(buffer, size, "%s, %s %02d, %04d %02d:%02d:%02d", DayNames[local.tm_wday],
                    MonthNames[local.tm_mon], local.tm_mday, local.tm_year + 1900, local.tm_hour,
                    local.tm_min, local.tm_sec);
}

void FormatTimeStamp(char *buffer, size_t size)
{
    if (size == 0)
        return;
    buffer[0] = '\0';
    time_t now = time(nullptr);
    if (now == static_cast<time_t>(-1))
        return;
    struct tm local = {};
    if (!ToLocalTime(now, local))
        return;
    FormatTimeStampOf(local, buffer, size);
}

void FormatGroupedNumber(uint64_t value, char *buffer)
{
    char digits[GroupedNumberSize];
    FormatInto(digits, "%llu", static_cast<unsigned long long>(value));
    size_t digitCount = BoundedLength(digits, sizeof digits);

    // A comma goes before every digit but the first whose distance from the end
    // is a multiple of three. Twenty digits at most give 26 characters.
    size_t out = 0;
    for (size_t i = 0; i < digitCount; ++i) {
        bool comma = i > 0 && (digitCount - i) % 3 == 0;
        if (out + (comma ? 2 : 1) >= GroupedNumberSize)
            break;
        if (comma)
            buffer[out++] = ',';
        buffer[out++] = digits[i];
    }
    buffer[out] = '\0';
}

void FormatDecimalSize(double bytes, char *buffer)
{
    double megabytes = bytes * 0.000001;
    if (megabytes < 1000)
        FormatIntoSized(buffer, SizeTextSize, "%.2fMB", megabytes);
    else
        FormatIntoSized(buffer, SizeTextSize, "%.2fGB", megabytes * 0.001);
}

void FormatBinarySize(double bytes, char *buffer)
{
    double megabytes = bytes * 9.5367431640625e-07;
    if (megabytes < 1024)
        FormatIntoSized(buffer, SizeTextSize, "%.2fMB", megabytes);
    else
        FormatIntoSized(buffer, SizeTextSize, "%.2fGB", megabytes * 0.0009765625);
}
