// Reading SMART replies: RETURN STATUS registers, off-line collection values,
// the drive map, the media type, the sectors' checksums and the caution counts
// of the data, threshold and NVMe health sectors; ATA PASS-THROUGH replies and
// their sense data; the temperatures of the data sector, the health log and
// the temperature property.
#include <cstring>

#include "drives/ata_pass_through.h"
#include "drives/drive_temperature.h"
#include "drives/smart_requests.h"
#include "drives/storage_queries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint8_t reply[SmartSectorLength + 64] = {};
    memcpy(reply, data, size < sizeof reply ? size : sizeof reply);
    int status = ReadReturnStatus(size > 0 && (data[0] & 1), reply);
    if (status != 0 && status != 1)
        __builtin_trap();
    OfflineCollectionInfo info = GetOfflineCollectionInfo(reply);
    (void)info;
    if (ReadDriveMap(reply) > 0x0F)
        __builtin_trap();
    (void)ReadMediaType(reply);
    CautionCounts counts;
    uint8_t ids[CautionThresholdIdsMax + 1];
    ids[CautionThresholdIdsMax] = 0xA5;
    ReadAtaCautionCounts(reply, reply + 32, counts, ids);
    if (counts.value[static_cast<int>(CautionItem::AttributesAtThreshold)] > 30 || ids[CautionThresholdIdsMax] != 0xA5)
        __builtin_trap();
    // Without thresholds nothing stands at one.
    ReadAtaCautionCounts(reply, nullptr, counts, ids);
    if (counts.value[static_cast<int>(CautionItem::AttributesAtThreshold)] != 0 || ids[0] != 0)
        __builtin_trap();
    (void)SmartSectorChecksumValid(reply);
    ReadNvmeCautionCounts(reply, counts);

    // The sense data alone, at its own length, and a whole pass-through reply.
    SenseData sense;
    (void)ReadSenseData(data, size, sense);
    uint8_t passThrough[SatBufferLength] = {};
    memcpy(passThrough, data, size < sizeof passThrough ? size : sizeof passThrough);
    uint32_t returned = static_cast<uint32_t>(size < sizeof passThrough ? size : sizeof passThrough);
    status = ReadSatReturnStatus(true, passThrough, returned);
    if (status != 0 && status != 1)
        __builtin_trap();
    (void)SatCommandDone(SmartOperation::ReadSMARTData, true, passThrough, returned);
    (void)ReadSatSense(passThrough, returned, sense);

    uint8_t temperature = 0, warning = 0;
    if (ReadTemperatureDescriptor(passThrough, returned, temperature, warning) && (temperature > 127 || warning > 127))
        __builtin_trap();
    if (ReadAtaTemperature(reply) > 127 || ReadNvmeTemperature(reply) > 127)
        __builtin_trap();
    return 0;
}
