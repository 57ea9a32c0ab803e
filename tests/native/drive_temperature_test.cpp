// Drive temperatures: each source's reading, each drive's limit, and which
// runs of readings raise the alert.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "drives/drive_temperature.h"

namespace {

TEST(DriveTemperature, EachSourceGivesDegreesOrNoReading)
{
    // A data sector with the given attributes' raw byte 0.
    auto sector = [](std::vector<std::pair<uint8_t, uint8_t>> attributes) {
        std::vector<uint8_t> s(512, 0);
        for (size_t k = 0; k < attributes.size(); k++) {
            s[2 + 12 * k] = attributes[k].first;
            s[2 + 12 * k + 5] = attributes[k].second;
        }
        return s;
    };
    const struct {
        const char *name;
        std::vector<uint8_t> data;
        uint8_t reading;
    } ata[] = {
        {"194", sector({{9, 80}, {194, 41}}), 41},
        {"194 before 190", sector({{190, 59}, {194, 41}}), 41},
        {"190 alone", sector({{190, 59}}), 59},
        {"neither", sector({{9, 80}}), 0},
        {"zero", sector({{194, 0}}), 0},
        {"beyond 127", sector({{194, 128}}), 0},
        {"127", sector({{194, 127}}), 127},
    };
    for (const auto &c : ata)
        EXPECT_EQ(ReadAtaTemperature(c.data.data()), c.reading) << c.name;

    uint8_t log[512] = {};
    WriteLittleEndian16(log + 1, 273 + 45);
    EXPECT_EQ(ReadNvmeTemperature(log), 45);
    WriteLittleEndian16(log + 1, 0);
    EXPECT_EQ(ReadNvmeTemperature(log), 0) << "not reported";
    WriteLittleEndian16(log + 1, 200);
    EXPECT_EQ(ReadNvmeTemperature(log), 0) << "below freezing is no reading";
    uint8_t identify[4096] = {};
    WriteLittleEndian16(identify + 266, 273 + 70);
    WriteLittleEndian16(identify + 268, 273 + 80);
    uint8_t warning = 0, critical = 0;
    ReadNvmeTemperatureThresholds(identify, warning, critical);
    EXPECT_EQ(warning, 70);
    EXPECT_EQ(critical, 80);

    uint8_t reply[TemperatureDescriptorLength] = {};
    uint8_t temperature = 1;
    EXPECT_FALSE(ReadTemperatureDescriptor(reply, sizeof reply, temperature, warning)) << "no sensor";
    WriteLittleEndian16(reply + 10, 65);
    WriteLittleEndian16(reply + 12, 1);
    WriteLittleEndian16(reply + 26, 38);
    EXPECT_TRUE(ReadTemperatureDescriptor(reply, sizeof reply, temperature, warning));
    EXPECT_EQ(temperature, 38);
    EXPECT_EQ(warning, 65);
    EXPECT_FALSE(ReadTemperatureDescriptor(reply, 39, temperature, warning)) << "cut before the first sensor";
    WriteLittleEndian16(reply + 26, static_cast<uint16_t>(-5));
    EXPECT_TRUE(ReadTemperatureDescriptor(reply, sizeof reply, temperature, warning));
    EXPECT_EQ(temperature, 0);
}

TEST(DriveTemperature, TheLimitIsTheSettingElseTheDrivesOwnElseItsKinds)
{
    const struct {
        uint32_t setting;
        uint8_t warning;
        bool solidState;
        uint8_t limit;
    } cases[] = {
        {0, 0, false, DiskTemperatureLimit},  {0, 0, true, SolidStateTemperatureLimit},
        {0, 80, true, 80},                    {0, 48, false, 48},
        {62, 80, true, 62},                   {TemperatureNeverAlerted, 80, true, 0},
        {1000, 0, false, 0},
    };
    for (const auto &c : cases) {
        DriveRecord drive = {};
        drive.TemperatureLimit = c.setting;
        drive.TemperatureWarning = c.warning;
        drive.SolidState = c.solidState;
        EXPECT_EQ(TemperatureLimitOf(drive), c.limit) << c.setting << " " << +c.warning << " " << c.solidState;
    }
}

TEST(DriveTemperature, TwoHotChecksInARowRaiseAndOnlyACoolReadingRearms)
{
    // Against a limit of 60.
    const struct {
        const char *name;
        std::vector<int> readings;   // -1 acknowledges
        std::vector<bool> raised;    // after each reading
    } cases[] = {
        {"below", {59, 59, 59}, {false, false, false}},
        {"at, twice", {60, 60}, {false, true}},
        {"one hot, then cool", {65, 50, 65}, {false, false, false}},
        {"a check without a reading keeps the run", {65, 0, 65}, {false, false, true}},
        {"hovering at the limit raises once", {60, 60, -1, 59, 60, 60}, {false, true, false, false, false, false}},
        {"re-armed 5 below", {60, 60, -1, 55, 60, 60}, {false, true, false, false, false, true}},
        {"4 below is not cool", {60, 60, -1, 56, 60, 60}, {false, true, false, false, false, false}},
        {"standing, never raised twice", {60, 60, 50, 60, 60}, {false, true, false, false, false}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DriveRecord drive = {};
        drive.TemperatureLimit = 60;
        for (size_t i = 0; i < c.readings.size(); i++) {
            if (c.readings[i] < 0) {
                drive.TemperatureAlert = 0;
                EXPECT_FALSE(c.raised[i]);
                continue;
            }
            EXPECT_EQ(TakeTemperature(drive, static_cast<uint8_t>(c.readings[i])), c.raised[i]) << i;
        }
    }
    // Not alerted at all, however hot; and the highest reading follows a standing alert.
    DriveRecord drive = {};
    drive.TemperatureLimit = TemperatureNeverAlerted;
    EXPECT_FALSE(TakeTemperature(drive, 99) || TakeTemperature(drive, 99));
    EXPECT_EQ(drive.Temperature, 99);
    drive.TemperatureLimit = 60;
    TakeTemperature(drive, 61);
    TakeTemperature(drive, 64);
    TakeTemperature(drive, 62);
    EXPECT_EQ(drive.TemperatureHighest, 64);
}

}  // namespace
