// The property sheet, its Drives page and the off-line test, through the real
// program, its registry and its request log.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"
#include "properties/about_page.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
const char OneDrive[] = "drive 0\nmodel ABC-1234\nserial XYZ98765\n";

// SMART requests of one feature (0xD8 enable, 0xD9 disable, 0xDA return status) per drive number.
int Requests(const Scenario &scenario, int feature, int drive = -1)
{
    int count = 0;
    for (const Request &r : Filter(ParseRequests(ReadRequestLog(scenario)), "IOCTL")) {
        if (r.ioctl == 0x7C084 && r.Feature() == feature && (drive < 0 || r.DriveNumber() == drive))
            count++;
    }
    return count;
}

class Properties : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }

    static HWND OpenSheet(Program &program, HWND command)
    {
        PostMessageA(command, TrayCallback, 102, WM_LBUTTONUP);
        HWND sheet = program.WaitForWindow(Dialog, SheetCaption);
        // The page is filled once its dialog has been created.
        for (int i = 0; i < 50 && sheet && !FindControl(sheet, IDC_DRIVE_LIST); i++)
            Sleep(100);
        return sheet;
    }

    static void CloseSheet(Program &program, HWND sheet, int button)
    {
        PostMessageA(GetDlgItem(sheet, button), BM_CLICK, 0, 0);
        PostMessageA(sheet, WM_NULL, 0, 0);
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));
        // The commit, its commands and the check that follows are done.
        ASSERT_TRUE(WaitUntilIdle(program.WaitForCommandWindow()));
    }

    static void Click(HWND sheet, int id) { PostMessageA(FindControl(sheet, id), BM_CLICK, 0, 0); }

    static bool Checked(HWND sheet, int id)
    {
        return SendMessageA(FindControl(sheet, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    static void SelectDrive(HWND sheet, int index)
    {
        HWND list = FindControl(sheet, IDC_DRIVE_LIST);
        SendMessageA(list, CB_SETCURSEL, index, 0);
        SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_DRIVE_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }

    static bool HasValue(const char *key, const char *name)
    {
        std::string text;
        return ReadRegistryText(key, name, text);
    }
};

TEST_F(Properties, OkWritesOnlyChangesWithTheirCommandsAndCancelRestoresEverything)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    // Values the commit rewrites come back; the others stay away.
    for (const char *name : {"EmailFrom", "EmailTo", "EmailServer", "SMARTPollingPeriod"})
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, GlobalKey, name);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, DriveKey, "SMARTEnabled");

    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_MODEL)), "ABC-1234");
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_STATUS)), "OK");
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_DRIVE_SUMMARY)), "All Drives OK");
    EXPECT_TRUE(Checked(sheet, IDC_ENABLE_MONITORING));
    SaveScreenshot("drives-page");
    // A second click only raises the open sheet.
    PostMessageA(command, TrayCallback, 102, WM_LBUTTONUP);
    Sleep(300);
    int sheets = 0;
    for (HWND window : program.VisibleWindows())
        sheets += WindowText(window) == SheetCaption;
    EXPECT_EQ(sheets, 1);
    int asked = Requests(scenario, 0xDA);
    CloseSheet(program, sheet, IDOK);
    EXPECT_TRUE(HasValue(GlobalKey, "EmailFrom") && HasValue(GlobalKey, "EmailTo") && HasValue(GlobalKey, "EmailServer"));
    uint32_t value = 99;
    EXPECT_FALSE(ReadRegistryNumber(GlobalKey, "SMARTPollingPeriod", value));
    EXPECT_FALSE(ReadRegistryNumber(DriveKey, "SMARTEnabled", value));
    EXPECT_EQ(Requests(scenario, 0xD9), 0);
    EXPECT_EQ(Requests(scenario, 0xDA), asked + 1) << "the check runs when the sheet closes";

    // Unticking monitoring: OK stores 0 and disables SMART on the drive.
    sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    Click(sheet, IDC_ENABLE_MONITORING);
    Sleep(200);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_STATUS)), "Disabled");
    CloseSheet(program, sheet, IDOK);
    ASSERT_TRUE(ReadRegistryNumber(DriveKey, "SMARTEnabled", value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(Requests(scenario, 0xD9), 1);

    // Ticking it again and cancelling writes nothing, sends nothing and restores the memory.
    sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(Checked(sheet, IDC_ENABLE_MONITORING));
    Click(sheet, IDC_ENABLE_MONITORING);
    Click(sheet, IDC_SIMULATE_ERROR);
    Sleep(200);
    EXPECT_TRUE(Checked(sheet, IDC_SIMULATE_ERROR));
    CloseSheet(program, sheet, IDCANCEL);
    EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTEnabled", value) && value == 0);
    EXPECT_EQ(Requests(scenario, 0xD8), 1) << "only the one at start-up";
    EXPECT_EQ(program.FindWindowNow(Dialog, "SMART Error Detected (Simulated)"), nullptr);
    sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(Checked(sheet, IDC_ENABLE_MONITORING));
    EXPECT_FALSE(Checked(sheet, IDC_SIMULATE_ERROR));
    CloseSheet(program, sheet, IDCANCEL);
    CloseProgram(program);
}

TEST_F(Properties, SimulatedErrorIsStampedMailedLoggedAndItsAcknowledgementSurvivesCancel)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    MailAlertsTo(scenario, "127.0.0.1");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);

    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    Click(sheet, IDC_SIMULATE_ERROR);
    Sleep(200);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_STATUS)), "Failure Likely (Simulated)");
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_DRIVE_SUMMARY)), "Failure Likely (Simulated)");
    CloseSheet(program, sheet, IDOK);
    HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected (Simulated)");
    ASSERT_NE(alert, nullptr);
    uint32_t value = 0;
    EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SimulateError", value) && value == 1);
    std::string time;
    DWORD size = 0;
    ASSERT_TRUE(ReadRegistryText(DriveKey, "SimulateErrorTime", time, &size));
    EXPECT_EQ(size, 40u);
    EXPECT_EQ(WindowText(GetDlgItem(alert, IDC_SIMULATED_ERROR_TIME)), time);
    std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    EXPECT_EQ(log, "SMART error condition detected (Simulated)\r\nModel number: ABC-1234\r\nSerial number: XYZ98765\r\n"
                   "Drive size: 40.02GB\r\nOccurred on: " + time + "\r\n\r\n");
    bool mailed = false;
    for (int i = 0; i < 50 && !mailed; i++, Sleep(100)) {
        for (const std::string &path : MailMessages()) {
            std::string message = ReadWholeFile(path);
            mailed = mailed ||
                     (message.find("Subject: HOLMVARD Alert! SMART error detected (Simulated)\r\n") != std::string::npos &&
                      message.find("Occurred on: " + time + ".") != std::string::npos);
        }
    }
    EXPECT_TRUE(mailed);

    // Acknowledged while the sheet is open: the page follows, and Cancel does not bring it back.
    sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(Checked(sheet, IDC_SIMULATE_ERROR));
    ClickButton(alert, IDC_SIMULATED_ACKNOWLEDGE);
    ClickButton(alert, IDC_SIMULATED_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "SMART Error Detected (Simulated)"));
    EXPECT_FALSE(Checked(sheet, IDC_SIMULATE_ERROR));
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_STATUS)), "OK");
    CloseSheet(program, sheet, IDCANCEL);
    EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SimulateError", value) && value == 0);
    EXPECT_EQ(program.WaitForWindow(Dialog, "SMART Error Detected (Simulated)", 500), nullptr);
    log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    EXPECT_NE(log.find("SMART error condition acknowledged (Simulated)\r\n"), std::string::npos);
    CloseProgram(program);
}

