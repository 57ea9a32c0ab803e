#include <gtest/gtest.h>

#include <cstring>

#include "drives/identify_decoding.h"

namespace {

constexpr size_t SectorLength = 512;

void PutWord(uint8_t *sector, size_t word, uint16_t value)
{
    sector[2 * word] = static_cast<uint8_t>(value);
    sector[2 * word + 1] = static_cast<uint8_t>(value >> 8);
}

void PutRaw(uint8_t *sector, size_t offset, const char *raw, size_t length)
{
    memcpy(sector + offset, raw, length);
}

// An IDENTIFY sector as a fixed disk returns it: strings in ATA byte order.
void FillIdentifySector(uint8_t *sector, uint16_t config)
{
    memset(sector, 0, SectorLength);
    PutWord(sector, 0, config);
    PutWord(sector, 1, 16383);
    PutWord(sector, 3, 16);
    PutWord(sector, 6, 63);
    PutRaw(sector, 20, "      1X2Y3Z        ", 20);
    PutRaw(sector, 46, ".3AA E  ", 8);
    PutRaw(sector, 54, "  TS2300                                ", 40);
    // 1 048 576 sectors in words 60 and 61.
    sector[120] = 0x00;
    sector[121] = 0x00;
    sector[122] = 0x10;
    sector[123] = 0x00;
}

struct ConfigCase {
    uint16_t config;
    bool accepted;
};

TEST(IdentifyDecoding, RefusesOnlyRemovableNonFixedNonAtaConfiguration)
{
    const ConfigCase cases[] = {
        {0x8580, false},
        {0x8080, false},
        {0x85C0, true},
        {0x0040, true},
        {0x0080, true},
        {0x8000, true},
        {0x80C0, true},
        {0x0000, true},
    };
    for (const ConfigCase &c : cases) {
        uint8_t sector[SectorLength];
        FillIdentifySector(sector, c.config);
        DriveRecord record = {};
        EXPECT_EQ(DecodeIdentifyData(sector, record), c.accepted) << std::hex << c.config;
    }
}

TEST(IdentifyDecoding, RefusesAllZeroSector)
{
    uint8_t sector[SectorLength] = {};
    DriveRecord record = {};
    EXPECT_FALSE(DecodeIdentifyData(sector, record));
}

TEST(IdentifyDecoding, RefusalLeavesRecordUntouched)
{
    DriveRecord before;
    memset(&before, 0x5A, sizeof before);

    uint8_t zeroSector[SectorLength] = {};
    DriveRecord record = before;
    EXPECT_FALSE(DecodeIdentifyData(zeroSector, record));
    EXPECT_EQ(memcmp(&record, &before, sizeof record), 0);

    uint8_t removableSector[SectorLength];
    FillIdentifySector(removableSector, 0x8580);
    EXPECT_FALSE(DecodeIdentifyData(removableSector, record));
    EXPECT_EQ(memcmp(&record, &before, sizeof record), 0);
}

TEST(IdentifyDecoding, AcceptedSectorFillsIdentityAndGeometry)
{
    uint8_t sector[SectorLength];
    FillIdentifySector(sector, 0x0040);
    DriveRecord record = {};

    ASSERT_TRUE(DecodeIdentifyData(sector, record));

    EXPECT_STREQ(record.Model, "ST3200");
    EXPECT_STREQ(record.Serial, "X1Y2Z3");
    EXPECT_STREQ(record.FirmwareRev, "3.AAE");
    EXPECT_EQ(record.Cylinders, 16383);
    EXPECT_EQ(record.Heads, 16);
    EXPECT_EQ(record.SectorsPerTrack, 63);
    EXPECT_EQ(record.LbaSectors, 1048576u);
    EXPECT_EQ(uint64_t{record.LbaSectors} * 512, 536870912u);
}

TEST(IdentifyDecoding, DrivesWith48BitAddressingGiveTheirWholeSize)
{
    const struct {
        uint16_t word83;
        uint64_t wide;   // words 100 to 103
        uint64_t sectors;
    } cases[] = {
        {0x4400, 3907029168u, 3907029168u},         // a 2 TB drive
        {0x4400, 0x0000123456789ABCu, 0x0000123456789ABCu},
        {0x4000, 3907029168u, 1048576u},            // no 48-bit addressing
        {0x0400, 3907029168u, 1048576u},            // word 83 not filled in
        {0xC400, 3907029168u, 1048576u},
        {0x4400, 0, 1048576u},                      // announced but empty
    };
    for (const auto &c : cases) {
        uint8_t sector[SectorLength];
        FillIdentifySector(sector, 0x0040);
        PutWord(sector, 83, c.word83);
        for (size_t w = 0; w < 4; w++)
            PutWord(sector, 100 + w, static_cast<uint16_t>(c.wide >> (16 * w)));
        DriveRecord record = {};
        ASSERT_TRUE(DecodeIdentifyData(sector, record));
        EXPECT_EQ(record.LbaSectors, c.sectors) << std::hex << c.word83;
    }
}

TEST(IdentifyDecoding, LbaSectorsReadLowWordFirst)
{
    uint8_t sector[SectorLength];
    FillIdentifySector(sector, 0x0040);
    sector[120] = 0x04;
    sector[121] = 0x03;
    sector[122] = 0x02;
    sector[123] = 0x01;
    DriveRecord record = {};

    ASSERT_TRUE(DecodeIdentifyData(sector, record));

    EXPECT_EQ(record.LbaSectors, 0x01020304u);
}

TEST(IdentifyDecoding, FullWidthModelKeepsAllFortyCharacters)
{
    uint8_t sector[SectorLength];
    FillIdentifySector(sector, 0x0040);
    PutRaw(sector, 54, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd", 40);
    DriveRecord record = {};

    ASSERT_TRUE(DecodeIdentifyData(sector, record));

    EXPECT_STREQ(record.Model, "BADCFEHGJILKNMPORQTSVUXWZY1032547698badc");
    EXPECT_STREQ(record.Serial, "X1Y2Z3");
}

TEST(IdentifyDecoding, DecodingForDiscoveryFillsTheRecordAtCurrentDrive)
{
    DriveRecord savedDrives[MaxDrives];
    memcpy(savedDrives, Drives, sizeof Drives);
    uint8_t savedCurrent = CurrentDrive;
    memset(Drives, 0, sizeof Drives);

    uint8_t sector[SectorLength];
    FillIdentifySector(sector, 0x0040);
    CurrentDrive = 2;
    bool accepted = DecodeIdentifyData(sector);

    EXPECT_TRUE(accepted);
    EXPECT_STREQ(Drives[2].Model, "ST3200");
    EXPECT_EQ(Drives[2].LbaSectors, 1048576u);
    EXPECT_STREQ(Drives[1].Model, "");
    EXPECT_STREQ(Drives[3].Model, "");
    EXPECT_EQ(CurrentDrive, 2);

    memcpy(Drives, savedDrives, sizeof Drives);
    CurrentDrive = savedCurrent;
}

struct CopyCase {
    const char *name;
    const char *raw;
    uint16_t length;
    const char *text;
};

TEST(IdentifyDecoding, CopyAtaStringSwapsPairsThenTrimsOnlyOuterSpaces)
{
    const CopyCase cases[] = {
        {"padded model", "  TS2300  ", 10, "ST3200"},
        {"only spaces", "          ", 10, ""},
        {"interior spaces kept", "  BA  DC  ", 10, "AB  CD"},
        {"pairs swapped before trimming", "TS23", 4, "ST32"},
        {"NUL ends the text early", "BAC\0 D  ", 8, "AB"},
        {"full field, nothing trimmed", "12345678", 8, "21436587"},
        {"odd length keeps its last byte", "BAC", 3, "ABC"},
    };
    for (const CopyCase &c : cases) {
        char source[48];
        memcpy(source, c.raw, c.length);
        char destination[48];
        memset(destination, 'x', sizeof destination);

        CopyAtaString(destination, source, c.length);

        EXPECT_STREQ(destination, c.text) << c.name;
        for (size_t i = strlen(destination); i <= c.length; ++i)
            EXPECT_EQ(destination[i], '\0') << c.name << ", byte " << i;
        EXPECT_EQ(destination[c.length + 1], 'x') << c.name << ": wrote past length + 1";
    }
}

TEST(IdentifyDecoding, CopyAtaStringLeavesSourceSwapped)
{
    char source[] = "  TS2300  ";
    char destination[11];

    CopyAtaString(destination, source, 10);

    EXPECT_EQ(memcmp(source, "  ST3200  ", 10), 0);
}

struct SwapCase {
    const char *name;
    const char *before;
    uint16_t length;
    const char *after;
};

TEST(IdentifyDecoding, SwapAtaStringNeverTouchesTheBytePastTheField)
{
    // The byte after each field is a guard that must come through unchanged.
    const SwapCase cases[] = {
        {"even length", "BADC!", 4, "ABCD!"},
        {"odd length", "BADCE!", 5, "ABCDE!"},
        {"length one", "X!", 1, "X!"},
        {"length zero", "!Y", 0, "!Y"},
    };
    for (const SwapCase &c : cases) {
        char text[16] = {};
        memcpy(text, c.before, strlen(c.before));

        SwapAtaString(text, c.length);

        EXPECT_STREQ(text, c.after) << c.name;
    }
}

}  // namespace
