#include "drives/health_rows.h"

#include "base/bounded_text.h"
#include "base/byte_order.h"
#include "base/text_format.h"
#include "drives/drive_temperature.h"
#include "state/smart_caution.h"

DriveReading LatestReadings[MaxDrives];

namespace {

enum class RawFormat : uint8_t { Value48, Count16, Count32, Hours, Temperature };

struct AttributeRow {
    uint8_t id;
    const char *name;
    RawFormat format;
    int8_t watchedItem;
};

constexpr int8_t NotWatched = -1;
constexpr uint8_t PowerOnHoursId = 9;
constexpr int8_t Item(CautionItem item)
{
    return static_cast<int8_t>(item);
}

// The common ids; makers agree on these names if on little else. The counts
// the caution reads in their low 16 bits are shown so.
const AttributeRow AttributeRows[] = {
    {1, "Raw Read Error Rate", RawFormat::Value48, NotWatched},
    {3, "Spin-Up Time", RawFormat::Value48, NotWatched},
    {4, "Start/Stop Count", RawFormat::Count32, NotWatched},
    {5, "Reallocated Sectors Count", RawFormat::Count16, Item(CautionItem::ReallocatedSectors)},
    {7, "Seek Error Rate", RawFormat::Value48, NotWatched},
    {PowerOnHoursId, "Power-On Hours", RawFormat::Hours, NotWatched},
    {10, "Spin Retry Count", RawFormat::Count32, NotWatched},
    {12, "Power Cycle Count", RawFormat::Count32, NotWatched},
    {177, "Wear Leveling Count", RawFormat::Count32, NotWatched},
    {187, "Reported Uncorrectable Errors", RawFormat::Count32, Item(CautionItem::ReportedUncorrectable)},
    {188, "Command Timeout", RawFormat::Value48, NotWatched},
    {190, "Airflow Temperature", RawFormat::Temperature, NotWatched},
    {194, "Temperature", RawFormat::Temperature, NotWatched},
    {196, "Reallocation Event Count", RawFormat::Count16, Item(CautionItem::ReallocationEvents)},
    {197, "Current Pending Sector Count", RawFormat::Count32, Item(CautionItem::PendingSectors)},
    {198, "Offline Uncorrectable", RawFormat::Count32, Item(CautionItem::OfflineUncorrectable)},
    {199, "UltraDMA CRC Error Count", RawFormat::Count32, NotWatched},
    {231, "SSD Life Left", RawFormat::Value48, NotWatched},
    {233, "Media Wearout Indicator", RawFormat::Value48, NotWatched},
    {241, "Total LBAs Written", RawFormat::Value48, NotWatched},
    {242, "Total LBAs Read", RawFormat::Value48, NotWatched},
};

const AttributeRow *FindAttribute(uint8_t id)
{
    for (const AttributeRow &row : AttributeRows) {
        if (row.id == id)
            return &row;
    }
    return nullptr;
}

uint8_t ThresholdOf(const DriveReading &reading, uint8_t id, bool &found)
{
    const uint8_t *entry = reading.thresholdsRead ? FindSmartAttribute(reading.thresholds, id) : nullptr;
    found = entry != nullptr;
    return entry ? entry[1] : 0;
}

uint64_t Raw48(const uint8_t *raw)
{
    uint64_t value = 0;
    for (int b = 5; b >= 0; b--)
        value = value << 8 | raw[b];
    return value;
}

void FormatNumber(uint64_t value, char (&text)[HealthTextSize])
{
    char grouped[GroupedNumberSize];
    FormatGroupedNumber(value, grouped);
    CopyText(text, grouped);
}

int BuildAtaRows(const DriveReading &reading, HealthRow (&rows)[MostHealthRows])
{
    int count = 0;
    for (int k = 0; k < SmartAttributeEntries && count < MostHealthRows; k++) {
        const uint8_t *entry = SmartAttributeEntry(reading.data, k);
        if (entry[0] == 0)
            continue;
        HealthRow &row = rows[count++];
        row = HealthRow{};
        const AttributeRow *known = FindAttribute(entry[0]);
        row.watchedItem = known ? known->watchedItem : NotWatched;
        FormatInto(row.id, "%u", entry[0]);
        CopyText(row.name, AttributeName(entry[0]));
        FormatInto(row.current, "%u", entry[3]);
        FormatInto(row.worst, "%u", entry[4]);
        bool found = false;
        uint8_t threshold = ThresholdOf(reading, entry[0], found);
        if (found)
            FormatInto(row.threshold, "%u", threshold);
        FormatAttributeRaw(entry[0], entry + SmartAttributeRawAt, row.value);
    }
    return count;
}

uint64_t Low64(const uint8_t *log, size_t offset)
{
    return ReadLittleEndian64(log + offset);
}

struct NvmeField {
    const char *name;
    size_t offset;
    uint8_t width;   // bytes; 16-byte counters are read in their low 64 bits
    enum { Plain, Percent, Kelvin, DataUnits, Minutes } format;
    int8_t watchedItem;
};

const NvmeField NvmeFields[] = {
    {"Composite Temperature", 1, 2, NvmeField::Kelvin, NotWatched},
    {"Available Spare", 3, 1, NvmeField::Percent, NotWatched},
    {"Available Spare Threshold", 4, 1, NvmeField::Percent, NotWatched},
    {"Percentage Used", 5, 1, NvmeField::Percent, Item(CautionItem::WornOut)},
    {"Data Units Read", 32, 16, NvmeField::DataUnits, NotWatched},
    {"Data Units Written", 48, 16, NvmeField::DataUnits, NotWatched},
    {"Power Cycles", 112, 16, NvmeField::Plain, NotWatched},
    {"Power On Hours", 128, 16, NvmeField::Plain, NotWatched},
    {"Unsafe Shutdowns", 144, 16, NvmeField::Plain, NotWatched},
    {"Media and Data Integrity Errors", 160, 16, NvmeField::Plain, Item(CautionItem::MediaErrors)},
    {"Error Log Entries", 176, 16, NvmeField::Plain, NotWatched},
    {"Warning Temperature Time", 192, 4, NvmeField::Minutes, NotWatched},
    {"Critical Temperature Time", 196, 4, NvmeField::Minutes, NotWatched},
};

// The Critical Warning byte's bits, lowest first.
const char *const CriticalWarningBits[] = {
    "spare below threshold", "temperature", "reliability degraded", "read-only", "volatile memory backup failed",
    "persistent memory read-only",
};

void FormatCriticalWarning(uint8_t warning, char (&text)[HealthTextSize])
{
    if (warning == 0) {
        CopyText(text, "none");
        return;
    }
    FormatInto(text, "0x%02X", warning);
    for (int bit = 0; bit < 6; bit++) {
        if (warning & (1u << bit)) {
            AppendText(text, ", ");
            AppendText(text, CriticalWarningBits[bit]);
        }
    }
}

void FormatNvmeField(const NvmeField &field, const uint8_t *log, char (&text)[HealthTextSize])
{
    uint64_t value = field.width == 1   ? log[field.offset]
                     : field.width == 2 ? ReadLittleEndian16(log + field.offset)
                     : field.width == 4 ? ReadLittleEndian32(log + field.offset)
                                        : Low64(log, field.offset);
    switch (field.format) {
    case NvmeField::Percent:
        FormatInto(text, "%llu%%", static_cast<unsigned long long>(value));
        return;
    case NvmeField::Kelvin: {
        uint8_t celsius = CelsiusOfKelvin(static_cast<uint16_t>(value));
        if (celsius == NoTemperature)
            CopyText(text, "not reported");
        else
            FormatInto(text, "%u C", celsius);
        return;
    }
    case NvmeField::DataUnits: {
        // A data unit is a thousand 512-byte blocks.
        char size[SizeTextSize];
        FormatDecimalSize(static_cast<double>(value) * 512000.0, size);
        CopyText(text, size);
        return;
    }
    case NvmeField::Minutes:
        FormatInto(text, "%llu min", static_cast<unsigned long long>(value));
        return;
    case NvmeField::Plain:
        break;
    }
    FormatNumber(value, text);
}

int BuildNvmeRows(const DriveReading &reading, HealthRow (&rows)[MostHealthRows])
{
    HealthRow &warning = rows[0];
    warning = HealthRow{};
    warning.watchedItem = NotWatched;
    CopyText(warning.name, "Critical Warning");
    FormatCriticalWarning(reading.healthLog[0], warning.value);
    int count = 1;
    for (const NvmeField &field : NvmeFields) {
        HealthRow &row = rows[count++];
        row = HealthRow{};
        row.watchedItem = field.watchedItem;
        CopyText(row.name, field.name);
        FormatNvmeField(field, reading.healthLog, row.value);
    }
    return count;
}

}  // namespace