// A check's answers that come while the sheet is open wait for it to close:
// the page still shows its drive, and what the user does acts on that drive.
TEST_F(Properties, ARoundThatEndsWhileTheSheetIsOpenIsTakenWhenItClosesAndLeavesThePageItsDrive)
{
    // Windows 98: requests carry the drive number, so the log tells the drives apart.
    const char bay[] = "version 1 4 10 1998\ndrive 0\nmodel FIRST\nserial FIRST001\n"
                       "drive 1\nmodel SECOND\nserial SECOND02\n";
    Scenario scenario = PrepareForThisTest(bay);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    int asked = Requests(scenario, 0xDA, 1);
    WriteDrives(scenario, (std::string(bay) + "status exceeded\ndelay 3000\n").c_str());
    PostMessageA(command, WM_TIMER, 1, 0);
    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    for (int i = 0; i < 100 && Requests(scenario, 0xDA, 1) == asked; i++)
        Sleep(100);
    ASSERT_EQ(Requests(scenario, 0xDA, 1), asked + 1) << "the slow drive answered";
    Sleep(500);
    EXPECT_EQ(program.FindWindowNow(Dialog, "SMART Error Detected"), nullptr) << "taken while the sheet is open";
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_MODEL)), "FIRST");
    Click(sheet, IDC_ENABLE_MONITORING);
    CloseSheet(program, sheet, IDOK);

    HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(ControlText(alert, IDC_SERIAL), "SECOND02");
    uint32_t value = 99;
    EXPECT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Drives\\FIRSTFIRST001", "SMARTEnabled", value) &&
                value == 0)
        << "the shown drive was switched off";
    EXPECT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Drives\\SECONDSECOND02", "SMARTEnabled", value) &&
                value == 1);
    EXPECT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Drives\\SECONDSECOND02", "SMARTError", value) &&
                value == 1);
    CloseProgram(program);
}

