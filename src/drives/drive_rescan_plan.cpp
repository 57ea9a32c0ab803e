#include "drives/drive_rescan_plan.h"

#include <cstring>

#include "base/record_matching.h"

namespace {

bool SameIdentity(const DriveRecord &a, const DriveRecord &b)
{
    return strncmp(a.Model, b.Model, sizeof a.Model) == 0 && strncmp(a.Serial, b.Serial, sizeof a.Serial) == 0;
}

}  // namespace

void PlanRescan(const DriveRecord *table, int tableCount, const DriveRecord *found, int foundCount, RescanPlan &plan)
{
    bool taken[MaxDrives];
    MatchFoundRecords(
        tableCount, foundCount, MaxDrives, plan.recordOf, taken,
        [&](int r, int f) { return SameIdentity(table[r], found[f]); },
        [&](int r, int f) { return table[r].DeviceNumber == found[f].DeviceNumber; });
    for (int r = 0; r < tableCount && r < MaxDrives; r++) {
        const DriveRecord &record = table[r];
        if (record.Missing)
            plan.outcome[r] = taken[r] ? RescanOutcome::Returned : RescanOutcome::StillAway;
        else if (!taken[r])
            plan.outcome[r] = OnInternalBus(record) ? RescanOutcome::Vanished : RescanOutcome::GoneQuietly;
        else
            plan.outcome[r] = RescanOutcome::Same;
    }
    for (int f = 0; f < foundCount && f < MaxDrives; f++) {
        int r = plan.recordOf[f];
        if (r >= 0 && plan.outcome[r] == RescanOutcome::Same && table[r].DeviceNumber != found[f].DeviceNumber)
            plan.outcome[r] = RescanOutcome::Moved;
    }
}

bool NoSuchDeviceError(uint32_t error)
{
    // ERROR_FILE_NOT_FOUND, ERROR_DEV_NOT_EXIST, ERROR_DEVICE_NOT_CONNECTED, ERROR_NO_SUCH_DEVICE.
    return error == 2 || error == 55 || error == 1167 || error == 433;
}
