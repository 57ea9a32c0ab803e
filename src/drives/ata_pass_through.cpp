#include "drives/ata_pass_through.h"

#include <cstring>

namespace {

// ATA PASS-THROUGH (16) byte 1: the protocol in bits 4-1; byte 2: CK_COND,
// the transfer direction, lengths in blocks and where the length stands.
constexpr uint8_t ProtocolNonData = 3 << 1;
constexpr uint8_t ProtocolPioDataIn = 4 << 1;
constexpr uint8_t CheckCondition = 0x20;
constexpr uint8_t TransferFromDevice = 0x08;
constexpr uint8_t LengthInBlocks = 0x04;
constexpr uint8_t LengthInSectorCount = 0x02;

// Response codes of current and deferred sense, fixed and descriptor format.
constexpr uint8_t FixedCurrent = 0x70;
constexpr uint8_t FixedDeferred = 0x71;
constexpr uint8_t DescriptorCurrent = 0x72;
constexpr uint8_t DescriptorDeferred = 0x73;
constexpr size_t FixedSenseMinimum = 18;      // up to ASCQ and the FRU code
constexpr size_t DescriptorSenseHeader = 8;
constexpr uint8_t AtaStatusReturnCode = 0x09;
constexpr size_t AtaStatusReturnLength = 14;

// ATA PASS-THROUGH INFORMATION AVAILABLE: the check condition CK_COND asks for.
constexpr uint8_t PassThroughInformationAsc = 0x00;
constexpr uint8_t PassThroughInformationAscq = 0x1D;

// RETURN STATUS leaves these in LBA Mid and High when no threshold is exceeded.
constexpr uint8_t HealthyLbaMid = 0x4F;
constexpr uint8_t HealthyLbaHigh = 0xC2;
constexpr uint8_t ExceededLbaMid = 0xF4;
constexpr uint8_t ExceededLbaHigh = 0x2C;

constexpr uint8_t AtaStatusError = 0x01;
constexpr uint8_t AtaStatusDeviceFault = 0x20;

// The operations whose SMART driver request carries a sector back.
bool ReadsSector(SmartOperation operation)
{
    return BuildSmartRequest(operation, 0).outputLength == SmartDataReplyLength;
}

ScsiPassThroughHeader HeaderOf(const uint8_t *reply)
{
    ScsiPassThroughHeader header;
    memcpy(&header, reply, sizeof header);
    return header;
}

}  // namespace

void BuildAtaPassThroughCdb(SmartOperation operation, uint8_t (&cdb)[AtaPassThroughCdbLength])
{
    memset(cdb, 0, sizeof cdb);
    SmartRequest request = BuildSmartRequest(operation, 0);
    IdeRegisters registers;
    memcpy(&registers, request.packet + offsetof(SendCmdInParams, irDriveRegs), sizeof registers);
    if (registers.bCommandReg == 0)
        return;
    cdb[0] = AtaPassThroughOperation;
    if (ReadsSector(operation)) {
        cdb[1] = ProtocolPioDataIn;
        cdb[2] = TransferFromDevice | LengthInBlocks | LengthInSectorCount;
    } else {
        cdb[1] = ProtocolNonData;
        cdb[2] = operation == SmartOperation::ReturnSMARTStatus ? CheckCondition : 0;
    }
    // The 28-bit registers sit in the low bytes of the 16-byte CDB's pairs.
    cdb[4] = registers.bFeaturesReg;
    cdb[6] = registers.bSectorCountReg;
    cdb[8] = registers.bSectorNumberReg;
    cdb[10] = registers.bCylLowReg;
    cdb[12] = registers.bCylHighReg;
    cdb[13] = registers.bDriveHeadReg;
    cdb[14] = registers.bCommandReg;
}

uint32_t BuildSatRequest(SmartOperation operation, uint8_t (&buffer)[SatBufferLength])
{
    memset(buffer, 0, sizeof buffer);
    bool reads = ReadsSector(operation);
    ScsiPassThroughHeader header = {};
    header.Length = sizeof header;
    header.CdbLength = AtaPassThroughCdbLength;
    header.SenseInfoLength = SatSenseLength;
    header.DataIn = reads ? ScsiDataIn : ScsiDataUnspecified;
    header.DataTransferLength = reads ? SmartSectorLength : 0;
    header.TimeOutValue = SatCommandTimeoutSeconds;
    header.DataBufferOffset = reads ? SatDataOffset : 0;
    header.SenseInfoOffset = SatSenseOffset;
    BuildAtaPassThroughCdb(operation, header.Cdb);
    memcpy(buffer, &header, sizeof header);
    return reads ? SatBufferLength : SatDataOffset;
}