TEST_F(Properties, OfflineTestsRunSideBySideAndTheirDrivesAreNotAskedMeanwhile)
{
    // Windows 98: requests carry the drive number, so the log tells the drives apart.
    Scenario scenario = PrepareForThisTest("version 1 4 10 1998\n"
                                           "drive 0\nmodel DONE\noffline-status 0x82\noffline-seconds 1\n"
                                           "drive 1\nmodel INTERRUPTED\noffline-status 4\noffline-seconds 1\n"
                                           "drive 2\nmodel NOTEST\noffline-seconds 0\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    for (int drive = 0; drive < 3; drive++) {
        SelectDrive(sheet, drive);
        Click(sheet, IDC_RUN_OFFLINE_TEST);
        Sleep(300);
    }
    Click(sheet, IDC_RUN_OFFLINE_TEST);   // a second press for drive 2 opens no second dialog
    Sleep(300);
    HWND tests[3] = {};
    for (HWND window : program.VisibleWindows()) {
        if (WindowText(window) != "SMART Off-Line Test")
            continue;
        std::string model = WindowText(GetDlgItem(window, IDC_MODEL));
        int index = model == "DONE" ? 0 : model == "INTERRUPTED" ? 1 : model == "NOTEST" ? 2 : -1;
        ASSERT_GE(index, 0) << model;
        EXPECT_EQ(tests[index], nullptr) << "two dialogs for " << model;
        tests[index] = window;
    }
    ASSERT_TRUE(tests[0] && tests[1] && tests[2]);
    EXPECT_EQ(WindowText(GetDlgItem(tests[2], IDC_TEST_STATUS)), "Test not supported");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tests[2], IDC_TEST_OK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tests[0], IDC_TEST_OK)));
    CloseSheet(program, sheet, IDOK);
    // The check run by the sheet's closing leaves the two running drives alone.
    EXPECT_EQ(Requests(scenario, 0xDA, 0), 1);
    EXPECT_EQ(Requests(scenario, 0xDA, 1), 1);
    EXPECT_EQ(Requests(scenario, 0xDA, 2), 2);

    // Announced 1 second, timed as 10: polled on the first tick after that.
    for (int i = 0; i < 150 && IsWindowEnabled(GetDlgItem(tests[0], IDC_TEST_OK)) == FALSE; i++)
        Sleep(100);
    Sleep(1500);
    EXPECT_EQ(WindowText(GetDlgItem(tests[0], IDC_TEST_STATUS)), "No errors encountered");
    EXPECT_EQ(WindowText(GetDlgItem(tests[0], IDC_TEST_TIME)), "Test completed");
    EXPECT_EQ(WindowText(GetDlgItem(tests[1], IDC_TEST_STATUS)), "Testing . . . (Attempt 2)");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tests[1], IDC_TEST_OK)));
    SaveScreenshot("offline-tests");
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(Requests(scenario, 0xDA, 0), 2) << "a finished test gives its drive back";
    EXPECT_EQ(Requests(scenario, 0xDA, 1), 1);
    ClickButton(tests[1], IDC_TEST_CANCEL);
    for (int i = 0; i < 50 && IsWindow(tests[1]); i++)
        Sleep(100);
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(Requests(scenario, 0xDA, 1), 2) << "Cancel gives its drive back";
    CloseProgram(program);
}

}  // namespace

