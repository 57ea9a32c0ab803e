#include "drives/drive_temperature.h"

#include <cstring>

#include "base/byte_order.h"
#include "drives/smart_requests.h"

namespace {

// Airflow temperature stands in on drives that have no 194.
constexpr uint8_t TemperatureAttributes[] = {194, 190};

constexpr uint8_t HighestReading = 127;
constexpr uint16_t KelvinOffset = 273;

constexpr size_t NvmeTemperatureOffset = 1;
constexpr size_t NvmeWarningThresholdOffset = 266;
constexpr size_t NvmeCriticalThresholdOffset = 268;

uint8_t Reading(int value)
{
    return value >= 1 && value <= HighestReading ? static_cast<uint8_t>(value) : NoTemperature;
}

}  // namespace

uint8_t ReadAtaTemperature(const uint8_t *dataSector)
{
    for (uint8_t id : TemperatureAttributes) {
        const uint8_t *entry = FindSmartAttribute(dataSector, id);
        if (entry)
            return Reading(entry[SmartAttributeRawAt]);
    }
    return NoTemperature;
}

uint8_t CelsiusOfKelvin(uint16_t kelvin)
{
    return kelvin == 0 ? NoTemperature : Reading(static_cast<int>(kelvin) - KelvinOffset);
}

uint8_t ReadNvmeTemperature(const uint8_t *healthLog)
{
    return CelsiusOfKelvin(ReadLittleEndian16(healthLog + NvmeTemperatureOffset));
}

void ReadNvmeTemperatureThresholds(const uint8_t *identify, uint8_t &warning, uint8_t &critical)
{
    warning = CelsiusOfKelvin(ReadLittleEndian16(identify + NvmeWarningThresholdOffset));
    critical = CelsiusOfKelvin(ReadLittleEndian16(identify + NvmeCriticalThresholdOffset));
}

void BuildTemperatureQuery(uint8_t (&query)[DevicePropertyQueryLength])
{
    memset(query, 0, sizeof query);
    WriteLittleEndian32(query, DeviceTemperaturePropertyId);   // PropertyStandardQuery is 0
}

bool ReadTemperatureDescriptor(const uint8_t *reply, uint32_t length, uint8_t &temperature, uint8_t &warning)
{
    temperature = NoTemperature;
    warning = NoTemperature;
    if (!reply || length < TemperatureDescriptorHeaderLength + TemperatureInfoLength)
        return false;
    uint16_t sensors = ReadLittleEndian16(reply + 12);
    if (sensors == 0)
        return false;
    warning = Reading(static_cast<int16_t>(ReadLittleEndian16(reply + 10)));
    temperature = Reading(static_cast<int16_t>(ReadLittleEndian16(reply + TemperatureDescriptorHeaderLength + 2)));
    return true;
}

bool TakeTemperature(DriveRecord &drive, uint8_t reading)
{
    if (reading == NoTemperature)
        return false;
    drive.Temperature = reading;
    if (drive.TemperatureAlert && reading > drive.TemperatureHighest)
        drive.TemperatureHighest = reading;
    uint8_t limit = TemperatureLimitOf(drive);
    if (limit == 0) {
        drive.TemperatureHotChecks = 0;
        return false;
    }
    // A standing alert, stored or raised, holds its spell until a cool reading ends it.
    if (drive.TemperatureAlert)
        drive.TemperatureSpell = true;
    if (reading + TemperatureCoolingMargin <= limit)
        drive.TemperatureSpell = false;
    if (reading < limit) {
        drive.TemperatureHotChecks = 0;
        return false;
    }
    // One hot reading is a draught of warm air; two in a row are a hot spell.
    if (drive.TemperatureHotChecks < 2)
        drive.TemperatureHotChecks++;
    if (drive.TemperatureHotChecks < 2 || drive.TemperatureSpell || drive.TemperatureAlert)
        return false;
    drive.TemperatureAlert = 1;
    drive.TemperatureSpell = true;
    drive.TemperatureHighest = reading;
    return true;
}
