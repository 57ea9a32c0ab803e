#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "drives/identify_decoding.h"
#include "drives/smart_requests.h"
#include "drives/storage_queries.h"
#include "emulator/drive_emulation.h"
#include "state/drive_table.h"

using namespace std::string_view_literals;

namespace {

void Load(EmulatedBay &bay, std::string_view text)
{
    DescriptionError error;
    ASSERT_TRUE(ParseDriveDescription(text.data(), text.size(), bay, error))
        << "line " << error.line << ": " << error.message << "\n" << text;
}

uint16_t WordAt(const uint8_t *bytes, size_t word)
{
    return static_cast<uint16_t>(bytes[2 * word] | (bytes[2 * word + 1] << 8));
}

unsigned ByteSum(const uint8_t *bytes, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return sum & 0xFF;
}

// An ATA string field read back the way a drive stores it: byte pairs swapped.
std::string AtaField(const uint8_t *sector, size_t offset, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>(sector[offset + (i ^ 1)]);
    return text;
}

using Packet = std::array<uint8_t, SmartPacketLength>;

Packet SmartPacket(uint8_t feature, uint8_t driveNumber, uint8_t cylLow = 0x4F, uint8_t cylHigh = 0xC2)
{
    Packet packet = {};
    packet[4] = feature;
    packet[7] = cylLow;
    packet[8] = cylHigh;
    packet[9] = driveNumber & 1 ? 0xB0 : 0xA0;
    packet[10] = 0xB0;
    packet[12] = driveNumber;
    return packet;
}

Packet IdentifyPacket(uint8_t driveNumber)
{
    Packet packet = {};
    packet[1] = 0x02;
    packet[5] = 1;
    packet[6] = 1;
    packet[9] = driveNumber & 1 ? 0xB0 : 0xA0;
    packet[10] = 0xEC;
    packet[12] = driveNumber;
    return packet;
}

constexpr EmulatedDevice SmartDriver = {EmulatedDeviceKind::SmartDriver, 0, 0};
constexpr uint32_t ReadWrite = EmulatedGenericRead | EmulatedGenericWrite;

EmulatedDevice Physical(uint8_t drive, uint32_t access = ReadWrite)
{
    return {EmulatedDeviceKind::PhysicalDrive, drive, access};
}

// ---------------------------------------------------------------------------
// Parsing

TEST(DriveDescription, EmptyTextDescribesAnNtSystemWithTheDriverPresentAndNoDrive)
{
    EmulatedBay bay{};
    Load(bay, "");
    EXPECT_TRUE(bay.versionSucceeds);
    EXPECT_EQ(bay.platformId, 2u);
    EXPECT_EQ(bay.majorVersion, 5u);
    EXPECT_EQ(bay.minorVersion, 1u);
    EXPECT_EQ(bay.buildNumber, 2600u);
    EXPECT_TRUE(bay.smartvsdPresent);
    EXPECT_TRUE(bay.getVersionSucceeds);
    EXPECT_FALSE(bay.driveMapGiven);
    for (const EmulatedDrive &drive : bay.drives)
        EXPECT_FALSE(drive.defined);
    EXPECT_EQ(EmulatedDriveMap(bay), 0);
}

TEST(DriveDescription, DefaultBayServesDrivesZeroAndOneFixedAndHealthy)
{
    EmulatedBay bay{};
    SetDefaultBay(bay);
    EXPECT_TRUE(bay.versionSucceeds);
    EXPECT_EQ(bay.platformId, 2u);
    EXPECT_TRUE(bay.drives[0].defined);
    EXPECT_TRUE(bay.drives[1].defined);
    EXPECT_FALSE(bay.drives[2].defined);
    EXPECT_FALSE(bay.drives[3].defined);
    EXPECT_EQ(EmulatedDriveMap(bay), 0x03);
    for (int n = 0; n < 2; ++n) {
        const EmulatedDrive &drive = bay.drives[n];
        EXPECT_EQ(drive.media, EmulatedMedia::Fixed);
        EXPECT_EQ(drive.status, EmulatedStatus::Ok);
        EXPECT_TRUE(drive.openSucceeds && drive.identifySucceeds && drive.enableSucceeds &&
                    drive.disableSucceeds && drive.autosaveSucceeds && drive.executeSucceeds &&
                    drive.readDataSucceeds);
    }
    EXPECT_STREQ(bay.drives[0].model, "HOLMVARD EMU DISK 0");
    EXPECT_STREQ(bay.drives[1].model, "HOLMVARD EMU DISK 1");
    EXPECT_STREQ(bay.drives[1].serial, "EMU0001");
}

TEST(DriveDescription, DriveSectionStartsFromTheDefaultsOfItsNumber)
{
    struct Case {
        int n;
        const char *model;
        const char *serial;
    };
    const Case cases[] = {{0, "HOLMVARD EMU DISK 0", "EMU0000"}, {1, "HOLMVARD EMU DISK 1", "EMU0001"},
                          {2, "HOLMVARD EMU DISK 2", "EMU0002"}, {3, "HOLMVARD EMU DISK 3", "EMU0003"}};
    for (const Case &c : cases) {
        EmulatedBay bay{};
        std::string text = "drive " + std::to_string(c.n) + "\n";
        Load(bay, text);
        const EmulatedDrive &drive = bay.drives[c.n];
        EXPECT_TRUE(drive.defined);
        EXPECT_STREQ(drive.model, c.model);
        EXPECT_STREQ(drive.serial, c.serial);
        EXPECT_STREQ(drive.firmware, "1.0");
        EXPECT_EQ(drive.config, 0x0040);
        EXPECT_EQ(drive.cylinders, 16383);
        EXPECT_EQ(drive.heads, 16);
        EXPECT_EQ(drive.sectorsPerTrack, 63);
        EXPECT_EQ(drive.lbaSectors, 78165360u);
        EXPECT_EQ(drive.offlineStatus, 0x02);
        EXPECT_EQ(drive.offlineCapability, 0x01);
        EXPECT_EQ(drive.offlineSeconds, 120);
        EXPECT_FALSE(drive.hasRawSector);
        EXPECT_EQ(EmulatedDriveMap(bay), 1 << c.n);
    }
}

struct KeywordCase {
    const char *text;
    bool (*holds)(const EmulatedBay &bay);
};

TEST(DriveDescription, EveryKeywordSetsItsValue)
{
    const KeywordCase cases[] = {
        {"version 1 4 0 1111",
         [](const EmulatedBay &b) {
             return b.versionSucceeds && b.platformId == 1 && b.majorVersion == 4 && b.minorVersion == 0 &&
                    b.buildNumber == 1111;
         }},
        {"version 0x1 0x4 0xA 0x04000457",
         [](const EmulatedBay &b) { return b.minorVersion == 10 && b.buildNumber == 0x04000457; }},
        {"version fail", [](const EmulatedBay &b) { return !b.versionSucceeds; }},
        {"version fail\nversion 2 6 0 6000", [](const EmulatedBay &b) { return b.versionSucceeds; }},
        {"smartvsd absent", [](const EmulatedBay &b) { return !b.smartvsdPresent; }},
        {"smartvsd absent\nsmartvsd present", [](const EmulatedBay &b) { return b.smartvsdPresent; }},
        {"drivemap 0x05",
         [](const EmulatedBay &b) { return b.driveMapGiven && b.driveMap == 5 && EmulatedDriveMap(b) == 5; }},
        {"drive 0\ndrivemap 0xF0", [](const EmulatedBay &b) { return EmulatedDriveMap(b) == 0xF0; }},
        {"drive 0\ndrive 2", [](const EmulatedBay &b) { return EmulatedDriveMap(b) == 0x05; }},
        {"getversion fail", [](const EmulatedBay &b) { return !b.getVersionSucceeds; }},
        {"getversion fail\ngetversion ok", [](const EmulatedBay &b) { return b.getVersionSucceeds; }},
        {"tray-add-fails 3", [](const EmulatedBay &b) { return b.trayAddFails == 3; }},
        {"drive 1\nmodel ST3200", [](const EmulatedBay &b) { return !strcmp(b.drives[1].model, "ST3200"); }},
        {"drive 1\nmodel   ST3200  ", [](const EmulatedBay &b) { return !strcmp(b.drives[1].model, "  ST3200  "); }},
        {"drive 1\nmodel A # not a comment",
         [](const EmulatedBay &b) { return !strcmp(b.drives[1].model, "A # not a comment"); }},
        {"drive 1\nmodel", [](const EmulatedBay &b) { return b.drives[1].model[0] == '\0'; }},
        {"drive 1\nmodel 1234567890123456789012345678901234567890",
         [](const EmulatedBay &b) { return strlen(b.drives[1].model) == 40; }},
        {"drive 1\nserial WD-12345678901234567",
         [](const EmulatedBay &b) { return !strcmp(b.drives[1].serial, "WD-12345678901234567"); }},
        {"drive 1\nfirmware 3.AAE\r\n", [](const EmulatedBay &b) { return !strcmp(b.drives[1].firmware, "3.AAE"); }},
        {"drive 1\ncylinders 1024", [](const EmulatedBay &b) { return b.drives[1].cylinders == 1024; }},
        {"drive 1\nheads 255", [](const EmulatedBay &b) { return b.drives[1].heads == 255; }},
        {"drive 1\nsectors 0x3F", [](const EmulatedBay &b) { return b.drives[1].sectorsPerTrack == 63; }},
        {"drive 1\nlba 4294967295", [](const EmulatedBay &b) { return b.drives[1].lbaSectors == 0xFFFFFFFF; }},
        {"drive 1\nconfig 0x8580", [](const EmulatedBay &b) { return b.drives[1].config == 0x8580; }},
        {"drive 1\nidentify-word 255 0x1234",
         [](const EmulatedBay &b) { return b.drives[1].identifyWordSet[255] && b.drives[1].identifyWords[255] == 0x1234; }},
        {"drive 1\nmedia removable", [](const EmulatedBay &b) { return b.drives[1].media == EmulatedMedia::Removable; }},
        {"drive 1\nmedia none", [](const EmulatedBay &b) { return b.drives[1].media == EmulatedMedia::None; }},
        {"drive 1\nmedia none\nmedia fixed", [](const EmulatedBay &b) { return b.drives[1].media == EmulatedMedia::Fixed; }},
        {"drive 1\nopen fail", [](const EmulatedBay &b) { return !b.drives[1].openSucceeds; }},
        {"drive 1\nidentify fail", [](const EmulatedBay &b) { return !b.drives[1].identifySucceeds; }},
        {"drive 1\nenable fail", [](const EmulatedBay &b) { return !b.drives[1].enableSucceeds; }},
        {"drive 1\ndisable fail", [](const EmulatedBay &b) { return !b.drives[1].disableSucceeds; }},
        {"drive 1\nautosave fail", [](const EmulatedBay &b) { return !b.drives[1].autosaveSucceeds; }},
        {"drive 1\nexecute fail", [](const EmulatedBay &b) { return !b.drives[1].executeSucceeds; }},
        {"drive 1\nreaddata fail", [](const EmulatedBay &b) { return !b.drives[1].readDataSucceeds; }},
        {"drive 1\nreaddata fail\nreaddata ok", [](const EmulatedBay &b) { return b.drives[1].readDataSucceeds; }},
        {"drive 1\nstatus exceeded", [](const EmulatedBay &b) { return b.drives[1].status == EmulatedStatus::Exceeded; }},
        {"drive 1\nstatus fail", [](const EmulatedBay &b) { return b.drives[1].status == EmulatedStatus::Fail; }},
        {"drive 1\nstatus fail\nstatus ok", [](const EmulatedBay &b) { return b.drives[1].status == EmulatedStatus::Ok; }},
        {"drive 1\noffline-status 0x82", [](const EmulatedBay &b) { return b.drives[1].offlineStatus == 0x82; }},
        {"drive 1\noffline-capability 0", [](const EmulatedBay &b) { return b.drives[1].offlineCapability == 0; }},
        {"drive 1\noffline-seconds 65535", [](const EmulatedBay &b) { return b.drives[1].offlineSeconds == 65535; }},
        {"drive 1\nattribute 5 100 100 0xFFFFFFFFFFFF\nattribute 197 90 80 3\nattribute 5 99 98 8",
         [](const EmulatedBay &b) {
             const EmulatedAttribute *a = b.drives[1].attributes;
             return a[0].id == 5 && a[0].current == 99 && a[0].worst == 98 && a[0].raw == 8 && a[1].id == 197 &&
                    a[1].raw == 3 && a[2].id == 0 && a[0].flags == 0;
         }},
        {"drive 1\nattribute 5 100 100 8 0x0033",
         [](const EmulatedBay &b) { return b.drives[1].attributes[0].flags == 0x0033; }},
        {"drive 1\nthreshold 5 36\nthreshold 5 40",
         [](const EmulatedBay &b) { return b.drives[1].thresholds[0].value == 40 && b.drives[1].thresholds[1].id == 0; }},
        {"drive 1\nreadthresholds fail", [](const EmulatedBay &b) { return !b.drives[1].readThresholdsSucceeds; }},
        {"drive 1\nmedia-errors 0x100000002", [](const EmulatedBay &b) { return b.drives[1].mediaErrors == 0x100000002; }},
        {"drive 1\npercentage-used 255", [](const EmulatedBay &b) { return b.drives[1].percentageUsed == 255; }},
        {"drive 1\ndelay 45000", [](const EmulatedBay &b) { return b.drives[1].delayMs == 45000; }},
        {"drive 1\nhang yes", [](const EmulatedBay &b) { return b.drives[1].hangs && !b.drives[0].hangs; }},
        {"drive 0\ndrive 1\npresent no", [](const EmulatedBay &b) { return !b.drives[1].present && b.drives[0].present; }},
        {"drive 1\nhealth refused",
         [](const EmulatedBay &b) { return b.drives[1].healthRefused && b.drives[1].healthSucceeds; }},
        {"drive 1\nhealth fail", [](const EmulatedBay &b) { return !b.drives[1].healthRefused && !b.drives[1].healthSucceeds; }},
        {"drive 1\ndata-byte 511 0x7F",
         [](const EmulatedBay &b) { return b.drives[1].dataByteSet[511] && b.drives[1].dataBytes[511] == 0x7F; }},
        // Drive keywords belong to the latest drive section; global ones may come anywhere.
        {"drive 0\ndrive 3\nheads 2\nversion fail",
         [](const EmulatedBay &b) { return b.drives[0].heads == 16 && b.drives[3].heads == 2 && !b.versionSucceeds; }},
    };
    for (const KeywordCase &c : cases) {
        EmulatedBay bay{};
        Load(bay, c.text);
        EXPECT_TRUE(c.holds(bay)) << c.text;
    }
}

TEST(DriveDescription, CommentsBlankLinesBlanksAndLineEndsAreIgnored)
{
    const std::string_view texts[] = {
        "# a whole comment line\ndrive 2\nheads 7\n",
        "\n\n   \n\t\ndrive 2\n\nheads 7\n\n",
        "   # indented comment\n\tdrive 2   # trailing comment\n  heads   7\t# another\n",
        "drive 2\r\nheads 7\r\n",
        "\xEF\xBB\xBF" "drive 2\nheads 7",
    };
    for (std::string_view text : texts) {
        EmulatedBay bay{};
        Load(bay, text);
        EXPECT_TRUE(bay.drives[2].defined) << text;
        EXPECT_EQ(bay.drives[2].heads, 7) << text;
        EXPECT_FALSE(bay.drives[0].defined) << text;
    }
}

TEST(DriveDescription, RawSectorTakesExactly1024HexDigitsWithBlanksAnywhere)
{
    std::string digits;
    for (int i = 0; i < 512; ++i) {
        const char *hex = "0123456789abcdef";
        digits += hex[(i >> 4) & 0xF];
        digits += hex[i & 0xF];
        if (i % 16 == 15)
            digits += ' ';
    }
    EmulatedBay bay{};
    Load(bay, "drive 0\nsector " + digits + " # trailing comment\n");
    ASSERT_TRUE(bay.drives[0].hasRawSector);
    for (int i = 0; i < 512; ++i)
        EXPECT_EQ(bay.drives[0].rawSector[i], i & 0xFF) << "byte " << i;
}

struct ErrorCase {
    std::string_view text;
    int line;
    const char *message;
};

TEST(DriveDescription, FaultsNameTheirLineAndReason)
{
    const std::string longModel = "drive 0\nmodel " + std::string(41, 'M');
    const std::string longSerial = "drive 0\nserial " + std::string(21, 'S');
    const std::string longFirmware = "drive 0\nfirmware " + std::string(9, 'F');
    const std::string longSector = "drive 0\nsector " + std::string(1026, '0');
    const ErrorCase cases[] = {
        {"drive 0\nmodle X", 2, "unknown keyword 'modle'"},
        {"Drive 0", 1, "unknown keyword 'Drive'"},
        {"# fine\n\nbogus", 3, "unknown keyword 'bogus'"},
        {"drive 0\r\nbogus\r\n", 2, "unknown keyword 'bogus'"},
        {"model X", 1, "'model' comes before any 'drive' line"},
        {"version 2 5 1 2600\nheads 1", 2, "'heads' comes before any 'drive' line"},
        {"drive 64", 1, "'64' is not a number from 0 to 63 for 'drive'"},
        {"drive", 1, "missing value for 'drive'"},
        {"drive 0\ndrive 1\ndrive 0", 3, "drive 0 is described twice"},
        {"drive 0\nheads 65536", 2, "'65536' is not a number from 0 to 65535 for 'heads'"},
        {"drive 0\nheads abc", 2, "'abc' is not a number from 0 to 65535 for 'heads'"},
        {"drive 0\nheads -1", 2, "'-1' is not a number from 0 to 65535 for 'heads'"},
        {"drive 0\nheads 0x", 2, "'0x' is not a number from 0 to 65535 for 'heads'"},
        {"drive 0\nheads 0x1G", 2, "'0x1G' is not a number from 0 to 65535 for 'heads'"},
        {"drive 0\nheads", 2, "missing value for 'heads'"},
        {"drive 0\nheads 1 2", 2, "too many values for 'heads'"},
        {"drive 0\nlba 4294967296", 2, "'4294967296' is not a number from 0 to 4294967295 for 'lba'"},
        {"drive 0\ncylinders 99999", 2, "'99999' is not a number from 0 to 65535 for 'cylinders'"},
        {"drive 0\nsectors 70000", 2, "'70000' is not a number from 0 to 65535 for 'sectors'"},
        {"drive 0\nconfig 0x10000", 2, "'0x10000' is not a number from 0 to 65535 for 'config'"},
        {"drive 0\noffline-status 256", 2, "'256' is not a number from 0 to 255 for 'offline-status'"},
        {"drive 0\noffline-capability 300", 2, "'300' is not a number from 0 to 255 for 'offline-capability'"},
        {"drive 0\noffline-seconds 65536", 2, "'65536' is not a number from 0 to 65535 for 'offline-seconds'"},
        {"drive 0\nidentify-word 256 0", 2, "'256' is not a number from 0 to 255 for 'identify-word'"},
        {"drive 0\nidentify-word 10", 2, "missing value for 'identify-word'"},
        {"drive 0\ndata-byte 512 0", 2, "'512' is not a number from 0 to 511 for 'data-byte'"},
        {"drive 0\nattribute 0 1 1 1", 2, "'0' is not a number from 1 to 255 for 'attribute'"},
        {"drive 0\nattribute 5 100 100 0x1000000000000", 2, "'0x1000000000000' is not a 48-bit number for 'attribute'"},
        {"drive 0\nattribute 5 100 100", 2, "missing value for 'attribute'"},
        {"drive 0\nattribute 5 100 100 8 65536", 2, "'65536' is not a number from 0 to 65535 for 'attribute'"},
        {"drive 0\nattribute 5 100 100 8 1 2", 2, "too many values for 'attribute'"},
        {"drive 0\nthreshold 5 256", 2, "'256' is not a number from 0 to 255 for 'threshold'"},
        {"drive 0\npercentage-used 256", 2, "'256' is not a number from 0 to 255 for 'percentage-used'"},
        {"drive 0\ndata-byte 0 256", 2, "'256' is not a number from 0 to 255 for 'data-byte'"},
        {"drivemap 256", 1, "'256' is not a number from 0 to 255 for 'drivemap'"},
        {"version 1 2", 1, "'version' expects fail or four numbers"},
        {"version maybe", 1, "'version' expects fail or four numbers"},
        {"version 1 4 0 4294967296", 1, "'4294967296' is not a number from 0 to 4294967295 for 'version'"},
        {"version 1 2 3 4 5", 1, "too many values for 'version'"},
        {"smartvsd gone", 1, "'smartvsd' expects present or absent, not 'gone'"},
        {"getversion yes", 1, "'getversion' expects ok or fail, not 'yes'"},
        {"tray-add-fails 1001", 1, "'1001' is not a number from 0 to 1000 for 'tray-add-fails'"},
        {"drive 0\nmedia floppy", 2, "'media' expects fixed, removable or none, not 'floppy'"},
        {"drive 0\nstatus bad", 2, "'status' expects ok, exceeded or fail, not 'bad'"},
        {"drive 0\nopen OK", 2, "'open' expects ok or fail, not 'OK'"},
        {"drive 0\nbus nvme\nblock-size 1024", 3, "'block-size' expects 512 or 4096, not '1024'"},
        {"drive 0\nidentify", 2, "missing value for 'identify'"},
        {"drive 0\nenable ok fail", 2, "too many values for 'enable'"},
        {longModel, 2, "'model' text is longer than 40 characters"},
        {longSerial, 2, "'serial' text is longer than 20 characters"},
        {longFirmware, 2, "'firmware' text is longer than 8 characters"},
        {"drive 0\nsector 00", 2, "'sector' needs 1024 hex digits, found 2"},
        {"drive 0\nsector 0g", 2, "'sector' holds a character that is not a hex digit: 'g'"},
        {longSector, 2, "'sector' holds more than 1024 hex digits"},
        {"drive 0\nheads 1\0\n"sv, 2, "the line holds a NUL byte"},
        {"volume B total 1 free 1", 1, "'B' is not a drive letter from C to Z for 'volume'"},
        {"volume C", 1, "missing value for 'volume'"},
        {"volume C total", 1, "'volume' expects fail, or sizes in pairs of a name and a number"},
        {"volume C total 10 used 5", 1, "'volume' expects total, free or available, not 'used'"},
        {"volume C free 5 available 5", 1, "'volume' needs both total and free"},
        {"volume C total 10 free 11", 1, "'volume' needs available <= free <= total"},
        {"volume C total 18446744073709551616 free 0", 1, "'18446744073709551616' is not a 64-bit number for 'volume'"},
    };
    for (const ErrorCase &c : cases) {
        EmulatedBay bay{};
        DescriptionError error;
        EXPECT_FALSE(ParseDriveDescription(c.text.data(), c.text.size(), bay, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_STREQ(error.message, c.message) << c.text;
    }
}

TEST(DriveDescription, FaultTextForTheLogNamesTheFileAndLine)
{
    DescriptionError error;
    EmulatedBay bay{};
    const std::string_view text = "drive 0\nmodle X\n";
    ASSERT_FALSE(ParseDriveDescription(text.data(), text.size(), bay, error));
    char message[200];
    FormatDescriptionError(error, message, sizeof message);
    EXPECT_STREQ(message, "emulated-drives.txt line 2: unknown keyword 'modle'");

    DescriptionError whole = {0, "longer than 65536 bytes"};
    FormatDescriptionError(whole, message, sizeof message);
    EXPECT_STREQ(message, "emulated-drives.txt: longer than 65536 bytes");
}

// ---------------------------------------------------------------------------
// Sectors

TEST(DriveDescription, VolumesTakeTheirSpaceOrFailAndTheLogNamesTheAnswer)
{
    const std::string text = "volume p total 18446744073709551615 free 0x100 available 7\nvolume Z fail\n"
                             "volume D total 10240000000 free 1300000000\n";
    EmulatedBay bay{};
    DescriptionError error;
    ASSERT_TRUE(ParseDriveDescription(text.data(), text.size(), bay, error)) << error.message;
    const EmulatedVolume &p = bay.volumes['P' - 'A'];
    EXPECT_TRUE(p.defined && p.succeeds);
    EXPECT_EQ(p.totalBytes, UINT64_MAX);
    EXPECT_EQ(p.freeBytes, 256u);
    EXPECT_EQ(p.availableBytes, 7u);
    EXPECT_TRUE(bay.volumes['Z' - 'A'].defined);
    EXPECT_FALSE(bay.volumes['Z' - 'A'].succeeds);
    EXPECT_FALSE(bay.volumes['C' - 'A'].defined);

    const struct {
        const EmulatedVolume *volume;
        const char *line;
    } lines[] = {
        {&bay.volumes['D' - 'A'], "SPACE D:\\ total=10240000000 free=1300000000 available=1300000000 -> ok"},
        {&bay.volumes['Z' - 'A'], "SPACE D:\\ -> FAIL"},
        {&bay.volumes['C' - 'A'], "SPACE D:\\ -> system"},
    };
    for (const auto &l : lines) {
        char line[RequestLogLineSize];
        FormatSpaceLogLine(line, sizeof line, "D:\\", l.volume);
        EXPECT_STREQ(line, l.line);
    }
}

TEST(IdentifySector, BuiltFromTheFieldsWithAtaStringsSwappedAndPadded)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\nmodel ST3200\nserial 5JV1234\nfirmware 3.AAE\nconfig 0x045A\n"
              "cylinders 1024\nheads 255\nsectors 63\nlba 0x12345678\n");
    uint8_t sector[SmartSectorLength];
    BuildIdentifySector(bay.drives[0], sector);

    EXPECT_EQ(WordAt(sector, 0), 0x045A);
    EXPECT_EQ(WordAt(sector, 1), 1024);
    EXPECT_EQ(WordAt(sector, 3), 255);
    EXPECT_EQ(WordAt(sector, 6), 63);
    EXPECT_EQ(WordAt(sector, 60), 0x5678);
    EXPECT_EQ(WordAt(sector, 61), 0x1234);
    EXPECT_EQ(AtaField(sector, 54, 40), "ST3200" + std::string(34, ' '));
    EXPECT_EQ(AtaField(sector, 20, 20), "5JV1234" + std::string(13, ' '));
    EXPECT_EQ(AtaField(sector, 46, 8), "3.AAE   ");
    // Swapped on the medium: the first two characters arrive as T, S.
    EXPECT_EQ(sector[54], 'T');
    EXPECT_EQ(sector[55], 'S');
    EXPECT_EQ(WordAt(sector, 82) & 1, 1) << "SMART supported";
    EXPECT_EQ(WordAt(sector, 85) & 1, 1) << "SMART enabled";
    EXPECT_EQ(sector[510], 0xA5);
    EXPECT_EQ(ByteSum(sector, SmartSectorLength), 0u);
}

TEST(IdentifySector, WordOverridesApplyAfterTheFieldsAndKeepTheChecksum)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\nconfig 0x0040\nidentify-word 0 0x8580\nidentify-word 61 0xFFFF\n");
    uint8_t sector[SmartSectorLength];
    BuildIdentifySector(bay.drives[0], sector);
    EXPECT_EQ(WordAt(sector, 0), 0x8580);
    EXPECT_EQ(WordAt(sector, 61), 0xFFFF);
    EXPECT_EQ(ByteSum(sector, SmartSectorLength), 0u);