namespace {


// Switches the sheet to a page and waits until one of its controls exists.
int SliderOf(HWND sheet, int id)
{
    return static_cast<int>(SendMessageA(FindControl(sheet, id), WM_USER, 0, 0));   // TBM_GETPOS
}

void DragSlider(HWND sheet, int id, int position)
{
    HWND slider = FindControl(sheet, id);
    SendMessageA(slider, WM_USER + 5, TRUE, position);   // TBM_SETPOS
    SendMessageA(GetParent(slider), WM_HSCROLL, MAKEWPARAM(4, position), reinterpret_cast<LPARAM>(slider));
}

TEST_F(Properties, VolumesPageEditsMonitoringAndMinimumAndFollowsAnAcknowledgement)
{
    Scenario scenario = PrepareForThisTest("drive 0\nvolume P total 10240000000 free 1300000000\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    HWND alert = program.WaitForWindow(Dialog, "Free Space Error Detected");
    ASSERT_NE(alert, nullptr);
    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    ShowPage(sheet, 2, IDC_VOLUME_LIST);
    // Opens on the volume in error.
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_VOLUME_TITLE)), "P: FIXTURE");
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_VOLUME_STATUS)), "Free Space Error");
    EXPECT_EQ(SliderOf(sheet, IDC_PAGE_MINIMUM), 15);
    Click(sheet, IDC_ENABLE_SPACE_CHECK);
    Sleep(200);
    EXPECT_FALSE(IsWindowEnabled(FindControl(sheet, IDC_PAGE_MINIMUM)));
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_VOLUME_STATUS)), "Free Space Error");
    Click(sheet, IDC_ENABLE_SPACE_CHECK);
    Sleep(200);
    DragSlider(sheet, IDC_PAGE_MINIMUM, 0);
    EXPECT_EQ(SliderOf(sheet, IDC_PAGE_MINIMUM), 1);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_MINIMUM_TEXT)), "1%, 97.66MB");
    SaveScreenshot("volumes-page");

    // Acknowledged with a new minimum while the page shows the volume, its
    // monitoring unticked there: the page follows, Cancel keeps the minimum
    // and still rolls the monitoring back.
    Click(sheet, IDC_ENABLE_SPACE_CHECK);
    Sleep(200);
    DragSlider(alert, IDC_NEW_MINIMUM, 11);
    ClickButton(alert, IDC_FREE_SPACE_ACKNOWLEDGE);
    ClickButton(alert, IDC_FREE_SPACE_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Free Space Error Detected"));
    EXPECT_EQ(SliderOf(sheet, IDC_PAGE_MINIMUM), 11);
    CloseSheet(program, sheet, IDCANCEL);
    uint32_t value = 0;
    EXPECT_TRUE(ReadRegistryNumber(KeyP, "FreeSpaceMin", value) && value == 11);

    // No cap on the page: 100 % on the healthy R: raises its error when the sheet closes with OK.
    sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    ShowPage(sheet, 2, IDC_VOLUME_LIST);
    EXPECT_EQ(SliderOf(sheet, IDC_PAGE_MINIMUM), 11);
    EXPECT_TRUE(Checked(sheet, IDC_ENABLE_SPACE_CHECK));
    HWND list = FindControl(sheet, IDC_VOLUME_LIST);
    LRESULT r = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("R: SPARE"));
    ASSERT_GE(r, 0);
    SendMessageA(list, CB_SETCURSEL, r, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_VOLUME_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    DragSlider(sheet, IDC_PAGE_MINIMUM, 100);
    CloseSheet(program, sheet, IDOK);
    // The dialog opens once the commit and the check after it are done.
    EXPECT_NE(program.WaitForWindow(Dialog, "Free Space Error Detected"), nullptr);
    EXPECT_TRUE(ReadRegistryNumber(KeyR, "FreeSpaceMin", value) && value == 100);
    EXPECT_TRUE(ReadRegistryNumber(KeyR, "FreeSpaceError", value) && value == 1);
    CloseProgram(program);
}

