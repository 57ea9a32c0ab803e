#include <windows.h>

#include <cstring>

#include "app/discovery.h"
#include "base/bounded_text.h"
#include "drives/device_control.h"
#include "drives/device_io.h"
#include "drives/identify_decoding.h"
#include "drives/smart_commands.h"
#include "drives/storage_commands.h"
#include "drives/storage_queries.h"
#include "state/drive_table.h"
#include "state/os_kind.h"

namespace {

// OS kind 1 reaches every drive through this one handle; it is closed at shutdown
// even when no drive behind it was accepted.
HANDLE SharedDevice = INVALID_HANDLE_VALUE;

// The drives a scan takes, in the order found.
struct DriveScan {
    DriveRecord *drives;
    uint8_t count;
};

// Identifies drive number n on the device and, when the sector is accepted,
// takes the scan's next slot for it.
bool AcceptDrive(DriveScan &scan, HANDLE device, uint8_t identifyNumber, uint8_t recordNumber, uint8_t deviceNumber)
{
    if (scan.count >= MaxDrives)
        return false;
    DriveRecord &record = scan.drives[scan.count];
    record = DriveRecord{};
    if (!IdentifyDrive(device, identifyNumber) || !DecodeIdentifyData(SmartDataSector(), record))
        return false;
    record.Device = device;
    record.DriveNumber = recordNumber;
    record.DeviceNumber = deviceNumber;
    CopyText(record.Bus, "ata");
    // The SMART requests reach only drives on the ATA driver's bus.
    record.BusType = AtaBusType;
    scan.count++;
    return true;
}

bool DiscoverSmartvsdDrives(DriveScan &scan)
{
    HANDLE device = OpenDriveDevice(1, 0);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    SharedDevice = device;
    uint8_t map = QueryDriveMap(device);
    for (uint8_t n = 0; n < MaxSmartvsdDrives; n++) {
        if (map & (1u << n))
            AcceptDrive(scan, device, n, n, n);
    }
    return true;
}

// An ATA drive behind a USB bridge that translates ATA PASS-THROUGH, asked on
// the read/write handle whose SMART requests failed with refusal. Only a bus
// the storage stack names, and never NVMe: such bridges speak their makers'
// own commands, and the drive keeps its storage queries.
bool AcceptPassThroughDrive(DriveScan &scan, HANDLE device, uint8_t deviceNumber, DWORD refusal)
{
    if (scan.count >= MaxDrives)
        return false;
    StorageIdentity identity;
    if (!QueryStorageIdentity(device, identity) || identity.busType == NvmeBusType)
        return false;
    bool refused = refusal == ERROR_INVALID_FUNCTION || refusal == ERROR_NOT_SUPPORTED;
    if (identity.busType != UsbBusType && !refused)
        return false;
    DriveRecord &record = scan.drives[scan.count];
    record = DriveRecord{};
    // A bridge without SAT answers ILLEGAL REQUEST, which fails the request like any other.
    if (!IdentifyDrive(device, 0, AtaPath::PassThrough) || !DecodeIdentifyData(SmartDataSector(), record))
        return false;
    // One that identifies the drive but hands back no RETURN STATUS registers
    // would raise a SMART error for a healthy drive: it keeps its storage queries.
    if (!PassThroughReturnsStatus(device))
        return false;
    record.Device = device;
    record.DriveNumber = 0;
    record.DeviceNumber = deviceNumber;
    record.Access = DriveAccess::AtaPassThrough;
    TakeStorageBus(identity.busType, record);
    scan.count++;
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
void AcceptStorageDrive(DriveScan &scan, uint8_t n)
{
    if (scan.count >= MaxDrives)
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
    record.DeviceNumber = n;
    scan.drives[scan.count++] = record;
}

void DiscoverPhysicalDrives(DriveScan &scan, const bool *skip)
{
    for (uint8_t n = 0; n < MaxDrives; n++) {
        if (skip && skip[n])
            continue;
        HANDLE device = OpenDriveDevice(2, n);
        if (device == INVALID_HANDLE_VALUE) {
            // A standard user is refused the read/write open the SMART requests need.
            if (GetLastError() == ERROR_ACCESS_DENIED)
                AcceptStorageDrive(scan, n);
            continue;
        }
        // The handle alone selects the drive, so every later request carries drive number 0.
        if (!AcceptDrive(scan, device, n, 0, n)) {
            DWORD refusal = GetLastError();
            if (AcceptPassThroughDrive(scan, device, n, refusal))
                continue;
            CloseDevice(device);
            // An NVMe drive declines IDENTIFY.
            AcceptStorageDrive(scan, n);
        }
    }
}

}  // namespace

bool DiscoverDrives(uint32_t osKind)
{
    DriveScan scan = {Drives, 0};
    bool driverOpened = true;
    if (osKind == OsKindWindows9x)
        driverOpened = DiscoverSmartvsdDrives(scan);
    else if (osKind == OsKindWindowsNT)
        DiscoverPhysicalDrives(scan, nullptr);
    DriveCount = scan.count;
    CurrentDrive = 0;
    return driverOpened;
}

uint8_t ScanPhysicalDrives(DriveRecord (&found)[MaxDrives], const bool (&skip)[MaxDrives])
{
    DriveScan scan = {found, 0};
    DiscoverPhysicalDrives(scan, skip);
    return scan.count;
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
