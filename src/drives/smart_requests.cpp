#include "drives/smart_requests.h"

#include <cstring>

#include "base/byte_order.h"

namespace {

constexpr uint8_t SmartCommand = 0xB0;
constexpr uint8_t IdentifyCommand = 0xEC;
constexpr uint8_t SmartCylLow = 0x4F;
constexpr uint8_t SmartCylHigh = 0xC2;
constexpr uint8_t ThresholdExceededCylLow = 0xF4;
constexpr uint8_t ThresholdExceededCylHigh = 0x2C;
constexpr uint8_t DriveHeadBase = 0xA0;
constexpr uint8_t DriveHeadSlaveBit = 0x10;
constexpr uint8_t DriveMapMask = 0x0F;          // the four IDE positions

constexpr size_t OfflineStatusOffset = 362;
constexpr size_t OfflineSecondsOffset = 364;
constexpr size_t OfflineCapabilityOffset = 367;

// Byte 511 makes each sector sum to 0.
constexpr size_t AttributeTableOffset = 2;
constexpr size_t AttributeEntryLength = 12;
constexpr size_t AttributeFlagsAt = 1;
constexpr size_t AttributeCurrentAt = 3;
constexpr size_t AttributeRawAt = SmartAttributeRawAt;
constexpr size_t ThresholdValueAt = 1;
constexpr uint16_t PreFailureFlag = 0x0001;

struct WatchedAttribute {
    uint8_t id;
    CautionItem item;
    uint32_t rawMask;
};

// Several makers keep other data in the high word of 5 and 196, so only their
// low 16 bits are a count.
constexpr WatchedAttribute WatchedAttributes[] = {
    {5, CautionItem::ReallocatedSectors, 0xFFFF},
    {187, CautionItem::ReportedUncorrectable, 0xFFFFFFFF},
    {196, CautionItem::ReallocationEvents, 0xFFFF},
    {197, CautionItem::PendingSectors, 0xFFFFFFFF},
    {198, CautionItem::OfflineUncorrectable, 0xFFFFFFFF},
};

// Temperatures, or 100 less one, on many drives: a warm drive reaches their
// threshold without being any nearer a failure.
constexpr uint8_t TemperatureIds[] = {190, 194, 231};

bool IsTemperature(uint8_t id)
{
    for (uint8_t temperature : TemperatureIds) {
        if (temperature == id)
            return true;
    }
    return false;
}

// The threshold the sector gives the attribute id, 0 when it names none.
uint8_t ThresholdOf(const uint8_t *thresholdSector, uint8_t id)
{
    const uint8_t *entry = FindSmartAttribute(thresholdSector, id);
    return entry ? entry[ThresholdValueAt] : 0;
}

struct OperationRow {
    SmartOperation operation;
    uint32_t ioctl;
    uint32_t bufferSize;
    uint8_t features;
    uint8_t sectorCount;
    uint8_t sectorNumber;
    uint8_t cylLow;
    uint8_t cylHigh;
    uint8_t command;
    uint32_t outputLength;
};

// Only the data requests carry a sector back; the autosave request's count F1h
// selects enable, and the off-line request's sector number 0 selects the
// off-line routine in off-line mode.
constexpr OperationRow OperationTable[] = {
    {SmartOperation::IdentifyDrive, SmartRcvDriveDataIoctl, SmartSectorLength,
     0x00, 1, 1, 0x00, 0x00, IdentifyCommand, SmartDataReplyLength},
    {SmartOperation::EnableSMART, SmartSendDriveCommandIoctl, 0,
     0xD8, 0, 0, SmartCylLow, SmartCylHigh, SmartCommand, SmartCommandReplyLength},
    {SmartOperation::DisableSMART, SmartSendDriveCommandIoctl, 0,
     0xD9, 0, 0, SmartCylLow, SmartCylHigh, SmartCommand, SmartCommandReplyLength},
    {SmartOperation::EnableAttributeAutosave, SmartSendDriveCommandIoctl, 0,
     0xD2, 0xF1, 0, SmartCylLow, SmartCylHigh, SmartCommand, SmartCommandReplyLength},
    {SmartOperation::ReturnSMARTStatus, SmartSendDriveCommandIoctl, 0,
     0xDA, 0, 0, SmartCylLow, SmartCylHigh, SmartCommand, SmartStatusReplyLength},
    {SmartOperation::ExecuteOfflineImmediate, SmartSendDriveCommandIoctl, 0,
     0xD4, 0, 0, SmartCylLow, SmartCylHigh, SmartCommand, SmartCommandReplyLength},
    {SmartOperation::ReadSMARTData, SmartRcvDriveDataIoctl, SmartSectorLength,
     0xD0, 1, 1, SmartCylLow, SmartCylHigh, SmartCommand, SmartDataReplyLength},
    {SmartOperation::ReadSMARTThresholds, SmartRcvDriveDataIoctl, SmartSectorLength,
     0xD1, 1, 1, SmartCylLow, SmartCylHigh, SmartCommand, SmartDataReplyLength},
};

const OperationRow *FindOperationRow(SmartOperation operation)
{
    for (const OperationRow &row : OperationTable) {
        if (row.operation == operation)
            return &row;
    }
    return nullptr;
}

}  // namespace

