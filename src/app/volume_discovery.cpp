#include <windows.h>

#include "app/discovery.h"
#include "state/volume_table.h"

void DiscoverVolumes()
{
    CurrentVolume = 0;
    DWORD mask = GetLogicalDrives();
    // A and B are floppy letters and never examined.
    for (char letter = 'C'; letter <= 'Z'; letter++) {
        if (!(mask & (1u << (letter - 'A'))))
            continue;
        char root[4];
        FormatRootPath(letter, root);
        if (GetDriveTypeA(root) != DRIVE_FIXED)
            continue;
        VolumeRecord &volume = Volumes[CurrentVolume];
        DWORD serial = 0;
        DWORD maxComponentLength = 0;
        DWORD fileSystemFlags = 0;
        // A label or file-system name longer than its field fails the query, and
        // the volume is then not listed.
        if (!GetVolumeInformationA(root, volume.VolumeName, sizeof volume.VolumeName, &serial, &maxComponentLength,
                                   &fileSystemFlags, volume.FileSystem, sizeof volume.FileSystem))
            continue;
        volume.VolumeName[sizeof volume.VolumeName - 1] = '\0';
        volume.FileSystem[sizeof volume.FileSystem - 1] = '\0';
        volume.MaxComponentLength = maxComponentLength;
        volume.FileSystemFlags = fileSystemFlags;
        memcpy(volume.RootPath, root, sizeof volume.RootPath);
        FormatVolumeSerial(serial, volume.VolumeSerialText);
        CurrentVolume++;
    }
    VolumeCount = CurrentVolume;
    CurrentVolume = 0;
}
