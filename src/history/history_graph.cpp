#include "history/history_graph.h"

#include <cstring>

namespace {

constexpr int64_t Hour = 60 * 60;
constexpr int64_t Day = 24 * Hour;

// In HistorySpan order.
const HistorySpanKind HistorySpanKinds[] = {
    {"Last day", Day, 4 * Hour},
    {"Last week", 7 * Day, Day},
    {"Last month", 30 * Day, 5 * Day},
    {"Last year", 365 * Day, 30 * Day},
};
static_assert(sizeof HistorySpanKinds / sizeof HistorySpanKinds[0] == HistorySpanCount, "one kind per span");

// In series order: the temperature, then the caution items in CautionItem order.
const char *const HistorySeriesLabels[] = {
    "Temperature",     "Reallocated sectors",   "Reported uncorrectable",  "Reallocation events", "Pending sectors",
    "Offline uncorrectable", "Attributes at threshold", "Media errors", "Worn out",
};
static_assert(sizeof HistorySeriesLabels / sizeof HistorySeriesLabels[0] == HistorySeriesCount,
              "every series needs its label");

void Widen(HistoryColumn &column, int series, uint32_t value)
{
    uint16_t bit = static_cast<uint16_t>(1u << series);
    if (!(column.present & bit)) {
        column.low[series] = value;
        column.high[series] = value;
        column.present |= bit;
    } else if (value < column.low[series]) {
        column.low[series] = value;
    } else if (value > column.high[series]) {
        column.high[series] = value;
    }
    column.last[series] = value;
}

}  // namespace

const HistorySpanKind &HistorySpanKindOf(HistorySpan span)
{
    int index = static_cast<int>(span);
    return HistorySpanKinds[index < HistorySpanCount ? index : 0];
}

const char *HistorySeriesLabel(int series)
{
    return series >= 0 && series < HistorySeriesCount ? HistorySeriesLabels[series] : "";
}

size_t HistoryPointCapacity(size_t size)
{
    return size / HistoryLineMinimum + 1;
}

size_t ReadHistoryPoints(const char *text, size_t size, int64_t since, HistoryPoint *points, size_t capacity)
{
    size_t count = 0;
    for (size_t at = 0; at < size && count < capacity;) {
        size_t next = NextHistoryLine(text, size, at);
        HistorySample sample;
        if (ParseHistoryLine(text + at, next - at, sample) && sample.time >= since) {
            HistoryPoint &point = points[count++];
            point.time = sample.time;
            point.utcOffsetMinutes = static_cast<int16_t>(sample.utcOffsetMinutes);
            point.temperature = sample.temperature;
            point.counted = 0;
            for (int item = 0; item < CautionItemCount; item++) {
                uint32_t bit = CautionItemBit(static_cast<CautionItem>(item));
                point.counts[item] = sample.counts.value[item];
                if (sample.countsRead && !(sample.unwatched & bit))
                    point.counted |= static_cast<uint8_t>(bit);
            }
        }
        at = next;
    }
    return count;
}

int HistoryColumnOf(int64_t time, int64_t start, int64_t end, int width)
{
    if (width <= 0 || end <= start || time < start || time >= end)
        return -1;
    return static_cast<int>((time - start) * width / (end - start));
}

void ReduceHistoryColumns(const HistoryPoint *points, size_t count, int64_t start, int64_t end,
                          HistoryColumn *columns, int width)
{
    for (int x = 0; x < width; x++) {
        memset(&columns[x], 0, sizeof columns[x]);
        columns[x].point = -1;
    }
    for (size_t i = 0; i < count; i++) {
        const HistoryPoint &point = points[i];
        int x = HistoryColumnOf(point.time, start, end, width);
        if (x < 0)
            continue;
        HistoryColumn &column = columns[x];
        column.point = static_cast<int32_t>(i);
        if (point.temperature)
            Widen(column, 0, point.temperature);
        for (int item = 0; item < CautionItemCount; item++) {
            if (point.counted & (1u << item))
                Widen(column, 1 + item, point.counts[item]);
        }
    }
}

uint32_t HistoryAxisCeiling(uint32_t value)
{
    uint64_t power = 1;
    for (;;) {
        static const uint32_t steps[] = {1, 2, 5};
        for (uint32_t step : steps) {
            if (step * power >= value)
                return static_cast<uint32_t>(step * power <= UINT32_MAX ? step * power : UINT32_MAX);
        }
        power *= 10;
    }
}
