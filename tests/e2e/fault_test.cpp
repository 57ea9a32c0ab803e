// Parts failing under the running program: drives that stop answering, a
// description that breaks or vanishes, the settings key deleted. Each run ends
// with every raised alert stored, every log record whole, and the tray answering.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"

#include <commctrl.h>

#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
const char Healthy[] = "drive 0\nmodel ABC-1234\nserial XYZ98765\n";

// The program still serves its tray: a right click opens the menu, Esc closes it.
void ExpectTrayAnswers(Program &program, HWND command)
{
    PostMessageA(command, 0x8064, 102, WM_RBUTTONUP);
    HWND menu = program.WaitForWindow("#32768", nullptr, 5000);
    EXPECT_NE(menu, nullptr) << "the tray no longer answers";
    PostKey(command, VK_ESCAPE);
    program.WaitForWindowGone("#32768", nullptr, 5000);
}

int Records(const std::string &log)
{
    int count = 0;
    for (size_t at = log.find("\r\n\r\n"); at != std::string::npos; at = log.find("\r\n\r\n", at + 4))
        count++;
    return count;
}

class Faults : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }
};

TEST_F(Faults, ADriveThatStopsAnsweringOrABrokenBayRaisesAStoredAndLoggedError)
{
    const struct {
        const char *name;
        const char *description;   // what the emulator says after start-up
    } faults[] = {
        {"status request fails", "drive 0\nmodel ABC-1234\nserial XYZ98765\nstatus fail\n"},
        {"description broken", "drive 0\nmodle ABC-1234\n"},
        {"description empty", "version 2 5 1 2600\n"},
    };
    for (const auto &fault : faults) {
        SCOPED_TRACE(fault.name);
        CleanRegistry();
        Scenario scenario = PrepareForThisTest(Healthy);
        LogInScenarioFolder(scenario);
        Program program;
        HWND command = program.StartAndWait(scenario);
        ASSERT_NE(command, nullptr);
        WriteDrives(scenario, fault.description);
        ASSERT_TRUE(RunTimer(command, 1));
        ASSERT_TRUE(RunTimer(command, 2));
        // A drive that cannot say it is healthy counts as failing.
        HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected");
        ASSERT_NE(alert, nullptr);
        uint32_t flag = 0;
        EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag) && flag == 1);
        std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
        EXPECT_EQ(log.rfind("SMART error condition detected\r\n", 0), 0u);
        EXPECT_EQ(Records(log), 1);
        ExpectTrayAnswers(program, command);
        // The drive answering again changes nothing until the user acknowledges.
        WriteDrives(scenario, Healthy);
        ASSERT_TRUE(RunTimer(command, 1));
        EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag) && flag == 1);
        CloseProgram(program);
    }
}

TEST_F(Faults, SettingsKeyDeletedWhileRunningIsWrittenAgainByTheNextAlert)
{
    Scenario scenario = PrepareForThisTest(Healthy);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tessmere"), ERROR_SUCCESS);

    WriteDrives(scenario, "drive 0\nmodel ABC-1234\nserial XYZ98765\nstatus exceeded\n");
    ASSERT_TRUE(RunTimer(command, 1));
    HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(alert, nullptr);
    uint32_t flag = 0;
    std::string time;
    DWORD size = 0;
    EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag) && flag == 1);
    EXPECT_TRUE(ReadRegistryText(DriveKey, "SMARTErrorTime", time, &size) && size == 40);
    // The log path stays what start-up read: the record is in the program's folder.
    EXPECT_EQ(Records(ReadWholeFile(scenario.folder + "\\ErrorLog.txt")), 1);
    ClickButton(alert, IDC_ACKNOWLEDGE);
    ClickButton(alert, IDC_ERROR_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "SMART Error Detected"));
    EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag) && flag == 0);
    EXPECT_EQ(Records(ReadWholeFile(scenario.folder + "\\ErrorLog.txt")), 2);
    ExpectTrayAnswers(program, command);
    CloseProgram(program);
}

}  // namespace

