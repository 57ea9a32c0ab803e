#include "drives/device_io.h"

HANDLE DeviceOpen(const char *name, DWORD access, DWORD shareMode, DWORD disposition)
{
    return CreateFileA(name, access, shareMode, nullptr, disposition, FILE_FLAG_OVERLAPPED, nullptr);
}

BOOL DeviceRequestStart(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output,
                        DWORD outputLength, DWORD *returned, OVERLAPPED *overlapped)
{
    return DeviceIoControl(device, ioctl, input, inputLength, output, outputLength, returned, overlapped);
}

BOOL DeviceRequestResult(HANDLE device, OVERLAPPED *overlapped, DWORD *returned)
{
    return GetOverlappedResult(device, overlapped, returned, FALSE);
}

void DeviceRequestCancel(HANDLE device, OVERLAPPED *overlapped)
{
    CancelIoEx(device, overlapped);
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
