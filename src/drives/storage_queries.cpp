#include "drives/storage_queries.h"

#include "drives/drive_temperature.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/byte_order.h"
#include "drives/smart_requests.h"

namespace {

constexpr uint32_t StorageDeviceProperty = 0;
constexpr uint32_t StorageAdapterProtocolSpecificProperty = 49;
constexpr uint32_t StorageDeviceProtocolSpecificProperty = 50;
constexpr uint32_t PropertyStandardQuery = 0;
constexpr uint32_t ProtocolTypeNvme = 3;
constexpr uint32_t NvmeDataTypeIdentify = 1;
constexpr uint32_t NvmeDataTypeLogPage = 2;
constexpr uint32_t NvmeIdentifyCnsController = 1;
constexpr uint32_t NvmeLogPageHealthInfo = 2;
constexpr uint32_t ProtocolSpecificDataLength = 40;
constexpr uint32_t ProtocolDescriptorLength = 8 + ProtocolSpecificDataLength;

// STORAGE_DEVICE_DESCRIPTOR
constexpr size_t DescriptorHeaderLength = 36;   // up to RawPropertiesLength
constexpr size_t VendorOffsetAt = 12;
constexpr size_t ProductOffsetAt = 16;
constexpr size_t RevisionOffsetAt = 20;
constexpr size_t SerialOffsetAt = 24;
constexpr size_t BusTypeAt = 28;

// DISK_GEOMETRY_EX: DISK_GEOMETRY, then the disk's size in bytes.
constexpr size_t DiskSizeAt = DriveGeometryLength;
constexpr size_t GeometryExUsed = DiskSizeAt + 8;
// The sector a drive record counts, whatever the drive's own block size.
constexpr uint64_t RecordSectorBytes = 512;

uint16_t Clamp16(uint64_t value)
{
    return value > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(value);
}

// Copies length bytes of text, printable ASCII only, without leading or trailing blanks.
void CopyTrimmed(char *destination, size_t size, const uint8_t *text, size_t length)
{
    size_t start = 0;
    while (start < length && (text[start] == ' ' || text[start] == '\0'))
        start++;
    size_t end = length;
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\0'))
        end--;
    size_t out = 0;
    for (size_t i = start; i < end && text[i] != '\0' && out + 1 < size; i++)
        destination[out++] = text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?';
    destination[out] = '\0';
}

// A NUL-ended string at offset inside the reply; offset 0 means none.
bool ReadDescriptorString(const uint8_t *reply, uint32_t length, size_t offsetAt, char (&text)[StorageTextSize])
{
    text[0] = '\0';
    uint32_t offset = ReadLittleEndian32(reply + offsetAt);
    if (offset == 0)
        return true;
    if (offset < DescriptorHeaderLength || offset >= length)
        return false;
    const void *end = memchr(reply + offset, '\0', length - offset);
    if (!end)
        return false;
    CopyTrimmed(text, sizeof text, reply + offset, static_cast<size_t>(static_cast<const uint8_t *>(end) - (reply + offset)));
    return true;
}

}  // namespace

void BuildDevicePropertyQuery(uint8_t (&query)[DevicePropertyQueryLength])
{
    memset(query, 0, sizeof query);
    WriteLittleEndian32(query, StorageDeviceProperty);
    WriteLittleEndian32(query + 4, PropertyStandardQuery);
}

uint32_t DescriptorSizeToAskAgain(const uint8_t *reply, uint32_t length)
{
    if (!reply || length < 8)
        return 0;
    uint32_t size = ReadLittleEndian32(reply + 4);
    return size > length && size <= DeviceDescriptorLimit ? size : 0;
}

