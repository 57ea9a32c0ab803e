// The program-wide volume table: one record per fixed volume C: to Z:, filled
// at start-up and added to as volumes come; one that goes keeps its record,
// marked not present. Portable.
#pragma once

#include <cstdint>

#include "base/handles.h"
#include "base/text_format.h"

constexpr int MaxVolumes = 24;
constexpr int VolumeNameSize = 12;
constexpr int FileSystemNameSize = 9;
constexpr int VolumeSerialTextSize = 10;
// MAX_PATH + 1: the longest label the volume-information query gives.
constexpr int FullVolumeNameSize = 261;

struct VolumeRecord {
    char RootPath[4];
    char VolumeName[VolumeNameSize];
    char VolumeSerialText[VolumeSerialTextSize];
    uint32_t MaxComponentLength;
    uint32_t FileSystemFlags;
    char FileSystem[FileSystemNameSize];
    uint64_t TotalBytes;
    uint64_t UsedBytes;
    uint64_t FreeBytes;
    uint64_t FreeBytesAvailable;
    int32_t SpaceCheckEnabled;
    uint32_t FreeSpaceMin;
    int32_t FreeSpaceError;
    char FreeSpaceErrorTime[TimeStampSize];
    WindowHandle ErrorDialog;
    // The label uncut, for what no layout bounds (the metrics file); every
    // title the dialogs, the page, the mail and the log show uses VolumeName.
    char FullVolumeName[FullVolumeNameSize];
    // Not found at the latest scan: it is not checked and raises nothing;
    // its standing alert stays.
    int32_t Missing;
};

extern VolumeRecord Volumes[MaxVolumes];
extern uint8_t VolumeCount;
extern uint8_t CurrentVolume;

// "%4.4X-%4.4X" of the serial number, high 16 bits first: 0x1A2B3C4D gives 1A2B-3C4D.
void FormatVolumeSerial(uint32_t serial, char (&text)[VolumeSerialTextSize]);

// Stores the label whole in FullVolumeName and cut to VolumeName's 11 bytes,
// and the file-system name cut to FileSystem's 8; both cuts fall between
// characters. A label no query would give is cut to FullVolumeName too.
void StoreVolumeNames(VolumeRecord &volume, const char *label, const char *fileSystem);

// The root text of a letter: 'C' gives "C:\".
void FormatRootPath(char letter, char (&root)[4]);

// Matches the fixed volumes found now with the table's records: a volume is
// known by its serial number, and follows it to another letter. Of two with
// one serial, each keeps the record of its own letter first. recordOf
// receives, by volume found, its record or -1 for a new volume.
void PlanVolumeRescan(const VolumeRecord *table, int tableCount, const VolumeRecord *found, int foundCount,
                      int8_t (&recordOf)[MaxVolumes]);
