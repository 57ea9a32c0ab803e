// The one place where the program reaches drive devices and the operating
// system's version report. holmvard.exe links the system version of these
// calls, holmvard-emulated.exe the emulated one. Every request is overlapped:
// device_control.h bounds it in time on top of these.
#pragma once

#include <windows.h>

// Opens the device for overlapped requests.
HANDLE DeviceOpen(const char *name, DWORD access, DWORD shareMode, DWORD disposition);

// Starts one request whose buffers and overlapped record stay reserved for it
// until it completes; overlapped->hEvent is signalled then. TRUE when it
// succeeded at once (returned holds the bytes), FALSE with ERROR_IO_PENDING
// while it is out, FALSE with another error when it failed at once.
BOOL DeviceRequestStart(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output,
                        DWORD outputLength, DWORD *returned, OVERLAPPED *overlapped);

// The outcome of a request that was out and has completed.
BOOL DeviceRequestResult(HANDLE device, OVERLAPPED *overlapped, DWORD *returned);

// Asks for a request that is out to end; a stuck driver may ignore it.
void DeviceRequestCancel(HANDLE device, OVERLAPPED *overlapped);

BOOL DeviceClose(HANDLE device);
BOOL QueryOsVersion(OSVERSIONINFOA *version);
