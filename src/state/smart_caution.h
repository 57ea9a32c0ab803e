// The counts a drive is watched by before its SMART status trips: damaged
// sectors, NVMe media errors and wear. What rose over the counts the user last
// acknowledged is a caution. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

enum class CautionItem : uint8_t {
    ReallocatedSectors,      // ATA attribute 5
    ReportedUncorrectable,   // ATA attribute 187
    ReallocationEvents,      // ATA attribute 196
    PendingSectors,          // ATA attribute 197
    OfflineUncorrectable,    // ATA attribute 198
    AttributesAtThreshold,   // pre-failure attributes whose value is at or below a non-zero threshold
    MediaErrors,             // NVMe Media and Data Integrity Errors
    WornOut,                 // NVMe Percentage Used reached 100: 1, else 0
};
constexpr int CautionItemCount = 8;

// A set of items, one bit each in item order.
constexpr uint32_t CautionItemBit(CautionItem item)
{
    return 1u << static_cast<int>(item);
}

struct CautionCounts {
    uint32_t value[CautionItemCount];
};

// The ids of the attributes AttributesAtThreshold counted, for the texts; 0
// ends them. As many as an attribute table has entries. Never stored.
constexpr int CautionThresholdIdsMax = 30;

// Stored values hold up to this many items, so that a value written by a later
// program with more items, or an earlier one with fewer, keeps what it holds.
constexpr int CautionStoredItemsMax = 64;

// SMARTCautionCounts: the counts as 32-bit little-endian values in item order.
constexpr size_t CautionCountsBytes = CautionItemCount * 4;
void PackCautionCounts(const CautionCounts &counts, uint8_t (&bytes)[CautionCountsBytes]);
// Any multiple of 4 bytes up to CautionStoredItemsMax items: the items it holds,
// the rest 0. False, leaving counts alone, for any other size.
bool UnpackCautionCounts(const uint8_t *bytes, uint32_t size, CautionCounts &counts);

// SMARTCautionWatched: bit i of byte i / 8 set while item i is watched; items
// beyond its bytes are watched. Returns the items not watched; a value longer
// than CautionStoredItemsMax bits is not ours and leaves every item watched.
uint32_t UnpackCautionUnwatched(const uint8_t *bytes, uint32_t size);
// The same value for today's items.
constexpr size_t CautionWatchedBytes = (CautionItemCount + 7) / 8;
void PackCautionWatched(uint32_t unwatched, uint8_t (&bytes)[CautionWatchedBytes]);

// The ATA items a model's family fills with something other than a count of
// damage (traffic, packed pairs, spare blocks): they would rise at every check.
uint32_t CautionItemsUnwatchedForModel(const char *model);

// Since when each count has stood below the acknowledged one, and the highest
// it read meanwhile: after a day of checks below, the acknowledged count comes
// down to that.
struct CautionBelow {
    int64_t since[CautionItemCount];   // time of the first check that read it below; 0: not below
    uint32_t peak[CautionItemCount];
};
constexpr int64_t CautionLowerAfterSeconds = 24 * 60 * 60;

// SMARTCautionBelow: per item its since (64-bit) and peak (32-bit), little-endian.
constexpr size_t CautionBelowEntryBytes = 12;
constexpr size_t CautionBelowBytes = CautionItemCount * CautionBelowEntryBytes;
void PackCautionBelow(const CautionBelow &below, uint8_t (&bytes)[CautionBelowBytes]);
// Any multiple of 12 bytes up to CautionStoredItemsMax items, as for the counts.
bool UnpackCautionBelow(const uint8_t *bytes, uint32_t size, CautionBelow &below);

// A reading seen at now: starts, follows or ends each item's time below its
// acknowledged count and, when lower is set, brings down the acknowledged count
// of an item that has stood below for CautionLowerAfterSeconds. Items in skip,
// and every item of a reading without a time, are left as they are. True when
// acknowledged or below changed.
bool FollowCountsBelow(const CautionCounts &seen, uint32_t skip, int64_t now, bool lower,
                       CautionCounts &acknowledged, CautionBelow &below);

// Whether any watched count is above the one acknowledged.
bool CautionRises(const CautionCounts &seen, const CautionCounts &acknowledged, uint32_t unwatched);

// One line per watched count that rose, each ended by CR LF and naming its
// attribute ids: "Reallocated sectors (5): 8, was 0". thresholdIds holds
// CautionThresholdIdsMax ids of seen, or is nullptr.
constexpr size_t CautionTextSize = 512;
void FormatCautionRises(const CautionCounts &seen, const uint8_t *thresholdIds, const CautionCounts &acknowledged,
                        uint32_t unwatched, char (&text)[CautionTextSize]);
