#include "drives/storage_commands.h"

#include <winioctl.h>

#include <cstddef>

#include "drives/device_io.h"

static_assert(StorageQueryPropertyIoctl == IOCTL_STORAGE_QUERY_PROPERTY);
static_assert(StoragePredictFailureIoctl == IOCTL_STORAGE_PREDICT_FAILURE);
static_assert(DiskGetDriveGeometryExIoctl == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX);
static_assert(AtaBusType == BusTypeAta && UsbBusType == BusTypeUsb && SataBusType == BusTypeSata);
static_assert(NvmeBusType == BusTypeNvme);
static_assert(DevicePropertyQueryLength == sizeof(STORAGE_PROPERTY_QUERY));
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == 12);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == 24);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties) == 36);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == 40);
static_assert(NvmeQueryHeaderLength == offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) +
                                           sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA));
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == 48);
static_assert(offsetof(DISK_GEOMETRY_EX, DiskSize) == 24 && GeometryExLength == sizeof(DISK_GEOMETRY_EX));
static_assert(offsetof(DISK_GEOMETRY, BytesPerSector) == 20);
static_assert(PredictFailureLength == sizeof(STORAGE_PREDICT_FAILURE));

namespace {

uint8_t NvmeBuffer[NvmeQueryBufferLength];

bool Control(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
             DWORD &returned)
{
    returned = 0;
    return DeviceControl(device, ioctl, input, inputLength, output, outputLength, &returned) != FALSE;
}

// The protocol data of an NVMe query, or nullptr.
const uint8_t *AskNvme(HANDLE device, NvmeQuery query)
{
    DWORD length = BuildNvmeQuery(query, NvmeBuffer);
    DWORD returned = 0;
    const uint8_t *data = nullptr;
    if (!Control(device, StorageQueryPropertyIoctl, NvmeBuffer, length, NvmeBuffer, length, returned) ||
        !FindNvmeData(NvmeBuffer, returned, query, data))
        return nullptr;
    return data;
}

}  // namespace

bool QueryStorageIdentity(HANDLE device, StorageIdentity &identity)
{
    uint8_t query[DevicePropertyQueryLength];
    BuildDevicePropertyQuery(query);
    uint8_t reply[DeviceDescriptorLength] = {};
    DWORD returned = 0;
    return Control(device, StorageQueryPropertyIoctl, query, sizeof query, reply, sizeof reply, returned) &&
           ReadDeviceDescriptor(reply, returned, identity);
}

bool QueryGeometryEx(HANDLE device, StorageGeometry &geometry)
{
    uint8_t reply[GeometryExLength] = {};
    DWORD returned = 0;
    return Control(device, DiskGetDriveGeometryExIoctl, nullptr, 0, reply, sizeof reply, returned) &&
           ReadGeometryEx(reply, returned, geometry);
}

bool QueryNvmeIdentity(HANDLE device, NvmeIdentity &identity)
{
    const uint8_t *data = AskNvme(device, NvmeQuery::IdentifyController);
    if (!data)
        return false;
    ReadNvmeIdentity(data, identity);
    return true;
}

bool AskNvmeHealth(HANDLE device, int *status)
{
    const uint8_t *log = AskNvme(device, NvmeQuery::HealthLog);
    if (log && status)
        *status = NvmeWarningExceeded(log[0]) ? 0 : 1;
    return log != nullptr;
}

bool AskPredictedFailure(HANDLE device, int *status)
{
    uint8_t reply[PredictFailureLength] = {};
    DWORD returned = 0;
    bool predicts = true;
    if (!Control(device, StoragePredictFailureIoctl, nullptr, 0, reply, sizeof reply, returned) ||
        !ReadPredictFailure(reply, returned, predicts))
        return false;
    if (status)
        *status = predicts ? 0 : 1;
    return true;
}

int ReturnNvmeStatus(HANDLE device)
{
    int status = 0;   // unanswered reads as failing, as a failed SMART request does
    AskNvmeHealth(device, &status);
    return status;
}

int ReturnPredictedStatus(HANDLE device)
{
    int status = 0;
    AskPredictedFailure(device, &status);
    return status;
}