bool ReadDeviceDescriptor(const uint8_t *reply, uint32_t length, StorageIdentity &identity)
{
    memset(&identity, 0, sizeof identity);
    if (!reply || length < DescriptorHeaderLength)
        return false;
    uint32_t size = ReadLittleEndian32(reply + 4);
    if (size < DescriptorHeaderLength || size > length)
        return false;
    identity.busType = ReadLittleEndian32(reply + BusTypeAt);
    return ReadDescriptorString(reply, size, VendorOffsetAt, identity.vendor) &&
           ReadDescriptorString(reply, size, ProductOffsetAt, identity.product) &&
           ReadDescriptorString(reply, size, RevisionOffsetAt, identity.revision) &&
           ReadDescriptorString(reply, size, SerialOffsetAt, identity.serial);
}

uint32_t BuildNvmeQuery(NvmeQuery query, uint8_t (&buffer)[NvmeQueryBufferLength])
{
    memset(buffer, 0, sizeof buffer);
    bool identify = query == NvmeQuery::IdentifyController;
    uint32_t dataLength = identify ? NvmeIdentifyLength : NvmeHealthLogLength;
    WriteLittleEndian32(buffer, identify ? StorageAdapterProtocolSpecificProperty : StorageDeviceProtocolSpecificProperty);
    WriteLittleEndian32(buffer + 4, PropertyStandardQuery);
    uint8_t *protocol = buffer + 8;
    WriteLittleEndian32(protocol, ProtocolTypeNvme);
    WriteLittleEndian32(protocol + 4, identify ? NvmeDataTypeIdentify : NvmeDataTypeLogPage);
    WriteLittleEndian32(protocol + 8, identify ? NvmeIdentifyCnsController : NvmeLogPageHealthInfo);
    WriteLittleEndian32(protocol + 16, ProtocolSpecificDataLength);
    WriteLittleEndian32(protocol + 20, dataLength);
    return static_cast<uint32_t>(NvmeQueryHeaderLength + dataLength);
}

bool FindNvmeData(const uint8_t *reply, uint32_t length, NvmeQuery query, const uint8_t *&data)
{
    data = nullptr;
    uint32_t wanted = query == NvmeQuery::IdentifyController ? NvmeIdentifyLength : NvmeHealthLogLength;
    if (!reply || length < ProtocolDescriptorLength || ReadLittleEndian32(reply) != ProtocolDescriptorLength ||
        ReadLittleEndian32(reply + 4) != ProtocolDescriptorLength)
        return false;
    const uint8_t *protocol = reply + 8;
    uint64_t offset = ReadLittleEndian32(protocol + 16);
    uint64_t dataLength = ReadLittleEndian32(protocol + 20);
    if (dataLength < wanted || 8 + offset + wanted > length)
        return false;
    data = protocol + offset;
    return true;
}

void ReadNvmeIdentity(const uint8_t *data, NvmeIdentity &identity)
{
    CopyTrimmed(identity.serial, sizeof identity.serial, data + 4, 20);
    CopyTrimmed(identity.model, sizeof identity.model, data + 24, 40);
    CopyTrimmed(identity.firmware, sizeof identity.firmware, data + 64, 8);
    ReadNvmeTemperatureThresholds(data, identity.warningTemperature, identity.criticalTemperature);
}

bool NvmeWarningExceeded(uint8_t criticalWarning)
{
    constexpr uint8_t TemperatureBit = 0x02;
    return (criticalWarning & ~TemperatureBit) != 0;
}

void ReadNvmeCautionCounts(const uint8_t *healthLog, CautionCounts &counts)
{
    constexpr size_t PercentageUsedAt = 5;
    constexpr size_t MediaErrorsAt = 160;
    counts = CautionCounts{};
    counts.value[static_cast<int>(CautionItem::MediaErrors)] = ReadLittleEndian32(healthLog + MediaErrorsAt);
    counts.value[static_cast<int>(CautionItem::WornOut)] = healthLog[PercentageUsedAt] >= 100 ? 1 : 0;
}

