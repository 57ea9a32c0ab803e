#include "drives/identify_decoding.h"

#include <cstddef>
#include <cstring>

#include "base/byte_order.h"
#include "drives/smart_requests.h"

namespace {

constexpr size_t SerialOffset = 20;      // words 10 to 19
constexpr size_t FirmwareOffset = 46;    // words 23 to 26
constexpr size_t ModelOffset = 54;       // words 27 to 46
constexpr size_t CylindersOffset = 2;    // word 1
constexpr size_t HeadsOffset = 6;        // word 3
constexpr size_t SectorsPerTrackOffset = 12;  // word 6
constexpr size_t LbaSectorsOffset = 120;      // words 60 and 61
constexpr size_t CommandSetsOffset = 166;     // word 83
constexpr size_t Lba48SectorsOffset = 200;    // words 100 to 103
constexpr size_t RotationRateOffset = 434;    // word 217: 1 for a non-rotating (solid-state) drive
constexpr uint16_t CommandSetsValidMask = 0xC000;
constexpr uint16_t CommandSetsValid = 0x4000;  // bits 15:14 = 01 say the word is filled in
constexpr uint16_t Lba48Supported = 0x0400;    // bit 10

constexpr uint16_t ConfigNotAta = 0x8000;
constexpr uint16_t ConfigRemovable = 0x0080;
constexpr uint16_t ConfigFixed = 0x0040;

// Words 60-61 stop at 268,435,455 sectors (137.44GB); a drive with 48-bit
// addressing gives its whole size in words 100-103.
uint64_t ReadLbaSectors(const uint8_t *sector)
{
    uint64_t sectors = ReadLittleEndian32(sector + LbaSectorsOffset);
    uint16_t commandSets = ReadLittleEndian16(sector + CommandSetsOffset);
    if ((commandSets & CommandSetsValidMask) != CommandSetsValid || !(commandSets & Lba48Supported))
        return sectors;
    uint64_t wide = ReadLittleEndian64(sector + Lba48SectorsOffset);
    return wide != 0 ? wide : sectors;
}

bool IsBlankSector(const uint8_t *sector)
{
    for (size_t i = 0; i < SmartSectorLength; ++i) {
        if (sector[i] != 0)
            return false;
    }
    return true;
}

// Only a removable, non-fixed device that claims not to be ATA is refused;
// every other configuration word counts as a drive.
bool IsRefusedConfiguration(uint16_t config)
{
    return (config & ConfigNotAta) && (config & ConfigRemovable) && !(config & ConfigFixed);
}

char *SectorText(uint8_t *sector, size_t offset)
{
    return reinterpret_cast<char *>(sector + offset);
}

}  // namespace

bool DecodeIdentifyData(uint8_t *sector, DriveRecord &record)
{
    // An empty slot answers with an all-zero sector.
    if (IsBlankSector(sector))
        return false;
    if (IsRefusedConfiguration(ReadLittleEndian16(sector)))
        return false;

    CopyAtaString(record.Model, SectorText(sector, ModelOffset), AtaModelLength);
    CopyAtaString(record.Serial, SectorText(sector, SerialOffset), AtaSerialLength);
    CopyAtaString(record.FirmwareRev, SectorText(sector, FirmwareOffset), AtaFirmwareLength);
    record.Cylinders = ReadLittleEndian16(sector + CylindersOffset);
    record.Heads = ReadLittleEndian16(sector + HeadsOffset);
    record.SectorsPerTrack = ReadLittleEndian16(sector + SectorsPerTrackOffset);
    record.LbaSectors = ReadLbaSectors(sector);
    record.SolidState = ReadLittleEndian16(sector + RotationRateOffset) == 1;
    return true;
}

bool DecodeIdentifyData(uint8_t *sector)
{
    if (CurrentDrive >= MaxDrives)
        return false;
    return DecodeIdentifyData(sector, Drives[CurrentDrive]);
}

void SwapAtaString(char *text, uint16_t length)
{
    // Whole pairs only: an odd trailing byte has no partner inside the field.
    for (uint16_t k = 0; k < length / 2; ++k) {
        char first = text[2 * k];
        text[2 * k] = text[2 * k + 1];
        text[2 * k + 1] = first;
    }
}

void CopyAtaString(char *destination, char *source, uint16_t length)
{
    SwapAtaString(source, length);
    memset(destination, 0, static_cast<size_t>(length) + 1);

    size_t first = 0;
    while (first < length && source[first] == ' ')
        ++first;
    if (first == length)
        return;
    // source[first] is not a space, so this stops at first at the latest.
    size_t last = static_cast<size_t>(length) - 1;
    while (source[last] == ' ')
        --last;

    for (size_t i = first; i <= last && source[i] != '\0'; ++i)
        destination[i - first] = source[i];
}
