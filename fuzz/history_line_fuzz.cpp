// Reading history lines back: whatever a file holds, a line parses into a
// sample that formats again, or is refused; the graph's points stay in bounds.
#include <cstring>

#include "history/history_graph.h"
#include "history/history_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    HistorySample sample = {};
    if (ParseHistoryLine(text, size, sample)) {
        char line[HistoryLineSize];
        if (!FormatHistoryLine(sample, line, sizeof line))
            __builtin_trap();
    }
    for (size_t at = 0; at < size;) {
        size_t next = NextHistoryLine(text, size, at);
        if (next <= at || next > size)
            __builtin_trap();
        at = next;
    }
    HistoryTrim trim = TrimHistory(text, size);
    if (trim.headerLength > size || trim.tailStart > size)
        __builtin_trap();
    static HistoryPoint points[64];
    if (ReadHistoryPoints(text, size, 0, points, 64) > 64)
        __builtin_trap();
    return 0;
}