bool ReadGeometryEx(const uint8_t *reply, uint32_t length, StorageGeometry &geometry)
{
    memset(&geometry, 0, sizeof geometry);
    if (!reply || length < GeometryExUsed)
        return false;
    uint32_t bytesPerSector = ReadLittleEndian32(reply + offsetof(DiskGeometry, BytesPerSector));
    if (bytesPerSector == 0)
        return false;
    geometry.fixedMedia = ReadMediaType(reply) == FixedMediaType;
    geometry.cylinders = Clamp16(ReadLittleEndian64(reply + offsetof(DiskGeometry, Cylinders)));
    geometry.heads = Clamp16(ReadLittleEndian32(reply + offsetof(DiskGeometry, TracksPerCylinder)));
    geometry.sectorsPerTrack = Clamp16(ReadLittleEndian32(reply + offsetof(DiskGeometry, SectorsPerTrack)));
    geometry.blockSize = bytesPerSector;
    geometry.sectors = ReadLittleEndian64(reply + DiskSizeAt) / RecordSectorBytes;
    return true;
}

bool ReadPredictFailure(const uint8_t *reply, uint32_t length, bool &predicts)
{
    predicts = false;
    if (!reply || length < 4)
        return false;
    predicts = ReadLittleEndian32(reply) != 0;
    return true;
}

const char *StorageBusName(uint32_t busType)
{
    switch (busType) {
    case AtaBusType:
        return "ata";
    case SataBusType:
        return "sata";
    case NvmeBusType:
        return "nvme";
    case UsbBusType:
        return "usb";
    }
    return nullptr;
}

void TakeStorageBus(uint32_t busType, DriveRecord &record)
{
    const char *bus = StorageBusName(busType);
    CopyText(record.Bus, bus ? bus : "other");
    record.BusType = busType <= 0xFF ? static_cast<uint8_t>(busType) : 0;
}

bool ChooseStorageAccess(uint32_t busType, HealthAnswer nvmeHealth, HealthAnswer prediction, DriveAccess &access)
{
    bool nvme = busType == NvmeBusType;
    if (nvme && nvmeHealth == HealthAnswer::Answered) {
        access = DriveAccess::NvmeHealth;
        return true;
    }
    // A health log that failed rather than being refused is a drive that cannot be read.
    if (nvme && nvmeHealth == HealthAnswer::Failed)
        return false;
    if (prediction == HealthAnswer::Answered) {
        access = DriveAccess::FailurePrediction;
        return true;
    }
    if (nvme || (busType == RaidBusType && prediction == HealthAnswer::Refused)) {
        access = DriveAccess::NotReadable;
        return true;
    }
    return false;
}

void DescribeStorageRecord(const StorageIdentity &identity, const NvmeIdentity *nvme, const StorageGeometry &geometry,
                           DriveAccess access, DriveRecord &record)
{
    record.Access = access;
    if (nvme) {
        CopyText(record.Model, nvme->model);
        CopyText(record.Serial, nvme->serial);
        CopyText(record.FirmwareRev, nvme->firmware);
    } else {
        // ATA drives behind the storage stack name their maker "ATA" or not at all.
        char model[2 * StorageTextSize];
        if (identity.vendor[0] && strcmp(identity.vendor, "ATA") != 0)
            FormatInto(model, "%s %s", identity.vendor, identity.product);
        else
            CopyText(model, identity.product);
        CopyText(record.Model, model);
        CopyText(record.Serial, identity.serial);
        CopyText(record.FirmwareRev, identity.revision);
    }
    TakeStorageBus(identity.busType, record);
    record.Cylinders = geometry.cylinders;
    record.Heads = geometry.heads;
    record.SectorsPerTrack = geometry.sectorsPerTrack;
    record.LbaSectors = geometry.sectors;
    record.SolidState = identity.busType == NvmeBusType;
    if (nvme) {
        record.TemperatureWarning = nvme->warningTemperature;
        record.TemperatureCritical = nvme->criticalTemperature;
    }
}
