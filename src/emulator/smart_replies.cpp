// A drive's default values, the IDENTIFY and SMART sectors built from them, and
// the replies to SMART requests.
#include "emulator/drive_emulation.h"

#include <cstring>

#include "base/bounded_text.h"
#include "drives/ata_pass_through.h"
#include "emulator/emulated_replies.h"

namespace {

// What a drive section starts from, and so what the built sectors carry unless overridden.
constexpr uint16_t DefaultConfig = 0x0040;         // fixed device
constexpr uint16_t DefaultCylinders = 16383;
constexpr uint16_t DefaultHeads = 16;
constexpr uint16_t DefaultSectorsPerTrack = 63;
constexpr uint32_t DefaultLbaSectors = 78165360;   // 40 GB
constexpr uint8_t DefaultOfflineStatus = 0x02;     // last collection completed without error
constexpr uint8_t DefaultOfflineCapability = 0x01; // EXECUTE OFF-LINE IMMEDIATE implemented
constexpr uint16_t DefaultOfflineSeconds = 120;

constexpr size_t SerialOffset = 20;
constexpr size_t FirmwareOffset = 46;
constexpr size_t ModelOffset = 54;
constexpr size_t IntegrityWord = 255;
constexpr uint8_t IntegritySignature = 0xA5;

constexpr size_t OfflineStatusOffset = 362;
constexpr size_t OfflineSecondsOffset = 364;
constexpr size_t OfflineCapabilityOffset = 367;
constexpr size_t SmartCapabilityOffset = 368;
constexpr size_t ErrorLoggingOffset = 370;
constexpr size_t DataChecksumOffset = 511;
constexpr size_t AttributeTableOffset = 2;
constexpr size_t AttributeEntryLength = 12;

void PutWord(uint8_t *bytes, size_t word, uint16_t value)
{
    bytes[2 * word] = static_cast<uint8_t>(value & 0xFF);
    bytes[2 * word + 1] = static_cast<uint8_t>(value >> 8);
}

// ATA strings are space-padded and keep their first character in the high byte of each word.
void PutAtaString(uint8_t *sector, size_t offset, size_t length, const char *text)
{
    memset(sector + offset, ' ', length);
    size_t used = BoundedLength(text, length);
    for (size_t i = 0; i < used; ++i)
        sector[offset + (i ^ 1)] = static_cast<uint8_t>(text[i]);
}

// The byte that makes all bytes of the sector sum to zero.
uint8_t ZeroSumByte(const uint8_t *sector, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += sector[i];
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

void BuildIdentityFields(const EmulatedDrive &drive, uint8_t *sector)
{
    PutWord(sector, 0, drive.config);
    PutWord(sector, 1, drive.cylinders);
    PutWord(sector, 3, drive.heads);
    PutWord(sector, 6, drive.sectorsPerTrack);
    PutAtaString(sector, SerialOffset, EmulatedSerialLength, drive.serial);
    PutAtaString(sector, FirmwareOffset, EmulatedFirmwareLength, drive.firmware);
    PutAtaString(sector, ModelOffset, EmulatedModelLength, drive.model);
    PutWord(sector, 47, 0x8010);   // READ/WRITE MULTIPLE up to 16 sectors
    PutWord(sector, 49, 0x0300);   // LBA and DMA supported
    PutWord(sector, 53, 0x0007);   // words 54-58, 64-70 and 88 valid
    PutWord(sector, 54, drive.cylinders);
    PutWord(sector, 55, drive.heads);
    PutWord(sector, 56, drive.sectorsPerTrack);
    uint32_t chsSectors = static_cast<uint32_t>(drive.cylinders) * drive.heads * drive.sectorsPerTrack;
    PutWord(sector, 57, static_cast<uint16_t>(chsSectors & 0xFFFF));
    PutWord(sector, 58, static_cast<uint16_t>(chsSectors >> 16));
    PutWord(sector, 60, static_cast<uint16_t>(drive.lbaSectors & 0xFFFF));
    PutWord(sector, 61, static_cast<uint16_t>(drive.lbaSectors >> 16));
    PutWord(sector, 80, 0x007E);   // ATA-1 to ATA-6
    PutWord(sector, 82, 0x0001);   // SMART feature set supported
    PutWord(sector, 83, 0x4000);
    PutWord(sector, 84, 0x4000);
    PutWord(sector, 85, 0x0001);   // SMART feature set enabled
    PutWord(sector, 87, 0x4000);
}

constexpr uint8_t IdentifyCommand = 0xEC;
constexpr uint8_t SmartCommand = 0xB0;
constexpr uint8_t SmartCylinderLow = 0x4F;
constexpr uint8_t SmartCylinderHigh = 0xC2;
constexpr uint8_t ThresholdCylinderLow = 0xF4;
constexpr uint8_t ThresholdCylinderHigh = 0x2C;
constexpr uint8_t ReadDataFeature = 0xD0;
constexpr uint8_t ReadThresholdsFeature = 0xD1;
constexpr uint8_t ReturnStatusFeature = 0xDA;

struct SmartFeatureRule {
    uint8_t feature;
    uint32_t ioctl;
    uint32_t replyLength;
    bool EmulatedDrive::*succeeds;   // nullptr: RETURN STATUS, which has its own keyword
};

const SmartFeatureRule SmartFeatureRules[] = {
    {ReadDataFeature, SmartRcvDriveDataIoctl, SmartDataReplyLength, &EmulatedDrive::readDataSucceeds},
    {ReadThresholdsFeature, SmartRcvDriveDataIoctl, SmartDataReplyLength, &EmulatedDrive::readThresholdsSucceeds},
    {0xD2, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::autosaveSucceeds},
    {0xD4, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::executeSucceeds},
    {0xD8, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::enableSucceeds},
    {0xD9, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::disableSucceeds},
    {ReturnStatusFeature, SmartSendDriveCommandIoctl, SmartStatusReplyLength, nullptr},
};

const SmartFeatureRule IdentifyRule = {0x00, SmartRcvDriveDataIoctl, SmartDataReplyLength,
                                       &EmulatedDrive::identifySucceeds};

// The rule for the ATA command in packet, or nullptr when a drive would abort it.
const SmartFeatureRule *FindRequestRule(const SendCmdInParams &packet)
{
    if (packet.irDriveRegs.bCommandReg == IdentifyCommand)
        return &IdentifyRule;
    if (packet.irDriveRegs.bCommandReg != SmartCommand)
        return nullptr;
    // Without the signature in the cylinder registers a drive aborts every SMART command.
    if (packet.irDriveRegs.bCylLowReg != SmartCylinderLow || packet.irDriveRegs.bCylHighReg != SmartCylinderHigh)
        return nullptr;
    for (const SmartFeatureRule &rule : SmartFeatureRules) {
        if (rule.feature == packet.irDriveRegs.bFeaturesReg)
            return &rule;
    }
    return nullptr;
}

// Carries out the command of rule on the drive: false when the drive fails
// it; otherwise writes what it hands back (a sector, or RETURN STATUS's
// registers) into buffer, which has room for a sector.
bool CarryOut(const EmulatedDrive &drive, const SmartFeatureRule &rule, const IdeRegisters &sent, uint8_t *buffer)
{
    bool succeeds = rule.succeeds ? drive.*rule.succeeds : drive.status != EmulatedStatus::Fail;
    if (!succeeds)
        return false;
    if (&rule == &IdentifyRule) {
        uint8_t sector[SmartSectorLength];
        BuildIdentifySector(drive, sector);
        memcpy(buffer, sector, sizeof sector);
    } else if (rule.feature == ReadDataFeature || rule.feature == ReadThresholdsFeature) {
        uint8_t sector[SmartSectorLength];
        if (rule.feature == ReadDataFeature)
            BuildSmartDataSector(drive, sector);
        else
            BuildSmartThresholdSector(drive, sector);
        memcpy(buffer, sector, sizeof sector);
    } else if (rule.feature == ReturnStatusFeature) {
        // The drive hands back its registers as sent, with the verdict in the cylinder pair.
        IdeRegisters registers = sent;
        bool exceeded = drive.status == EmulatedStatus::Exceeded;
        registers.bCylLowReg = exceeded ? ThresholdCylinderLow : SmartCylinderLow;
        registers.bCylHighReg = exceeded ? ThresholdCylinderHigh : SmartCylinderHigh;
        memcpy(buffer, &registers, sizeof registers);
    }
    return true;
}

// Sense data as a SAT bridge builds it, into the reply's sense buffer; its
// length goes into the header's SenseInfoLength.
constexpr uint8_t InvalidOperationCodeAsc = 0x20;
constexpr uint8_t InvalidFieldInCdbAsc = 0x24;
constexpr uint8_t AtaAbortedStatus = 0x51;   // DRDY, ERR
constexpr uint8_t AtaAbortError = 0x04;
constexpr uint8_t AtaReadyStatus = 0x50;     // DRDY

uint8_t FixedSense(uint8_t *sense, uint8_t key, uint8_t asc)
{
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = 10;
    sense[12] = asc;
    return 18;
}

// Descriptor-format sense with the ATA Status Return descriptor.
uint8_t AtaStatusSense(uint8_t *sense, uint8_t key, uint8_t ascq, const IdeRegisters &registers, uint8_t status,
                       uint8_t error)
{
    sense[0] = 0x72;
    sense[1] = key;
    sense[3] = ascq;
    sense[7] = 14;
    uint8_t *descriptor = sense + 8;
    descriptor[0] = 0x09;
    descriptor[1] = 0x0C;
    descriptor[3] = error;
    descriptor[5] = registers.bSectorCountReg;
    descriptor[7] = registers.bSectorNumberReg;
    descriptor[9] = registers.bCylLowReg;
    descriptor[11] = registers.bCylHighReg;
    descriptor[12] = registers.bDriveHeadReg;
    descriptor[13] = status;
    return 22;
}

}  // namespace

EmulatedReply AnswerPassThrough(const EmulatedBay &bay, const EmulatedDevice &device, const uint8_t *input,
                                uint32_t inputLength, uint8_t *output, uint32_t outputLength)
{
    ScsiPassThroughHeader header;
    if (!input || inputLength < sizeof header)
        return RefuseRequest(EmulatedErrorInvalidParameter);
    memcpy(&header, input, sizeof header);
    bool reads = header.DataIn == ScsiDataIn && header.DataTransferLength > 0;
    uint64_t senseEnd = static_cast<uint64_t>(header.SenseInfoOffset) + header.SenseInfoLength;
    uint64_t dataEnd = reads ? static_cast<uint64_t>(header.DataBufferOffset) + header.DataTransferLength : 0;
    // The port driver checks the buffer before the command goes anywhere.
    constexpr uint32_t MostBuffer = 4096;
    if (inputLength > MostBuffer || header.Length != sizeof header || header.CdbLength > AtaPassThroughCdbLength ||
        senseEnd > inputLength || dataEnd > inputLength || header.DataTransferLength > SmartSectorLength)
        return RefuseRequest(EmulatedErrorInvalidParameter);
    if (!output || outputLength < inputLength)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    const EmulatedDrive &drive = bay.drives[device.drive];

    static uint8_t reply[MostBuffer];
    memcpy(reply, input, inputLength);
    ScsiPassThroughHeader answer = header;
    uint8_t sense[SatSenseLength] = {};
    uint8_t senseLength = 0;
    answer.ScsiStatus = ScsiStatusCheckCondition;

    const uint8_t *cdb = header.Cdb;
    IdeRegisters registers = {};
    registers.bFeaturesReg = cdb[4];
    registers.bSectorCountReg = cdb[6];
    registers.bSectorNumberReg = cdb[8];
    registers.bCylLowReg = cdb[10];
    registers.bCylHighReg = cdb[12];
    registers.bDriveHeadReg = cdb[13];
    registers.bCommandReg = cdb[14];
    SendCmdInParams packet = {};
    packet.irDriveRegs = registers;
    const SmartFeatureRule *rule = FindRequestRule(packet);
    uint8_t protocol = (cdb[1] >> 1) & 0x0F;
    bool checkCondition = (cdb[2] & 0x20) != 0;
    uint8_t buffer[SmartSectorLength] = {};

    // A bridge without SAT, or any command but ATA PASS-THROUGH (16), is not understood.
    if (drive.bus != EmulatedBus::Usb || !drive.sat || header.CdbLength != AtaPassThroughCdbLength ||
        cdb[0] != AtaPassThroughOperation) {
        senseLength = FixedSense(sense, SenseKeyIllegalRequest, InvalidOperationCodeAsc);
    } else if (rule && (rule->replyLength == SmartDataReplyLength) != (protocol == 4 && reads)) {
        // A sector read sent as non-data, or the other way round.
        senseLength = FixedSense(sense, SenseKeyIllegalRequest, InvalidFieldInCdbAsc);
    } else if (!rule || !CarryOut(drive, *rule, registers, buffer)) {
        senseLength = AtaStatusSense(sense, SenseKeyAbortedCommand, 0, registers, AtaAbortedStatus, AtaAbortError);
    } else if (rule->replyLength == SmartDataReplyLength) {
        if (header.DataTransferLength < SmartSectorLength) {
            senseLength = FixedSense(sense, SenseKeyIllegalRequest, InvalidFieldInCdbAsc);
        } else {
            memcpy(reply + header.DataBufferOffset, buffer, SmartSectorLength);
            answer.ScsiStatus = ScsiStatusGood;
        }
    } else if (checkCondition) {
        // ATA PASS-THROUGH INFORMATION AVAILABLE, with the registers as the drive left them.
        IdeRegisters result = registers;
        if (rule->feature == ReturnStatusFeature)
            memcpy(&result, buffer, sizeof result);
        senseLength = AtaStatusSense(sense, SenseKeyRecoveredError, 0x1D, result, AtaReadyStatus, 0);
    } else {
        answer.ScsiStatus = ScsiStatusGood;
    }
    if (answer.ScsiStatus == ScsiStatusGood)
        answer.SenseInfoLength = 0;
    else {
        if (senseLength > header.SenseInfoLength)
            senseLength = header.SenseInfoLength;
        memcpy(reply + header.SenseInfoOffset, sense, senseLength);
        answer.SenseInfoLength = senseLength;
        answer.DataTransferLength = 0;
    }
    memcpy(reply, &answer, sizeof answer);
    return DeliverReply(reply, inputLength, output);
}

EmulatedReply AnswerGetVersion(const EmulatedBay &bay, uint8_t *output, uint32_t outputLength)
{
    if (!output || outputLength < DriveMapReplyLength)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    if (!bay.getVersionSucceeds)
        return RefuseRequest(EmulatedErrorInvalidFunction);
    GetVersionInParams version = {};
    version.bVersion = 1;
    version.bRevision = 1;
    version.bIDEDeviceMap = EmulatedDriveMap(bay);
    version.fCapabilities = 0x00000005;   // CAP_ATA_ID_CMD | CAP_SMART_CMD
    return DeliverReply(reinterpret_cast<const uint8_t *>(&version), DriveMapReplyLength, output);
}

EmulatedReply AnswerSmartRequest(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                 const uint8_t *input, uint32_t inputLength, uint8_t *output,
                                 uint32_t outputLength)
{
    if (!input || inputLength != SmartPacketLength)
        return RefuseRequest(EmulatedErrorInvalidParameter);
    SendCmdInParams packet = {};
    memcpy(&packet, input, SmartPacketLength);

    // The SMARTVSD driver tells drives apart by the packet; a physical drive is its handle.
    uint8_t number = device.kind == EmulatedDeviceKind::SmartDriver ? packet.bDriveNumber : device.drive;
    if (number >= EmulatedDriveCount || !bay.drives[number].defined)
        return RefuseRequest(EmulatedErrorDeviceNotExist);
    const EmulatedDrive &drive = bay.drives[number];
    // An NVMe drive speaks no ATA, and the USB storage driver takes no SMART
    // request: every one is declined.
    if (drive.bus == EmulatedBus::Nvme || drive.bus == EmulatedBus::Usb)
        return RefuseRequest(EmulatedErrorInvalidFunction);

    const SmartFeatureRule *rule = FindRequestRule(packet);
    if (!rule)
        return RefuseRequest(EmulatedErrorIoDevice);
    if (rule->ioctl != ioctl)
        return RefuseRequest(EmulatedErrorInvalidParameter);
    if (!output || outputLength < rule->replyLength)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    uint8_t reply[SmartDataReplyLength] = {};
    if (!CarryOut(drive, *rule, packet.irDriveRegs, reply + SmartReplyHeaderLength))
        return RefuseRequest(EmulatedErrorIoDevice);
    SendCmdOutParams header = {};
    header.cBufferSize = rule->replyLength - SmartReplyHeaderLength;
    memcpy(reply, &header, SmartReplyHeaderLength);
    return DeliverReply(reply, rule->replyLength, output);
}

void SetDefaultDrive(EmulatedDrive &drive, int n)
{
    drive = EmulatedDrive{};
    drive.defined = true;
    FormatInto(drive.model, "HOLMVARD EMU DISK %d", n);
    FormatInto(drive.serial, "EMU000%d", n);
    CopyText(drive.firmware, "1.0");
    drive.config = DefaultConfig;
    drive.cylinders = DefaultCylinders;
    drive.heads = DefaultHeads;
    drive.sectorsPerTrack = DefaultSectorsPerTrack;
    drive.lbaSectors = DefaultLbaSectors;
    drive.media = EmulatedMedia::Fixed;
    drive.openSucceeds = true;
    drive.identifySucceeds = true;
    drive.enableSucceeds = true;
    drive.disableSucceeds = true;
    drive.autosaveSucceeds = true;
    drive.executeSucceeds = true;
    drive.readDataSucceeds = true;
    drive.readThresholdsSucceeds = true;
    drive.status = EmulatedStatus::Ok;
    drive.offlineStatus = DefaultOfflineStatus;
    drive.offlineCapability = DefaultOfflineCapability;
    drive.offlineSeconds = DefaultOfflineSeconds;
    drive.healthSucceeds = true;
    drive.blockSize = SmartSectorLength;
    drive.present = true;
}

uint8_t EmulatedDriveMap(const EmulatedBay &bay)
{
    if (bay.driveMapGiven)
        return bay.driveMap;
    uint8_t map = 0;
    for (int n = 0; n < EmulatedDriveCount; ++n) {
        if (bay.drives[n].defined)
            map = static_cast<uint8_t>(map | (1u << n));
    }
    return map;
}

void BuildIdentifySector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength])
{
    if (drive.hasRawSector)
        memcpy(sector, drive.rawSector, sizeof sector);
    else {
        memset(sector, 0, sizeof sector);
        BuildIdentityFields(drive, sector);
    }
    for (size_t word = 0; word < IdentifyWordCount; ++word) {
        if (drive.identifyWordSet[word])
            PutWord(sector, word, drive.identifyWords[word]);
    }
    // A raw sector is served exactly as given; a built one carries a valid integrity word.
    if (!drive.hasRawSector && !drive.identifyWordSet[IntegrityWord]) {
        sector[2 * IntegrityWord] = IntegritySignature;
        sector[2 * IntegrityWord + 1] = ZeroSumByte(sector, 2 * IntegrityWord + 1);
    }
}