    Load(bay, "drive 0\nidentify-word 255 0x0000\n");
    BuildIdentifySector(bay.drives[0], sector);
    EXPECT_EQ(WordAt(sector, 255), 0);
}

TEST(IdentifySector, RawSectorIsServedAsGivenUnderItsWordOverrides)
{
    std::string digits;
    for (int i = 0; i < 512; ++i)
        digits += i == 0 ? "40" : i == 54 ? "54" : i == 55 ? "53" : "00";
    EmulatedBay bay{};
    Load(bay, "drive 0\nmodel IGNORED\nsector " + digits + "\nidentify-word 1 0x0102\n");
    uint8_t sector[SmartSectorLength];
    BuildIdentifySector(bay.drives[0], sector);
    for (size_t i = 0; i < SmartSectorLength; ++i) {
        uint8_t expected = i == 0 ? 0x40 : i == 54 ? 0x54 : i == 55 ? 0x53 : i == 2 ? 0x02 : i == 3 ? 0x01 : 0;
        EXPECT_EQ(sector[i], expected) << "byte " << i;
    }
}

TEST(IdentifySector, AllZeroRawSectorStaysAllZero)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\nsector " + std::string(1024, '0') + "\n");
    uint8_t sector[SmartSectorLength];
    BuildIdentifySector(bay.drives[0], sector);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(sector), sizeof sector), std::string(512, '\0'));
}

