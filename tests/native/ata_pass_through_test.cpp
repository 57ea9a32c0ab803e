// ATA PASS-THROUGH: the CDBs against the SMART driver's packets, the sense
// readers on replies as bridges send them, and a round trip through the
// emulated bridge.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drives/ata_pass_through.h"
#include "emulator/drive_emulation.h"

namespace {

TEST(AtaPassThrough, EachCdbCarriesTheSmartPacketsRegistersWithItsProtocol)
{
    const SmartOperation operations[] = {
        SmartOperation::IdentifyDrive,       SmartOperation::EnableSMART,
        SmartOperation::DisableSMART,        SmartOperation::EnableAttributeAutosave,
        SmartOperation::ReturnSMARTStatus,   SmartOperation::ExecuteOfflineImmediate,
        SmartOperation::ReadSMARTData,       SmartOperation::ReadSMARTThresholds,
    };
    for (SmartOperation operation : operations) {
        SCOPED_TRACE(static_cast<int>(operation));
        SmartRequest packet = BuildSmartRequest(operation, 0);
        IdeRegisters r;
        memcpy(&r, packet.packet + offsetof(SendCmdInParams, irDriveRegs), sizeof r);
        uint8_t buffer[SatBufferLength];
        uint32_t length = BuildSatRequest(operation, buffer);
        ScsiPassThroughHeader header;
        memcpy(&header, buffer, sizeof header);
        const uint8_t *cdb = header.Cdb;
        EXPECT_EQ(cdb[0], 0x85);
        EXPECT_EQ((std::vector<uint8_t>{cdb[4], cdb[6], cdb[8], cdb[10], cdb[12], cdb[13], cdb[14]}),
                  (std::vector<uint8_t>{r.bFeaturesReg, r.bSectorCountReg, r.bSectorNumberReg, r.bCylLowReg,
                                        r.bCylHighReg, r.bDriveHeadReg, r.bCommandReg}));
        bool reads = packet.outputLength == SmartDataReplyLength;
        // PIO data-in, from the device, one 512-byte block counted in the sector count; else non-data.
        EXPECT_EQ(cdb[1], reads ? 0x08 : 0x06);
        EXPECT_EQ(cdb[2], reads ? 0x0E : operation == SmartOperation::ReturnSMARTStatus ? 0x20 : 0x00);
        EXPECT_EQ(header.DataIn, reads ? ScsiDataIn : ScsiDataUnspecified);
        EXPECT_EQ(header.DataTransferLength, reads ? 512u : 0u);
        EXPECT_EQ(length, reads ? header.DataBufferOffset + 512 : header.SenseInfoOffset + header.SenseInfoLength);
    }
}

// A reply buffer with the SCSI status and sense data given.
std::vector<uint8_t> Reply(uint8_t scsiStatus, std::vector<uint8_t> sense)
{
    std::vector<uint8_t> reply(SatBufferLength, 0);
    ScsiPassThroughHeader header = {};
    header.Length = sizeof header;
    header.ScsiStatus = scsiStatus;
    header.SenseInfoLength = static_cast<uint8_t>(sense.size());
    header.SenseInfoOffset = SatSenseOffset;
    memcpy(reply.data(), &header, sizeof header);
    if (!sense.empty())
        memcpy(reply.data() + SatSenseOffset, sense.data(), sense.size());
    return reply;
}

// Descriptor-format sense with an ATA Status Return descriptor of LBA Mid/High and status.
std::vector<uint8_t> Descriptor(uint8_t key, uint8_t ascq, uint8_t mid, uint8_t high, uint8_t status)
{
    return {0x72, key, 0x00, ascq, 0, 0, 0, 14, 0x09, 0x0C, 0, 0, 0, 0, 0, 0, 0, mid, 0, high, 0xA0, status};
}

// Fixed-format sense: the registers in the information and command-specific fields.
std::vector<uint8_t> Fixed(uint8_t key, uint8_t asc, uint8_t ascq, uint8_t mid, uint8_t high)
{
    return {0x70, 0, key, 0, 0x50, 0xA0, 0, 10, 0, 0, mid, high, asc, ascq, 0, 0, 0, 0};
}

TEST(AtaPassThrough, ReturnStatusIsReadFromTheResultRegistersOfEitherSenseFormat)
{
    std::vector<uint8_t> descriptorHealthy = Descriptor(0x01, 0x1D, 0x4F, 0xC2, 0x50);
    std::vector<uint8_t> truncated(descriptorHealthy.begin(), descriptorHealthy.end() - 3);
    const struct {
        const char *name;
        uint8_t scsiStatus;
        std::vector<uint8_t> sense;
        bool readable;
        bool registers;
        uint8_t key;
        SatStatus status;
    } cases[] = {
        {"descriptor, healthy", 2, descriptorHealthy, true, true, 0x01, SatStatus::Healthy},
        {"descriptor, exceeded", 2, Descriptor(0x01, 0x1D, 0xF4, 0x2C, 0x50), true, true, 0x01, SatStatus::Exceeded},
        {"descriptor, no sense key", 2, Descriptor(0x00, 0x1D, 0x4F, 0xC2, 0x50), true, true, 0x00, SatStatus::Healthy},
        {"descriptor, the drive aborted it", 2, Descriptor(0x0B, 0x00, 0x4F, 0xC2, 0x51), true, true, 0x0B, SatStatus::Unanswered},
        {"descriptor, cut short", 2, truncated, true, false, 0x01, SatStatus::Unanswered},
        {"descriptor, no ATA descriptor", 2, {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0}, true, false, 0x01, SatStatus::Unanswered},
        {"fixed, healthy", 2, Fixed(0x01, 0x00, 0x1D, 0x4F, 0xC2), true, true, 0x01, SatStatus::Healthy},
        {"fixed, exceeded", 2, Fixed(0x01, 0x00, 0x1D, 0xF4, 0x2C), true, true, 0x01, SatStatus::Exceeded},
        {"fixed, ILLEGAL REQUEST", 2, Fixed(0x05, 0x20, 0x00, 0, 0), true, false, 0x05, SatStatus::Unanswered},
        {"fixed, too short", 2, {0x70, 0, 0x01, 0, 0, 0, 0, 10, 0, 0, 0x4F, 0xC2}, false, false, 0, SatStatus::Unanswered},
        {"unknown response code", 2, {0x7F, 0x01, 0x00, 0x1D, 0, 0, 0, 0}, false, false, 0, SatStatus::Unanswered},
        {"GOOD: the bridge ignored CK_COND", 0, {}, false, false, 0, SatStatus::Unanswered},
        {"registers that say neither", 2, Descriptor(0x01, 0x1D, 0, 0, 0x50), true, true, 0x01, SatStatus::Unanswered},
        {"registers without the check condition", 0, descriptorHealthy, true, true, 0x01, SatStatus::Unanswered},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> reply = Reply(c.scsiStatus, c.sense);
        SenseData sense;
        ASSERT_EQ(ReadSatSense(reply.data(), SatDataOffset, sense), c.readable);
        EXPECT_EQ(sense.registers, c.registers);
        EXPECT_EQ(sense.key, c.key);
        EXPECT_EQ(ReadSatStatus(true, reply.data(), SatDataOffset), c.status);
        EXPECT_EQ(ReadSatReturnStatus(true, reply.data(), SatDataOffset), c.status == SatStatus::Healthy ? 1 : 0);
        EXPECT_EQ(ReadSatReturnStatus(false, reply.data(), SatDataOffset), 0);
        EXPECT_EQ(ReadSatReturnStatus(true, reply.data(), sizeof(ScsiPassThroughHeader) - 1), 0);
    }
}

// The bytes a device layer would hand back for one operation on drive 0 of the bay.
std::vector<uint8_t> AskBridge(const EmulatedBay &bay, SmartOperation operation, uint32_t &returned)
{
    uint8_t request[SatBufferLength];
    uint32_t length = BuildSatRequest(operation, request);
    std::vector<uint8_t> reply(SatBufferLength, 0);
    EmulatedDevice device = {EmulatedDeviceKind::PhysicalDrive, 0, EmulatedGenericRead | EmulatedGenericWrite};
    EmulatedReply answer =
        AnswerDeviceControl(bay, device, ScsiPassThroughIoctl, request, length, reply.data(), length);
    EXPECT_TRUE(answer.ok);
    returned = answer.returned;
    return reply;
}

TEST(AtaPassThrough, TheEmulatedBridgeAnswersWhatTheDriveKeywordsSay)
{
    const struct {
        const char *keywords;
        bool identified;
        int status;
        bool disabled;
    } cases[] = {
        {"sat yes\n", true, 1, true},
        {"sat yes\nstatus exceeded\n", true, 0, true},
        {"sat yes\nstatus fail\ndisable fail\n", true, 0, false},
        {"sat yes\nidentify fail\n", false, 1, true},
        {"sat no\n", false, 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.keywords);
        std::string text = std::string("drive 0\nmodel SAT DISK\nbus usb\n") + c.keywords;
        EmulatedBay bay{};
        DescriptionError error;
        ASSERT_TRUE(ParseDriveDescription(text.data(), text.size(), bay, error)) << error.message;
        uint32_t returned = 0;
        std::vector<uint8_t> reply = AskBridge(bay, SmartOperation::IdentifyDrive, returned);
        ASSERT_EQ(SatCommandDone(SmartOperation::IdentifyDrive, true, reply.data(), returned), c.identified);
        if (c.identified) {
            uint8_t sector[SmartSectorLength];
            BuildIdentifySector(bay.drives[0], sector);
            EXPECT_EQ(memcmp(reply.data() + SatDataOffset, sector, sizeof sector), 0);
        }
        reply = AskBridge(bay, SmartOperation::ReturnSMARTStatus, returned);
        EXPECT_EQ(ReadSatReturnStatus(true, reply.data(), returned), c.status);
        reply = AskBridge(bay, SmartOperation::DisableSMART, returned);
        EXPECT_EQ(SatCommandDone(SmartOperation::DisableSMART, true, reply.data(), returned), c.disabled);
        SenseData sense;
        if (!c.disabled) {
            ASSERT_TRUE(ReadSatSense(reply.data(), returned, sense));
            EXPECT_EQ(sense.key, c.status == 0 && !c.identified ? SenseKeyIllegalRequest : SenseKeyAbortedCommand);
        }
    }
}

}  // namespace
