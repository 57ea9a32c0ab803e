// The SMART status check and its alert dialogs, through the real program.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char SMARTErrorCaption[] = "SMART Error Detected";
const char SimulatedCaption[] = "SMART Error Detected (Simulated)";
const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";

std::string DriveDescription(const char *status)
{
    return std::string("drive 0\nmodel ABC-1234\nserial XYZ98765\nfirmware 3.10\n"
                       "cylinders 16383\nheads 16\nsectors 63\nlba 78165360\nstatus ") +
           status + "\n";
}

// RETURN STATUS requests in the log, counted per handle.
int StatusRequests(const Scenario &scenario)
{
    int count = 0;
    for (const Request &r : Filter(ParseRequests(ReadRequestLog(scenario)), "IOCTL")) {
        if (r.ioctl == 0x7C084 && r.Feature() == 0xDA)
            count++;
    }
    return count;
}

class SmartAlerts : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }

    static uint32_t StoredFlag(const char *name)
    {
        uint32_t value = 99;
        EXPECT_TRUE(ReadRegistryNumber(DriveKey, name, value)) << name;
        return value;
    }

    static void StoreAlerts(int smartError, const char *smartTime, int simulateError, const char *simulateTime,
                            int enabled = 1)
    {
        WriteRegistryFlag(DriveKey, "SMARTEnabled", enabled);
        WriteRegistryFlag(DriveKey, "SMARTError", smartError);
        WriteRegistryText(DriveKey, "SMARTErrorTime", smartTime);
        WriteRegistryFlag(DriveKey, "SimulateError", simulateError);
        WriteRegistryText(DriveKey, "SimulateErrorTime", simulateTime);
    }
};

TEST_F(SmartAlerts, ThresholdExceededOrFailedRequestRaisesStoredErrorAndOpensItsDialog)
{
    for (const char *status : {"exceeded", "fail"}) {
        SCOPED_TRACE(status);
        CleanRegistry();
        Scenario scenario = PrepareForThisTest(DriveDescription("ok").c_str());
        Program program;
        HWND command = program.StartAndWait(scenario);
        EXPECT_EQ(program.FindWindowNow(Dialog, SMARTErrorCaption), nullptr);
        EXPECT_EQ(StoredFlag("SMARTError"), 0u);

        WriteDrives(scenario, DriveDescription(status).c_str());
        ASSERT_TRUE(RunTimer(command, 1));
        HWND dialog = program.WaitForWindow(Dialog, SMARTErrorCaption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(StoredFlag("SMARTError"), 1u);
        std::string time;
        DWORD size = 0;
        ASSERT_TRUE(ReadRegistryText(DriveKey, "SMARTErrorTime", time, &size));
        EXPECT_EQ(size, 40u);
        EXPECT_FALSE(time.empty());
        EXPECT_EQ(ControlText(dialog, IDC_ERROR_TIME), time);
        EXPECT_EQ(ControlText(dialog, IDC_MODEL), "ABC-1234");
        EXPECT_EQ(ControlText(dialog, IDC_SERIAL), "XYZ98765");
        EXPECT_EQ(ControlText(dialog, IDC_FIRMWARE), "3.10");
        EXPECT_EQ(ControlText(dialog, IDC_GEOMETRY), "16383/16/63");
        EXPECT_EQ(ControlText(dialog, IDC_LBA_SECTORS), "78,165,360");
        EXPECT_EQ(ControlText(dialog, IDC_CAPACITY), "40.02GB");
        CloseProgram(program);
        // Closing leaves the error stored for the next start.
        EXPECT_EQ(StoredFlag("SMARTError"), 1u);
    }
}

TEST_F(SmartAlerts, DrivesThatMustNotBeAskedGetNoStatusRequest)
{
    // Monitoring off; SMART not supported; an error already standing.
    WriteRegistryFlag("Software\\Tessmere\\HOLMVARD\\Drives\\OFFS1", "SMARTEnabled", 0);
    WriteRegistryFlag("Software\\Tessmere\\HOLMVARD\\Drives\\OFFS1", "SMARTError", 0);
    WriteRegistryFlag("Software\\Tessmere\\HOLMVARD\\Drives\\STANDINGS3", "SMARTEnabled", 1);
    WriteRegistryFlag("Software\\Tessmere\\HOLMVARD\\Drives\\STANDINGS3", "SMARTError", 1);
    Scenario scenario = PrepareForThisTest("drive 0\nmodel OFF\nserial S1\n"
                                           "drive 1\nmodel UNSUPPORTED\nserial S2\nenable fail\n"
                                           "drive 2\nmodel STANDING\nserial S3\n"
                                           "drive 3\nmodel ASKED\nserial S4\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    int atStart = StatusRequests(scenario);
    EXPECT_EQ(atStart, 1) << "only the healthy monitored drive";
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(StatusRequests(scenario), atStart + 1);
    // The standing error's dialog is shown all the same.
    EXPECT_NE(program.FindWindowNow(Dialog, SMARTErrorCaption), nullptr);
    CloseProgram(program);
}

TEST_F(SmartAlerts, CancelOrOkWithoutTheBoxKeepsTheErrorAndTheNextCheckReopensIt)
{
    Scenario scenario = PrepareForThisTest(DriveDescription("exceeded").c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    for (int button : {IDC_ERROR_CANCEL, IDC_ERROR_OK, IDCANCEL}) {
        SCOPED_TRACE(button);
        HWND dialog = program.WaitForWindow(Dialog, SMARTErrorCaption);
        ASSERT_NE(dialog, nullptr);
        if (button == IDCANCEL)
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        else
            ClickButton(dialog, button);
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, SMARTErrorCaption));
        EXPECT_EQ(StoredFlag("SMARTError"), 1u);
        int asked = StatusRequests(scenario);
        ASSERT_TRUE(RunTimer(command, 1));
        EXPECT_EQ(StatusRequests(scenario), asked) << "a standing error is not asked about again";
    }
    ASSERT_NE(program.WaitForWindow(Dialog, SMARTErrorCaption), nullptr);
    CloseProgram(program);
}

TEST_F(SmartAlerts, AcknowledgingClearsTheErrorInMemoryAndRegistryAndARestartShowsNothing)
{
    Scenario scenario = PrepareForThisTest(DriveDescription("exceeded").c_str());
    {
        Program program;
        HWND command = program.StartAndWait(scenario);
        HWND dialog = program.WaitForWindow(Dialog, SMARTErrorCaption);
        ASSERT_NE(dialog, nullptr);
        WriteDrives(scenario, DriveDescription("ok").c_str());
        ClickButton(dialog, IDC_ACKNOWLEDGE);
        ClickButton(dialog, IDC_ERROR_OK);
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, SMARTErrorCaption));
        EXPECT_EQ(StoredFlag("SMARTError"), 0u);
        // Cleared in memory too: the drive is asked again and is healthy now.
        int asked = StatusRequests(scenario);
        ASSERT_TRUE(RunTimer(command, 1));
        EXPECT_EQ(StatusRequests(scenario), asked + 1);
        EXPECT_EQ(program.FindWindowNow(Dialog, SMARTErrorCaption), nullptr);
        CloseProgram(program);
    }
    Program restarted;
    restarted.StartAndWait(scenario);
    EXPECT_EQ(restarted.FindWindowNow(Dialog, SMARTErrorCaption), nullptr);
    CloseProgram(restarted);
}