TEST_F(Properties, AMailFailureBoxDuringTheCommitOpensNoSecondSheetAndTheCommitFinishes)
{
    Scenario scenario = PrepareForThisTest("drive 0\nvolume P total 10240000000 free 5000000000\n");
    WriteRegistryFlag(GlobalKey, "EmailSMARTErrors", 1);
    WriteRegistryText(GlobalKey, "EmailServer", "127.0.0.3");   // nobody listens there
    LogInScenarioFolder(scenario);
    Program program;
    HWND command = program.StartAndWait(scenario);
    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    Click(sheet, IDC_SIMULATE_ERROR);
    ShowPage(sheet, 2, IDC_VOLUME_LIST);
    HWND list = FindControl(sheet, IDC_VOLUME_LIST);
    LRESULT r = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("P: FIXTURE"));
    ASSERT_GE(r, 0);
    SendMessageA(list, CB_SETCURSEL, r, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_VOLUME_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Click(sheet, IDC_ENABLE_SPACE_CHECK);
    CloseSheet(program, sheet, IDOK);
    // The simulated error's mail fails before the volume's change is written.
    HWND box = program.WaitForWindow(Dialog, "HOLMVARD Email Error");
    ASSERT_NE(box, nullptr);
    PostMessageA(command, TrayCallback, 102, WM_LBUTTONUP);
    EXPECT_EQ(program.WaitForWindow(Dialog, SheetCaption, 1500), nullptr);
    DismissMessageBox(box);
    uint32_t value = 1;
    for (int i = 0; i < 50 && !(ReadRegistryNumber(KeyP, "SpaceCheckEnabled", value) && value == 0); i++)
        Sleep(100);
    EXPECT_EQ(value, 0u);
    CloseProgram(program);
}

