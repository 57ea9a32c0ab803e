// The one place where the program asks a volume's size and free space.
// holmvard.exe links the system version, holmvard-emulated.exe one that answers
// from the emulator's description for the volumes it describes.
#pragma once

#include <windows.h>

// As GetDiskFreeSpaceExA: bytes available to the caller, total bytes, free bytes.
BOOL QueryVolumeSpace(const char *root, ULARGE_INTEGER *available, ULARGE_INTEGER *total, ULARGE_INTEGER *free);
