#include "drives/smart_commands.h"

#include <winioctl.h>

#include <cstring>

#include <ntddscsi.h>

#include "base/bounded_text.h"
#include "drives/ata_pass_through.h"
#include "drives/device_control.h"
#include "drives/device_io.h"
#include "drives/smart_requests.h"
#include "state/os_kind.h"

static_assert(sizeof(SENDCMDINPARAMS) == sizeof(SendCmdInParams));
static_assert(offsetof(SENDCMDINPARAMS, bDriveNumber) == offsetof(SendCmdInParams, bDriveNumber));
static_assert(offsetof(SENDCMDINPARAMS, bBuffer) == SmartPacketLength);
static_assert(sizeof(SENDCMDOUTPARAMS) == sizeof(SendCmdOutParams));
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == SmartReplyHeaderLength);
static_assert(sizeof(GETVERSIONINPARAMS) == sizeof(GetVersionInParams));
static_assert(offsetof(GETVERSIONINPARAMS, bIDEDeviceMap) == offsetof(GetVersionInParams, bIDEDeviceMap));
static_assert(sizeof(DISK_GEOMETRY) == sizeof(DiskGeometry));
static_assert(offsetof(DISK_GEOMETRY, MediaType) == offsetof(DiskGeometry, MediaType));
static_assert(SMART_GET_VERSION == SmartGetVersionIoctl);
static_assert(SMART_SEND_DRIVE_COMMAND == SmartSendDriveCommandIoctl);
static_assert(SMART_RCV_DRIVE_DATA == SmartRcvDriveDataIoctl);
static_assert(IOCTL_DISK_GET_DRIVE_GEOMETRY == DiskGetDriveGeometryIoctl);
static_assert(FixedMedia == FixedMediaType && RemovableMedia == RemovableMediaType);
static_assert(IOCTL_SCSI_PASS_THROUGH == ScsiPassThroughIoctl);
static_assert(sizeof(SCSI_PASS_THROUGH) == sizeof(ScsiPassThroughHeader));
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == offsetof(ScsiPassThroughHeader, ScsiStatus));
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == offsetof(ScsiPassThroughHeader, DataTransferLength));
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == offsetof(ScsiPassThroughHeader, DataBufferOffset));
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == offsetof(ScsiPassThroughHeader, SenseInfoOffset));
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == offsetof(ScsiPassThroughHeader, Cdb));
static_assert(SCSI_IOCTL_DATA_IN == ScsiDataIn && SCSI_IOCTL_DATA_UNSPECIFIED == ScsiDataUnspecified);

