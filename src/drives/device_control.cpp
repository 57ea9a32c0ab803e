#include "drives/device_control.h"

#include <cstdint>
#include <cstring>

#include "base/guards.h"
#include "drives/device_io.h"

namespace {

// The drive worker asks one request at a time; the rest are for requests
// given up on, each kept until its driver completes it.
constexpr int RequestSlots = 16;

struct Slot {
    bool used;
    bool abandoned;
    HANDLE device;
    OVERLAPPED overlapped;
    HANDLE done;        // manual-reset, created once per slot
    uint8_t *buffer;    // the input, then the output, on the process heap
};

SRWLOCK Lock = SRWLOCK_INIT;
Slot Slots[RequestSlots];
HANDLE Stopped;         // manual-reset, set at shutdown
bool Stopping;


void FreeSlot(Slot &slot)
{
    HeapFree(GetProcessHeap(), 0, slot.buffer);
    slot.buffer = nullptr;
    slot.used = false;
    slot.abandoned = false;
    slot.device = nullptr;
}

// Gives back the slots of requests given up on that have completed since. Under the lock.
void SweepAbandoned()
{
    for (Slot &slot : Slots) {
        if (slot.used && slot.abandoned && WaitForSingleObject(slot.done, 0) == WAIT_OBJECT_0)
            FreeSlot(slot);
    }
}

bool AbandonedOn(HANDLE device)
{
    SweepAbandoned();
    for (const Slot &slot : Slots) {
        if (slot.used && slot.abandoned && slot.device == device)
            return true;
    }
    return false;
}

// A slot with a zeroed buffer of size bytes, or nullptr with the error to report.
Slot *TakeSlot(HANDLE device, size_t size, DWORD &error)
{
    ExclusiveLock locked(Lock);
    error = ERROR_OPERATION_ABORTED;
    if (Stopping)
        return nullptr;
    if (!Stopped && !(Stopped = CreateEventA(nullptr, TRUE, FALSE, nullptr)))
        return nullptr;
    error = ERROR_BUSY;
    if (AbandonedOn(device))
        return nullptr;
    error = ERROR_NOT_ENOUGH_MEMORY;
    for (Slot &slot : Slots) {
        if (slot.used)
            continue;
        if (!slot.done && !(slot.done = CreateEventA(nullptr, TRUE, FALSE, nullptr)))
            return nullptr;
        slot.buffer = static_cast<uint8_t *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1));
        if (!slot.buffer)
            return nullptr;
        // The system resets the event as the request starts: no call for it here.
        slot.overlapped = OVERLAPPED{};
        slot.overlapped.hEvent = slot.done;
        slot.used = true;
        slot.device = device;
        return &slot;
    }
    return nullptr;
}

// Waits for the request out in slot: the limit, or shutdown, then the cancel
// and its grace. False when it has still not completed. cancelled tells
// whether it was cancelled.
bool AwaitRequest(HANDLE device, Slot &slot, bool &cancelled)
{
    HANDLE events[2] = {slot.done, Stopped};
    cancelled = false;
    if (WaitForMultipleObjects(2, events, FALSE, DeviceRequestTimeoutMs) == WAIT_OBJECT_0)
        return true;
    cancelled = true;
    DeviceRequestCancel(device, &slot.overlapped);
    return WaitForSingleObject(slot.done, DeviceCancelGraceMs) == WAIT_OBJECT_0;
}

}  // namespace

BOOL DeviceControl(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
                   DWORD *returned)
{
    if (returned)
        *returned = 0;
    // The output after the input, aligned as a driver may expect.
    size_t outputAt = (static_cast<size_t>(inputLength) + 15) & ~static_cast<size_t>(15);
    DWORD error = 0;
    Slot *slot = TakeSlot(device, outputAt + outputLength, error);
    if (!slot) {
        SetLastError(error);
        return FALSE;
    }
    uint8_t *in = input ? slot->buffer : nullptr;
    uint8_t *out = output ? slot->buffer + outputAt : nullptr;
    if (in)
        memcpy(in, input, inputLength);
    // What the driver does not write stays as the caller left it.
    if (out)
        memcpy(out, output, outputLength);
    DWORD got = 0;
    BOOL ok = DeviceRequestStart(device, ioctl, in, inputLength, out, outputLength, &got, &slot->overlapped);
    error = ok ? ERROR_SUCCESS : GetLastError();
    if (!ok && error == ERROR_IO_PENDING) {
        bool cancelled = false;
        if (!AwaitRequest(device, *slot, cancelled)) {
            ExclusiveLock locked(Lock);
            slot->abandoned = true;
            SetLastError(ERROR_TIMEOUT);
            return FALSE;
        }
        got = 0;
        ok = DeviceRequestResult(device, &slot->overlapped, &got);
        error = ok ? ERROR_SUCCESS : GetLastError();
        if (!ok && cancelled)
            error = ERROR_TIMEOUT;
    }
    if (out)
        memcpy(output, out, outputLength);
    if (returned)
        *returned = got;
    {
        ExclusiveLock locked(Lock);
        FreeSlot(*slot);
    }
    SetLastError(error);
    return ok;
}

bool DeviceRequestAbandoned(HANDLE device)
{
    ExclusiveLock locked(Lock);
    return AbandonedOn(device);
}

bool AnyDeviceRequestAbandoned()
{
    ExclusiveLock locked(Lock);
    SweepAbandoned();
    for (const Slot &slot : Slots) {
        if (slot.used && slot.abandoned)
            return true;
    }
    return false;
}

void CloseDevice(HANDLE device)
{
    if (!DeviceRequestAbandoned(device))
        DeviceClose(device);
}

void CancelDeviceRequests()
{
    ExclusiveLock locked(Lock);
    Stopping = true;
    if (Stopped)
        SetEvent(Stopped);
}
