// A device layer for the benchmarks that answers at once from memory: four
// (or InstantDriveCount) healthy drives of the emulated bay and volumes with ample room. No file is
// read and nothing is logged, so a timed check is the program's own work.
#include "drives/device_io.h"
#include "volumes/volume_space.h"

#include <cstdint>

#include "emulator/drive_emulation.h"

namespace {

constexpr uintptr_t FakeHandleBase = 0x7E000000;
constexpr uint64_t VolumeBytes = 500ull * 1000 * 1000 * 1000;

EmulatedBay Bay;
bool BayReady;
}  // namespace

// Set by the benchmark before the first device call.
int InstantDriveCount = 4;

namespace {
EmulatedHandleTable Handles;

const EmulatedBay &InstantBay()
{
    if (!BayReady) {
        SetEmptyBay(Bay);
        for (int i = 0; i < InstantDriveCount && i < EmulatedDriveCount; i++)
            SetDefaultDrive(Bay.drives[i], i);
        BayReady = true;
    }
    return Bay;
}

uint32_t NumberOf(HANDLE device)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(device);
    return value > FakeHandleBase ? static_cast<uint32_t>((value - FakeHandleBase) / 4) : 0;
}

}  // namespace

// Read by the benchmark to confirm that a timed check asks every drive.
long InstantRequests;

HANDLE DeviceOpen(const char *name, DWORD access, DWORD, DWORD)
{
    EmulatedOpen answer = AnswerDeviceOpen(InstantBay(), name, access);
    uint32_t number = answer.ok ? AddEmulatedHandle(Handles, answer.device) : 0;
    SetLastError(number ? ERROR_SUCCESS : answer.error);
    return number ? reinterpret_cast<HANDLE>(FakeHandleBase + 4 * static_cast<uintptr_t>(number))
                  : INVALID_HANDLE_VALUE;
}

BOOL DeviceRequestStart(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output,
                        DWORD outputLength, DWORD *returned, OVERLAPPED *)
{
    ++InstantRequests;
    const EmulatedDevice *open = FindEmulatedHandle(Handles, NumberOf(device));
    EmulatedReply reply = {false, ERROR_INVALID_HANDLE, 0};
    if (open)
        reply = AnswerDeviceControl(InstantBay(), *open, ioctl, static_cast<const uint8_t *>(input), inputLength,
                                    static_cast<uint8_t *>(output), outputLength);
    if (returned)
        *returned = reply.returned;
    SetLastError(reply.ok ? ERROR_SUCCESS : reply.error);
    return reply.ok ? TRUE : FALSE;
}

// Every request completes at once, so none is ever out.
BOOL DeviceRequestResult(HANDLE, OVERLAPPED *, DWORD *)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

void DeviceRequestCancel(HANDLE, OVERLAPPED *) {}

BOOL DeviceClose(HANDLE device)
{
    return RemoveEmulatedHandle(Handles, NumberOf(device)) ? TRUE : FALSE;
}

BOOL QueryOsVersion(OSVERSIONINFOA *version)
{
    const EmulatedBay &bay = InstantBay();
    version->dwMajorVersion = bay.majorVersion;
    version->dwMinorVersion = bay.minorVersion;
    version->dwBuildNumber = bay.buildNumber;
    version->dwPlatformId = bay.platformId;
    version->szCSDVersion[0] = '\0';
    return TRUE;
}

BOOL QueryVolumeSpace(const char *, ULARGE_INTEGER *available, ULARGE_INTEGER *total, ULARGE_INTEGER *free)
{
    if (available)
        available->QuadPart = VolumeBytes / 2;
    if (total)
        total->QuadPart = VolumeBytes;
    if (free)
        free->QuadPart = VolumeBytes / 2;
    return TRUE;
}
