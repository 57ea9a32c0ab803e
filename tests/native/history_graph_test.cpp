#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/history_graph.h"

namespace {

HistorySample SampleAt(int64_t time, uint8_t temperature, uint32_t reallocated)
{
    HistorySample sample = {};
    sample.time = time;
    sample.temperature = temperature;
    sample.countsRead = true;
    sample.counts.value[static_cast<int>(CautionItem::ReallocatedSectors)] = reallocated;
    sample.unwatched = CautionItemBit(CautionItem::WornOut);
    return sample;
}

std::string FileOf(const std::vector<HistorySample> &samples)
{
    std::string text = HistoryHeader;
    for (const HistorySample &sample : samples) {
        char line[HistoryLineSize];
        FormatHistoryLine(sample, line, sizeof line);
        text += line;
    }
    return text;
}

TEST(HistoryGraph, PointsSkipTheHeaderMalformedLinesAndWhatIsOlderThanTheSpan)
{
    std::string text = FileOf({SampleAt(1000, 30, 0), SampleAt(2000, 31, 1)});
    text += "not a line\r\n";
    text += FileOf({SampleAt(3000, 0, 2)}).substr(sizeof HistoryHeader - 1);
    const struct {
        int64_t since;
        size_t capacity;
        std::vector<int64_t> times;
    } cases[] = {
        {0, 10, {1000, 2000, 3000}},
        {2000, 10, {2000, 3000}},
        {3001, 10, {}},
        {0, 2, {1000, 2000}},
    };
    for (const auto &c : cases) {
        HistoryPoint points[10];
        size_t count = ReadHistoryPoints(text.data(), text.size(), c.since, points, c.capacity);
        ASSERT_EQ(count, c.times.size()) << c.since;
        for (size_t i = 0; i < count; i++)
            EXPECT_EQ(points[i].time, c.times[i]) << c.since;
    }
    EXPECT_GE(HistoryPointCapacity(text.size()), 4u);
}

TEST(HistoryGraph, PointsCountOnlyWatchedItemsOfReadCounts)
{
    HistorySample unread = SampleAt(1000, 30, 5);
    unread.countsRead = false;
    std::string text = FileOf({SampleAt(1000, 30, 5), unread});
    HistoryPoint points[2];
    ASSERT_EQ(ReadHistoryPoints(text.data(), text.size(), 0, points, 2), 2u);
    EXPECT_EQ(points[0].counted, 0xFFu & ~CautionItemBit(CautionItem::WornOut));
    EXPECT_EQ(points[0].counts[0], 5u);
    EXPECT_EQ(points[1].counted, 0u);
}

TEST(HistoryGraph, ColumnsHoldEachSeriesRangeAndTheirLastPoint)
{
    // Three points in column 0, none in column 1, one in column 2; one before and one at the end are outside.
    std::vector<HistorySample> samples = {SampleAt(99, 50, 0),  SampleAt(100, 40, 1), SampleAt(110, 0, 3),
                                          SampleAt(120, 35, 2), SampleAt(170, 45, 4), SampleAt(200, 60, 9)};
    std::string text = FileOf(samples);
    HistoryPoint points[6];
    size_t count = ReadHistoryPoints(text.data(), text.size(), 0, points, 6);
    HistoryColumn columns[4];
    ReduceHistoryColumns(points, count, 100, 200, columns, 4);
    const struct {
        int column;
        int point;
        uint32_t temperatureLow, temperatureHigh, countLow, countHigh, countLast;
    } cases[] = {
        {0, 3, 35, 40, 1, 3, 2},
        {1, -1, 0, 0, 0, 0, 0},
        {2, 4, 45, 45, 4, 4, 4},
        {3, -1, 0, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        const HistoryColumn &column = columns[c.column];
        EXPECT_EQ(column.point, c.point) << c.column;
        EXPECT_EQ(column.present != 0, c.point >= 0) << c.column;
        if (c.point < 0)
            continue;
        EXPECT_EQ(column.low[0], c.temperatureLow) << c.column;
        EXPECT_EQ(column.high[0], c.temperatureHigh) << c.column;
        EXPECT_EQ(column.low[1], c.countLow) << c.column;
        EXPECT_EQ(column.high[1], c.countHigh) << c.column;
        EXPECT_EQ(column.last[1], c.countLast) << c.column;
        EXPECT_FALSE(column.present & (1u << (1 + static_cast<int>(CautionItem::WornOut)))) << c.column;
    }
}

TEST(HistoryGraph, AxisCeilingsAreOneTwoOrFiveTimesAPowerOfTen)
{
    const struct {
        uint32_t value, ceiling;
    } cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 5}, {6, 10}, {11, 20}, {499, 500}, {501, 1000}, {UINT32_MAX, UINT32_MAX}};
    for (const auto &c : cases)
        EXPECT_EQ(HistoryAxisCeiling(c.value), c.ceiling) << c.value;
}

TEST(HistoryGraph, SpansGrowAndEachHasTicksInside)
{
    int64_t previous = 0;
    for (int i = 0; i < HistorySpanCount; i++) {
        const HistorySpanKind &kind = HistorySpanKindOf(static_cast<HistorySpan>(i));
        EXPECT_GT(kind.seconds, previous) << kind.label;
        EXPECT_GE(kind.seconds / kind.tickSeconds, 4) << kind.label;
        EXPECT_LE(kind.seconds / kind.tickSeconds, 14) << kind.label;
        previous = kind.seconds;
    }
}

}  // namespace