TEST(IdentifySector, ProgramDecodesTheBuiltSectorIntoTheDescribedIdentity)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\nmodel   ST3200 A  \nserial  5JV1234\nfirmware 3.AAE\ncylinders 1024\nheads 255\n"
              "sectors 63\nlba 1048576\n");
    uint8_t sector[SmartSectorLength];
    BuildIdentifySector(bay.drives[0], sector);
    DriveRecord record = {};
    ASSERT_TRUE(DecodeIdentifyData(sector, record));
    EXPECT_STREQ(record.Model, "ST3200 A");
    EXPECT_STREQ(record.Serial, "5JV1234");
    EXPECT_STREQ(record.FirmwareRev, "3.AAE");
    EXPECT_EQ(record.Cylinders, 1024);
    EXPECT_EQ(record.Heads, 255);
    EXPECT_EQ(record.SectorsPerTrack, 63);
    EXPECT_EQ(record.LbaSectors, 1048576u);
}

TEST(SmartDataSector, CarriesTheOfflineValuesAndAZeroSum)
{
    struct Case {
        const char *text;
        uint8_t status;
        uint16_t seconds;
        uint8_t capability;
    };
    const Case cases[] = {
        {"drive 0\n", 0x02, 120, 0x01},
        {"drive 0\noffline-status 0x84\noffline-seconds 0x1234\noffline-capability 0x5B\n", 0x84, 0x1234, 0x5B},
        {"drive 0\noffline-seconds 0\noffline-capability 0\n", 0x02, 0, 0x00},
        {"drive 0\noffline-status 5\ndata-byte 362 6\ndata-byte 365 1\n", 0x06, 0x0178, 0x01},
    };
    for (const Case &c : cases) {
        EmulatedBay bay{};
        Load(bay, c.text);
        uint8_t sector[SmartSectorLength];
        BuildSmartDataSector(bay.drives[0], sector);
        EXPECT_EQ(sector[362], c.status) << c.text;
        EXPECT_EQ(sector[364] | (sector[365] << 8), c.seconds) << c.text;
        EXPECT_EQ(sector[367], c.capability) << c.text;
        EXPECT_EQ(ByteSum(sector, SmartSectorLength), 0u) << c.text;
    }
}