void BuildSmartDataSector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength])
{
    memset(sector, 0, sizeof sector);
    PutWord(sector, 0, 0x0010);   // data structure revision
    sector[OfflineStatusOffset] = drive.offlineStatus;
    sector[OfflineSecondsOffset] = static_cast<uint8_t>(drive.offlineSeconds & 0xFF);
    sector[OfflineSecondsOffset + 1] = static_cast<uint8_t>(drive.offlineSeconds >> 8);
    sector[OfflineCapabilityOffset] = drive.offlineCapability;
    sector[SmartCapabilityOffset] = 0x03;   // saves data on power-saving and supports autosave
    sector[ErrorLoggingOffset] = 0x01;
    for (int k = 0; k < EmulatedAttributeSlots; ++k) {
        const EmulatedAttribute &attribute = drive.attributes[k];
        uint8_t *entry = sector + AttributeTableOffset + k * AttributeEntryLength;
        if (attribute.id == 0)
            continue;
        entry[0] = attribute.id;
        entry[1] = static_cast<uint8_t>(attribute.flags & 0xFF);
        entry[2] = static_cast<uint8_t>(attribute.flags >> 8);
        entry[3] = attribute.current;
        entry[4] = attribute.worst;
        for (int b = 0; b < 6; ++b)
            entry[5 + b] = static_cast<uint8_t>(attribute.raw >> (8 * b));
    }
    for (size_t offset = 0; offset < SmartSectorLength; ++offset) {
        if (drive.dataByteSet[offset])
            sector[offset] = drive.dataBytes[offset];
    }
    if (!drive.dataByteSet[DataChecksumOffset])
        sector[DataChecksumOffset] = ZeroSumByte(sector, DataChecksumOffset);
}

void BuildSmartThresholdSector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength])
{
    memset(sector, 0, sizeof sector);
    PutWord(sector, 0, 0x0010);   // data structure revision
    for (int k = 0; k < EmulatedAttributeSlots; ++k) {
        uint8_t *entry = sector + AttributeTableOffset + k * AttributeEntryLength;
        entry[0] = drive.thresholds[k].id;
        entry[1] = drive.thresholds[k].value;
    }
    sector[DataChecksumOffset] = ZeroSumByte(sector, DataChecksumOffset);
}