TEST_F(Properties, AlertsPageSwitchesMailFieldsSendsATestAndCancelRestoresTheServer)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    Program program;
    HWND command = program.StartAndWait(scenario);
    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    ShowPage(sheet, 3, IDC_EMAIL_SERVER);
    EXPECT_FALSE(IsWindowEnabled(FindControl(sheet, IDC_EMAIL_SERVER)));
    EXPECT_FALSE(IsWindowEnabled(FindControl(sheet, IDC_SEND_TEST_EMAIL)));
    Click(sheet, IDC_EMAIL_SMART);
    Sleep(200);
    EXPECT_TRUE(IsWindowEnabled(FindControl(sheet, IDC_EMAIL_SERVER)));
    EXPECT_TRUE(IsWindowEnabled(FindControl(sheet, IDC_EMAIL_FROM_LABEL)));
    SaveScreenshot("alerts-page");

    const struct {
        const char *server;
        const char *status;
    } tests[] = {{"127.0.0.1", "Email successfully sent!"}, {"127.0.0.3", "Server connect error"}};
    for (const auto &t : tests) {
        SendMessageA(FindControl(sheet, IDC_EMAIL_SERVER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.server));
        Click(sheet, IDC_SEND_TEST_EMAIL);
        HWND test = program.WaitForWindow(Dialog, "Sending Test Email", 45000);
        ASSERT_NE(test, nullptr);
        for (int i = 0; i < 400 && !IsWindowEnabled(GetDlgItem(test, IDC_TEST_MAIL_OK)); i++)
            Sleep(100);
        EXPECT_EQ(WindowText(GetDlgItem(test, IDC_TEST_MAIL_STATUS)), t.status);
        EXPECT_EQ(WindowText(GetDlgItem(test, IDC_TEST_MAIL_SERVER)), t.server);
        ClickButton(test, IDC_TEST_MAIL_OK);
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Sending Test Email"));
    }
    // The first polling period, then Cancel: nothing of it stays.
    HWND periods = FindControl(sheet, IDC_SMART_PERIOD);
    SendMessageA(periods, CB_SETCURSEL, 0, 0);
    SendMessageA(GetParent(periods), WM_COMMAND, MAKEWPARAM(IDC_SMART_PERIOD, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(periods));
    CloseSheet(program, sheet, IDCANCEL);
    std::string server;
    EXPECT_TRUE(ReadRegistryText(GlobalKey, "EmailServer", server));
    EXPECT_EQ(server, "mail.example.com");
    sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    ShowPage(sheet, 3, IDC_EMAIL_SERVER);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_EMAIL_SERVER)), "mail.example.com");
    EXPECT_FALSE(Checked(sheet, IDC_EMAIL_SMART));
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_PERIOD)), "Every Hour");
    // Chosen again and kept with OK.
    periods = FindControl(sheet, IDC_SMART_PERIOD);
    SendMessageA(periods, CB_SETCURSEL, 0, 0);
    SendMessageA(GetParent(periods), WM_COMMAND, MAKEWPARAM(IDC_SMART_PERIOD, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(periods));
    // A cleared selection is no period: nothing bogus is kept.
    uint32_t before = 99;
    ReadRegistryNumber(GlobalKey, "FreeSpacePollingPeriod", before);
    HWND space = FindControl(sheet, IDC_FREE_SPACE_PERIOD);
    SendMessageA(space, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(GetParent(space), WM_COMMAND, MAKEWPARAM(IDC_FREE_SPACE_PERIOD, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(space));
    ShowPage(sheet, 5, IDC_WEBSITE);
    SaveScreenshot("about-page");
    CloseSheet(program, sheet, IDOK);
    uint32_t value = 99;
    EXPECT_TRUE(ReadRegistryNumber(GlobalKey, "SMARTPollingPeriod", value) && value == 0);
    EXPECT_TRUE(ReadRegistryNumber(GlobalKey, "FreeSpacePollingPeriod", value) && value == before);
    CloseProgram(program);
}

}  // namespace

namespace {

// Starts the program on a log holding text and opens the sheet on its Logging page.
HWND OpenOnLog(Program &program, const Scenario &scenario, const std::string &text)
{
    WriteWholeFile(LogInScenarioFolder(scenario), text);
    HWND command = program.StartAndWait(scenario);
    return command ? OpenSheetOnPage(program, command, 4, IDC_LOG_LIST) : nullptr;
}

std::vector<std::string> ListRows(HWND list)
{
    std::vector<std::string> rows;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; i++) {
        // Across processes Wine hands list texts over whole only in UTF-16.
        wchar_t text[256] = L"";
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        rows.push_back(std::string(text, text + wcslen(text)));
    }
    return rows;
}

TEST_F(Properties, LoggingPageListsTheLogInPiecesAndClearsItOnlyAfterConfirmation)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    std::string path = scenario.folder + "\\ErrorLog.txt";
    std::string text = "first\r\n\r\n" + std::string(100, 'x') + "\r\nlast";
    Program program;
    HWND sheet = OpenOnLog(program, scenario, text);
    ASSERT_NE(sheet, nullptr);
    HWND list = FindControl(sheet, IDC_LOG_LIST);
    std::vector<std::string> expected = {"first", " ", std::string(79, 'x'), std::string(21, 'x'), "last"};
    EXPECT_EQ(ListRows(list), expected);
    SaveScreenshot("logging-page");

    for (int answer : {IDCANCEL, IDOK}) {
        Click(sheet, IDC_CLEAR_LOG);
        HWND box = program.WaitForWindow(Dialog, "Confirm Clear Log");
        ASSERT_NE(box, nullptr);
        PostMessageA(box, WM_COMMAND, answer, 0);
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Confirm Clear Log"));
        Sleep(200);
        EXPECT_EQ(ReadWholeFile(path), answer == IDOK ? "" : text);
        EXPECT_EQ(ListRows(list).size(), answer == IDOK ? 0u : expected.size());
    }
    CloseSheet(program, sheet, IDOK);
    CloseProgram(program);
}