const char *AttributeName(uint8_t id)
{
    const AttributeRow *row = FindAttribute(id);
    return row ? row->name : "Vendor specific";
}

void FormatAttributeRaw(uint8_t id, const uint8_t *raw, char (&text)[HealthTextSize])
{
    const AttributeRow *row = FindAttribute(id);
    RawFormat format = row ? row->format : RawFormat::Value48;
    uint64_t value = Raw48(raw);
    switch (format) {
    case RawFormat::Count16:
        FormatNumber(value & 0xFFFF, text);
        return;
    case RawFormat::Count32:
        FormatNumber(value & 0xFFFFFFFF, text);
        return;
    case RawFormat::Hours:
        FormatNumber(value & 0xFFFFFFFF, text);
        AppendText(text, " h");
        return;
    case RawFormat::Temperature: {
        // Many drives keep their lowest and highest in bytes 2 and 4.
        uint8_t now = raw[0];
        uint8_t lowest = raw[2];
        uint8_t highest = raw[4];
        FormatInto(text, "%u C", now);
        if (lowest != 0 && highest != 0 && lowest <= now && now <= highest && highest <= 127) {
            char range[40];
            FormatInto(range, " (lowest %u, highest %u)", lowest, highest);
            AppendText(text, range);
        }
        return;
    }
    case RawFormat::Value48:
        break;
    }
    FormatNumber(value, text);
}