bool SatCommandDone(SmartOperation operation, bool requestSucceeded, const uint8_t *reply, uint32_t returned)
{
    if (!requestSucceeded || !reply || returned < sizeof(ScsiPassThroughHeader))
        return false;
    ScsiPassThroughHeader header = HeaderOf(reply);
    if (header.ScsiStatus != ScsiStatusGood)
        return false;
    if (!ReadsSector(operation))
        return true;
    // A bridge that moved less than the sector has not read it.
    return header.DataTransferLength == SmartSectorLength && returned >= SatBufferLength;
}

bool ReadSenseData(const uint8_t *sense, size_t length, SenseData &data)
{
    data = SenseData{};
    if (!sense || length < 1)
        return false;
    uint8_t code = sense[0] & 0x7F;
    if (code == FixedCurrent || code == FixedDeferred) {
        if (length < FixedSenseMinimum)
            return false;
        data.key = sense[2] & 0x0F;
        data.asc = sense[12];
        data.ascq = sense[13];
        // The registers stand in the information and command-specific fields.
        if (data.asc == PassThroughInformationAsc && data.ascq == PassThroughInformationAscq) {
            data.registers = true;
            data.error = sense[3];
            data.status = sense[4];
            data.lbaLow = sense[9];
            data.lbaMid = sense[10];
            data.lbaHigh = sense[11];
        }
        return true;
    }
    if (code != DescriptorCurrent && code != DescriptorDeferred)
        return false;
    if (length < DescriptorSenseHeader)
        return false;
    data.key = sense[1] & 0x0F;
    data.asc = sense[2];
    data.ascq = sense[3];
    size_t end = DescriptorSenseHeader + sense[7];
    if (end > length)
        end = length;
    for (size_t at = DescriptorSenseHeader; at + 2 <= end;) {
        size_t size = 2 + static_cast<size_t>(sense[at + 1]);
        if (at + size > end)
            break;
        if (sense[at] == AtaStatusReturnCode && size >= AtaStatusReturnLength) {
            data.registers = true;
            data.error = sense[at + 3];
            data.lbaLow = sense[at + 7];
            data.lbaMid = sense[at + 9];
            data.lbaHigh = sense[at + 11];
            data.status = sense[at + 13];
            break;
        }
        at += size;
    }
    return true;
}

bool ReadSatSense(const uint8_t *reply, uint32_t returned, SenseData &data)
{
    data = SenseData{};
    if (!reply || returned < sizeof(ScsiPassThroughHeader))
        return false;
    ScsiPassThroughHeader header = HeaderOf(reply);
    size_t length = header.SenseInfoLength < SatSenseLength ? header.SenseInfoLength : SatSenseLength;
    return length > 0 && ReadSenseData(reply + SatSenseOffset, length, data);
}

SatStatus ReadSatStatus(bool requestSucceeded, const uint8_t *reply, uint32_t returned)
{
    if (!requestSucceeded || !reply || returned < sizeof(ScsiPassThroughHeader))
        return SatStatus::Unanswered;
    if (HeaderOf(reply).ScsiStatus != ScsiStatusCheckCondition)
        return SatStatus::Unanswered;
    SenseData sense;
    if (!ReadSatSense(reply, returned, sense) || !sense.registers)
        return SatStatus::Unanswered;
    // Bridges differ on the key of the condition asked for; its code is the same.
    bool asked = (sense.key == SenseKeyRecoveredError || sense.key == SenseKeyNoSense) &&
                 sense.asc == PassThroughInformationAsc && sense.ascq == PassThroughInformationAscq;
    if (!asked || (sense.status & (AtaStatusError | AtaStatusDeviceFault)))
        return SatStatus::Unanswered;
    if (sense.lbaMid == HealthyLbaMid && sense.lbaHigh == HealthyLbaHigh)
        return SatStatus::Healthy;
    if (sense.lbaMid == ExceededLbaMid && sense.lbaHigh == ExceededLbaHigh)
        return SatStatus::Exceeded;
    return SatStatus::Unanswered;
}

int ReadSatReturnStatus(bool requestSucceeded, const uint8_t *reply, uint32_t returned)
{
    return ReadSatStatus(requestSucceeded, reply, returned) == SatStatus::Healthy ? 1 : 0;
}
