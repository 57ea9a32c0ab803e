// Drive temperatures: read from what a check already reads where it can, the
// limit of each drive, and when a hot spell raises the alert. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drives/storage_queries.h"
#include "state/drive_table.h"

// Temperatures are whole degrees Celsius; 0 stands for none read or reported.
constexpr uint8_t NoTemperature = 0;

// The drive key's TemperatureLimit: 0 (or missing) asks for the automatic
// limit, this value for none.
constexpr uint32_t TemperatureNeverAlerted = 255;

// Automatic limits where the drive reports no warning temperature of its own.
constexpr uint8_t SolidStateTemperatureLimit = 70;
constexpr uint8_t DiskTemperatureLimit = 55;

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

// The limit the drive's readings are held against: its TemperatureLimit, else
// its own warning temperature, else the automatic limit of its kind; 0 when
// its temperature is not alerted.
uint8_t TemperatureLimitOf(const DriveRecord &drive);

// Takes one check's reading (NoTemperature changes nothing). True when it
// raises the alert, already set in the record: the second check in a row at
// or above the limit, no alert standing, and the drive read at least
// TemperatureCoolingMargin below its limit since it last raised.
bool TakeTemperature(DriveRecord &drive, uint8_t reading);
