#include <windows.h>

#include <cstring>

#include "app/discovery.h"
#include "base/bounded_text.h"
#include "drives/device_control.h"
#include "drives/device_io.h"
#include "drives/identify_decoding.h"
#include "drives/smart_commands.h"
#include "drives/storage_commands.h"
#include "state/drive_table.h"
#include "state/os_kind.h"

namespace {

// OS kind 1 reaches every drive through this one handle; it is closed at shutdown
// even when no drive behind it was accepted.
HANDLE SharedDevice = INVALID_HANDLE_VALUE;

// Identifies drive number n on the device and, when the sector is accepted,
// takes the slot at CurrentDrive for it.
bool AcceptDrive(HANDLE device, uint8_t identifyNumber, uint8_t recordNumber)
{
    if (CurrentDrive >= MaxDrives)
        return false;
    if (!IdentifyDrive(device, identifyNumber) || !DecodeIdentifyData(SmartDataSector()))
        return false;
    Drives[CurrentDrive].Device = device;
    Drives[CurrentDrive].DriveNumber = recordNumber;
    CopyText(Drives[CurrentDrive].Bus, "ata");
    CurrentDrive++;
    return true;
}

bool DiscoverSmartvsdDrives()
{
    HANDLE device = OpenDriveDevice(1, 0);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    SharedDevice = device;
    uint8_t map = QueryDriveMap(device);
    for (uint8_t n = 0; n < MaxSmartvsdDrives; n++) {
        if (map & (1u << n))
            AcceptDrive(device, n, n);
    }
    return true;
}

// Read on the line after the query that failed.
HealthAnswer AnswerOf(bool answered)
{
    if (answered)
        return HealthAnswer::Answered;
    DWORD error = GetLastError();
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ? HealthAnswer::Refused
                                                                         : HealthAnswer::Failed;
}

// Who a drive the SMART requests cannot reach says it is: an NVMe drive from
// Identify Controller where its driver answers it, any other from the storage
// descriptor; and how its health is asked. False when it cannot say, has no
// fixed media, or is not taken for its health queries.
bool DescribeStorageDrive(HANDLE device, DriveRecord &record)
{
    StorageIdentity identity;
    StorageGeometry geometry;
    if (!QueryStorageIdentity(device, identity) || !QueryGeometryEx(device, geometry) || !geometry.fixedMedia)
        return false;
    bool nvmeBus = identity.busType == NvmeBusType;
    NvmeIdentity nvme;
    bool named = nvmeBus && QueryNvmeIdentity(device, nvme);
    HealthAnswer nvmeHealth = nvmeBus ? AnswerOf(AskNvmeHealth(device, nullptr)) : HealthAnswer::Refused;
    HealthAnswer prediction = HealthAnswer::Refused;
    // Failure prediction only where the health log does not serve.
    if (!nvmeBus || nvmeHealth == HealthAnswer::Refused)
        prediction = AnswerOf(AskPredictedFailure(device, nullptr));
    DriveAccess access;
    if (!ChooseStorageAccess(identity.busType, nvmeHealth, prediction, access))
        return false;
    DescribeStorageRecord(identity, named ? &nvme : nullptr, geometry, access, record);
    return true;
}

// Asks drive n through a handle opened with no access, which needs no administrator.
void AcceptStorageDrive(uint8_t n)
{
    if (CurrentDrive >= MaxDrives)
        return;
    HANDLE device = OpenPhysicalDrive(n, 0);
    if (device == INVALID_HANDLE_VALUE)
        return;
    DriveRecord record = {};
    if (!DescribeStorageDrive(device, record)) {
        CloseDevice(device);
        return;
    }
    record.Device = device;
    record.DriveNumber = 0;
    Drives[CurrentDrive++] = record;
}

void DiscoverPhysicalDrives()
{
    for (uint8_t n = 0; n < MaxDrives; n++) {
        HANDLE device = OpenDriveDevice(2, n);
        if (device == INVALID_HANDLE_VALUE) {
            // A standard user is refused the read/write open the SMART requests need.
            if (GetLastError() == ERROR_ACCESS_DENIED)
                AcceptStorageDrive(n);
            continue;
        }
        // The handle alone selects the drive, so every later request carries drive number 0.
        if (!AcceptDrive(device, n, 0)) {
            CloseDevice(device);
            // An NVMe drive declines IDENTIFY.
            AcceptStorageDrive(n);
        }
    }
}

}  // namespace

bool DiscoverDrives(uint32_t osKind)
{
    CurrentDrive = 0;
    bool driverOpened = true;
    if (osKind == OsKindWindows9x)
        driverOpened = DiscoverSmartvsdDrives();
    else if (osKind == OsKindWindowsNT)
        DiscoverPhysicalDrives();
    DriveCount = CurrentDrive;
    CurrentDrive = 0;
    return driverOpened;
}

void CloseDriveDevices(uint32_t osKind)
{
    if (osKind == OsKindWindows9x) {
        if (SharedDevice != INVALID_HANDLE_VALUE)
            CloseDevice(SharedDevice);
        SharedDevice = INVALID_HANDLE_VALUE;
    } else if (osKind == OsKindWindowsNT) {
        for (uint8_t i = 0; i < DriveCount; i++)
            CloseDevice(Drives[i].Device);
    }
}