TEST(SmartDataSector, AttributesAndThresholdsReachTheProgramsReaderUnderAZeroSum)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\nattribute 5 100 99 0xAB00000008\nattribute 197 50 50 3 0x0033\nthreshold 197 50\n"
              "attribute 1 10 10 0 0x0032\nthreshold 1 10\n");
    uint8_t data[SmartSectorLength];
    uint8_t thresholds[SmartSectorLength];
    BuildSmartDataSector(bay.drives[0], data);
    BuildSmartThresholdSector(bay.drives[0], thresholds);
    CautionCounts counts;
    ReadAtaCautionCounts(data, thresholds, counts);
    const CautionCounts expected = {{8, 0, 0, 3, 0, 1, 0, 0}};
    EXPECT_EQ(memcmp(&counts, &expected, sizeof counts), 0);
    EXPECT_EQ(data[362], 0x02) << "the off-line values stay";
    EXPECT_EQ(ByteSum(data, SmartSectorLength), 0u);
    EXPECT_EQ(ByteSum(thresholds, SmartSectorLength), 0u);
    EXPECT_TRUE(SmartSectorChecksumValid(data) && SmartSectorChecksumValid(thresholds));
}

TEST(SmartDataSector, ChecksumByteOverrideIsKept)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\ndata-byte 511 0x00\n");
    uint8_t sector[SmartSectorLength];
    BuildSmartDataSector(bay.drives[0], sector);
    EXPECT_EQ(sector[511], 0);
    EXPECT_FALSE(SmartSectorChecksumValid(sector));
}

