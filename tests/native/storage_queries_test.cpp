#include "drives/storage_queries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "emulator/drive_emulation.h"

namespace {

void Put32(uint8_t *bytes, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

EmulatedBay BayOf(const char *description)
{
    EmulatedBay bay{};
    DescriptionError error;
    EXPECT_TRUE(ParseDriveDescription(description, strlen(description), bay, error)) << error.message;
    return bay;
}

EmulatedReply Ask(const EmulatedBay &bay, uint32_t access, uint32_t ioctl, const uint8_t *input, uint32_t inputLength,
                  uint8_t *output, uint32_t outputLength)
{
    EmulatedOpen open = AnswerDeviceOpen(bay, "\\\\.\\PhysicalDrive0", access);
    EXPECT_TRUE(open.ok);
    return AnswerDeviceControl(bay, open.device, ioctl, input, inputLength, output, outputLength);
}

TEST(StorageQueries, RepliesAreReadOnlyWhenEveryLengthAndOffsetHolds)
{
    EmulatedBay bay = BayOf("drive 0\nmodel  WDC WD40EFRX \nserial WD-1\nfirmware 82.00A82\nlba 3907029168\nbus sata\n");
    uint8_t query[DevicePropertyQueryLength];
    BuildDevicePropertyQuery(query);
    uint8_t reply[DeviceDescriptorLength] = {};
    EmulatedReply answer = Ask(bay, 0, StorageQueryPropertyIoctl, query, sizeof query, reply, sizeof reply);
    ASSERT_TRUE(answer.ok);
    StorageIdentity identity;
    ASSERT_TRUE(ReadDeviceDescriptor(reply, answer.returned, identity));
    EXPECT_EQ(identity.busType, 11u);
    EXPECT_STREQ(identity.product, "WDC WD40EFRX");   // trimmed
    EXPECT_STREQ(identity.revision, "82.00A82");
    EXPECT_STREQ(identity.serial, "WD-1");

    const struct {
        const char *what;
        size_t at;          // where the damage goes; SIZE_MAX: cut the reply instead
        uint32_t value;
    } broken[] = {
        {"size beyond the reply", 4, 4096},
        {"size below the header", 4, 8},
        {"string offset beyond the reply", 16, 4000},
        {"string offset inside the header", 20, 8},
        {"reply shorter than the header", SIZE_MAX, 30},
    };
    for (const auto &b : broken) {
        uint8_t damaged[DeviceDescriptorLength];
        memcpy(damaged, reply, sizeof damaged);
        uint32_t length = answer.returned;
        if (b.at == SIZE_MAX)
            length = b.value;
        else
            Put32(damaged + b.at, b.value);
        EXPECT_FALSE(ReadDeviceDescriptor(damaged, length, identity)) << b.what;
    }
    // A string that runs to the end of the reply without its NUL.
    EXPECT_FALSE(ReadDeviceDescriptor(reply, answer.returned - 1, identity));

    // A descriptor longer than the first buffer, its serial past it, is asked again at its own size.
    static uint8_t big[DeviceDescriptorLimit + 8];
    memcpy(big, reply, answer.returned);
    memcpy(big + 1500, "LONG-1", 7);
    Put32(big + 24, 1500);
    Put32(big + 4, 1507);
    const struct {
        uint32_t claimed;
        uint32_t length;
        uint32_t again;
    } sizes[] = {
        {1507, DeviceDescriptorLength, 1507},
        {1507, 1507, 0},
        {DeviceDescriptorLimit, DeviceDescriptorLength, DeviceDescriptorLimit},
        {DeviceDescriptorLimit + 1, DeviceDescriptorLength, 0},
        {1507, 7, 0},
    };
    for (const auto &z : sizes) {
        Put32(big + 4, z.claimed);
        EXPECT_EQ(DescriptorSizeToAskAgain(big, z.length), z.again) << z.claimed << " in " << z.length;
    }
    Put32(big + 4, 1507);
    ASSERT_TRUE(ReadDeviceDescriptor(big, 1507, identity));
    EXPECT_STREQ(identity.serial, "LONG-1");

    uint8_t geometryReply[GeometryExLength] = {};
    answer = Ask(bay, 0, DiskGetDriveGeometryExIoctl, nullptr, 0, geometryReply, sizeof geometryReply);
    ASSERT_TRUE(answer.ok);
    StorageGeometry geometry;
    ASSERT_TRUE(ReadGeometryEx(geometryReply, answer.returned, geometry));
    EXPECT_TRUE(geometry.fixedMedia);
    EXPECT_EQ(geometry.sectors, 3907029168u);
    // Whatever the block size, the record counts 512-byte sectors: a 2 TB drive stays 2 TB.
    const struct {
        const char *blocks;
        uint32_t blockSize;
        uint64_t sectors;
    } blockSizes[] = {{"", 512, 488378646}, {"block-size 4096\n", 4096, 3907029168}};
    for (const auto &b : blockSizes) {
        uint8_t sized[GeometryExLength] = {};
        EmulatedBay drive = BayOf((std::string("drive 0\nlba 488378646\nbus nvme\n") + b.blocks).c_str());
        answer = Ask(drive, 0, DiskGetDriveGeometryExIoctl, nullptr, 0, sized, sizeof sized);
        ASSERT_TRUE(answer.ok && ReadGeometryEx(sized, answer.returned, geometry)) << b.blocks;
        EXPECT_EQ(geometry.blockSize, b.blockSize) << b.blocks;
        EXPECT_EQ(geometry.sectors, b.sectors) << b.blocks;
    }
    EXPECT_FALSE(ReadGeometryEx(geometryReply, 31, geometry));
    Put32(geometryReply + 20, 0);
    EXPECT_FALSE(ReadGeometryEx(geometryReply, answer.returned, geometry)) << "no sector size";

    // A drive described without a bus answers none of the new queries; SMART requests need access.
    EmulatedBay today = BayOf("drive 0\n");
    EXPECT_FALSE(Ask(today, 0, StorageQueryPropertyIoctl, query, sizeof query, reply, sizeof reply).ok);
    EXPECT_FALSE(Ask(today, 0, StoragePredictFailureIoctl, nullptr, 0, reply, PredictFailureLength).ok);
}

TEST(StorageQueries, NvmeIdentityAndHealthComeFromTheProtocolData)
{
    EmulatedBay bay = BayOf("drive 0\nmodel NVME SSD 970 EVO\nserial S4EWNX0M\nfirmware 2B2QEXM7\nbus nvme\n"
                            "critical-warning 6\n");
    static uint8_t buffer[NvmeQueryBufferLength];
    uint32_t length = BuildNvmeQuery(NvmeQuery::IdentifyController, buffer);
    EmulatedReply answer = Ask(bay, 0, StorageQueryPropertyIoctl, buffer, length, buffer, length);
    ASSERT_TRUE(answer.ok);
    const uint8_t *data = nullptr;
    ASSERT_TRUE(FindNvmeData(buffer, answer.returned, NvmeQuery::IdentifyController, data));
    NvmeIdentity identity;
    ReadNvmeIdentity(*reinterpret_cast<const uint8_t(*)[NvmeIdentifyLength]>(data), identity);
    EXPECT_STREQ(identity.model, "NVME SSD 970 EVO");
    EXPECT_STREQ(identity.serial, "S4EWNX0M");
    EXPECT_STREQ(identity.firmware, "2B2QEXM7");
    EXPECT_FALSE(FindNvmeData(buffer, answer.returned - 1, NvmeQuery::IdentifyController, data)) << "cut short";
    Put32(buffer, 40);
    EXPECT_FALSE(FindNvmeData(buffer, answer.returned, NvmeQuery::IdentifyController, data)) << "other version";

    length = BuildNvmeQuery(NvmeQuery::HealthLog, buffer);
    answer = Ask(bay, 0, StorageQueryPropertyIoctl, buffer, length, buffer, length);
    ASSERT_TRUE(answer.ok);
    ASSERT_TRUE(FindNvmeData(buffer, answer.returned, NvmeQuery::HealthLog, data));
    EXPECT_EQ(data[0], 6);
    // Every Critical Warning bit counts but the temperature bit alone.
    for (int bit = 0; bit < 8; bit++)
        EXPECT_EQ(NvmeWarningExceeded(static_cast<uint8_t>(1 << bit)), bit != 1) << bit;
    EXPECT_FALSE(NvmeWarningExceeded(0));
    EXPECT_TRUE(NvmeWarningExceeded(0x03));
    // An NVMe drive declines the SMART requests, whatever the access.
    uint8_t packet[32] = {};
    packet[10] = 0xEC;
    uint8_t sector[528];
    EXPECT_FALSE(Ask(bay, 0xC0000000, 0x0007C088, packet, sizeof packet, sector, sizeof sector).ok);

    bool predicts = false;
    uint8_t reply[PredictFailureLength] = {};
    EmulatedBay failing = BayOf("drive 0\nbus usb\npredict yes\n");
    answer = Ask(failing, 0, StoragePredictFailureIoctl, nullptr, 0, reply, sizeof reply);
    ASSERT_TRUE(answer.ok && ReadPredictFailure(reply, answer.returned, predicts));
    EXPECT_TRUE(predicts);
    EXPECT_FALSE(ReadPredictFailure(reply, 3, predicts));
}

// RAID and vendor NVMe drivers refuse the health queries: such a drive is
// listed, never dropped, while a query that fails otherwise drops the drive.
TEST(StorageQueries, TheAccessOfADriveFollowsWhatItsHealthQueriesAnswered)
{
    using H = HealthAnswer;
    const struct {
        uint32_t bus;
        H nvme, prediction;
        bool taken;
        DriveAccess access;
    } cases[] = {
        {NvmeBusType, H::Answered, H::Refused, true, DriveAccess::NvmeHealth},
        {NvmeBusType, H::Refused, H::Answered, true, DriveAccess::FailurePrediction},
        {NvmeBusType, H::Refused, H::Refused, true, DriveAccess::NotReadable},
        {NvmeBusType, H::Refused, H::Failed, true, DriveAccess::NotReadable},
        {NvmeBusType, H::Failed, H::Answered, false, DriveAccess::SmartIoctl},
        {RaidBusType, H::Refused, H::Answered, true, DriveAccess::FailurePrediction},
        {RaidBusType, H::Refused, H::Refused, true, DriveAccess::NotReadable},
        {RaidBusType, H::Refused, H::Failed, false, DriveAccess::SmartIoctl},
        {SataBusType, H::Refused, H::Answered, true, DriveAccess::FailurePrediction},
        {UsbBusType, H::Refused, H::Refused, false, DriveAccess::SmartIoctl},
    };
    for (const auto &c : cases) {
        DriveAccess access = DriveAccess::SmartIoctl;
        EXPECT_EQ(ChooseStorageAccess(c.bus, c.nvme, c.prediction, access), c.taken) << c.bus;
        if (c.taken) {
            EXPECT_EQ(access, c.access) << c.bus << " " << int(c.nvme) << int(c.prediction);
        }
    }

    // The emulator refuses them as such drivers do.
    uint8_t buffer[NvmeQueryBufferLength];
    uint8_t reply[PredictFailureLength] = {};
    for (const char *refusal : {"health refused\n", "predict-only yes\n"}) {
        EmulatedBay bay = BayOf((std::string("drive 0\nbus nvme\n") + refusal).c_str());
        uint32_t length = BuildNvmeQuery(NvmeQuery::HealthLog, buffer);
        EmulatedReply answer = Ask(bay, 0, StorageQueryPropertyIoctl, buffer, length, buffer, length);
        EXPECT_TRUE(!answer.ok && answer.error == EmulatedErrorInvalidFunction) << refusal;
        length = BuildNvmeQuery(NvmeQuery::IdentifyController, buffer);
        EXPECT_TRUE(Ask(bay, 0, StorageQueryPropertyIoctl, buffer, length, buffer, length).ok) << refusal;
        answer = Ask(bay, 0, StoragePredictFailureIoctl, nullptr, 0, reply, sizeof reply);
        EXPECT_EQ(answer.ok, refusal[0] == 'p') << refusal;
    }
}

}  // namespace
