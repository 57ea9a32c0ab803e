// Drive temperatures: read from what a check already reads where it can, and
// when a hot spell raises the alert. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drives/storage_queries.h"
#include "state/drive_table.h"
#include "state/drive_temperature_text.h"

// How far below its limit a drive must be read before a new hot spell can raise again.
constexpr uint8_t TemperatureCoolingMargin = 5;

// Attribute 194, else 190, raw byte 0 of a SMART data sector; a value outside
// 1 to 127 is no reading.
uint8_t ReadAtaTemperature(const uint8_t *dataSector);

// Kelvin as NVMe reports it, in degrees Celsius: 0 (not reported) and values
// outside 1 to 127 degrees are none.
uint8_t CelsiusOfKelvin(uint16_t kelvin);

// Composite Temperature, bytes 1-2 of the NVMe health log.
uint8_t ReadNvmeTemperature(const uint8_t *healthLog);

// WCTEMP and CCTEMP of Identify Controller (bytes 266-267 and 268-269).
void ReadNvmeTemperatureThresholds(const uint8_t *identify, uint8_t &warning, uint8_t &critical);

// STORAGE_PROPERTY_QUERY for StorageDeviceTemperatureProperty (Windows 10 and
// later), and its STORAGE_TEMPERATURE_DATA_DESCRIPTOR reply with room for four sensors.
constexpr uint32_t DeviceTemperaturePropertyId = 52;
constexpr size_t TemperatureDescriptorHeaderLength = 24;
constexpr size_t TemperatureInfoLength = 16;
constexpr size_t TemperatureDescriptorLength = TemperatureDescriptorHeaderLength + 4 * TemperatureInfoLength;
void BuildTemperatureQuery(uint8_t (&query)[DevicePropertyQueryLength]);

// The first sensor's temperature and the warning temperature of a reply;
// false when it is too short for them or reports no sensor. Values outside 1
// to 127 degrees are none.
bool ReadTemperatureDescriptor(const uint8_t *reply, uint32_t length, uint8_t &temperature, uint8_t &warning);

// Takes one check's reading (NoTemperature changes nothing). True when it
// raises the alert, already set in the record: the second check in a row at
// or above the limit, no alert standing, and the drive read at least
// TemperatureCoolingMargin below its limit since it last raised.
bool TakeTemperature(DriveRecord &drive, uint8_t reading);