const uint8_t *SmartAttributeEntry(const uint8_t *sector, int k)
{
    return sector + AttributeTableOffset + static_cast<size_t>(k) * AttributeEntryLength;
}

const uint8_t *FindSmartAttribute(const uint8_t *sector, uint8_t id)
{
    for (int k = 0; k < SmartAttributeEntries; k++) {
        const uint8_t *entry = SmartAttributeEntry(sector, k);
        if (entry[0] == id)
            return entry;
    }
    return nullptr;
}

// An operation outside the table yields an all-zero request, which no caller sends.
SmartRequest BuildSmartRequest(SmartOperation operation, uint8_t driveNumber)
{
    SmartRequest request = {};
    const OperationRow *row = FindOperationRow(operation);
    if (!row)
        return request;

    uint8_t *packet = request.packet;
    WriteLittleEndian32(packet + offsetof(SendCmdInParams, cBufferSize), row->bufferSize);
    uint8_t *registers = packet + offsetof(SendCmdInParams, irDriveRegs);
    registers[offsetof(IdeRegisters, bFeaturesReg)] = row->features;
    registers[offsetof(IdeRegisters, bSectorCountReg)] = row->sectorCount;
    registers[offsetof(IdeRegisters, bSectorNumberReg)] = row->sectorNumber;
    registers[offsetof(IdeRegisters, bCylLowReg)] = row->cylLow;
    registers[offsetof(IdeRegisters, bCylHighReg)] = row->cylHigh;
    // Odd drive numbers are the slave on their channel.
    registers[offsetof(IdeRegisters, bDriveHeadReg)] =
        static_cast<uint8_t>(DriveHeadBase | ((driveNumber & 1) ? DriveHeadSlaveBit : 0));
    registers[offsetof(IdeRegisters, bCommandReg)] = row->command;
    packet[offsetof(SendCmdInParams, bDriveNumber)] = driveNumber;

    request.ioctl = row->ioctl;
    request.outputLength = row->outputLength;
    return request;
}

bool SmartReplyAnswered(bool requestSucceeded, const uint8_t *reply)
{
    return requestSucceeded && reply && reply[offsetof(SendCmdOutParams, bDriverError)] == 0;
}

int ReadReturnStatus(bool requestSucceeded, const uint8_t *reply)
{
    // A drive that stops answering, or whose driver reports the command failed,
    // is treated as a failing one.
    if (!SmartReplyAnswered(requestSucceeded, reply))
        return 0;
    const uint8_t *registers = reply + offsetof(SendCmdOutParams, bBuffer);
    if (registers[offsetof(IdeRegisters, bCylLowReg)] == ThresholdExceededCylLow &&
        registers[offsetof(IdeRegisters, bCylHighReg)] == ThresholdExceededCylHigh)
        return 0;
    return 1;
}

OfflineCollectionInfo GetOfflineCollectionInfo(const uint8_t *sector)
{
    OfflineCollectionInfo info = {};
    info.status = sector[OfflineStatusOffset];
    info.capability = sector[OfflineCapabilityOffset];
    info.seconds = ReadLittleEndian16(sector + OfflineSecondsOffset);
    return info;
}

void ReadAtaCautionCounts(const uint8_t *dataSector, const uint8_t *thresholdSector, CautionCounts &counts,
                          uint8_t *thresholdIds)
{
    counts = CautionCounts{};
    if (thresholdIds)
        memset(thresholdIds, 0, CautionThresholdIdsMax);
    uint32_t &atThreshold = counts.value[static_cast<int>(CautionItem::AttributesAtThreshold)];
    for (int k = 0; k < SmartAttributeEntries; k++) {
        const uint8_t *entry = SmartAttributeEntry(dataSector, k);
        uint8_t id = entry[0];
        if (id == 0)
            continue;
        for (const WatchedAttribute &watched : WatchedAttributes) {
            if (watched.id == id)
                counts.value[static_cast<int>(watched.item)] =
                    ReadLittleEndian32(entry + AttributeRawAt) & watched.rawMask;
        }
        // An old-age attribute at its threshold means wear, not a failure to come.
        if (!thresholdSector || !(ReadLittleEndian16(entry + AttributeFlagsAt) & PreFailureFlag) || IsTemperature(id))
            continue;
        uint8_t threshold = ThresholdOf(thresholdSector, id);
        if (threshold != 0 && entry[AttributeCurrentAt] <= threshold) {
            if (thresholdIds)
                thresholdIds[atThreshold] = id;
            atThreshold++;
        }
    }
}

bool SmartSectorChecksumValid(const uint8_t *sector)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < SmartSectorLength; i++)
        sum = static_cast<uint8_t>(sum + sector[i]);
    return sum == 0;
}

uint8_t ReadDriveMap(const uint8_t *reply)
{
    return static_cast<uint8_t>(reply[offsetof(GetVersionInParams, bIDEDeviceMap)] & DriveMapMask);
}

uint32_t ReadMediaType(const uint8_t *geometry)
{
    return ReadLittleEndian32(geometry + offsetof(DiskGeometry, MediaType));
}
