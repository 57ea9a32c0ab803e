#include "drives/request_watch.h"

namespace {

// The window thread, the drive worker, and a spare.
constexpr int WatchSlots = 4;

struct Watch {
    bool used;
    bool timedOut;
    DWORD start;
    HANDLE thread;      // a real handle of the asking thread, for CancelSynchronousIo
    HANDLE cancelled;   // manual-reset, one per slot for the whole run
};

SRWLOCK Lock = SRWLOCK_INIT;
Watch Watches[WatchSlots];
HANDLE Changed;         // wakes the watcher when a watch starts
HANDLE Watcher;
bool ShuttingDown;      // every request from now on is cancelled at once

struct Locked {
    Locked() { AcquireSRWLockExclusive(&Lock); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    ~Locked() { ReleaseSRWLockExclusive(&Lock); }
};

// Cancels under the lock, so the asking thread cannot have left the request
// for another one before the cancellation reaches it.
void CancelWatch(Watch &watch)
{
    watch.timedOut = true;
    SetEvent(watch.cancelled);
    CancelSynchronousIo(watch.thread);
}

// Sleeps until the earliest watch runs out, cancels what has run out, and so on
// for the whole run.
DWORD WINAPI WatchRequests(void *)
{
    for (;;) {
        DWORD wait = INFINITE;
        {
            Locked locked;
            DWORD now = GetTickCount();
            for (Watch &watch : Watches) {
                if (!watch.used || watch.timedOut)
                    continue;
                DWORD elapsed = now - watch.start;
                if (elapsed >= DeviceRequestTimeoutMs) {
                    CancelWatch(watch);
                    continue;
                }
                DWORD left = DeviceRequestTimeoutMs - elapsed;
                if (left < wait)
                    wait = left;
            }
        }
        WaitForSingleObject(Changed, wait);
    }
}

// Started at the first request; false when the system refuses a thread or an event.
bool StartWatcher()
{
    if (Watcher)
        return true;
    for (Watch &watch : Watches) {
        watch.cancelled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!watch.cancelled)
            return false;
    }
    Changed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!Changed)
        return false;
    Watcher = CreateThread(nullptr, 0, WatchRequests, nullptr, 0, nullptr);
    return Watcher != nullptr;
}

}  // namespace

RequestWatch::RequestWatch()
{
    Locked locked;
    if (!StartWatcher())
        return;
    for (int i = 0; i < WatchSlots; i++) {
        Watch &watch = Watches[i];
        if (watch.used)
            continue;
        if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &watch.thread, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            return;
        ResetEvent(watch.cancelled);
        watch.used = true;
        watch.timedOut = false;
        watch.start = GetTickCount();
        slot = i;
        cancelled = watch.cancelled;
        if (ShuttingDown)
            CancelWatch(watch);
        SetEvent(Changed);
        return;
    }
}

RequestWatch::~RequestWatch()
{
    if (slot < 0)
        return;
    Locked locked;
    Watch &watch = Watches[slot];
    CloseHandle(watch.thread);
    watch.thread = nullptr;
    watch.used = false;
}

bool RequestWatch::TimedOut() const
{
    if (slot < 0)
        return false;
    Locked locked;
    return Watches[slot].timedOut;
}

void CancelDeviceRequests()
{
    Locked locked;
    ShuttingDown = true;
    for (Watch &watch : Watches) {
        if (watch.used && !watch.timedOut)
            CancelWatch(watch);
    }
}
