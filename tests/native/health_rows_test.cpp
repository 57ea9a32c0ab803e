// The Health page's rows: attribute names and raw formats, packed
// temperatures, the NVMe health log's fields, and the copied table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "drives/health_rows.h"

namespace {

TEST(HealthRows, EachRawValueReadsAsItsAttributesFormat)
{
    const struct {
        uint8_t id;
        uint8_t raw[6];
        const char *text;
    } cases[] = {
        {5, {0x08, 0, 0x07, 0, 0, 0}, "8"},                       // the high word is not the count
        {197, {0x10, 0x27, 0, 0, 0x01, 0}, "10,000"},             // low 32 bits
        {9, {0x39, 0x30, 0, 0, 0, 0}, "12,345 h"},
        {194, {41, 0, 20, 0, 50, 0}, "41 C (lowest 20, highest 50)"},
        {194, {41, 0, 0, 0, 0, 0}, "41 C"},
        {190, {41, 0, 60, 0, 70, 0}, "41 C"},                     // no range the reading lies in
        {1, {0, 0, 0, 0, 0, 1}, "1,099,511,627,776"},              // the 48-bit value
        {250, {7, 0, 0, 0, 0, 0}, "7"},
    };
    for (const auto &c : cases) {
        char text[HealthTextSize];
        FormatAttributeRaw(c.id, c.raw, text);
        EXPECT_STREQ(text, c.text) << +c.id;
    }
    EXPECT_STREQ(AttributeName(5), "Reallocated Sectors Count");
    EXPECT_STREQ(AttributeName(250), "Vendor specific");
}

TEST(HealthRows, ReadingsGiveAttributeRowsNvmeFieldsOrThePrediction)
{
    static DriveReading reading;
    reading = DriveReading{};
    reading.read = reading.dataRead = reading.thresholdsRead = true;
    const uint8_t attributes[][2] = {{5, 3}, {9, 100}, {197, 1}};
    for (int k = 0; k < 3; k++) {
        uint8_t *entry = reading.data + 2 + 12 * k;
        entry[0] = attributes[k][0];
        entry[3] = 100;
        entry[4] = 99;
        entry[5] = attributes[k][1];
    }
    reading.thresholds[2] = 5;
    reading.thresholds[3] = 36;
    HealthRow rows[MostHealthRows];
    ASSERT_EQ(BuildHealthRows(reading, rows), 3);
    EXPECT_STREQ(rows[0].threshold, "36");
    EXPECT_STREQ(rows[1].threshold, "") << "no threshold entry";
    EXPECT_EQ(rows[0].watchedItem, static_cast<int>(CautionItem::ReallocatedSectors));
    EXPECT_EQ(rows[1].watchedItem, -1);
    EXPECT_EQ(rows[2].watchedItem, static_cast<int>(CautionItem::PendingSectors));

    DriveRecord drive = {};
    strcpy(drive.Model, "ABC-1234");
    strcpy(drive.Serial, "XYZ");
    static char table[HealthTableTextSize];
    FormatHealthTable(drive, reading, "then", table);
    EXPECT_NE(std::string(table).find("\r\n5\tReallocated Sectors Count\t100\t99\t36\t3\r\n"), std::string::npos)
        << table;

    reading = DriveReading{};
    reading.read = reading.healthLogRead = true;
    reading.healthLog[0] = 0x05;
    WriteLittleEndian16(reading.healthLog + 1, 273 + 38);
    reading.healthLog[5] = 7;
    WriteLittleEndian64(reading.healthLog + 48, 2000);   // a thousand 512-byte blocks each
    WriteLittleEndian64(reading.healthLog + 160, 4);
    int count = BuildHealthRows(reading, rows);
    std::string all;
    for (int i = 0; i < count; i++)
        all += std::string(rows[i].name) + "=" + rows[i].value + ";";
    for (const char *field : {"Critical Warning=0x05, spare below threshold, reliability degraded;",
                              "Composite Temperature=38 C;", "Percentage Used=7%;", "Data Units Written=1.02GB;",
                              "Media and Data Integrity Errors=4;"})
        EXPECT_NE(all.find(field), std::string::npos) << field << " in " << all;

    reading = DriveReading{};
    reading.read = reading.predictionRead = reading.predicts = true;
    reading.temperature = 44;
    ASSERT_EQ(BuildHealthRows(reading, rows), 2);
    EXPECT_STREQ(rows[0].value, "yes");
    EXPECT_STREQ(rows[1].value, "44 C");
    reading.read = false;
    EXPECT_EQ(BuildHealthRows(reading, rows), 0) << "nothing read, nothing shown";
}

}  // namespace