TEST_F(SmartAlerts, KeyboardWorksInTheAlertDialog)
{
    Scenario scenario = PrepareForThisTest(DriveDescription("exceeded").c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    HWND dialog = program.WaitForWindow(Dialog, SMARTErrorCaption);
    ASSERT_NE(dialog, nullptr);
    // Esc closes without acknowledging.
    PostKey(GetDlgItem(dialog, IDC_ERROR_CANCEL), VK_ESCAPE);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SMARTErrorCaption));
    EXPECT_EQ(StoredFlag("SMARTError"), 1u);

    ASSERT_TRUE(RunTimer(command, 1));
    dialog = program.WaitForWindow(Dialog, SMARTErrorCaption);
    ASSERT_NE(dialog, nullptr);
    // Space ticks the box, Enter presses the default OK.
    HWND box = GetDlgItem(dialog, IDC_ACKNOWLEDGE);
    PostKey(box, VK_SPACE);
    PostKey(box, VK_RETURN);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SMARTErrorCaption));
    EXPECT_EQ(StoredFlag("SMARTError"), 0u);
    CloseProgram(program);
}

TEST_F(SmartAlerts, StoredErrorsOpenTheirDialogsAtStartEvenWithMonitoringOff)
{
    StoreAlerts(1, "Tuesday, January 01, 2002 09:05:03", 1, "Friday, March 01, 2002 10:00:00", 0);
    Scenario scenario = PrepareForThisTest(DriveDescription("ok").c_str());
    Program program;
    program.StartAndWait(scenario);
    HWND real = program.WaitForWindow(Dialog, SMARTErrorCaption);
    HWND simulated = program.WaitForWindow(Dialog, SimulatedCaption);
    ASSERT_NE(real, nullptr);
    ASSERT_NE(simulated, nullptr);
    EXPECT_EQ(ControlText(real, IDC_ERROR_TIME), "Tuesday, January 01, 2002 09:05:03");
    EXPECT_EQ(ControlText(simulated, IDC_SIMULATED_ERROR_TIME), "Friday, March 01, 2002 10:00:00");
    EXPECT_EQ(ControlText(simulated, IDC_MODEL), "ABC-1234");
    EXPECT_EQ(StatusRequests(scenario), 0);
    RECT a;
    RECT b;
    GetWindowRect(real, &a);
    GetWindowRect(simulated, &b);
    EXPECT_TRUE(a.left != b.left && a.top != b.top) << "one dialog hides the other";

    // Acknowledging the simulated error clears only that one.
    ClickButton(simulated, IDC_SIMULATED_ACKNOWLEDGE);
    ClickButton(simulated, IDC_SIMULATED_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SimulatedCaption));
    EXPECT_EQ(StoredFlag("SimulateError"), 0u);
    EXPECT_EQ(StoredFlag("SMARTError"), 1u);
    CloseProgram(program);
}

TEST_F(SmartAlerts, CloseDestroysOpenAlertDialogsAndLeavesTheirFlagsStored)
{
    StoreAlerts(1, "Tuesday, January 01, 2002 09:05:03", 1, "Friday, March 01, 2002 10:00:00");
    Scenario scenario = PrepareForThisTest(DriveDescription("ok").c_str());
    Program program;
    program.StartAndWait(scenario);
    ASSERT_NE(program.WaitForWindow(Dialog, SimulatedCaption), nullptr);
    CloseProgram(program);
    EXPECT_EQ(StoredFlag("SMARTError"), 1u);
    EXPECT_EQ(StoredFlag("SimulateError"), 1u);
}

}  // namespace