// ---------------------------------------------------------------------------
// Opens

struct OpenCase {
    const char *description;
    const char *name;
    uint32_t access;
    bool ok;
    uint32_t error;
    EmulatedDeviceKind kind;
    uint8_t drive;
};

TEST(EmulatedOpen, DevicesOpenByNameAndTheReadWriteOpenFollowsTheDrive)
{
    const auto Driver = EmulatedDeviceKind::SmartDriver;
    const auto Disk = EmulatedDeviceKind::PhysicalDrive;
    const OpenCase cases[] = {
        {"drive 0", "\\\\.\\SMARTVSD", 0, true, 0, Driver, 0},
        {"", "\\\\.\\smartvsd", 0, true, 0, Driver, 0},
        {"smartvsd absent\ndrive 0", "\\\\.\\SMARTVSD", 0, false, EmulatedErrorFileNotFound, Driver, 0},
        {"drive 0", "\\\\.\\PhysicalDrive0", 0, true, 0, Disk, 0},
        {"drive 0", "\\\\.\\PhysicalDrive0", ReadWrite, true, 0, Disk, 0},
        {"drive 3", "\\\\.\\physicaldrive3", ReadWrite, true, 0, Disk, 3},
        {"drive 0", "\\\\.\\PhysicalDrive1", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 2\nopen fail", "\\\\.\\PhysicalDrive2", 0, true, 0, Disk, 2},
        {"drive 2\nopen fail", "\\\\.\\PhysicalDrive2", ReadWrite, false, EmulatedErrorAccessDenied, Disk, 0},
        {"drive 2\nopen fail", "\\\\.\\PhysicalDrive2", EmulatedGenericRead, false, EmulatedErrorAccessDenied,
         Disk, 0},
        {"drive 2\nmedia none", "\\\\.\\PhysicalDrive2", 0, true, 0, Disk, 2},
        {"drive 0\ndrive 1\ndrive 2\ndrive 3", "\\\\.\\PhysicalDrive4", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 1", "\\\\.\\PhysicalDrive10", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 12", "\\\\.\\PhysicalDrive12", 0, true, 0, Disk, 12},
        {"drive 63", "\\\\.\\PhysicalDrive63", ReadWrite, true, 0, Disk, 63},
        {"drive 5", "\\\\.\\PhysicalDrive05", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 12", "\\\\.\\PhysicalDrive120", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 0", "\\\\.\\PhysicalDrive", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 0", "\\\\.\\PhysicalDrive0x", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 0", "PhysicalDrive0", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 0", "C:\\emulated-drives.txt", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 0", "", 0, false, EmulatedErrorFileNotFound, Disk, 0},
        {"drive 0", nullptr, 0, false, EmulatedErrorInvalidParameter, Disk, 0},
    };
    for (const OpenCase &c : cases) {
        EmulatedBay bay{};
        Load(bay, c.description);
        EmulatedOpen open = AnswerDeviceOpen(bay, c.name, c.access);
        const char *name = c.name ? c.name : "(null)";
        EXPECT_EQ(open.ok, c.ok) << c.description << " / " << name;
        if (c.ok) {
            EXPECT_EQ(open.device.kind, c.kind) << name;
            EXPECT_EQ(open.device.drive, c.drive) << name;
            EXPECT_EQ(open.device.access, c.access) << name;
        } else {
            EXPECT_EQ(open.error, c.error) << c.description << " / " << name;
        }
    }
}

// ---------------------------------------------------------------------------
// Requests

struct RequestCase {
    const char *description;
    EmulatedDevice device;
    uint32_t ioctl;
    Packet packet;
    uint32_t outputLength;
    bool ok;
    uint32_t error;        // when !ok
    uint32_t returned;     // when ok
};

TEST(EmulatedRequest, EachRequestSucceedsOrFailsAsTheDriveIsDescribed)
{
    const uint32_t Send = SmartSendDriveCommandIoctl;
    const uint32_t Rcv = SmartRcvDriveDataIoctl;
    const RequestCase cases[] = {
        // What a healthy drive answers, through either device.
        {"drive 0", SmartDriver, Rcv, IdentifyPacket(0), 528, true, 0, 528},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD8, 0), 16, true, 0, 16},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD9, 0), 16, true, 0, 16},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD2, 0), 16, true, 0, 16},
        {"drive 0", SmartDriver, Send, SmartPacket(0xDA, 0), 24, true, 0, 24},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD4, 0), 16, true, 0, 16},
        {"drive 0", SmartDriver, Rcv, SmartPacket(0xD0, 0), 528, true, 0, 528},
        {"drive 2", Physical(2), Rcv, IdentifyPacket(2), 528, true, 0, 528},
        {"drive 2", Physical(2), Send, SmartPacket(0xDA, 0), 24, true, 0, 24},
        {"drive 2", Physical(2), Rcv, SmartPacket(0xD0, 0), 600, true, 0, 528},
        // Each failure keyword fails its own request only.
        {"drive 1\nidentify fail", SmartDriver, Rcv, IdentifyPacket(1), 528, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nidentify fail", SmartDriver, Rcv, SmartPacket(0xD0, 1), 528, true, 0, 528},
        {"drive 1\nenable fail", SmartDriver, Send, SmartPacket(0xD8, 1), 16, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nenable fail", SmartDriver, Send, SmartPacket(0xD2, 1), 16, true, 0, 16},
        {"drive 1\ndisable fail", SmartDriver, Send, SmartPacket(0xD9, 1), 16, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nautosave fail", SmartDriver, Send, SmartPacket(0xD2, 1), 16, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nautosave fail", SmartDriver, Send, SmartPacket(0xD8, 1), 16, true, 0, 16},
        {"drive 1\nexecute fail", SmartDriver, Send, SmartPacket(0xD4, 1), 16, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nreaddata fail", SmartDriver, Rcv, SmartPacket(0xD0, 1), 528, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nstatus fail", SmartDriver, Send, SmartPacket(0xDA, 1), 24, false, EmulatedErrorIoDevice, 0},
        {"drive 1\nstatus exceeded", SmartDriver, Send, SmartPacket(0xDA, 1), 24, true, 0, 24},
        {"drive 1\nopen fail", SmartDriver, Send, SmartPacket(0xDA, 1), 24, true, 0, 24},
        {"drive 1\nmedia none", Physical(1), Send, SmartPacket(0xDA, 0), 24, true, 0, 24},
        // The SMARTVSD driver only knows the drives the description defines.
        {"drive 0", SmartDriver, Rcv, IdentifyPacket(1), 528, false, EmulatedErrorDeviceNotExist, 0},
        {"drive 0\ndrivemap 0x0F", SmartDriver, Rcv, IdentifyPacket(3), 528, false, EmulatedErrorDeviceNotExist, 0},
        {"drive 0", SmartDriver, Rcv, IdentifyPacket(7), 528, false, EmulatedErrorDeviceNotExist, 0},
        {"drive 1", Physical(0), Rcv, IdentifyPacket(0), 528, false, EmulatedErrorDeviceNotExist, 0},
        // A physical drive is its handle: the packet's drive number does not matter.
        {"drive 3", Physical(3), Send, SmartPacket(0xD8, 0), 16, true, 0, 16},
        {"drive 3", Physical(3), Send, SmartPacket(0xD8, 1), 16, true, 0, 16},
        // Buffers too short for the reply.
        {"drive 0", SmartDriver, Rcv, IdentifyPacket(0), 527, false, EmulatedErrorInsufficientBuffer, 0},
        {"drive 0", SmartDriver, Rcv, SmartPacket(0xD0, 0), 24, false, EmulatedErrorInsufficientBuffer, 0},
        {"drive 0", SmartDriver, Send, SmartPacket(0xDA, 0), 23, false, EmulatedErrorInsufficientBuffer, 0},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD8, 0), 15, false, EmulatedErrorInsufficientBuffer, 0},
        {"drive 0\nstatus fail", SmartDriver, Send, SmartPacket(0xDA, 0), 16, false,
         EmulatedErrorInsufficientBuffer, 0},
        // Packets a drive or driver would refuse.
        {"drive 0", SmartDriver, Send, IdentifyPacket(0), 528, false, EmulatedErrorInvalidParameter, 0},
        {"drive 0", SmartDriver, Rcv, SmartPacket(0xD8, 0), 528, false, EmulatedErrorInvalidParameter, 0},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD0, 0), 528, false, EmulatedErrorInvalidParameter, 0},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD8, 0, 0x00, 0x00), 16, false, EmulatedErrorIoDevice, 0},
        {"drive 0", SmartDriver, Send, SmartPacket(0xDA, 0, 0x4F, 0x00), 24, false, EmulatedErrorIoDevice, 0},
        {"drive 0", SmartDriver, Send, SmartPacket(0xD5, 0), 16, false, EmulatedErrorIoDevice, 0},
        {"drive 0", SmartDriver, Send, Packet{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x25}, 16, false,
         EmulatedErrorIoDevice, 0},
        // SMART requests need a handle opened for reading and writing.
        {"drive 0", Physical(0, 0), Rcv, IdentifyPacket(0), 528, false, EmulatedErrorAccessDenied, 0},
        {"drive 0", Physical(0, EmulatedGenericRead), Send, SmartPacket(0xDA, 0), 24, false,
         EmulatedErrorAccessDenied, 0},
        {"drive 0", Physical(0, EmulatedGenericAll), Send, SmartPacket(0xDA, 0), 24, true, 0, 24},
        // Unknown control codes.
        {"drive 0", SmartDriver, 0x002D1400, SmartPacket(0xDA, 0), 24, false, EmulatedErrorInvalidFunction, 0},
        {"drive 0", Physical(0), 0x00070048, SmartPacket(0xDA, 0), 24, false, EmulatedErrorInvalidFunction, 0},
    };
    for (const RequestCase &c : cases) {
        EmulatedBay bay{};
        Load(bay, c.description);
        uint8_t output[600];
        memset(output, 0xEE, sizeof output);
        EmulatedReply reply = AnswerDeviceControl(bay, c.device, c.ioctl, c.packet.data(), SmartPacketLength,
                                                  output, c.outputLength);
        std::string label = std::string(c.description) + " / feature " + std::to_string(c.packet[4]) +
                            " command " + std::to_string(c.packet[10]) + " drive " +
                            std::to_string(c.packet[12]) + " out " + std::to_string(c.outputLength);
        EXPECT_EQ(reply.ok, c.ok) << label;
        if (c.ok) {
            EXPECT_EQ(reply.returned, c.returned) << label;
            EXPECT_EQ(output[0] | (output[1] << 8), static_cast<int>(c.returned - 16)) << label << ": cBufferSize";
            if (c.outputLength > c.returned) {
                EXPECT_EQ(output[c.returned], 0xEE) << label << ": past the reply";
            }
        } else {
            EXPECT_EQ(reply.error, c.error) << label;
            EXPECT_EQ(reply.returned, 0u) << label;
            EXPECT_EQ(output[0], 0xEE) << label << ": a failed request writes nothing";
        }
    }
}

