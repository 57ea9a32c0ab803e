// What the history window draws: the spans it offers, the points read from a
// drive's history file and their reduction to one range per pixel column, so
// that drawing a year of checks costs no more than drawing a day. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "history/history_lines.h"

enum class HistorySpan : uint8_t { Day, Week, Month, Year };
constexpr int HistorySpanCount = 4;

struct HistorySpanKind {
    const char *label;
    int64_t seconds;
    int64_t tickSeconds;   // between two labelled ticks of the time axis
};
const HistorySpanKind &HistorySpanKindOf(HistorySpan span);

// One check as the graph needs it.
struct HistoryPoint {
    int64_t time;
    int16_t utcOffsetMinutes;
    uint8_t temperature;   // 0 none
    uint8_t counted;       // caution item bits whose count was read and watched
    uint32_t counts[CautionItemCount];
};
static_assert(CautionItemCount <= 8, "counted holds one bit per caution item");

// The shortest line FormatHistoryLine writes: a time, twelve empty cells, CR LF.
constexpr size_t HistoryLineMinimum = 25 + (HistoryColumnCount - 1) + 2;

// Points enough for every line of a file of size bytes.
size_t HistoryPointCapacity(size_t size);

// The points of text[0..size) at or after since, in file order, into
// points[0..capacity); the header and malformed lines are skipped. Returns how
// many were written.
size_t ReadHistoryPoints(const char *text, size_t size, int64_t since, HistoryPoint *points, size_t capacity);

// Series 0 is the temperature, series 1 + item each caution count.
constexpr int HistorySeriesCount = 1 + CautionItemCount;

// What the legend and the status line call each series.
const char *HistorySeriesLabel(int series);

// The points that fall in one pixel column: each series' lowest, highest and
// last value, and the index of the column's last point (-1 when none).
struct HistoryColumn {
    uint32_t low[HistorySeriesCount];
    uint32_t high[HistorySeriesCount];
    uint32_t last[HistorySeriesCount];
    uint16_t present;   // series bits with a value in the column
    int32_t point;
};

// The column of [start, end) split into width columns that time falls in, or
// -1 outside.
int HistoryColumnOf(int64_t time, int64_t start, int64_t end, int width);

// Reduces points to width columns over [start, end).
void ReduceHistoryColumns(const HistoryPoint *points, size_t count, int64_t start, int64_t end,
                          HistoryColumn *columns, int width);

// The smallest of 1, 2 and 5 times a power of ten that is at least value (1 for 0).
uint32_t HistoryAxisCeiling(uint32_t value);
