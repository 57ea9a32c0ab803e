#include "state/volume_table.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/record_matching.h"

VolumeRecord Volumes[MaxVolumes];
uint8_t VolumeCount;
uint8_t CurrentVolume;

void FormatVolumeSerial(uint32_t serial, char (&text)[VolumeSerialTextSize])
{
    FormatInto(text, "%4.4X-%4.4X", static_cast<unsigned>(serial >> 16), static_cast<unsigned>(serial & 0xFFFF));
}

void StoreVolumeNames(VolumeRecord &volume, const char *label, const char *fileSystem)
{
    CopyText(volume.FullVolumeName, label);
    CopyText(volume.VolumeName, label);
    CopyText(volume.FileSystem, fileSystem);
}

void FormatRootPath(char letter, char (&root)[4])
{
    root[0] = letter;
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
}

void PlanVolumeRescan(const VolumeRecord *table, int tableCount, const VolumeRecord *found, int foundCount,
                      int8_t (&recordOf)[MaxVolumes])
{
    bool taken[MaxVolumes];
    MatchFoundRecords(
        tableCount, foundCount, MaxVolumes, recordOf, taken,
        [&](int r, int f) {
            return strncmp(table[r].VolumeSerialText, found[f].VolumeSerialText, VolumeSerialTextSize) == 0;
        },
        [&](int r, int f) { return table[r].RootPath[0] == found[f].RootPath[0]; });
}