TEST(EmulatedRequest, OnlyTheHealthRequestsOfADelayedOrHungDriveWait)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\ndrive 1\ndelay 45000\nhang yes\ndrive 2\nbus nvme\ndelay 7\nhang yes\ndrive 3\nbus sata\ndelay 9\nhang yes\n");
    auto bytes = [](const Packet &packet) { return std::vector<uint8_t>(packet.begin(), packet.end()); };
    auto nvme = [](NvmeQuery query) {
        uint8_t buffer[NvmeQueryBufferLength];
        uint32_t length = BuildNvmeQuery(query, buffer);
        return std::vector<uint8_t>(buffer, buffer + length);
    };
    const struct {
        EmulatedDevice device;
        uint32_t ioctl;
        std::vector<uint8_t> input;
        uint32_t delay;
    } cases[] = {
        {SmartDriver, SmartSendDriveCommandIoctl, bytes(SmartPacket(0xDA, 1)), 45000},
        {Physical(1), SmartSendDriveCommandIoctl, bytes(SmartPacket(0xDA, 0)), 45000},
        {SmartDriver, SmartSendDriveCommandIoctl, bytes(SmartPacket(0xDA, 0)), 0},
        {SmartDriver, SmartSendDriveCommandIoctl, bytes(SmartPacket(0xD8, 1)), 0},
        {SmartDriver, SmartRcvDriveDataIoctl, bytes(SmartPacket(0xD0, 1)), 0},
        {SmartDriver, SmartRcvDriveDataIoctl, bytes(IdentifyPacket(1)), 0},
        {Physical(2), StorageQueryPropertyIoctl, nvme(NvmeQuery::HealthLog), 7},
        {Physical(2), StorageQueryPropertyIoctl, nvme(NvmeQuery::IdentifyController), 0},
        {Physical(3), StoragePredictFailureIoctl, {}, 9},
        {Physical(3), DiskGetDriveGeometryIoctl, {}, 0},
    };
    for (const auto &c : cases) {
        const uint8_t *input = c.input.empty() ? nullptr : c.input.data();
        uint32_t length = static_cast<uint32_t>(c.input.size());
        EXPECT_EQ(EmulatedDelayOf(bay, c.device, c.ioctl, input, length), c.delay)
            << std::hex << c.ioctl << " drive " << int(c.device.drive);
        // A hung drive hangs the same requests.
        EXPECT_EQ(EmulatedHangOf(bay, c.device, c.ioctl, input, length), c.delay != 0)
            << std::hex << c.ioctl << " drive " << int(c.device.drive);
    }
}

TEST(EmulatedRequest, AnUnpluggedDriveIsNotFoundByAnyOpenOrRequest)
{
    EmulatedBay bay{};
    Load(bay, "drive 3\nbus usb\npresent no\n");
    for (uint32_t access : {0u, EmulatedGenericRead | EmulatedGenericWrite}) {
        EmulatedOpen open = AnswerDeviceOpen(bay, "\\\\.\\PhysicalDrive3", access);
        EXPECT_FALSE(open.ok);
        EXPECT_EQ(open.error, EmulatedErrorFileNotFound);
    }
    uint8_t output[512];
    for (uint32_t ioctl : {DiskGetDriveGeometryIoctl, StoragePredictFailureIoctl}) {
        EmulatedReply reply = AnswerDeviceControl(bay, Physical(3), ioctl, nullptr, 0, output, sizeof output);
        EXPECT_FALSE(reply.ok);
        EXPECT_EQ(reply.error, EmulatedErrorFileNotFound);
    }
}