int BuildHealthRows(const DriveReading &reading, HealthRow (&rows)[MostHealthRows])
{
    if (!reading.read)
        return 0;
    if (reading.dataRead)
        return BuildAtaRows(reading, rows);
    if (reading.healthLogRead)
        return BuildNvmeRows(reading, rows);
    if (!reading.predictionRead)
        return 0;
    int count = 0;
    HealthRow &prediction = rows[count++];
    prediction = HealthRow{};
    prediction.watchedItem = NotWatched;
    CopyText(prediction.name, "Failure predicted");
    CopyText(prediction.value, reading.predicts ? "yes" : "no");
    if (reading.temperature != NoTemperature) {
        HealthRow &temperature = rows[count++];
        temperature = HealthRow{};
        temperature.watchedItem = NotWatched;
        CopyText(temperature.name, "Temperature");
        FormatInto(temperature.value, "%u C", reading.temperature);
    }
    return count;
}

void SampleOfReading(uint32_t unwatched, const DriveReading &reading, HistorySample &sample)
{
    sample = HistorySample{};
    sample.time = reading.time;
    sample.temperature = reading.temperature;
    sample.unwatched = unwatched;
    if (reading.dataRead) {
        sample.countsRead = true;
        ReadAtaCautionCounts(reading.data, reading.thresholdsRead ? reading.thresholds : nullptr, sample.counts);
        const uint8_t *hours = FindSmartAttribute(reading.data, PowerOnHoursId);
        sample.powerOnHoursRead = hours != nullptr;
        if (hours)
            sample.powerOnHours = Raw48(hours + SmartAttributeRawAt) & 0xFFFFFFFF;
    } else if (reading.healthLogRead) {
        sample.countsRead = true;
        ReadNvmeCautionCounts(reading.healthLog, sample.counts);
        sample.powerOnHoursRead = true;
        sample.powerOnHours = Low64(reading.healthLog, 128);
        sample.nvme = true;
        sample.percentageUsed = reading.healthLog[5];
        sample.dataUnitsWritten = Low64(reading.healthLog, 48);
    }
}

void FormatDriveKeyText(const DriveRecord &drive, char (&text)[DriveKeyTextSize])
{
    FormatInto(text, "%.*s%.*s", AtaModelLength, drive.Model, AtaSerialLength, drive.Serial);
}

void FormatHealthTable(const DriveRecord &drive, const DriveReading &reading, const char *readTime,
                       char (&text)[HealthTableTextSize])
{
    FormatInto(text, "Model\t%.*s\r\nSerial\t%.*s\r\nFirmware\t%.*s\r\nRead on\t%s\r\n\r\n", AtaModelLength,
               drive.Model, AtaSerialLength, drive.Serial, AtaFirmwareLength, drive.FirmwareRev, readTime);
    AppendText(text, "ID\tAttribute\tCurrent\tWorst\tThreshold\tValue\r\n");
    HealthRow rows[MostHealthRows];
    int count = BuildHealthRows(reading, rows);
    for (int i = 0; i < count; i++) {
        char line[2 * HealthTextSize + 48];
        FormatInto(line, "%s\t%s\t%s\t%s\t%s\t%s\r\n", rows[i].id, rows[i].name, rows[i].current, rows[i].worst,
                   rows[i].threshold, rows[i].value);
        AppendText(text, line);
    }
}
