#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "drives/drive_rescan_plan.h"
#include "drives/storage_queries.h"
#include "state/volume_table.h"

namespace {

struct Drive {
    const char *model;
    const char *serial;
    uint8_t number;
    bool missing = false;
    uint32_t bus = 0;
};

DriveRecord RecordOf(const Drive &d)
{
    DriveRecord record = {};
    CopyText(record.Model, d.model);
    CopyText(record.Serial, d.serial);
    record.DeviceNumber = d.number;
    record.Missing = d.missing ? 1 : 0;
    record.BusType = static_cast<uint8_t>(d.bus);
    return record;
}

const char *NameOf(RescanOutcome outcome)
{
    switch (outcome) {
    case RescanOutcome::Same: return "same";
    case RescanOutcome::Moved: return "moved";
    case RescanOutcome::Returned: return "returned";
    case RescanOutcome::GoneQuietly: return "gone";
    case RescanOutcome::Vanished: return "vanished";
    case RescanOutcome::StillAway: return "away";
    }
    return "?";
}

struct RescanRow {
    const char *what;
    std::vector<Drive> table;
    std::vector<Drive> found;             // bus unused
    std::vector<const char *> outcomes;   // by record
    std::vector<int> recordOf;            // by drive found
};

TEST(DriveRescanPlan, EachDriveFoundIsItsRecordOrNewAndEachRecordKnowsWhatBecameOfIt)
{
    const uint32_t usb = UsbBusType, sata = SataBusType, nvme = NvmeBusType;
    const RescanRow rows[] = {
        {"a drive plugged in is new", {{"A", "1", 0, false, sata}}, {{"A", "1", 0}, {"B", "2", 4}},
         {"same"}, {0, -1}},
        {"the same drive at another number follows it", {{"A", "1", 0, false, sata}, {"U", "9", 1, false, usb}},
         {{"A", "1", 0}, {"U", "9", 3}}, {"same", "moved"}, {0, 1}},
        {"a USB drive unplugged goes quietly", {{"A", "1", 0, false, sata}, {"U", "9", 1, false, usb}},
         {{"A", "1", 0}}, {"same", "gone"}, {0}},
        {"an internal drive that vanishes is a failure", {{"A", "1", 0, false, sata}, {"N", "7", 1, false, nvme}},
         {{"A", "1", 0}}, {"same", "vanished"}, {0}},
        {"a drive of unknown bus raises nothing", {{"X", "5", 2, false, 0}}, {}, {"gone"}, {}},
        {"back again, even at another number, is the same record",
         {{"U", "9", 1, true, usb}, {"V", "8", 2, true, usb}}, {{"U", "9", 5}}, {"returned", "away"}, {0}},
        {"two drives with one key keep their own records by number",
         {{"R", "", 2, false, usb}, {"R", "", 3, false, usb}}, {{"R", "", 3}, {"R", "", 2}}, {"same", "same"}, {1, 0}},
        {"of two drives with one key, the one left takes a record left",
         {{"R", "", 2, false, usb}, {"R", "", 3, false, usb}}, {{"R", "", 4}}, {"moved", "gone"}, {0}},
        {"another drive at a gone drive's number is new",
         {{"A", "1", 0, false, sata}, {"U", "9", 1, false, usb}}, {{"A", "1", 0}, {"W", "3", 1}}, {"same", "gone"},
         {0, -1}},
    };
    for (const RescanRow &row : rows) {
        std::vector<DriveRecord> table, found;
        for (const Drive &d : row.table)
            table.push_back(RecordOf(d));
        for (const Drive &d : row.found)
            found.push_back(RecordOf(d));
        RescanPlan plan;
        PlanRescan(table.data(), static_cast<int>(table.size()), found.data(), static_cast<int>(found.size()), plan);
        std::vector<const char *> outcomes;
        for (size_t r = 0; r < table.size(); r++)
            outcomes.push_back(NameOf(plan.outcome[r]));
        std::vector<int> recordOf(plan.recordOf, plan.recordOf + found.size());
        EXPECT_EQ(std::vector<std::string>(outcomes.begin(), outcomes.end()),
                  std::vector<std::string>(row.outcomes.begin(), row.outcomes.end()))
            << row.what;
        EXPECT_EQ(recordOf, row.recordOf) << row.what;
    }
}

TEST(DriveRescanPlan, OnlyNoSuchDeviceErrorsMeanTheDriveIsGone)
{
    // ERROR_FILE_NOT_FOUND, ERROR_DEV_NOT_EXIST, ERROR_NO_SUCH_DEVICE, ERROR_DEVICE_NOT_CONNECTED.
    for (uint32_t error : {2u, 55u, 433u, 1167u})
        EXPECT_TRUE(NoSuchDeviceError(error)) << error;
    // Success, ERROR_INVALID_FUNCTION, ERROR_ACCESS_DENIED, ERROR_NOT_READY, ERROR_IO_DEVICE, ERROR_TIMEOUT, ERROR_BUSY.
    for (uint32_t error : {0u, 1u, 5u, 21u, 1117u, 1460u, 170u})
        EXPECT_FALSE(NoSuchDeviceError(error)) << error;
}

TEST(VolumeRescanPlan, AVolumeIsKnownByItsSerialAndFollowsItToAnotherLetter)
{
    auto volume = [](char letter, const char *serial) {
        VolumeRecord v = {};
        FormatRootPath(letter, v.RootPath);
        CopyText(v.VolumeSerialText, serial);
        return v;
    };
    const VolumeRecord table[] = {volume('C', "1111-1111"), volume('E', "2222-2222"), volume('F', "3333-3333"),
                                  volume('G', "3333-3333")};
    // E's volume is now at H; F's serial twin stays at G; a new volume took F; F's volume is gone.
    const VolumeRecord found[] = {volume('C', "1111-1111"), volume('F', "4444-4444"), volume('G', "3333-3333"),
                                  volume('H', "2222-2222")};
    int8_t recordOf[MaxVolumes];
    PlanVolumeRescan(table, 4, found, 4, recordOf);
    EXPECT_EQ(std::vector<int>(recordOf, recordOf + 4), (std::vector<int>{0, -1, 3, 1}));
}

}  // namespace
