#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>

#include "base/text_format.h"

namespace {

// A broken-down local time as the conversion would give it; tm_wday must agree
// with the date because the formatter trusts it.
struct tm MakeLocalTime(int year, int month, int day, int weekday, int hour, int minute, int second)
{
    struct tm local = {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_wday = weekday;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    return local;
}

struct SizeCase {
    double bytes;
    const char *text;
};

TEST(TextFormat, DecimalSizeSwitchesToGigabytesAtOneThousandMegabytes)
{
    const SizeCase cases[] = {
        {0.0, "0.00MB"},
        {999994999.0, "999.99MB"},
        // 999.999999 MB is still below the threshold and rounds up when printed.
        {999999999.0, "1000.00MB"},
        {1000000000.0, "1.00GB"},
        {78165360.0 * 512, "40.02GB"},
    };
    for (const SizeCase &c : cases) {
        char text[SizeTextSize];
        FormatDecimalSize(c.bytes, text);
        EXPECT_STREQ(text, c.text) << c.bytes;
    }
}

TEST(TextFormat, BinarySizeSwitchesToGigabytesAtOneThousandTwentyFourMegabytes)
{
    const SizeCase cases[] = {
        {0.0, "0.00MB"},
        {524288.0, "0.50MB"},
        {1048576.0, "1.00MB"},
        {1073741823.0, "1024.00MB"},
        {1073741824.0, "1.00GB"},
        {1099511627776.0, "1024.00GB"},
    };
    for (const SizeCase &c : cases) {
        char text[SizeTextSize];
        FormatBinarySize(c.bytes, text);
        EXPECT_STREQ(text, c.text) << c.bytes;
    }
}

TEST(TextFormat, SizeTextOfHugeValueIsCutAndTerminated)
{
    char text[SizeTextSize];
    FormatDecimalSize(1e300, text);
    EXPECT_EQ(strlen(text), SizeTextSize - 1);
    FormatBinarySize(1e300, text);
    EXPECT_EQ(strlen(text), SizeTextSize - 1);
}

TEST(TextFormat, GroupedNumberPutsCommaBetweenGroupsOfThreeFromTheRight)
{
    const struct {
        uint64_t value;
        const char *text;
    } cases[] = {
        {0, "0"},
        {7, "7"},
        {100, "100"},
        {999, "999"},
        {1000, "1,000"},
        {100000, "100,000"},
        {999999, "999,999"},
        {1000000, "1,000,000"},
        {1234567, "1,234,567"},
        {78165360, "78,165,360"},
        {18446744073709551615ull, "18,446,744,073,709,551,615"},
    };
    for (const auto &c : cases) {
        // Exactly the documented size, so the sanitizer catches any overrun.
        char text[GroupedNumberSize];
        FormatGroupedNumber(c.value, text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
}

TEST(TextFormat, TimeStampSpellsOutDayAndMonthWithTwoDigitFields)
{
    char text[TimeStampSize];
    FormatTimeStampOf(MakeLocalTime(2002, 1, 1, 2, 9, 5, 3), text, sizeof text);
    EXPECT_STREQ(text, "Tuesday, January 01, 2002 09:05:03");
}

TEST(TextFormat, LongestTimeStampIsAWednesdayInSeptemberAndFitsFortyBytes)
{
    char text[TimeStampSize];
    FormatTimeStampOf(MakeLocalTime(2001, 9, 26, 3, 23, 59, 59), text, sizeof text);
    EXPECT_STREQ(text, "Wednesday, September 26, 2001 23:59:59");
    EXPECT_EQ(strlen(text), 38u);
}

TEST(TextFormat, TimeStampNamesAllSevenDaysAndTwelveMonthsInEnglish)
{
    const char *const days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                "Thursday", "Friday", "Saturday"};
    for (int weekday = 0; weekday < 7; ++weekday) {
        // 6 to 12 January 2002 run from Sunday to Saturday.
        char text[TimeStampSize];
        FormatTimeStampOf(MakeLocalTime(2002, 1, 6 + weekday, weekday, 12, 0, 0), text, sizeof text);
        std::string expected = std::string(days[weekday]) + ", January " +
                               (weekday < 4 ? "0" : "") + std::to_string(6 + weekday) +
                               ", 2002 12:00:00";
        EXPECT_EQ(text, expected);
    }

    const struct {
        int weekday;  // of the first of the month in 2002
        const char *name;
    } months[] = {
        {2, "January"}, {5, "February"}, {5, "March"},     {1, "April"},
        {3, "May"},     {6, "June"},     {1, "July"},      {4, "August"},
        {0, "September"}, {2, "October"}, {5, "November"}, {0, "December"},
    };
    for (int month = 1; month <= 12; ++month) {
        char text[TimeStampSize];
        FormatTimeStampOf(MakeLocalTime(2002, month, 1, months[month - 1].weekday, 0, 0, 0), text,
                          sizeof text);
        std::string expected = std::string(months[month - 1].name) + " 01, 2002 00:00:00";
        EXPECT_NE(strstr(text, expected.c_str()), nullptr) << text;
    }
}

TEST(TextFormat, TimeStampInSmallBufferIsCutAndTerminated)
{
    char text[16];
    memset(text, 'x', sizeof text);
    FormatTimeStampOf(MakeLocalTime(2002, 1, 1, 2, 9, 5, 3), text, 10);
    EXPECT_STREQ(text, "Tuesday, ");
    EXPECT_EQ(text[10], 'x');

    memset(text, 'x', sizeof text);
    FormatTimeStampOf(MakeLocalTime(2002, 1, 1, 2, 9, 5, 3), text, 1);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(text[1], 'x');
}

TEST(TextFormat, TimeStampWithImpossibleWeekdayOrMonthIsEmpty)
{
    char text[TimeStampSize];
    memset(text, 'x', sizeof text);
    FormatTimeStampOf(MakeLocalTime(2002, 1, 1, 7, 9, 5, 3), text, sizeof text);
    EXPECT_STREQ(text, "");
    memset(text, 'x', sizeof text);
    FormatTimeStampOf(MakeLocalTime(2002, 13, 1, 2, 9, 5, 3), text, sizeof text);
    EXPECT_STREQ(text, "");
}

TEST(TextFormat, TimeStampStaysEnglishUnderAnotherCLocale)
{
    const char *const candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8",
                                      "fr_FR.utf8",  "fr_FR",      "es_ES.UTF-8", "German"};
    std::string previous = setlocale(LC_TIME, nullptr);
    struct tm tuesday = MakeLocalTime(2002, 1, 1, 2, 9, 5, 3);
    bool switched = false;
    for (const char *name : candidates) {
        if (!setlocale(LC_TIME, name))
            continue;
        // Only a locale whose own weekday name differs proves anything.
        char localName[64];
        if (strftime(localName, sizeof localName, "%A", &tuesday) > 0 &&
            strcmp(localName, "Tuesday") != 0) {
            switched = true;
            break;
        }
    }
    if (!switched) {
        setlocale(LC_TIME, previous.c_str());
        GTEST_SKIP() << "no locale with non-English day names is installed";
    }

    char text[TimeStampSize];
    FormatTimeStampOf(tuesday, text, sizeof text);
    setlocale(LC_TIME, previous.c_str());
    EXPECT_STREQ(text, "Tuesday, January 01, 2002 09:05:03");
}

TEST(TextFormat, TimeStampOfClockHasTheDayMonthDateTimeShape)
{
    char text[TimeStampSize];
    memset(text, 'x', sizeof text);
    FormatTimeStamp(text, sizeof text);
    const std::regex shape(
        "(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
        "(January|February|March|April|May|June|July|August|September|October|November|December) "
        "(0[1-9]|[12][0-9]|3[01]), [0-9]{4} ([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]");
    EXPECT_TRUE(std::regex_match(text, shape)) << text;
}

TEST(TextFormat, TimeStampOfClockWithZeroSizeWritesNothing)
{
    char text[4] = {'x', 'x', 'x', 'x'};
    FormatTimeStamp(text, 0);
    EXPECT_EQ(text[0], 'x');
}

}  // namespace
