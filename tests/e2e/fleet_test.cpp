// The Event Log reports and the metrics file, through the real program.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char SourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\HOLMVARD";
const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
// Wine's ReportEventW writes its arguments (type, category, id) on the advapi
// channel and the string on the eventlog channel: err, warn or trace by type.
const char EventChannels[] = "-all,+eventlog,fixme+advapi";

// Waits until the folder holds a file matching pattern; false when it never does.
bool WaitForFileIn(const std::string &folder, const char *pattern)
{
    for (int i = 0; i < 200; i++) {
        if (!FilesIn(folder, pattern).empty())
            return true;
        Sleep(100);
    }
    ADD_FAILURE() << folder << " never held " << pattern;
    return false;
}

TEST(Fleet, FailingDriveReportsRaiseAndAcknowledgementAndItsMetricsShowTheErrorThenItsClearingDespiteAReader)
{
    CleanRegistry();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, SourceKey);
    Scenario scenario = PrepareForThisTest(FailingDrive);
    LogInScenarioFolder(scenario);
    std::string metrics = scenario.folder + "\\holmvard.prom";
    WriteRegistryText(GlobalKey, "MetricsFile", metrics.c_str());
    WriteRegistryFlag(GlobalKey, "SMARTPollingPeriod", 7);   // every 8 hours
    std::string stderrFile = scenario.folder + "\\stderr.txt";

    Program program;
    ASSERT_NE(program.StartAndWait(scenario, EventChannels), nullptr);
    std::string messageFile;
    uint32_t types = 0;
    ASSERT_TRUE(ReadRegistryText(SourceKey, "EventMessageFile", messageFile));
    EXPECT_EQ(_stricmp(messageFile.c_str(), scenario.executable.c_str()), 0) << messageFile;
    ASSERT_TRUE(ReadRegistryNumber(SourceKey, "TypesSupported", types));
    EXPECT_EQ(types, 7u);

    // The start-up check raises the error: an error event 1001 whose string is
    // the log record without its closing empty line.
    HWND dialog = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(dialog, nullptr);
    std::string raised;
    ASSERT_TRUE(ReadRegistryText(DriveKey, "SMARTErrorTime", raised));
    EXPECT_TRUE(WaitForFileText(stderrFile, ",0x0001,0x0000,0x000003e9,"));
    EXPECT_TRUE(WaitForFileText(stderrFile, "err:eventlog:ReportEventW L\"SMART error condition detected\\r\\n"
                                            "Model number: ABC-1234\\r\\nSerial number: XYZ98765\\r\\n"
                                            "Drive size: 40.02GB\\r\\nOccurred on: " + raised + "\"\n"));
    EXPECT_TRUE(WaitForFileText(metrics, "holmvard_drive_smart_error{drive=\"0\",serial=\"XYZ98765\"} 1\n"));
    std::string text = ReadWholeFile(metrics);
    EXPECT_NE(text.find("holmvard_drive_info{drive=\"0\",model=\"ABC-1234\",serial=\"XYZ98765\","),
              std::string::npos);
    EXPECT_NE(text.find("holmvard_volume_free_space_error{volume=\"P:\",volume_serial=\"1A2B-3C4D\"} 0\n"),
              std::string::npos);
    EXPECT_NE(text.find("holmvard_last_check_timestamp_seconds{check=\"smart\"} "), std::string::npos);
    EXPECT_NE(text.find("holmvard_check_interval_seconds{check=\"smart\"} 28800\n"), std::string::npos);

    // Acknowledged while a reader holds the file open, as the exporter does
    // while it reads: the new text waits beside it until the reader lets go.
    HANDLE reader = CreateFileA(metrics.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ClickButton(dialog, IDC_ACKNOWLEDGE);
    ClickButton(dialog, IDC_ERROR_OK);
    EXPECT_TRUE(WaitForFileIn(scenario.folder, "*.tmp"));
    CloseHandle(reader);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "SMART Error Detected"));
    EXPECT_TRUE(WaitForFileText(stderrFile, ",0x0004,0x0000,0x000003ea,"));
    EXPECT_TRUE(WaitForFileText(stderrFile, "trace:eventlog:ReportEventW L\"SMART error condition acknowledged\\r\\n"
                                            "Model number: ABC-1234\\r\\n"));
    EXPECT_TRUE(WaitForFileText(metrics, "holmvard_drive_smart_error{drive=\"0\",serial=\"XYZ98765\"} 0\n"));
    // Renamed over, never left half written beside it.
    EXPECT_TRUE(FilesIn(scenario.folder, "*.tmp").empty());
    CloseProgram(program);
}

}  // namespace
