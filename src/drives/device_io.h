// The one place where the program reaches drive devices and the operating
// system's version report. holmvard.exe links the system version of these
// four calls, holmvard-emulated.exe the emulated one.
#pragma once

#include <windows.h>

HANDLE DeviceOpen(const char *name, DWORD access, DWORD shareMode, DWORD disposition);
BOOL DeviceControl(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
                   DWORD *returned);
BOOL DeviceClose(HANDLE device);
BOOL QueryOsVersion(OSVERSIONINFOA *version);