// Earlier jobs' PDFs out of the printer's folder.
void RemovePrintedFiles()
{
    std::string pdfs = WindowsPathOf(HOLMVARD_E2E_PDF);
    WIN32_FIND_DATAA entry;
    for (HANDLE search = FindFirstFileA((pdfs + "\\*.pdf").c_str(), &entry); search != INVALID_HANDLE_VALUE;
         search = FindNextFileA(search, &entry) ? search : (FindClose(search), INVALID_HANDLE_VALUE))
        DeleteFileA((pdfs + "\\" + entry.cFileName).c_str());
}

// The text of each page of the one PDF the printer wrote, through poppler's pdftotext.
std::vector<std::string> PrintedPages()
{
    std::string folder = WindowsPathOf(HOLMVARD_E2E_PDF);
    std::string pdf;
    for (int i = 0; i < 200 && pdf.empty(); i++, Sleep(100)) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "\\*.pdf").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            pdf = entry.cFileName;
            FindClose(search);
        }
    }
    if (pdf.empty())
        return {};
    Sleep(500);   // written out by now
    std::string command = std::string("start.exe /wait /unix /usr/bin/pdftotext ") + HOLMVARD_E2E_PDF + "/" + pdf + " " +
                          HOLMVARD_E2E_PDF + "/printed.txt";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return {};
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string text;
    for (int i = 0; i < 50 && text.empty(); i++, Sleep(100))
        text = ReadWholeFile(folder + "\\printed.txt");
    // Pages end in a form feed; blank lines and margins are the PDF's, not the log's.
    std::vector<std::string> pages;
    std::string page;
    for (char c : text) {
        if (c == '\f') {
            pages.push_back(page);
            page.clear();
        } else if (c != '\n' || (!page.empty() && page.back() != '\n')) {
            page += c;
        }
    }
    return pages;
}

