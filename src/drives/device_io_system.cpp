#include "drives/device_io.h"

#include "drives/request_watch.h"

// A failing drive can hold the open as long as a request: both are watched.
HANDLE DeviceOpen(const char *name, DWORD access, DWORD shareMode, DWORD disposition)
{
    RequestWatch watch;
    return CreateFileA(name, access, shareMode, nullptr, disposition, 0, nullptr);
}

BOOL DeviceControl(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
                   DWORD *returned)
{
    RequestWatch watch;
    BOOL answered = DeviceIoControl(device, ioctl, input, inputLength, output, outputLength, returned, nullptr);
    // An answer that came as the watcher cancelled still counts: the drive gave it.
    if (!answered && watch.TimedOut())
        SetLastError(ERROR_TIMEOUT);
    return answered;
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
