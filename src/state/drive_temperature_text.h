// What every window, mail, log and metric says of a drive's temperature: its
// limit and the texts of its readings. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/drive_table.h"

// Temperatures are whole degrees Celsius; 0 stands for none read or reported.
constexpr uint8_t NoTemperature = 0;

// The drive key's TemperatureLimit: 0 (or missing) asks for the automatic
// limit, this value or more for none.
constexpr uint32_t TemperatureNeverAlerted = 255;

// Automatic limits where the drive reports no warning temperature of its own.
constexpr uint8_t SolidStateTemperatureLimit = 70;
constexpr uint8_t DiskTemperatureLimit = 55;

// The limit the drive's readings are held against: its TemperatureLimit, else
// its own warning temperature, else the automatic limit of its kind; 0 when
// its temperature is not alerted.
uint8_t TemperatureLimitOf(const DriveRecord &drive);

constexpr size_t TemperatureTextSize = 128;

// "Temperature: 58 C\r\nLimit: 55 C\r\n", as the log and the e-mail give them.
void FormatTemperatureLines(const DriveRecord &drive, char (&text)[TemperatureTextSize]);

// The alert dialog's field: the lines above and the highest reading since the alert was raised.
void FormatTemperatureField(const DriveRecord &drive, char (&text)[TemperatureTextSize]);
