#include <windows.h>

#include <cstring>

#include "app/discovery.h"
#include "state/settings_store.h"
#include "state/volume_table.h"

static_assert(FullVolumeNameSize == MAX_PATH + 1);

namespace {

// The fixed volume of the letter, when it is there and its information can be read.
bool ReadFixedVolume(char letter, VolumeRecord &volume)
{
    char root[4];
    FormatRootPath(letter, root);
    if (GetDriveTypeA(root) != DRIVE_FIXED)
        return false;
    DWORD serial = 0;
    DWORD maxComponentLength = 0;
    DWORD fileSystemFlags = 0;
    // As large as Windows allows: a buffer shorter than the label or the
    // file-system name fails the whole query, and the volume would go unwatched.
    char label[MAX_PATH + 1] = "";
    char fileSystem[MAX_PATH + 1] = "";
    if (!GetVolumeInformationA(root, label, sizeof label, &serial, &maxComponentLength, &fileSystemFlags, fileSystem,
                               sizeof fileSystem))
        return false;
    label[sizeof label - 1] = '\0';
    fileSystem[sizeof fileSystem - 1] = '\0';
    StoreVolumeNames(volume, label, fileSystem);
    volume.MaxComponentLength = maxComponentLength;
    volume.FileSystemFlags = fileSystemFlags;
    memcpy(volume.RootPath, root, sizeof volume.RootPath);
    FormatVolumeSerial(serial, volume.VolumeSerialText);
    return true;
}

// The fixed volumes now, in letter order; A and B are floppy letters and never examined.
uint8_t ReadFixedVolumes(VolumeRecord (&found)[MaxVolumes])
{
    uint8_t count = 0;
    DWORD mask = GetLogicalDrives();
    for (char letter = 'C'; letter <= 'Z' && count < MaxVolumes; letter++) {
        if (!(mask & (1u << (letter - 'A'))))
            continue;
        found[count] = VolumeRecord{};
        if (ReadFixedVolume(letter, found[count]))
            count++;
    }
    return count;
}

}  // namespace

void DiscoverVolumes()
{
    VolumeCount = ReadFixedVolumes(Volumes);
    CurrentVolume = 0;
}

bool RescanVolumes()
{
    static VolumeRecord found[MaxVolumes];
    uint8_t count = ReadFixedVolumes(found);
    int8_t recordOf[MaxVolumes];
    uint8_t known = VolumeCount;
    PlanVolumeRescan(Volumes, known, found, count, recordOf);
    bool matched[MaxVolumes] = {};
    bool changed = false;
    for (uint8_t f = 0; f < count; f++) {
        int r = recordOf[f];
        if (r < 0) {
            // A new volume, with its settings; none at all past the table's room.
            if (VolumeCount >= MaxVolumes)
                continue;
            VolumeRecord &volume = Volumes[VolumeCount++];
            volume = found[f];
            LoadVolumeSettings(volume);
            volume.ErrorDialog = nullptr;
            changed = true;
            continue;
        }
        matched[r] = true;
        VolumeRecord &volume = Volumes[r];
        if (!volume.Missing && volume.RootPath[0] == found[f].RootPath[0])
            continue;
        // Back, perhaps at another letter: the same record, as it is named now.
        memcpy(volume.RootPath, found[f].RootPath, sizeof volume.RootPath);
        StoreVolumeNames(volume, found[f].FullVolumeName, found[f].FileSystem);
        volume.MaxComponentLength = found[f].MaxComponentLength;
        volume.FileSystemFlags = found[f].FileSystemFlags;
        volume.Missing = 0;
        changed = true;
    }
    for (uint8_t r = 0; r < known; r++) {
        if (!matched[r] && !Volumes[r].Missing) {
            Volumes[r].Missing = 1;
            changed = true;
        }
    }
    return changed;
}