TEST(EmulatedRequest, InputMustBeOneThirtyTwoBytePacket)
{
    EmulatedBay bay{};
    SetDefaultBay(bay);
    Packet packet = SmartPacket(0xDA, 0);
    uint8_t longer[40] = {};
    memcpy(longer, packet.data(), packet.size());
    uint8_t output[24];
    const struct {
        const uint8_t *input;
        uint32_t length;
    } cases[] = {{packet.data(), 31}, {longer, 33}, {longer, 40}, {nullptr, 32}, {packet.data(), 0}};
    for (const auto &c : cases) {
        EmulatedReply reply =
            AnswerDeviceControl(bay, SmartDriver, SmartSendDriveCommandIoctl, c.input, c.length, output, 24);
        EXPECT_FALSE(reply.ok) << c.length;
        EXPECT_EQ(reply.error, EmulatedErrorInvalidParameter) << c.length;
    }
}

TEST(EmulatedRequest, IdentifyReplyCarriesTheDrivesSectorAfterTheHeader)
{
    EmulatedBay bay{};
    Load(bay, "drive 0\ndrive 2\nmodel SECOND\n");
    uint8_t output[SmartDataReplyLength];
    Packet packet = IdentifyPacket(2);
    EmulatedReply reply = AnswerDeviceControl(bay, SmartDriver, SmartRcvDriveDataIoctl, packet.data(),
                                              SmartPacketLength, output, sizeof output);
    ASSERT_TRUE(reply.ok);
    uint8_t expected[SmartSectorLength];
    BuildIdentifySector(bay.drives[2], expected);
    EXPECT_EQ(output[0] | (output[1] << 8), 512) << "cBufferSize";
    EXPECT_EQ(memcmp(output + SmartReplyHeaderLength, expected, sizeof expected), 0);
    EXPECT_EQ(AtaField(output + SmartReplyHeaderLength, 54, 6), "SECOND");

    // Through a physical drive the handle picks the drive even when the packet says 0.
    packet = IdentifyPacket(0);
    reply = AnswerDeviceControl(bay, Physical(2), SmartRcvDriveDataIoctl, packet.data(), SmartPacketLength,
                                output, sizeof output);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(AtaField(output + SmartReplyHeaderLength, 54, 6), "SECOND");
}

TEST(EmulatedRequest, ReadDataReplyCarriesTheSmartDataSector)
{
    EmulatedBay bay{};
    Load(bay, "drive 1\noffline-status 0x04\noffline-seconds 125\noffline-capability 0x1B\n");
    uint8_t output[SmartDataReplyLength];
    Packet packet = SmartPacket(0xD0, 1);
    ASSERT_TRUE(AnswerDeviceControl(bay, SmartDriver, SmartRcvDriveDataIoctl, packet.data(), SmartPacketLength,
                                    output, sizeof output)
                    .ok);
    const uint8_t *sector = output + SmartReplyHeaderLength;
    EXPECT_EQ(sector[362], 0x04);
    EXPECT_EQ(sector[364], 125);
    EXPECT_EQ(sector[365], 0);
    EXPECT_EQ(sector[367], 0x1B);
}

TEST(EmulatedRequest, ReturnStatusReportsTheVerdictInTheCylinderRegisters)
{
    struct Case {
        const char *description;
        uint8_t cylLow;
        uint8_t cylHigh;
    };
    const Case cases[] = {{"drive 3", 0x4F, 0xC2}, {"drive 3\nstatus ok", 0x4F, 0xC2},
                          {"drive 3\nstatus exceeded", 0xF4, 0x2C}};
    for (const Case &c : cases) {
        EmulatedBay bay{};
        Load(bay, c.description);
        uint8_t output[SmartStatusReplyLength];
        Packet packet = SmartPacket(0xDA, 3);
        ASSERT_TRUE(AnswerDeviceControl(bay, SmartDriver, SmartSendDriveCommandIoctl, packet.data(),
                                        SmartPacketLength, output, sizeof output)
                        .ok);
        EXPECT_EQ(output[16], 0xDA) << c.description;
        EXPECT_EQ(output[19], c.cylLow) << c.description;
        EXPECT_EQ(output[20], c.cylHigh) << c.description;
        EXPECT_EQ(output[21], 0xB0) << c.description << ": drive/head as sent";
        EXPECT_EQ(ReadReturnStatus(true, output), c.cylLow == 0x4F ? 1 : 0) << c.description;
    }
}

TEST(EmulatedRequest, GeometryReportsTheMediaOnPhysicalDrivesOnly)
{
    struct Case {
        const char *description;
        EmulatedDevice device;
        uint32_t outputLength;
        bool ok;
        uint32_t error;
        uint32_t mediaType;
    };
    const Case cases[] = {
        {"drive 0", Physical(0, 0), 24, true, 0, FixedMediaType},
        {"drive 0\nmedia fixed", Physical(0), 24, true, 0, FixedMediaType},
        {"drive 0\nmedia removable", Physical(0, 0), 24, true, 0, RemovableMediaType},
        {"drive 0\nmedia none", Physical(0, 0), 24, false, EmulatedErrorNotReady, 0},
        {"drive 0", Physical(0, 0), 23, false, EmulatedErrorInsufficientBuffer, 0},
        {"drive 0", SmartDriver, 24, false, EmulatedErrorInvalidFunction, 0},
    };
    for (const Case &c : cases) {
        EmulatedBay bay{};
        Load(bay, std::string(c.description) + "\ncylinders 1000\nheads 15\nsectors 62\n");
        uint8_t output[DriveGeometryLength];
        memset(output, 0xEE, sizeof output);
        EmulatedReply reply =
            AnswerDeviceControl(bay, c.device, DiskGetDriveGeometryIoctl, nullptr, 0, output, c.outputLength);
        EXPECT_EQ(reply.ok, c.ok) << c.description;
        if (!c.ok) {
            EXPECT_EQ(reply.error, c.error) << c.description;
            continue;
        }
        EXPECT_EQ(reply.returned, 24u);
        EXPECT_EQ(ReadMediaType(output), c.mediaType) << c.description;
        DiskGeometry geometry;
        memcpy(&geometry, output, sizeof geometry);
        EXPECT_EQ(geometry.Cylinders, 1000);
        EXPECT_EQ(geometry.TracksPerCylinder, 15u);
        EXPECT_EQ(geometry.SectorsPerTrack, 62u);
        EXPECT_EQ(geometry.BytesPerSector, 512u);
    }
}

TEST(EmulatedRequest, GetVersionReportsTheDriveMap)
{
    struct Case {
        const char *description;
        EmulatedDevice device;
        uint32_t outputLength;
        bool ok;
        uint32_t error;
        uint8_t map;
    };
    const Case cases[] = {
        {"drive 0\ndrive 1", SmartDriver, 24, true, 0, 0x03},
        {"drive 0\ndrive 2", SmartDriver, 24, true, 0, 0x05},
        {"drive 3", SmartDriver, 24, true, 0, 0x08},
        {"", SmartDriver, 24, true, 0, 0x00},
        {"drive 0\ndrivemap 0xF0", SmartDriver, 24, true, 0, 0xF0},
        {"drive 0\ngetversion fail", SmartDriver, 24, false, EmulatedErrorInvalidFunction, 0},
        {"drive 0", SmartDriver, 23, false, EmulatedErrorInsufficientBuffer, 0},
        {"drive 0", Physical(0), 24, true, 0, 0x01},
        {"drive 0", Physical(0, 0), 24, false, EmulatedErrorAccessDenied, 0},
    };
    for (const Case &c : cases) {
        EmulatedBay bay{};
        Load(bay, c.description);
        uint8_t output[DriveMapReplyLength] = {};
        EmulatedReply reply =
            AnswerDeviceControl(bay, c.device, SmartGetVersionIoctl, nullptr, 0, output, c.outputLength);
        EXPECT_EQ(reply.ok, c.ok) << c.description;
        if (!c.ok) {
            EXPECT_EQ(reply.error, c.error) << c.description;
            continue;
        }
        EXPECT_EQ(reply.returned, 24u);
        EXPECT_EQ(output[3], c.map) << c.description;
        EXPECT_EQ(output[0], 1) << "bVersion";
    }
}