namespace {

// One set of request buffers per thread for the whole run: the drive worker and
// the window thread may each have a request out, but never two on one thread.
thread_local uint8_t RequestPacket[SmartPacketLength];
thread_local uint8_t StatusReply[SmartStatusReplyLength];
thread_local uint8_t DataReply[SmartDataReplyLength];
thread_local DWORD ReturnedBytes;
thread_local uint8_t PassThroughRequest[SatBufferLength];
thread_local uint8_t PassThroughReply[SatBufferLength];

// The same operation as an ATA PASS-THROUGH command. Its sector lands where
// the SMART driver's reply keeps it, so SmartDataSector serves both paths;
// RETURN STATUS is read by its caller from the sense data.
BOOL SendPassThrough(HANDLE device, SmartOperation operation)
{
    uint32_t length = BuildSatRequest(operation, PassThroughRequest);
    memset(PassThroughReply, 0, sizeof PassThroughReply);
    BOOL sent = DeviceControl(device, ScsiPassThroughIoctl, PassThroughRequest, length, PassThroughReply, length,
                              &ReturnedBytes);
    if (!sent || operation == SmartOperation::ReturnSMARTStatus)
        return sent;
    if (!SatCommandDone(operation, true, PassThroughReply, ReturnedBytes)) {
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    if (length == SatBufferLength)
        memcpy(DataReply + SmartReplyHeaderLength, PassThroughReply + SatDataOffset, SmartSectorLength);
    return TRUE;
}

BOOL SendSmartRequest(HANDLE device, SmartOperation operation, uint8_t driveNumber, AtaPath path)
{
    if (path == AtaPath::PassThrough)
        return SendPassThrough(device, operation);

    SmartRequest request = BuildSmartRequest(operation, driveNumber);
    memcpy(RequestPacket, request.packet, sizeof RequestPacket);
    uint8_t *reply = request.outputLength == SmartDataReplyLength ? DataReply : StatusReply;
    memset(reply, 0, request.outputLength);
    BOOL sent = DeviceControl(device, request.ioctl, RequestPacket, SmartPacketLength, reply, request.outputLength,
                              &ReturnedBytes);
    if (sent && !SmartReplyAnswered(true, reply)) {
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    return sent;
}

}  // namespace

HANDLE OpenPhysicalDrive(uint8_t index, DWORD access)
{
    // The number in as many digits as it has: PhysicalDrive12.
    char name[24];
    FormatInto(name, "\\\\.\\PhysicalDrive%u", static_cast<unsigned>(index));
    return DeviceOpen(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

HANDLE OpenDriveDevice(uint32_t osKind, uint8_t index)
{
    if (osKind == OsKindWindows9x)
        return DeviceOpen("\\\\.\\SMARTVSD", 0, 0, CREATE_NEW);

    // Zero access is enough for the geometry query and needs no administrative rights.
    HANDLE probe = OpenPhysicalDrive(index, 0);
    if (probe == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    uint8_t geometry[DriveGeometryLength] = {};
    DWORD returned = 0;
    BOOL queried = DeviceControl(probe, DiskGetDriveGeometryIoctl, nullptr, 0, geometry, sizeof geometry, &returned);
    CloseDevice(probe);
    // Removable media, floppies and devices without geometry are never monitored.
    if (!queried || ReadMediaType(geometry) != FixedMediaType)
        return INVALID_HANDLE_VALUE;

    return OpenPhysicalDrive(index, GENERIC_READ | GENERIC_WRITE);
}

uint8_t QueryDriveMap(HANDLE device)
{
    uint8_t reply[DriveMapReplyLength] = {};
    DeviceControl(device, SmartGetVersionIoctl, nullptr, 0, reply, sizeof reply, &ReturnedBytes);
    return ReadDriveMap(reply);
}

BOOL IdentifyDrive(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::IdentifyDrive, driveNumber, path);
}

BOOL EnableSMART(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::EnableSMART, driveNumber, path);
}

BOOL DisableSMART(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::DisableSMART, driveNumber, path);
}

BOOL EnableAttributeAutosave(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::EnableAttributeAutosave, driveNumber, path);
}

BOOL ExecuteOfflineImmediate(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::ExecuteOfflineImmediate, driveNumber, path);
}

BOOL ReadSMARTData(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::ReadSMARTData, driveNumber, path);
}

BOOL ReadSMARTThresholds(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    return SendSmartRequest(device, SmartOperation::ReadSMARTThresholds, driveNumber, path);
}

int ReturnSMARTStatus(HANDLE device, uint8_t driveNumber, AtaPath path)
{
    BOOL sent = SendSmartRequest(device, SmartOperation::ReturnSMARTStatus, driveNumber, path);
    if (path == AtaPath::PassThrough) {
        int status = ReadSatReturnStatus(sent != FALSE, PassThroughReply, ReturnedBytes);
        // A reply without the registers asked for is a failed request, not a vanished drive.
        if (sent && status == 0)
            SetLastError(ERROR_IO_DEVICE);
        return status;
    }
    return ReadReturnStatus(sent != FALSE, StatusReply);
}

bool PassThroughReturnsStatus(HANDLE device)
{
    BOOL sent = SendPassThrough(device, SmartOperation::ReturnSMARTStatus);
    return ReadSatStatus(sent != FALSE, PassThroughReply, ReturnedBytes) != SatStatus::Unanswered;
}

uint8_t *SmartDataSector()
{
    return DataReply + SmartReplyHeaderLength;
}
