// What a rescan of the physical drives means for the drive table: which drive
// found is which record, and what became of each record. Portable.
#pragma once

#include <cstdint>

#include "state/drive_table.h"

enum class RescanOutcome : uint8_t {
    Same,          // present, found at its number
    Moved,         // present, found at another number: it follows it
    Returned,      // not present, found again: the same record
    GoneQuietly,   // present, not found, on a bus users unplug
    Vanished,      // present, not found, on an internal bus: a sign of failure
    StillAway,     // not present, not found
};

struct RescanPlan {
    RescanOutcome outcome[MaxDrives];   // by table record
    int8_t recordOf[MaxDrives];         // by drive found: its record, or -1 for a new drive
};

// Matches the drives found (their identity in Model and Serial, their number
// in DeviceNumber) with the table's records. A drive is known by its model and
// serial; of two drives with one identity, each keeps the record at its own
// number first, then the records left, in table order.
void PlanRescan(const DriveRecord *table, int tableCount, const DriveRecord *found, int foundCount, RescanPlan &plan);

// Whether a request's error says the device is gone (ERROR_FILE_NOT_FOUND,
// ERROR_DEVICE_NOT_CONNECTED, ERROR_NO_SUCH_DEVICE, ERROR_DEV_NOT_EXIST)
// rather than that the drive failed to answer.
bool NoSuchDeviceError(uint32_t error);