TEST(EmulatedRequest, EveryRequestTheProgramBuildsIsAnsweredInFull)
{
    const SmartOperation operations[] = {
        SmartOperation::IdentifyDrive,           SmartOperation::EnableSMART,
        SmartOperation::DisableSMART,            SmartOperation::EnableAttributeAutosave,
        SmartOperation::ReturnSMARTStatus,       SmartOperation::ExecuteOfflineImmediate,
        SmartOperation::ReadSMARTData,           SmartOperation::ReadSMARTThresholds,
    };
    EmulatedBay bay{};
    Load(bay, "drive 0\ndrive 1\ndrive 2\ndrive 3\n");
    for (SmartOperation operation : operations) {
        for (uint8_t n = 0; n < 4; ++n) {
            SmartRequest request = BuildSmartRequest(operation, n);
            uint8_t output[SmartDataReplyLength];
            EmulatedReply reply = AnswerDeviceControl(bay, SmartDriver, request.ioctl, request.packet,
                                                      SmartPacketLength, output, request.outputLength);
            EXPECT_TRUE(reply.ok) << "operation " << static_cast<int>(operation) << " drive " << int(n);
            EXPECT_EQ(reply.returned, request.outputLength) << "operation " << static_cast<int>(operation);
        }
    }
}

// ---------------------------------------------------------------------------
// Handles

TEST(EmulatedHandles, NumbersCountSuccessfulOpensAndAreNeverReused)
{
    EmulatedHandleTable table = {};
    EXPECT_EQ(AddEmulatedHandle(table, Physical(0, 0)), 1u);
    EXPECT_EQ(AddEmulatedHandle(table, Physical(1)), 2u);
    ASSERT_NE(FindEmulatedHandle(table, 2), nullptr);
    EXPECT_EQ(FindEmulatedHandle(table, 2)->drive, 1);
    EXPECT_TRUE(RemoveEmulatedHandle(table, 1));
    EXPECT_FALSE(RemoveEmulatedHandle(table, 1));
    EXPECT_EQ(FindEmulatedHandle(table, 1), nullptr);
    EXPECT_EQ(AddEmulatedHandle(table, Physical(2)), 3u);
    EXPECT_EQ(FindEmulatedHandle(table, 1), nullptr) << "a closed number stays closed";
    EXPECT_EQ(FindEmulatedHandle(table, 0), nullptr);
    EXPECT_EQ(FindEmulatedHandle(table, 4), nullptr);
    EXPECT_FALSE(RemoveEmulatedHandle(table, 0));
}

TEST(EmulatedHandles, FullTableRefusesAndFreedSlotsServeNewNumbers)
{
    EmulatedHandleTable table = {};
    for (int i = 1; i <= EmulatedHandleSlots; ++i)
        EXPECT_EQ(AddEmulatedHandle(table, SmartDriver), static_cast<uint32_t>(i));
    EXPECT_EQ(AddEmulatedHandle(table, SmartDriver), 0u);
    EXPECT_TRUE(RemoveEmulatedHandle(table, 5));
    EXPECT_EQ(AddEmulatedHandle(table, SmartDriver), static_cast<uint32_t>(EmulatedHandleSlots + 1));
}

// ---------------------------------------------------------------------------
// Request log

std::string VersionLine(bool ok, uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build)
{
    char line[RequestLogLineSize];
    FormatVersionLogLine(line, sizeof line, ok, platformId, major, minor, build);
    return line;
}

std::string OpenLine(const char *name, uint32_t access, uint32_t share, uint32_t disposition, uint32_t number)
{
    char line[RequestLogLineSize];
    FormatOpenLogLine(line, sizeof line, name, access, share, disposition, number);
    return line;
}

std::string IoctlLine(uint32_t number, uint32_t ioctl, const uint8_t *input, uint32_t inputLength,
                      uint32_t outputLength, bool ok)
{
    char line[RequestLogLineSize];
    FormatIoctlLogLine(line, sizeof line, number, ioctl, input, inputLength, outputLength, ok);
    return line;
}

std::string CloseLine(uint32_t number, bool ok)
{
    char line[RequestLogLineSize];
    FormatCloseLogLine(line, sizeof line, number, ok);
    return line;
}

std::string ErrorLine(const char *text)
{
    char line[RequestLogLineSize];
    FormatErrorLogLine(line, sizeof line, text);
    return line;
}

TEST(RequestLog, LinesFollowTheLogFormat)
{
    const Packet identify = IdentifyPacket(1);
    uint8_t counting[65];
    for (int i = 0; i < 65; ++i)
        counting[i] = static_cast<uint8_t>(i);
    const uint8_t zero[1] = {};
    const std::string cases[][2] = {
        {VersionLine(true, 2, 5, 1, 2600), "VERSION -> ok 2 5.1.2600"},
        {VersionLine(true, 1, 4, 0, 0x040003B6), "VERSION -> ok 1 4.0.67109814"},
        {VersionLine(false, 2, 5, 1, 2600), "VERSION -> FAIL"},
        {OpenLine("\\\\.\\PhysicalDrive0", 0, 3, 3, 1),
         "OPEN \\\\.\\PhysicalDrive0 access=00000000 share=00000003 disposition=3 -> H1"},
        {OpenLine("\\\\.\\PhysicalDrive1", 0xC0000000, 3, 3, 12),
         "OPEN \\\\.\\PhysicalDrive1 access=C0000000 share=00000003 disposition=3 -> H12"},
        {OpenLine("\\\\.\\SMARTVSD", 0, 0, 1, 0),
         "OPEN \\\\.\\SMARTVSD access=00000000 share=00000000 disposition=1 -> FAIL"},
        {OpenLine("bad\nname", 0, 0, 3, 0), "OPEN bad?name access=00000000 share=00000000 disposition=3 -> FAIL"},
        {OpenLine(nullptr, 0, 0, 3, 0), "OPEN (null) access=00000000 share=00000000 disposition=3 -> FAIL"},
        {IoctlLine(1, 0x70000, nullptr, 0, 24, true), "IOCTL H1 00070000 - out=24 -> ok"},
        {IoctlLine(3, 0x74080, identify.data(), 0, 24, false), "IOCTL H3 00074080 - out=24 -> FAIL"},
        {IoctlLine(2, 0x7C088, identify.data(), 32, 528, true),
         "IOCTL H2 0007C088 000200000001010000B0EC000100000000000000000000000000000000000000 out=528 -> ok"},
        {IoctlLine(0, 0x7C084, zero, 1, 16, false), "IOCTL H? 0007C084 00 out=16 -> FAIL"},
        {IoctlLine(4, 0x7C084, counting, 65, 16, false),
         "IOCTL H4 0007C084 000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"
         "202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F... out=16 -> FAIL"},
        {CloseLine(1, true), "CLOSE H1 -> ok"},
        {CloseLine(0, false), "CLOSE H? -> FAIL"},
        {ErrorLine("emulated-drives.txt line 2: unknown keyword 'modle'"),
         "ERROR emulated-drives.txt line 2: unknown keyword 'modle'"},
        {ErrorLine("two\r\nlines"), "ERROR two??lines"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c[0], c[1]);
}

}  // namespace
