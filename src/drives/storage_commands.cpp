#include "drives/storage_commands.h"

#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "drives/device_control.h"
#include "drives/device_io.h"
#include "drives/drive_temperature.h"

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
static_assert(DeviceTemperaturePropertyId == StorageDeviceTemperatureProperty);

namespace {

// Per thread: the drive worker asks for the health log while the window thread may query another drive.
thread_local uint8_t NvmeBuffer[NvmeQueryBufferLength];

bool Control(HANDLE device, DWORD ioctl, void *input, DWORD inputLength, void *output, DWORD outputLength,
             DWORD &returned)
{
    returned = 0;
    return DeviceControl(device, ioctl, input, inputLength, output, outputLength, &returned) != FALSE;
}

// A descriptor cut to the buffer counts as an answer: some drivers succeed
// with what fits, others fail with ERROR_MORE_DATA after filling the buffer.
bool AskDescriptor(HANDLE device, uint8_t (&query)[DevicePropertyQueryLength], uint8_t *descriptor, DWORD length,
                   DWORD &returned)
{
    if (Control(device, StorageQueryPropertyIoctl, query, sizeof query, descriptor, length, returned))
        return true;
    return GetLastError() == ERROR_MORE_DATA && returned >= 8;
}

// A zeroed buffer of size bytes for one descriptor, given back after its query.
std::unique_ptr<uint8_t[]> DescriptorBuffer(size_t size)
{
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
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
    std::unique_ptr<uint8_t[]> descriptor = DescriptorBuffer(DeviceDescriptorLength);
    DWORD returned = 0;
    if (!descriptor || !AskDescriptor(device, query, descriptor.get(), DeviceDescriptorLength, returned))
        return false;
    // Long raw properties (some USB bridges, RAID) do not fit the first buffer:
    // the header that came back names the size to ask again with.
    uint32_t size = DescriptorSizeToAskAgain(descriptor.get(), returned);
    if (size != 0) {
        descriptor = DescriptorBuffer(size);
        if (!descriptor || !AskDescriptor(device, query, descriptor.get(), size, returned))
            return false;
    }
    return ReadDeviceDescriptor(descriptor.get(), returned, identity);
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

bool AskNvmeHealth(HANDLE device, int *status, CautionCounts *counts, uint8_t *temperature, uint8_t *logCopy)
{
    const uint8_t *log = AskNvme(device, NvmeQuery::HealthLog);
    if (log && logCopy)
        memcpy(logCopy, log, NvmeHealthLogLength);
    if (log && temperature)
        *temperature = ReadNvmeTemperature(log);
    if (log && status)
        *status = NvmeWarningExceeded(log[0]) ? 0 : 1;
    if (log && counts)
        ReadNvmeCautionCounts(log, *counts);
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

bool AskDeviceTemperature(HANDLE device, uint8_t &temperature, uint8_t &warning)
{
    uint8_t query[DevicePropertyQueryLength];
    BuildTemperatureQuery(query);
    uint8_t reply[TemperatureDescriptorLength] = {};
    DWORD returned = 0;
    temperature = NoTemperature;
    warning = NoTemperature;
    return Control(device, StorageQueryPropertyIoctl, query, sizeof query, reply, sizeof reply, returned) &&
           ReadTemperatureDescriptor(reply, returned, temperature, warning);
}
