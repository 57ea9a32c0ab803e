#include <windows.h>

#include "app/discovery.h"
#include "state/volume_table.h"

static_assert(FullVolumeNameSize == MAX_PATH + 1);

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
        // As large as Windows allows: a buffer shorter than the label or the
        // file-system name fails the whole query, and the volume would go unwatched.
        char label[MAX_PATH + 1] = "";
        char fileSystem[MAX_PATH + 1] = "";
        if (!GetVolumeInformationA(root, label, sizeof label, &serial, &maxComponentLength, &fileSystemFlags,
                                   fileSystem, sizeof fileSystem))
            continue;
        label[sizeof label - 1] = '\0';
        fileSystem[sizeof fileSystem - 1] = '\0';
        StoreVolumeNames(volume, label, fileSystem);
        volume.MaxComponentLength = maxComponentLength;
        volume.FileSystemFlags = fileSystemFlags;
        memcpy(volume.RootPath, root, sizeof volume.RootPath);
        FormatVolumeSerial(serial, volume.VolumeSerialText);
        CurrentVolume++;
    }
    VolumeCount = CurrentVolume;
    CurrentVolume = 0;
}