namespace {

// A read-only log cannot be tried here: Wine running as root writes it all the same.
TEST_F(Faults, ALogWhoseFolderIsRemovedIsReportedAtEachRecordAndTheAlertsGoOn)
{
    {
        Scenario scenario = PrepareForThisTest("drive 0\nmodel ABC-1234\nserial XYZ98765\nstatus exceeded\n");
        std::string folder = scenario.folder + "\\logs";
        std::string path = folder + "\\ErrorLog.txt";
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteRegistryText("Software\\Tessmere\\HOLMVARD\\Global", "ErrorLogFilePath", path.c_str());
        Program program;
        ASSERT_TRUE(program.Start(scenario));
        HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected");
        ASSERT_NE(alert, nullptr);
        HWND command = program.WaitForCommandWindow();
        std::string before = ReadWholeFile(path);
        EXPECT_EQ(Records(before), 1);
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
        // The acknowledgement, and the error raised again by the next check, each find the log unwritable.
        ClickButton(alert, IDC_ACKNOWLEDGE);
        ClickButton(alert, IDC_ERROR_OK);
        for (int record = 0; record < 2; record++) {
            HWND box = program.WaitForWindow(Dialog, "Log File Write Error");
            ASSERT_NE(box, nullptr) << record;
            EXPECT_EQ(MessageBoxText(box), "Error opening log file");
            DismissMessageBox(box);
            ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Log File Write Error"));
            if (record == 0) {
                PostMessageA(command, WM_TIMER, 1, 0);
            }
        }
        ASSERT_NE(program.WaitForWindow(Dialog, "SMART Error Detected"), nullptr);
        uint32_t flag = 0;
        EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag) && flag == 1) << "raised again and stored";
        EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "no folder is created";
        ExpectTrayAnswers(program, command);
        CloseProgram(program);
    }
    {
        // A free-space acknowledgement meets the missing log: a check ticking while
        // its box is up finds the new minimum and raises nothing again.
        CleanRegistry();
        Scenario scenario = PrepareForThisTest("drive 0\nvolume P total 10240000000 free 1300000000\n");
        std::string folder = scenario.folder + "\\logs";
        std::string path = folder + "\\ErrorLog.txt";
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteRegistryText(GlobalKey, "ErrorLogFilePath", path.c_str());
        Program program;
        HWND command = program.StartAndWait(scenario);
        ASSERT_NE(command, nullptr);
        HWND dialog = program.WaitForWindow(Dialog, "Free Space Error Detected");
        ASSERT_NE(dialog, nullptr);
        uint32_t proposed = static_cast<uint32_t>(SendMessageA(GetDlgItem(dialog, IDC_NEW_MINIMUM), TBM_GETPOS, 0, 0));
        DeleteFileA(path.c_str());
        // The drives' history beside the log goes with its folder.
        for (const std::string &file : FilesIn(folder + "\\History", "*.csv"))
            DeleteFileA((folder + "\\History\\" + file).c_str());
        RemoveDirectoryA((folder + "\\History").c_str());
        RemoveDirectoryA(folder.c_str());
        ClickButton(dialog, IDC_FREE_SPACE_ACKNOWLEDGE);
        ClickButton(dialog, IDC_FREE_SPACE_OK);
        HWND box = program.WaitForWindow(Dialog, "Log File Write Error");
        ASSERT_NE(box, nullptr);
        // Raised again, the error's own record would hold the check in a second box.
        ASSERT_TRUE(RunTimer(command, 2));
        uint32_t value = 99;
        EXPECT_TRUE(ReadRegistryNumber(KeyP, "FreeSpaceError", value) && value == 0) << "raised again";
        EXPECT_TRUE(ReadRegistryNumber(KeyP, "FreeSpaceMin", value) && value == proposed);
        DismissMessageBox(box);
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Free Space Error Detected"));
        EXPECT_EQ(program.FindWindowNow(Dialog, "Log File Write Error"), nullptr);
        CloseProgram(program);
    }
}

}  // namespace
