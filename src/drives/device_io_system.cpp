#include "drives/device_io.h"

HANDLE DeviceOpen(const char *name, DWORD access, DWORD shareMode, DWORD disposition)
{
    return CreateFileA(name, access, shareMode, nullptr, disposition, 0, nullptr);
}

BOOL DeviceControl(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
                   DWORD *returned)
{
    return DeviceIoControl(device, ioctl, input, inputLength, output, outputLength, returned, nullptr);
}

BOOL DeviceClose(HANDLE device)
{
    return CloseHandle(device);
}

BOOL QueryOsVersion(OSVERSIONINFOA *version)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(version);
#pragma GCC diagnostic pop
}
