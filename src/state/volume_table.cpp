#include "state/volume_table.h"

#include "base/bounded_text.h"

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