TEST_F(Properties, PrintingGivesTheLogOnceACopyEachOnItsOwnPage)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    RemovePrintedFiles();
    Program program;
    HWND sheet = OpenOnLog(program, scenario, "first\r\n\r\n" + std::string(100, 'x') + "\r\nlast\r\n");
    ASSERT_NE(sheet, nullptr);
    Click(sheet, IDC_PRINT_LOG);
    HWND print = program.WaitForWindow(Dialog, "Print");
    ASSERT_NE(print, nullptr) << "no print dialog: the prefix has no printer";
    SendMessageA(GetDlgItem(print, 0x482), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("2"));   // copies
    ClickButton(print, IDOK);
    std::vector<std::string> pages = PrintedPages();
    std::string copy = "first\n" + std::string(79, 'x') + "\n" + std::string(21, 'x') + "\nlast\n";
    ASSERT_EQ(pages.size(), 2u);
    for (std::string &page : pages) {
        while (!page.empty() && page[0] == '\n')
            page.erase(0, 1);
        EXPECT_EQ(page, copy);
    }
    EXPECT_EQ(program.FindWindowNow(Dialog, "Printing Error Log"), nullptr) << "gone once the job is done";
    CloseSheet(program, sheet, IDOK);
    CloseProgram(program);
}

}  // namespace

namespace {

TEST_F(Properties, AboutPageButtonOpensTheWebSiteThroughTheShell)
{
    // The shell's handler for web addresses, pointed at a command that notes what it was given.
    Scenario scenario = PrepareForThisTest(OneDrive);
    std::string noted = scenario.folder + "\\opened.txt";
    std::string handler = "cmd.exe /c echo %1> \"" + noted + "\"";
    // Wine's classes root reads the machine's classes only; the prefix's own handler comes back after.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\https\\shell\\open\\command", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    char before[512] = "";
    DWORD beforeSize = sizeof before;
    RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE *>(before), &beforeSize);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(handler.c_str()),
                   static_cast<DWORD>(handler.size() + 1));
    Program program;
    HWND command = program.StartAndWait(scenario);
    HWND sheet = OpenSheet(program, command);
    ASSERT_NE(sheet, nullptr);
    ShowPage(sheet, 5, IDC_WEBSITE);
    Click(sheet, IDC_WEBSITE);
    std::string opened;
    for (int i = 0; i < 100 && opened.empty(); i++, Sleep(100))
        opened = ReadWholeFile(noted);
    EXPECT_EQ(opened.substr(0, opened.find_first_of("\r\n")), MakerWebsite);
    EXPECT_TRUE(IsWindow(sheet)) << "the page stays open";
    CloseSheet(program, sheet, IDCANCEL);
    CloseProgram(program);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(before), static_cast<DWORD>(strlen(before) + 1));
    RegCloseKey(key);
}

}  // namespace

namespace {

TEST_F(Properties, PrintingDialogsCancelDropsTheJob)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    std::string path = scenario.folder + "\\ErrorLog.txt";
    // Long enough that the job is still spooling when Cancel is pressed.
    std::string text;
    for (int i = 0; i < 20000; i++)
        text += "Line " + std::to_string(i) + " of a long error log\r\n";
    std::string pdfs = WindowsPathOf(HOLMVARD_E2E_PDF);
    WIN32_FIND_DATAA entry;
    RemovePrintedFiles();
    Program program;
    HWND sheet = OpenOnLog(program, scenario, text);
    ASSERT_NE(sheet, nullptr);
    Click(sheet, IDC_PRINT_LOG);
    HWND print = program.WaitForWindow(Dialog, "Print");
    ASSERT_NE(print, nullptr) << "no print dialog: the prefix has no printer";
    ClickButton(print, IDOK);
    HWND printing = program.WaitForWindow(Dialog, "Printing Error Log");
    ASSERT_NE(printing, nullptr);
    ClickButton(printing, IDCANCEL);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Printing Error Log"));
    Sleep(3000);
    EXPECT_EQ(FindFirstFileA((pdfs + "\\*.pdf").c_str(), &entry), INVALID_HANDLE_VALUE) << "a cancelled job prints nothing";
    EXPECT_EQ(ReadWholeFile(path), text) << "the log is left as it was";
    CloseSheet(program, sheet, IDCANCEL);
    CloseProgram(program);
}

}  // namespace
