#include "state/smart_caution.h"

#include "base/bounded_text.h"
#include "base/byte_order.h"

namespace {

// Item order; a flag has no number worth showing, only that it is set. The
// threshold item names the ids it counted instead of one of its own.
struct ItemText {
    const char *name;
    uint8_t id;   // the ATA attribute, 0 for none
    bool flag;
};

constexpr ItemText ItemTexts[CautionItemCount] = {
    {"Reallocated sectors", 5, false},
    {"Reported uncorrectable errors", 187, false},
    {"Reallocation events", 196, false},
    {"Pending sectors", 197, false},
    {"Offline uncorrectable sectors", 198, false},
    {"Attributes at threshold", 0, false},
    {"Media errors", 0, false},
    {"Wear: rated life used up", 0, true},
};

constexpr uint32_t ReallocationEvents = CautionItemBit(CautionItem::ReallocationEvents);
constexpr uint32_t OfflineUncorrectable = CautionItemBit(CautionItem::OfflineUncorrectable);

struct ModelRule {
    const char *pattern;   // the whole IDENTIFY model text; '*' any run of characters, '?' any one
    uint32_t unwatched;
};

// Families whose attribute tables reuse a watched id for other data.
constexpr ModelRule ModelRules[] = {
    {"OCZ?VERTEX", OfflineUncorrectable},           // Indilinx Barefoot: 198 totals the sectors read
    {"OCZ?VERTEX-TURBO", OfflineUncorrectable},     // Indilinx Barefoot: 198 totals the sectors read
    {"OCZ?AGILITY", OfflineUncorrectable},          // Indilinx Barefoot: 198 totals the sectors read
    {"OCZ?ONYX", OfflineUncorrectable},             // Indilinx Barefoot: 198 totals the sectors read
    {"Corsair CSSD-V*GB2", OfflineUncorrectable},   // Corsair Nova, Indilinx Barefoot: 198 totals sectors read
    {"CRUCIAL_CT*M225", OfflineUncorrectable},      // Indilinx Barefoot: 198 totals the sectors read
    {"Patriot?Torqx*", OfflineUncorrectable},       // Indilinx Barefoot: 198 totals the sectors read
    {"STT_FT?*GX25H", OfflineUncorrectable},        // Super Talent GX, Indilinx Barefoot: 198 totals sectors read
    {"OCZ-VECTOR*", OfflineUncorrectable},          // Indilinx Barefoot 3: 198 counts the GiB the host read
    {"OCZ-VERTEX4?0*", OfflineUncorrectable},       // Indilinx Barefoot 3: 198 counts the GiB the host read
    {"OCZ-ARC100", OfflineUncorrectable},           // Indilinx Barefoot 3: 198 counts the GiB the host read
    {"OCZ INTREPID 3?00", OfflineUncorrectable},    // 198 counts the GiB the host read
    {"OCZ?VERTEX2*", OfflineUncorrectable},         // SandForce: 198 packs two values in its raw bytes
    {"OCZ-VERTEX3*", OfflineUncorrectable},         // SandForce: 198 packs two values in its raw bytes
    {"OCZ?AGILITY[23]*", OfflineUncorrectable},     // SandForce: 198 packs two values in its raw bytes
    {"Corsair Force G[ST]", OfflineUncorrectable},  // SandForce: 198 packs two values in its raw bytes
    {"Corsair Force 3 SSD", OfflineUncorrectable},  // SandForce: 198 packs two values in its raw bytes
    {"KINGSTON SV300S3*", OfflineUncorrectable},    // SandForce: 198 packs two values in its raw bytes
    {"KINGSTON SH10?S3*", OfflineUncorrectable},    // HyperX, SandForce: 198 packs two values in its raw bytes
    {"3E128-TS2-550B01", OfflineUncorrectable},     // Seagate Nytro WarpDrive, SandForce: 198 packs two values
    {"SFCF*BU?TO-*-STD", ReallocationEvents},       // Swissbit C440 CompactFlash: 196 packs two spare-block counts
};

// Whether text matches pattern whole: '*' takes any run, '?' any one
// character and "[..]" any one of those listed; anything else itself.
bool MatchesPattern(const char *text, const char *pattern)
{
    for (;; pattern++, text++) {
        if (*pattern == '*') {
            for (const char *rest = text;; rest++) {
                if (MatchesPattern(rest, pattern + 1))
                    return true;
                if (*rest == '\0')
                    return false;
            }
        }
        if (*pattern == '\0')
            return *text == '\0';
        if (*text == '\0')
            return false;
        if (*pattern == '[') {
            bool listed = false;
            for (pattern++; *pattern && *pattern != ']'; pattern++)
                listed = listed || *pattern == *text;
            if (!listed || *pattern == '\0')
                return false;
        } else if (*pattern != '?' && *pattern != *text) {
            return false;
        }
    }
}

// Multiples of entry bytes up to the bound; how many of our items they hold.
bool StoredItems(const uint8_t *bytes, uint32_t size, size_t entry, int &items)
{
    if (!bytes && size != 0)
        return false;
    if (size % entry != 0 || size > entry * CautionStoredItemsMax)
        return false;
    items = static_cast<int>(size / entry) < CautionItemCount ? static_cast<int>(size / entry) : CautionItemCount;
    return true;
}

}  // namespace

void PackCautionCounts(const CautionCounts &counts, uint8_t (&bytes)[CautionCountsBytes])
{
    for (int i = 0; i < CautionItemCount; i++)
        WriteLittleEndian32(bytes + 4 * i, counts.value[i]);
}

