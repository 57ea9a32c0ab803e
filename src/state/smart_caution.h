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
    AttributesAtThreshold,   // attributes whose value is at or below a non-zero threshold
    MediaErrors,             // NVMe Media and Data Integrity Errors
    WornOut,                 // NVMe Percentage Used reached 100: 1, else 0
};
constexpr int CautionItemCount = 8;

struct CautionCounts {
    uint32_t value[CautionItemCount];
};

// SMARTCautionCounts: the counts as 32-bit little-endian values in item order.
constexpr size_t CautionCountsBytes = CautionItemCount * 4;
void PackCautionCounts(const CautionCounts &counts, uint8_t (&bytes)[CautionCountsBytes]);
// False, leaving counts alone, unless size is exactly CautionCountsBytes.
bool UnpackCautionCounts(const uint8_t *bytes, uint32_t size, CautionCounts &counts);

// Whether any count is above the one acknowledged.
bool CautionRises(const CautionCounts &seen, const CautionCounts &acknowledged);

// One line per count that rose, each ended by CR LF: "Reallocated sectors: 8, was 0".
constexpr size_t CautionTextSize = 512;
void FormatCautionRises(const CautionCounts &seen, const CautionCounts &acknowledged, char (&text)[CautionTextSize]);
