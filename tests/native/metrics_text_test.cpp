#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "base/bounded_text.h"
#include "state/metrics_text.h"
#include "state/volume_table.h"

namespace {

// Two drives, one of them with every character a label must escape and bytes
// that are not UTF-8, and one volume whose label is longer than its title
// keeps and holds UTF-8 characters; the text goes through a real parser.
TEST(MetricsText, RealParserReadsEveryMetricBackWithOddLabelsEscaped)
{
    DriveRecord drives[2] = {};
    CopyText(drives[0].Model, "ODD \"Q\" \\ LINE\nNEXT \xE9");
    CopyText(drives[0].Serial, "S\"1");
    CopyText(drives[0].FirmwareRev, "1.0");
    CopyText(drives[0].Bus, "ata");
    drives[0].LbaSectors = 78165360;
    drives[0].SMARTSupported = 1;
    drives[0].SMARTEnabled = 1;
    drives[0].SMARTError = 1;
    drives[0].CautionSeenRead = true;
    drives[0].CautionSeen.value[static_cast<int>(CautionItem::ReallocatedSectors)] = 8;
    drives[0].CautionSeen.value[static_cast<int>(CautionItem::WornOut)] = 1;
    CopyText(drives[1].Model, "NVME 2");
    CopyText(drives[1].Serial, "S2");
    CopyText(drives[1].Bus, "nvme");
    drives[1].SMARTSupported = 1;
    drives[1].SimulateError = 1;
    drives[1].SMARTCaution = 1;
    VolumeRecord volume = {};
    CopyText(volume.RootPath, "P:\\");
    CopyText(volume.VolumeSerialText, "1A2B-3C4D");
    // e-acute twice, a floppy disk of four bytes, an overlong slash and a lone continuation byte.
    StoreVolumeNames(volume, "Sauvegarde \xC3\xA9t\xC3\xA9 \"2\" \xF0\x9F\x92\xBE \xC0\xAF\x80", "NTFS");
    volume.TotalBytes = 10240000000;
    volume.FreeBytes = 1300000000;
    volume.FreeSpaceMin = 15;
    volume.SpaceCheckEnabled = 1;
    volume.FreeSpaceError = 1;
    const MetricsInputs inputs = {drives, 2, &volume, 1, 3, 1700000000, 0, 14400, 28800};
    static char text[MetricsTextSize];
    size_t length = 0;
    {
        // Back to the single-byte default however the block ends.
        struct Utf8ForTest {
            Utf8ForTest() { SetTextEncoding(TextEncoding::Utf8); }
            ~Utf8ForTest() { SetTextEncoding(TextEncoding::SingleByte); }
        } utf8;
        ASSERT_TRUE(FormatMetrics(inputs, text, sizeof text, length));
    }
    EXPECT_EQ(length, strlen(text));

    std::string path = testing::TempDir() + "metrics_text_test.prom";
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(text, 1, length, file);
    fclose(file);
    std::string command = "/usr/bin/python3 " HOLMVARD_SOURCE_DIR "/tests/native/parse_metrics.py " + path + " 2>&1";
    FILE *parser = popen(command.c_str(), "r");
    ASSERT_NE(parser, nullptr);
    std::set<std::string> lines;
    std::string all;
    char line[1024];
    while (fgets(line, sizeof line, parser)) {
        lines.insert(line);
        all += line;
    }
    ASSERT_EQ(pclose(parser), 0) << all;

    const char *expected[] = {
        "holmvard_drive_info {\"bus\": \"ata\", \"drive\": \"0\", \"firmware\": \"1.0\", "
        "\"model\": \"ODD \\\"Q\\\" \\\\ LINE\\nNEXT ?\", \"serial\": \"S\\\"1\"} 1.0\n",
        "holmvard_drive_info {\"bus\": \"nvme\", \"drive\": \"1\", \"firmware\": \"\", \"model\": \"NVME 2\", "
        "\"serial\": \"S2\"} 1.0\n",
        "holmvard_drive_monitored {\"drive\": \"0\", \"serial\": \"S\\\"1\"} 1.0\n",
        "holmvard_drive_monitored {\"drive\": \"1\", \"serial\": \"S2\"} 0.0\n",
        "holmvard_drive_smart_error {\"drive\": \"0\", \"serial\": \"S\\\"1\"} 1.0\n",
        "holmvard_drive_smart_error {\"drive\": \"1\", \"serial\": \"S2\"} 0.0\n",
        "holmvard_drive_smart_error_simulated {\"drive\": \"0\", \"serial\": \"S\\\"1\"} 0.0\n",
        "holmvard_drive_smart_error_simulated {\"drive\": \"1\", \"serial\": \"S2\"} 1.0\n",
        "holmvard_drive_caution_count {\"drive\": \"0\", \"item\": \"reallocated_sectors\", \"serial\": \"S\\\"1\"} 8.0\n",
        "holmvard_drive_caution_count {\"drive\": \"0\", \"item\": \"worn_out\", \"serial\": \"S\\\"1\"} 1.0\n",
        "holmvard_drive_caution_count {\"drive\": \"0\", \"item\": \"pending_sectors\", \"serial\": \"S\\\"1\"} 0.0\n",
        "holmvard_drive_smart_caution {\"drive\": \"0\", \"serial\": \"S\\\"1\"} 0.0\n",
        "holmvard_drive_smart_caution {\"drive\": \"1\", \"serial\": \"S2\"} 1.0\n",
        "holmvard_drive_size_bytes {\"drive\": \"0\", \"serial\": \"S\\\"1\"} 40020664320.0\n",
        "holmvard_drive_size_bytes {\"drive\": \"1\", \"serial\": \"S2\"} 0.0\n",
        "holmvard_volume_info {\"label\": \"Sauvegarde \\u00e9t\\u00e9 \\\"2\\\" \\ud83d\\udcbe ???\", "
        "\"volume\": \"P:\", \"volume_serial\": \"1A2B-3C4D\"} 1.0\n",
        "holmvard_volume_free_bytes {\"volume\": \"P:\", \"volume_serial\": \"1A2B-3C4D\"} 1300000000.0\n",
        "holmvard_volume_size_bytes {\"volume\": \"P:\", \"volume_serial\": \"1A2B-3C4D\"} 10240000000.0\n",
        "holmvard_volume_free_space_minimum_ratio {\"volume\": \"P:\", \"volume_serial\": \"1A2B-3C4D\"} 0.15\n",
        "holmvard_volume_monitored {\"volume\": \"P:\", \"volume_serial\": \"1A2B-3C4D\"} 1.0\n",
        "holmvard_volume_free_space_error {\"volume\": \"P:\", \"volume_serial\": \"1A2B-3C4D\"} 1.0\n",
        "holmvard_outbox_messages {} 3.0\n",
        "holmvard_last_check_timestamp_seconds {\"check\": \"smart\"} 1700000000.0\n",
        "family holmvard_last_check_timestamp_seconds gauge\n",
        "holmvard_check_interval_seconds {\"check\": \"smart\"} 14400.0\n",
        "holmvard_check_interval_seconds {\"check\": \"free_space\"} 28800.0\n",
    };
    for (const char *sample : expected)
        EXPECT_EQ(lines.count(sample), 1u) << sample << "in:\n" << all;
    // A check that never ran has no sample, a drive whose counts were not read no counts.
    EXPECT_EQ(all.find("holmvard_last_check_timestamp_seconds {\"check\": \"free_space\"}"), std::string::npos);
    EXPECT_EQ(all.find("holmvard_drive_caution_count {\"drive\": \"1\""), std::string::npos);

    // A text that does not fit is refused, not written half.
    char small[256];
    EXPECT_FALSE(FormatMetrics(inputs, small, sizeof small, length));

    // A single-byte code page's characters past ASCII are not UTF-8.
    ASSERT_TRUE(FormatMetrics(inputs, text, sizeof text, length));
    EXPECT_NE(strstr(text, "label=\"Sauvegarde ??t?? \\\"2\\\" ???? ???\"}"), nullptr) << text;
}

// A full table of drives and 24 volumes with every text at its longest and every byte one
// that doubles when escaped still fit the text.
TEST(MetricsText, LongestTablesFit)
{
    DriveRecord drives[MaxDrives] = {};
    VolumeRecord volumes[MaxVolumes] = {};
    for (DriveRecord &drive : drives) {
        memset(drive.Model, '"', sizeof drive.Model - 1);
        memset(drive.Serial, '"', sizeof drive.Serial - 1);
        memset(drive.FirmwareRev, '"', sizeof drive.FirmwareRev - 1);
        memset(drive.Bus, '"', sizeof drive.Bus - 1);
        drive.Temperature = UINT8_MAX;
        drive.CautionSeenRead = true;
        for (uint32_t &count : drive.CautionSeen.value)
            count = UINT32_MAX;
    }
    for (VolumeRecord &volume : volumes) {
        CopyText(volume.RootPath, "C:\\");
        memset(volume.VolumeSerialText, '"', sizeof volume.VolumeSerialText - 1);
        memset(volume.FullVolumeName, '\\', sizeof volume.FullVolumeName - 1);
        volume.TotalBytes = volume.FreeBytes = UINT64_MAX;
        volume.FreeSpaceMin = UINT32_MAX;
    }
    const MetricsInputs inputs = {drives, MaxDrives, volumes, MaxVolumes, UINT32_MAX, INT64_MAX, INT64_MAX,
                                  UINT32_MAX, UINT32_MAX};
    static char text[MetricsTextSize];
    size_t length = 0;
    EXPECT_TRUE(FormatMetrics(inputs, text, sizeof text, length));
}

}  // namespace
