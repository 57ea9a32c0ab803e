// The time limit of every device request. A drive that stops answering must
// not hold the thread that asked it for ever: a watcher cancels a request that
// has not answered in time, and the request then fails like any other.
#pragma once

#include <windows.h>

constexpr DWORD DeviceRequestTimeoutMs = 30000;

// Held by the device layer around one request of the calling thread. When the
// time runs out, the watcher cancels the thread's synchronous I/O and signals
// cancelled, which an emulated wait ends on.
struct RequestWatch {
    int slot = -1;
    HANDLE cancelled = nullptr;   // not owned; null when no watch could be set
    RequestWatch();
    RequestWatch(const RequestWatch &) = delete;
    RequestWatch &operator=(const RequestWatch &) = delete;
    ~RequestWatch();
    // Whether the watcher cancelled this request.
    bool TimedOut() const;
};

// At shutdown: cancels every request out now instead of at its time-out, and
// every later one as it starts.
void CancelDeviceRequests();
