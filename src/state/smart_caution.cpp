#include "state/smart_caution.h"

#include "base/bounded_text.h"
#include "base/byte_order.h"

namespace {

// Item order; a flag has no number worth showing, only that it is set.
struct ItemText {
    const char *name;
    bool flag;
};

constexpr ItemText ItemTexts[CautionItemCount] = {
    {"Reallocated sectors", false},
    {"Reported uncorrectable errors", false},
    {"Reallocation events", false},
    {"Pending sectors", false},
    {"Offline uncorrectable sectors", false},
    {"Attributes at threshold", false},
    {"Media errors", false},
    {"Wear: rated life used up", true},
};

}  // namespace

void PackCautionCounts(const CautionCounts &counts, uint8_t (&bytes)[CautionCountsBytes])
{
    for (int i = 0; i < CautionItemCount; i++)
        WriteLittleEndian32(bytes + 4 * i, counts.value[i]);
}

bool UnpackCautionCounts(const uint8_t *bytes, uint32_t size, CautionCounts &counts)
{
    if (!bytes || size != CautionCountsBytes)
        return false;
    for (int i = 0; i < CautionItemCount; i++)
        counts.value[i] = ReadLittleEndian32(bytes + 4 * i);
    return true;
}

bool CautionRises(const CautionCounts &seen, const CautionCounts &acknowledged)
{
    for (int i = 0; i < CautionItemCount; i++) {
        if (seen.value[i] > acknowledged.value[i])
            return true;
    }
    return false;
}

void FormatCautionRises(const CautionCounts &seen, const CautionCounts &acknowledged, char (&text)[CautionTextSize])
{
    text[0] = '\0';
    for (int i = 0; i < CautionItemCount; i++) {
        if (seen.value[i] <= acknowledged.value[i])
            continue;
        char line[96];
        if (ItemTexts[i].flag)
            FormatInto(line, "%s\r\n", ItemTexts[i].name);
        else
            FormatInto(line, "%s: %u, was %u\r\n", ItemTexts[i].name, seen.value[i], acknowledged.value[i]);
        AppendText(text, line);
    }
}
