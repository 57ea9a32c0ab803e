// What a drive answered at its latest check, kept for the Health page and the
// history, and the rows the page shows of it: ATA attributes by name and
// format, the NVMe health log's fields, failure prediction. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drives/smart_requests.h"
#include "history/history_lines.h"
#include "state/drive_table.h"

struct DriveReading {
    bool read;                 // the drive answered at this reading
    int64_t time;              // seconds since 1970
    DriveAccess access;
    bool dataRead;             // ATA: SMART READ DATA
    uint8_t data[SmartSectorLength];
    bool thresholdsRead;
    uint8_t thresholds[SmartSectorLength];
    bool healthLogRead;        // NVMe: the SMART / Health Information log
    uint8_t healthLog[SmartSectorLength];
    bool predictionRead;       // failure prediction
    bool predicts;
    uint8_t temperature;       // degrees Celsius, 0 for none
};

// The latest reading of each drive, written by the window thread as a check's answers are taken.
extern DriveReading LatestReadings[MaxDrives];

// The attribute's name in the table of common ids, or "Vendor specific".
const char *AttributeName(uint8_t id);

constexpr size_t HealthTextSize = 64;

struct HealthRow {
    char id[8];
    char name[HealthTextSize];
    char current[8];
    char worst[8];
    char threshold[8];
    char value[HealthTextSize];
    int8_t watchedItem;   // the caution item the row's count is, or -1
};

constexpr int MostHealthRows = 32;

// An attribute's raw value as its format reads it: counts in decimal, hours,
// a temperature with the lowest and highest the drive packs beside it,
// otherwise the 48-bit value.
void FormatAttributeRaw(uint8_t id, const uint8_t *raw, char (&text)[HealthTextSize]);

// The rows of a reading: one per ATA attribute, per NVMe health log field, or
// failure prediction and the temperature. Returns how many.
int BuildHealthRows(const DriveReading &reading, HealthRow (&rows)[MostHealthRows]);

// The drive's history line of a reading: the time (its offset to UTC left to
// the caller), the temperature, the counts the caution watches, power-on
// hours, and an NVMe drive's wear and data written.
void SampleOfReading(uint32_t unwatched, const DriveReading &reading, HistorySample &sample);

// The drive's key text, model followed by serial, that names its history file.
constexpr size_t DriveKeyTextSize = AtaModelLength + AtaSerialLength + 1;
void FormatDriveKeyText(const DriveRecord &drive, char (&text)[DriveKeyTextSize]);

// The table as tab-separated text under a heading of the drive's model,
// serial, firmware and the reading's time: for a forum post or a warranty claim.
constexpr size_t HealthTableTextSize = 8192;
void FormatHealthTable(const DriveRecord &drive, const DriveReading &reading, const char *readTime,
                       char (&text)[HealthTableTextSize]);
