// Settings created and read back by the real program, and the SMART state each
// drive is put into at start-up.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"

namespace {

using namespace e2e;

const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
const char OneDrive[] = "drive 0\nmodel ABC-1234\nserial XYZ98765\n";

class Settings : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }

    // One run from start to Close; returns the requests it sent.
    std::vector<Request> RunOnce(const Scenario &scenario)
    {
        DeleteFileA((scenario.folder + "\\emulated-requests.log").c_str());
        Program program;
        EXPECT_NE(program.StartAndWait(scenario), nullptr);
        CloseProgram(program);
        return ParseRequests(ReadRequestLog(scenario));
    }
};

// The SMART state commands sent (enable, autosave, disable), as "handle:feature@drive number".
std::vector<std::string> SmartCommands(const std::vector<Request> &requests)
{
    std::vector<std::string> sent;
    for (const Request &r : Filter(requests, "IOCTL")) {
        if (r.ioctl != 0x7C084 || (r.Feature() != 0xD8 && r.Feature() != 0xD2 && r.Feature() != 0xD9))
            continue;
        char text[32];
        snprintf(text, sizeof text, "%02X@%d", r.Feature(), r.DriveNumber());
        sent.push_back(r.handle + ":" + text);
    }
    return sent;
}

TEST_F(Settings, FirstRunCreatesDefaultsUnderTheDrivesModelAndSerial)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    RunOnce(scenario);

    uint32_t value = 99;
    DWORD type = 0;
    ASSERT_TRUE(ReadRegistryNumber(DriveKey, "SMARTEnabled", value, &type));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", value));
    EXPECT_EQ(value, 0u);
    std::string text;
    EXPECT_FALSE(ReadRegistryText(DriveKey, "SMARTErrorTime", text));

    ASSERT_TRUE(ReadRegistryNumber(GlobalKey, "SMARTPollingPeriod", value, &type));
    EXPECT_EQ(value, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    DWORD size = 0;
    ASSERT_TRUE(ReadRegistryText(GlobalKey, "ErrorLogFilePath", text, &size));
    EXPECT_EQ(size, 256u);
    // Beside the program, whatever the program file is called.
    EXPECT_EQ(text, scenario.folder + "\\ErrorLog.txt");
    ASSERT_TRUE(ReadRegistryText(GlobalKey, "EmailServer", text));
    EXPECT_EQ(text, "mail.example.com");

    // Wine's C: is a fixed volume with a readable serial number.
    std::vector<std::string> volumes = RegistrySubkeys("Software\\Tessmere\\HOLMVARD\\Volumes");
    ASSERT_FALSE(volumes.empty());
    std::string volumeKey = "Software\\Tessmere\\HOLMVARD\\Volumes\\" + volumes[0];
    ASSERT_TRUE(ReadRegistryNumber(volumeKey.c_str(), "FreeSpaceMin", value, &type));
    EXPECT_EQ(value, 15u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(Settings, StoredSmartEnabledSendsEnableThenAutosaveToEachDriveInTurn)
{
    Scenario scenario = PrepareForThisTest("drive 0\nmodel FIRST\ndrive 1\nmodel SECOND\n");
    std::vector<Request> requests = RunOnce(scenario);
    EXPECT_EQ(SmartCommands(requests), (std::vector<std::string>{"H2:D8@0", "H2:D2@0", "H4:D8@0", "H4:D2@0"}));
}

TEST_F(Settings, Windows9xRecordsKeepTheirDriveNumbersOnTheSharedHandle)
{
    Scenario scenario = PrepareForThisTest("version 1 4 10 1998\ndrivemap 0x05\n"
                                           "drive 0\nmodel FIRST\ndrive 2\nmodel THIRD\n");
    std::vector<Request> requests = RunOnce(scenario);
    EXPECT_EQ(SmartCommands(requests), (std::vector<std::string>{"H1:D8@0", "H1:D2@0", "H1:D8@2", "H1:D2@2"}));
}

TEST_F(Settings, RefusedAutosaveKeepsTheStoredSettingSoTheNextStartTriesAgain)
{
    Scenario scenario = PrepareForThisTest("drive 0\nmodel ABC-1234\nserial XYZ98765\nautosave fail\n");
    for (int run = 0; run < 2; run++) {
        SCOPED_TRACE(run);
        std::vector<Request> requests = RunOnce(scenario);
        EXPECT_EQ(SmartCommands(requests), (std::vector<std::string>{"H2:D8@0", "H2:D2@0"}));
        uint32_t value = 0;
        ASSERT_TRUE(ReadRegistryNumber(DriveKey, "SMARTEnabled", value));
        EXPECT_EQ(value, 1u);
    }
}

TEST_F(Settings, StoredZeroSendsDisableOnly)
{
    WriteRegistryFlag(DriveKey, "SMARTEnabled", 0);
    WriteRegistryFlag(DriveKey, "SMARTError", 0);
    WriteRegistryFlag(DriveKey, "SimulateError", 0);
    Scenario scenario = PrepareForThisTest(OneDrive);
    std::vector<Request> requests = RunOnce(scenario);
    EXPECT_EQ(SmartCommands(requests), (std::vector<std::string>{"H2:D9@0"}));
    uint32_t value = 99;
    ASSERT_TRUE(ReadRegistryNumber(DriveKey, "SMARTEnabled", value));
    EXPECT_EQ(value, 0u);
}

TEST_F(Settings, SecondRunReadsTheStoredValuesBackWithoutWritingThem)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    RunOnce(scenario);
    WriteRegistryText(GlobalKey, "ErrorLogFilePath", "C:\\elsewhere\\log.txt");
    WriteRegistryText(GlobalKey, "EmailFrom", "me@example.org");
    RunOnce(scenario);
    std::string text;
    DWORD size = 0;
    ASSERT_TRUE(ReadRegistryText(GlobalKey, "ErrorLogFilePath", text, &size));
    EXPECT_EQ(text, "C:\\elsewhere\\log.txt");
    EXPECT_NE(size, 256u) << "loading must not write the value back";
    ASSERT_TRUE(ReadRegistryText(GlobalKey, "EmailFrom", text));
    EXPECT_EQ(text, "me@example.org");
}

}  // namespace
