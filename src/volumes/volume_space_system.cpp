#include "volumes/volume_space.h"

BOOL QueryVolumeSpace(const char *root, ULARGE_INTEGER *available, ULARGE_INTEGER *total, ULARGE_INTEGER *free)
{
    return GetDiskFreeSpaceExA(root, available, total, free);
}
