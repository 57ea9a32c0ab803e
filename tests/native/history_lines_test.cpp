#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/bounded_text.h"
#include "history/history_lines.h"

namespace {

constexpr uint32_t Bit(CautionItem item)
{
    return CautionItemBit(item);
}

const uint32_t AtaItems = Bit(CautionItem::ReallocatedSectors) | Bit(CautionItem::ReportedUncorrectable) |
                          Bit(CautionItem::ReallocationEvents) | Bit(CautionItem::PendingSectors) |
                          Bit(CautionItem::OfflineUncorrectable) | Bit(CautionItem::AttributesAtThreshold);

struct LineCase {
    const char *name;
    HistorySample sample;
    const char *line;
};

// Times: 2026-12-09 13:05:00, 2024-02-29 03:30:09 and 1999-12-31 23:59:59 UTC.
const LineCase LineCases[] = {
    {"ata with temperature, an hour east",
     {1796821500, 60, 41, true, {{8, 0, 0, 0, 0, 0, 0, 0}}, 0, true, 12345, false, 0, 0},
     "2026-12-09T14:05:00+01:00,41,8,0,0,0,0,0,0,0,12345,,\r\n"},
    {"nothing read, half-hour offset west back to midnight of a leap day",
     {1709177409, -210, 0, false, {{5, 5, 5, 5, 5, 5, 5, 5}}, 0, false, 77, false, 9, 9},
     "2024-02-29T00:00:09-03:30,,,,,,,,,,,,\r\n"},
    {"unwatched cells stay empty",
     {946684799, 0, 35, true, {{1, 2, 3, 4, 5, 6, 7, 8}},
      Bit(CautionItem::ReportedUncorrectable) | Bit(CautionItem::MediaErrors) | Bit(CautionItem::WornOut), true, 0,
      false, 0, 0},
     "1999-12-31T23:59:59+00:00,35,1,,3,4,5,6,,,0,,\r\n"},
    {"nvme into the next year",
     {946684799, 330, 52, true, {{9, 9, 9, 9, 9, 9, 2, 0}}, AtaItems, true, 900, true, 7, 123456789012ull},
     "2000-01-01T05:29:59+05:30,52,,,,,,,2,0,900,7,123456789012\r\n"},
    {"largest values",
     {1796821500, -720, 255, true, {{UINT32_MAX, 0, 0, 0, 0, 0, UINT32_MAX, 1}}, 0, true, UINT64_MAX, true, 255,
      UINT64_MAX},
     "2026-12-09T01:05:00-12:00,255,4294967295,0,0,0,0,0,4294967295,1,18446744073709551615,255,"
     "18446744073709551615\r\n"},
};

TEST(HistoryLines, LinesHoldTheLocalTimeWithItsOffsetAndLeaveWhatWasNotReadEmpty)
{
    for (const LineCase &c : LineCases) {
        char line[HistoryLineSize];
        EXPECT_TRUE(FormatHistoryLine(c.sample, line, sizeof line)) << c.name;
        EXPECT_STREQ(line, c.line) << c.name;
    }
}

TEST(HistoryLines, EveryLineHasAsManyCellsAsTheHeaderAndACutLineIsReported)
{
    auto cells = [](const char *text) { return 1 + std::count(text, text + strlen(text), ','); };
    for (const LineCase &c : LineCases) {
        char line[HistoryLineSize];
        FormatHistoryLine(c.sample, line, sizeof line);
        EXPECT_EQ(cells(line), cells(HistoryHeader)) << c.name;
        char shorter[20];
        EXPECT_FALSE(FormatHistoryLine(c.sample, shorter, sizeof shorter)) << c.name;
        EXPECT_LT(strlen(shorter), sizeof shorter) << c.name;
    }
}

TEST(HistoryLines, ParsingALineGivesBackTheSameLine)
{
    for (const LineCase &c : LineCases) {
        HistorySample sample;
        std::string text = c.line;
        // With CR LF, with LF alone and without a line end.
        for (const std::string &variant :
             {text, text.substr(0, text.size() - 2) + "\n", text.substr(0, text.size() - 2)}) {
            ASSERT_TRUE(ParseHistoryLine(variant.data(), variant.size(), sample)) << c.name;
            char line[HistoryLineSize];
            FormatHistoryLine(sample, line, sizeof line);
            EXPECT_STREQ(line, c.line) << c.name;
        }
        EXPECT_EQ(sample.time, c.sample.time) << c.name;
        EXPECT_EQ(sample.utcOffsetMinutes, c.sample.utcOffsetMinutes) << c.name;
        EXPECT_EQ(sample.nvme, c.sample.nvme) << c.name;
    }
}

TEST(HistoryLines, AZoneOfZIsUtc)
{
    HistorySample sample;
    const char line[] = "2026-12-09T13:05:00Z,40,,,,,,,,,,,";
    ASSERT_TRUE(ParseHistoryLine(line, strlen(line), sample));
    EXPECT_EQ(sample.time, 1796821500);
    EXPECT_EQ(sample.utcOffsetMinutes, 0);
    EXPECT_EQ(sample.temperature, 40);
    EXPECT_FALSE(sample.countsRead);
}

TEST(HistoryLines, MalformedLinesAreRefusedAndLeaveTheSampleAlone)
{
    const char *const lines[] = {
        "",
        "\r\n",
        HistoryHeader,
        "2026-12-09T14:05:00+01:00,41,8,0,0,0,0,0,0,0,12345,\r\n",        // a cell short
        "2026-12-09T14:05:00+01:00,41,8,0,0,0,0,0,0,0,12345,,,\r\n",      // a cell more
        "2026-13-09T14:05:00+01:00,,,,,,,,,,,,",                           // month 13
        "2026-02-29T14:05:00+01:00,,,,,,,,,,,,",                           // not a leap year
        "2026-12-09 14:05:00+01:00,,,,,,,,,,,,",
        "2026-12-09T24:05:00+01:00,,,,,,,,,,,,",
        "2026-12-09T14:05:00+1:00,,,,,,,,,,,,",
        "2026-12-09T14:05:00+24:00,,,,,,,,,,,,",
        "2026-12-09T14:05:00+01:60,,,,,,,,,,,,",
        "2026-12-09T14:05:00Y,,,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,256,,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,0,,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,-1,,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,4a,,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,, 1,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,,4294967296,,,,,,,,,,",
        "2026-12-09T14:05:00+01:00,,,,,,,,,,18446744073709551616,,",
        "2026-12-09T14:05:00+01:00,,,,,,,,,,,7,",                          // percentage without units
        "2026-12-09T14:05:00+01:00,,,,,,,,,,,,5",                          // units without percentage
        "2026-12-09T14:05:00+01:00,,,,,,,,,,,256,5",
    };
    for (const char *line : lines) {
        HistorySample sample = {};
        sample.temperature = 99;
        EXPECT_FALSE(ParseHistoryLine(line, strlen(line), sample)) << line;
        EXPECT_EQ(sample.temperature, 99) << line;
    }
}

TEST(HistoryLines, FileNamesReplaceWhatWindowsCannotHold)
{
    const struct {
        const char *key;
        size_t size;
        const char *name;
        bool whole;
    } cases[] = {
        {"ST3500418AS 9VM1ABCD", 64, "ST3500418AS 9VM1ABCD.csv", true},
        {"A<B>C:D\"E/F\\G|H?I*J", 64, "A_B_C_D_E_F_G_H_I_J.csv", true},
        {"TAB\tNL\nDEL\x7F", 64, "TAB_NL_DEL_.csv", true},
        {"DRIVE. . ", 64, "DRIVE____.csv", true},
        {"MODEL.SERIAL", 64, "MODEL.SERIAL.csv", true},
        {"", 64, "_.csv", true},
        {"ABCDEFGHIJ", 9, "ABCD.csv", false},
        {"ABCDEFGHIJ", 4, "", false},
    };
    for (const auto &c : cases) {
        char name[64];
        EXPECT_EQ(HistoryFileNameOfSized(c.key, name, c.size), c.whole) << c.key;
        EXPECT_STREQ(name, c.name) << c.key;
    }
}

TEST(HistoryLines, FileNamesKeepDoubleByteCharactersWhole)
{
    // A Shift JIS character whose trail byte is a backslash.
    const uint8_t leadBytes[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
    SetTextEncoding(TextEncoding::DoubleByte, leadBytes, sizeof leadBytes);
    char name[32];
    EXPECT_TRUE(HistoryFileNameOf("\x83\x5C/X", name));
    EXPECT_STREQ(name, "\x83\x5C_X.csv");
    SetTextEncoding(TextEncoding::SingleByte);
}

TEST(HistoryLines, TheHistoryFolderIsBesideTheErrorLog)
{
    const struct {
        const char *log;
        size_t size;
        const char *folder;
        bool whole;
    } cases[] = {
        {"C:\\Program Files\\HOLMVARD\\ErrorLog.txt", 64, "C:\\Program Files\\HOLMVARD\\History", true},
        {"D:/logs/errors.txt", 64, "D:/logs/History", true},
        {"\\\\server\\share\\log.txt", 64, "\\\\server\\share\\History", true},
        {"ErrorLog.txt", 64, "History", true},
        {"", 64, "History", true},
        {"C:\\A\\log.txt", 12, "", false},
    };
    for (const auto &c : cases) {
        char folder[64];
        EXPECT_EQ(BuildHistoryFolderPathSized(c.log, folder, c.size), c.whole) << c.log;
        EXPECT_STREQ(folder, c.folder) << c.log;
    }
}

// A header and lines of lengths that vary, as many as reach size bytes.
std::string HistoryOf(size_t size)
{
    std::string text = HistoryHeader;
    for (int i = 0; text.size() < size; i++)
        text += "2026-12-09T14:05:00+01:00," + std::string(10 + i % 50, '1') + ",,,,,,,,,,,\r\n";
    return text;
}

TEST(HistoryLines, TrimmingKeepsTheHeaderAndTheNewestHalfFromALineStart)
{
    const struct {
        const char *name;
        std::string text;
    } cases[] = {
        {"past the limit", HistoryOf(HistoryFileLimit + 1)},
        {"small", HistoryOf(2000)},
        {"no line end at the last line", HistoryOf(3000) + "2026-12-09T14:05:00+01:00,1,,,,,,,,,,,"},
    };
    for (const auto &c : cases) {
        const std::string &text = c.text;
        HistoryTrim trim = TrimHistory(text.data(), text.size());
        EXPECT_EQ(text.substr(0, trim.headerLength), HistoryHeader) << c.name;
        ASSERT_GT(trim.tailStart, trim.headerLength) << c.name;
        EXPECT_EQ(text[trim.tailStart - 1], '\n') << c.name;
        size_t kept = text.size() - trim.tailStart;
        EXPECT_LE(kept, text.size() / 2) << c.name;
        // Not a whole line less than half: the line before the tail crosses the middle.
        size_t before = text.rfind('\n', trim.tailStart - 2) + 1;
        EXPECT_GT(kept + (trim.tailStart - before), text.size() / 2) << c.name;
    }
}

TEST(HistoryLines, TrimmingALastLineLongerThanHalfKeepsOnlyTheHeader)
{
    std::string text = std::string(HistoryHeader) + std::string(4000, 'x');
    HistoryTrim trim = TrimHistory(text.data(), text.size());
    EXPECT_EQ(trim.headerLength, strlen(HistoryHeader));
    EXPECT_EQ(trim.tailStart, text.size());
}

TEST(HistoryLines, CivilTimesFollowTheCalendarBeforeAndAfter1970)
{
    const struct {
        int64_t time;
        int32_t offset;
        HistoryCivilTime civil;
    } cases[] = {
        {0, 0, {1970, 1, 1, 0, 0, 0}},
        {-1, 0, {1969, 12, 31, 23, 59, 59}},
        {951782400, 0, {2000, 2, 29, 0, 0, 0}},
        {4107542400, 0, {2100, 3, 1, 0, 0, 0}},
        {1796821500, 60, {2026, 12, 9, 14, 5, 0}},
    };
    for (const auto &c : cases) {
        HistoryCivilTime civil = HistoryCivilTimeOf(c.time, c.offset);
        EXPECT_EQ(memcmp(&civil, &c.civil, sizeof civil), 0) << c.time;
    }
}

}  // namespace
