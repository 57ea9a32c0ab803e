// holmvard-drivecheck.exe: what each drive query answers on the machine it runs
// on, printed as lines of the emulator's description format (docs/emulator.md),
// so that a report from a real PC becomes a test fixture by copying it. Asks
// the drives exactly as the program does and changes nothing on them.
#include <windows.h>

#include <cstdio>

#include "drives/device_control.h"
#include "drives/device_io.h"
#include "drives/identify_decoding.h"
#include "drives/smart_commands.h"
#include "drives/smart_requests.h"
#include "drives/storage_commands.h"
#include "state/drive_table.h"

namespace {

constexpr int DrivesToTry = MaxDrives;

// The non-empty entries of the attribute table (data) or threshold table of a
// SMART sector, as attribute or threshold lines, and a data sector's checksum
// byte when it does not make the sector sum to 0.
void ReportAttributeTable(bool data)
{
    const uint8_t *sector = SmartDataSector();
    for (int k = 0; k < 30; k++) {
        const uint8_t *entry = sector + 2 + 12 * k;
        if (entry[0] == 0)
            continue;
        if (!data) {
            printf("threshold %u %u\n", entry[0], entry[1]);
            continue;
        }
        unsigned long long raw = 0;
        for (int b = 5; b >= 0; b--)
            raw = raw << 8 | entry[5 + b];
        printf("attribute %u %u %u %llu 0x%04X\n", entry[0], entry[3], entry[4], raw, entry[1] | entry[2] << 8);
    }
    if (data && !SmartSectorChecksumValid(sector))
        printf("data-byte 511 %u   # checksum does not sum to 0\n", sector[511]);
    else if (!data && !SmartSectorChecksumValid(sector))
        printf("# threshold checksum does not sum to 0\n");
}

// IDENTIFY, RETURN STATUS and both SMART sectors, on the path given.
bool ReportAtaDrive(HANDLE device, AtaPath path)
{
    DriveRecord record = {};
    if (!IdentifyDrive(device, 0, path) || !DecodeIdentifyData(SmartDataSector(), record))
        return false;
    printf("model %s\nserial %s\nfirmware %s\n", record.Model, record.Serial, record.FirmwareRev);
    printf("cylinders %u\nheads %u\nsectors %u\nlba %llu\n", record.Cylinders, record.Heads,
           record.SectorsPerTrack, static_cast<unsigned long long>(record.LbaSectors));
    printf("status %s\n", ReturnSMARTStatus(device, 0, path) ? "ok" : "exceeded   # or the request failed");
    if (ReadSMARTData(device, 0, path))
        ReportAttributeTable(true);
    else
        printf("readdata fail   # error %lu\n", GetLastError());
    if (ReadSMARTThresholds(device, 0, path))
        ReportAttributeTable(false);
    else
        printf("readthresholds fail   # error %lu\n", GetLastError());
    return true;
}

// ATA PASS-THROUGH, for a drive whose SMART requests failed; never to an NVMe
// drive, whose bridges speak their makers' own commands.
bool ReportPassThrough(HANDLE device)
{
    StorageIdentity identity;
    if (QueryStorageIdentity(device, identity) && identity.busType == NvmeBusType)
        return false;
    if (ReportAtaDrive(device, AtaPath::PassThrough)) {
        printf("sat yes\n");
        return true;
    }
    printf("# no ATA PASS-THROUGH: error %lu\n", GetLastError());
    return false;
}

// The read/write open and IDENTIFY of the SMART path, then ATA PASS-THROUGH.
void ReportSmartPath(int n)
{
    HANDLE device = OpenPhysicalDrive(static_cast<uint8_t>(n), GENERIC_READ | GENERIC_WRITE);
    if (device == INVALID_HANDLE_VALUE) {
        printf("open fail   # error %lu\n", GetLastError());
        return;
    }
    if (!ReportAtaDrive(device, AtaPath::SmartDriver)) {
        DWORD error = GetLastError();
        printf("# SMART requests: error %lu\n", error);
        if (!ReportPassThrough(device))
            printf("identify fail   # error %lu\n", error);
    }
    CloseDevice(device);
}

// The storage queries of a handle opened with no access.
void ReportStoragePath(HANDLE device)
{
    StorageIdentity identity;
    if (!QueryStorageIdentity(device, identity)) {
        printf("# no storage descriptor: error %lu\n", GetLastError());
        return;
    }
    const char *bus = StorageBusName(identity.busType);
    if (bus)
        printf("bus %s\n", bus);
    else
        printf("# bus type %lu, which the emulator does not describe\n", static_cast<unsigned long>(identity.busType));
    printf("# vendor '%s' product '%s' revision '%s' serial '%s'\n", identity.vendor, identity.product,
           identity.revision, identity.serial);
    StorageGeometry geometry;
    if (QueryGeometryEx(device, geometry)) {
        printf("# geometry %u/%u/%u, %llu sectors of 512 bytes, %s media\n", geometry.cylinders, geometry.heads,
               geometry.sectorsPerTrack, static_cast<unsigned long long>(geometry.sectors),
               geometry.fixedMedia ? "fixed" : "not fixed");
        bool described = geometry.blockSize == 512 || geometry.blockSize == 4096;
        printf(described ? "block-size %u\n" : "# block size %u, which the emulator does not describe\n",
               geometry.blockSize);
    } else
        printf("# no DISK_GEOMETRY_EX: error %lu\n", GetLastError());
    int status = 0;
    if (identity.busType == NvmeBusType) {
        NvmeIdentity nvme;
        if (QueryNvmeIdentity(device, nvme))
            printf("# NVMe model '%s' serial '%s' firmware '%s'\n", nvme.model, nvme.serial, nvme.firmware);
        else
            printf("# no NVMe Identify Controller: error %lu\n", GetLastError());
        bool answered = AskNvmeHealth(device, &status);
        printf(answered ? "health ok   # %s\n" : "health fail   # %s\n",
               answered ? (status ? "no critical warning counts" : "a critical warning counts") : "no health log");
    }
    bool predicted = AskPredictedFailure(device, &status);
    if (predicted)
        printf("predict %s\n", status ? "no" : "yes");
    else
        printf("# no failure prediction: error %lu\n", GetLastError());
}

}  // namespace

int main()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (QueryOsVersion(&version))
        printf("# holmvard-drivecheck on Windows %lu.%lu.%lu\n", version.dwMajorVersion, version.dwMinorVersion,
               version.dwBuildNumber);
    for (int n = 0; n < DrivesToTry; n++) {
        HANDLE device = OpenPhysicalDrive(static_cast<uint8_t>(n), 0);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        printf("drive %d\n", n);
        ReportSmartPath(n);
        ReportStoragePath(device);
        CloseDevice(device);
    }
    return 0;
}
