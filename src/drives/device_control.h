// Every device request of the program, bounded in time. A drive that stops
// answering must not hold the thread that asked it for ever, and a driver that
// is stuck may never complete a request at all, cancelled or not.
#pragma once

#include <windows.h>

constexpr DWORD DeviceRequestTimeoutMs = 30000;
// How long a cancelled request is given to end before it is given up on.
constexpr DWORD DeviceCancelGraceMs = 2000;

// One request, as DeviceIoControl. One not answered within the limit is
// cancelled and fails with ERROR_TIMEOUT (an answer that comes with the
// cancel still counts). One that ignores the cancel too is given up on: its
// buffers stay reserved until it completes, never reused while the system may
// still write them, and until then every request to that device fails at once
// with ERROR_BUSY without reaching it.
BOOL DeviceControl(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
                   DWORD *returned);

// Whether a request given up on is still out on the device.
bool DeviceRequestAbandoned(HANDLE device);

// Whether any request given up on is still out, on any device.
bool AnyDeviceRequestAbandoned();

// Closes the device, unless a request given up on is still out on it: closing
// would wait for that request, and the handle then goes with the process.
void CloseDevice(HANDLE device);

// At shutdown: ends the wait of every request out now, and fails every later
// one at once.
void CancelDeviceRequests();