bool UnpackCautionCounts(const uint8_t *bytes, uint32_t size, CautionCounts &counts)
{
    int items = 0;
    if (!StoredItems(bytes, size, 4, items))
        return false;
    counts = CautionCounts{};
    for (int i = 0; i < items; i++)
        counts.value[i] = ReadLittleEndian32(bytes + 4 * i);
    return true;
}

uint32_t UnpackCautionUnwatched(const uint8_t *bytes, uint32_t size)
{
    if (!bytes || size > CautionStoredItemsMax / 8)
        return 0;
    uint32_t unwatched = 0;
    for (int i = 0; i < CautionItemCount && static_cast<uint32_t>(i / 8) < size; i++) {
        if (!(bytes[i / 8] & (1u << (i % 8))))
            unwatched |= 1u << i;
    }
    return unwatched;
}

uint32_t CautionItemsUnwatchedForModel(const char *model)
{
    uint32_t unwatched = 0;
    for (const ModelRule &rule : ModelRules) {
        if (MatchesPattern(model, rule.pattern))
            unwatched |= rule.unwatched;
    }
    return unwatched;
}

void PackCautionWatched(uint32_t unwatched, uint8_t (&bytes)[CautionWatchedBytes])
{
    for (size_t i = 0; i < CautionWatchedBytes; i++)
        bytes[i] = 0;
    for (int i = 0; i < CautionItemCount; i++) {
        if (!(unwatched & (1u << i)))
            bytes[i / 8] = static_cast<uint8_t>(bytes[i / 8] | (1u << (i % 8)));
    }
}

void PackCautionBelow(const CautionBelow &below, uint8_t (&bytes)[CautionBelowBytes])
{
    for (int i = 0; i < CautionItemCount; i++) {
        WriteLittleEndian64(bytes + CautionBelowEntryBytes * i, static_cast<uint64_t>(below.since[i]));
        WriteLittleEndian32(bytes + CautionBelowEntryBytes * i + 8, below.peak[i]);
    }
}

bool UnpackCautionBelow(const uint8_t *bytes, uint32_t size, CautionBelow &below)
{
    int items = 0;
    if (!StoredItems(bytes, size, CautionBelowEntryBytes, items))
        return false;
    below = CautionBelow{};
    for (int i = 0; i < items; i++) {
        below.since[i] = static_cast<int64_t>(ReadLittleEndian64(bytes + CautionBelowEntryBytes * i));
        below.peak[i] = ReadLittleEndian32(bytes + CautionBelowEntryBytes * i + 8);
    }
    return true;
}

bool FollowCountsBelow(const CautionCounts &seen, uint32_t skip, int64_t now, bool lower,
                       CautionCounts &acknowledged, CautionBelow &below)
{
    if (now <= 0)
        return false;
    bool changed = false;
    for (int i = 0; i < CautionItemCount; i++) {
        if (skip & (1u << i))
            continue;
        uint32_t count = seen.value[i];
        int64_t &since = below.since[i];
        uint32_t &peak = below.peak[i];
        if (count >= acknowledged.value[i]) {
            changed = changed || since != 0;
            since = 0;
            peak = 0;
            continue;
        }
        // A run begins; so it does again when the clock went back, or when an
        // acknowledgement brought the acknowledged count down to the run's peak.
        if (since == 0 || now < since || peak >= acknowledged.value[i]) {
            since = now;
            peak = count;
            changed = true;
            continue;
        }
        if (count > peak) {
            peak = count;
            changed = true;
        }
        if (lower && now - since >= CautionLowerAfterSeconds) {
            acknowledged.value[i] = peak;
            since = 0;
            peak = 0;
            changed = true;
        }
    }
    return changed;
}

bool CautionRises(const CautionCounts &seen, const CautionCounts &acknowledged, uint32_t unwatched)
{
    for (int i = 0; i < CautionItemCount; i++) {
        if (!(unwatched & (1u << i)) && seen.value[i] > acknowledged.value[i])
            return true;
    }
    return false;
}

void FormatCautionRises(const CautionCounts &seen, const uint8_t *thresholdIds, const CautionCounts &acknowledged,
                        uint32_t unwatched, char (&text)[CautionTextSize])
{
    text[0] = '\0';
    for (int i = 0; i < CautionItemCount; i++) {
        if ((unwatched & (1u << i)) || seen.value[i] <= acknowledged.value[i])
            continue;
        const ItemText &item = ItemTexts[i];
        char ids[6 * CautionThresholdIdsMax] = "";   // " (", then "255, " for each
        if (item.id != 0) {
            FormatInto(ids, " (%u)", item.id);
        } else if (i == static_cast<int>(CautionItem::AttributesAtThreshold) && thresholdIds && thresholdIds[0] != 0) {
            AppendText(ids, " (");
            for (int k = 0; k < CautionThresholdIdsMax && thresholdIds[k] != 0; k++) {
                char id[8];
                FormatInto(id, k == 0 ? "%u" : ", %u", thresholdIds[k]);
                AppendText(ids, id);
            }
            AppendText(ids, ")");
        }
        char line[sizeof ids + 96];
        if (item.flag)
            FormatInto(line, "%s\r\n", item.name);
        else
            FormatInto(line, "%s%s: %u, was %u\r\n", item.name, ids, seen.value[i], acknowledged.value[i]);
        AppendText(text, line);
    }
}
