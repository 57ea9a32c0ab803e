// A drive that stops answering and a mail server that stops talking, through
// the real program: the window thread goes on while the drive worker or the
// mail thread waits, and the drive's time-out raises its error.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "app/command_window.h"
#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"
#include "e2e/scripted_smtp.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char Bay[] = "drive 0\nmodel QUICK\nserial FAST0001\ndrive 1\nmodel SLOW\nserial HUNG0002\n";
const char QuickKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\QUICKFAST0001";
const char SlowKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\SLOWHUNG0002";
// Longer than the program waits for a drive.
const DWORD PastTheTimeOutMs = 60000;
// Far shorter than the delay: an answer within it is an answer while the drive is out.
const DWORD AtOnceMs = 5000;

// RETURN STATUS requests that answered, or failed, so far.
int StatusRequests(const Scenario &scenario, bool ok)
{
    int count = 0;
    for (const Request &r : Filter(ParseRequests(ReadRequestLog(scenario)), "IOCTL")) {
        if (r.ioctl == 0x7C084 && r.Feature() == 0xDA && r.ok == ok)
            count++;
    }
    return count;
}

bool AnswersAtOnce(HWND command, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(command, message, wParam, lParam, SMTO_NORMAL, AtOnceMs, &result) != 0;
}

uint32_t Flag(const char *key)
{
    uint32_t value = 99;
    EXPECT_TRUE(ReadRegistryNumber(key, "SMARTError", value)) << key;
    return value;
}

TEST(Hang, ADelayedDriveNeitherFreezesTheProgramNorHoldsTheOtherDriveAndFailsAtTheTimeOut)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(Bay);
    std::string log = LogInScenarioFolder(scenario);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    int answered = StatusRequests(scenario, true);
    WriteDrives(scenario, (std::string(Bay) + "delay 45000\n").c_str());

    ASSERT_TRUE(AnswersAtOnce(command, WM_TIMER, 1, 0));
    DWORD start = GetTickCount();
    while (StatusRequests(scenario, true) == answered && GetTickCount() - start < AtOnceMs)
        Sleep(50);
    EXPECT_EQ(StatusRequests(scenario, true), answered + 1) << "the healthy drive answers meanwhile";
    // While the slow drive is out: a second tick is dropped, the free-space
    // tick runs, messages are answered and the tray menu opens.
    ASSERT_TRUE(AnswersAtOnce(command, WM_TIMER, 1, 0));
    ASSERT_TRUE(AnswersAtOnce(command, WM_TIMER, 2, 0));
    DWORD_PTR out = 0;
    ASSERT_TRUE(SendMessageTimeoutA(command, CheckOutMessage, 0, 0, SMTO_NORMAL, AtOnceMs, &out));
    EXPECT_EQ(out, 1u);
    PostMessageA(command, TrayCallback, 102, WM_RBUTTONUP);
    ASSERT_NE(program.WaitForWindow("#32768", nullptr, AtOnceMs), nullptr) << "no tray menu";
    PostKey(command, VK_ESCAPE);
    EXPECT_TRUE(program.WaitForWindowGone("#32768", nullptr));
    EXPECT_EQ(StatusRequests(scenario, true), answered + 1) << "the tick while busy asked nothing";
    EXPECT_EQ(program.FindWindowNow(Dialog, "SMART Error Detected"), nullptr);

    HWND dialog = program.WaitForWindow(Dialog, "SMART Error Detected", PastTheTimeOutMs);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_SERIAL), "HUNG0002");
    EXPECT_EQ(StatusRequests(scenario, false), 1) << "the cancelled request failed";
    EXPECT_EQ(Flag(SlowKey), 1u);
    EXPECT_EQ(Flag(QuickKey), 0u);
    std::string records = ReadWholeFile(log);
    EXPECT_EQ(records.find("SMART error condition detected"), records.rfind("SMART error condition detected"));
    EXPECT_NE(records.find("Serial number: HUNG0002"), std::string::npos) << records;
    EXPECT_EQ(program.VisibleWindows().size(), 1u) << "one alert, for the slow drive";

    // Closing while the quick drive, now slow too, is out: the program ends
    // without waiting it out, and the cancelled request raises nothing.
    WriteDrives(scenario, "drive 0\nmodel QUICK\nserial FAST0001\ndelay 45000\n"
                          "drive 1\nmodel SLOW\nserial HUNG0002\n");
    ASSERT_TRUE(AnswersAtOnce(command, WM_TIMER, 1, 0));
    CloseProgram(program);
    EXPECT_EQ(Flag(QuickKey), 0u);
    EXPECT_EQ(ReadWholeFile(log), records) << "nothing written at shutdown";
}

const char StuckBay[] = "drive 0\nmodel QUICK\nserial FAST0001\ndrive 1\nmodel STUCK\nserial HUNG0002\n";
const char StuckKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\STUCKHUNG0002";
// Far below the time a request is given: an exit within it did not wait for one.
const DWORD FewSecondsMs = 10000;

TEST(Hang, ADriverThatNeverCompletesIsGivenUpOnWhileTheProgramAndTheOtherDriveGoOn)
{
    CleanRegistry();
    std::string hanging = std::string(StuckBay) + "hang yes\n";
    Scenario scenario = PrepareForThisTest(hanging.c_str());
    LogInScenarioFolder(scenario);
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND command = program.WaitForCommandWindow();
    ASSERT_NE(command, nullptr);
    // Start-up waits for the stuck drive with the window answering, its tray menu too.
    DWORD_PTR out = 0;
    ASSERT_TRUE(SendMessageTimeoutA(command, CheckOutMessage, 0, 0, SMTO_NORMAL, AtOnceMs, &out));
    EXPECT_EQ(out, 1u) << "start-up is still out";
    PostMessageA(command, TrayCallback, 102, WM_RBUTTONUP);
    ASSERT_NE(program.WaitForWindow("#32768", nullptr, AtOnceMs), nullptr) << "no tray menu";
    PostKey(command, VK_ESCAPE);
    EXPECT_TRUE(program.WaitForWindowGone("#32768", nullptr));
    EXPECT_TRUE(AnswersAtOnce(command, WM_NULL, 0, 0));

    HWND dialog = program.WaitForWindow(Dialog, "SMART Error Detected", PastTheTimeOutMs);
    ASSERT_NE(dialog, nullptr) << "the stuck drive's error at the limit";
    EXPECT_EQ(ControlText(dialog, IDC_SERIAL), "HUNG0002");
    ASSERT_TRUE(WaitUntilIdle(command));
    EXPECT_EQ(Flag(StuckKey), 1u);
    EXPECT_EQ(Flag("Software\\Tessmere\\HOLMVARD\\Drives\\QUICKFAST0001"), 0u);
    int answered = StatusRequests(scenario, true);
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(StatusRequests(scenario, true), answered + 1) << "the other drive is asked at the next check";

    // Let go, the one request out completes: it was the only one sent to the drive.
    WriteDrives(scenario, StuckBay);
    for (DWORD start = GetTickCount(); StatusRequests(scenario, true) == answered + 1 && GetTickCount() - start < AtOnceMs;)
        Sleep(50);
    EXPECT_EQ(StatusRequests(scenario, true), answered + 2);
    EXPECT_EQ(StatusRequests(scenario, false), 0) << "nothing else reached the drive";
    CloseProgram(program);

    // Closing while start-up waits on the stuck drive ends the program at once.
    WriteDrives(scenario, hanging.c_str());
    Program closing;
    ASSERT_TRUE(closing.Start(scenario));
    command = closing.WaitForCommandWindow();
    ASSERT_NE(command, nullptr);
    Sleep(1000);
    PostMessageA(command, WM_COMMAND, IDM_CLOSE, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(closing.WaitForExit(FewSecondsMs, exitCode));
    EXPECT_EQ(exitCode, 1u);
}

TEST(Hang, AKeptMailRetryToASilentServerLeavesTheWindowThreadFree)
{
    CleanRegistry();
    const std::string bay = std::string(FailingDrive) + "drive 1\nmodel SECOND\nserial FAIL0002\n";
    Scenario scenario = PrepareForThisTest(bay.c_str());
    // Nobody listens there yet: the alert's mail is kept.
    MailAlertsTo(scenario, "127.0.0.6");
    std::string outbox = scenario.folder + "\\Outbox";
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND box = program.WaitForWindow(Dialog, "HOLMVARD Email Error", 45000);
    ASSERT_NE(box, nullptr);
    DismissMessageBox(box);
    ASSERT_EQ(FilesIn(outbox, "*.msg").size(), 1u);
    HWND command = program.WaitForCommandWindow();

    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    // The server takes the connection and never greets.
    Script script = {6, "silent", 0x7F000006};
    HANDLE server = CreateThread(nullptr, 0, ServeOnce, &script, 0, nullptr);
    Sleep(100);
    ASSERT_TRUE(AnswersAtOnce(command, WM_TIMER, 4, 0));
    Sleep(1000);
    DWORD_PTR out = 0;
    ASSERT_TRUE(SendMessageTimeoutA(command, CheckOutMessage, 0, 0, SMTO_NORMAL, AtOnceMs, &out));
    EXPECT_EQ(out, 1u) << "the retry is out";
    EXPECT_TRUE(AnswersAtOnce(command, WM_TIMER, 2, 0));
    PostMessageA(command, TrayCallback, 102, WM_RBUTTONUP);
    ASSERT_NE(program.WaitForWindow("#32768", nullptr, AtOnceMs), nullptr) << "no tray menu";
    PostKey(command, VK_ESCAPE);
    EXPECT_TRUE(program.WaitForWindowGone("#32768", nullptr));
    // A new alert's mail is kept behind the retry without waiting for it, and a
    // test e-mail says the mail is busy rather than waiting.
    WriteDrives(scenario, (bay + "status exceeded\n").c_str());
    ASSERT_TRUE(AnswersAtOnce(command, WM_TIMER, 1, 0));
    for (int i = 0; i < 50 && FilesIn(outbox, "*.msg").size() < 2; i++)
        Sleep(100);
    EXPECT_EQ(FilesIn(outbox, "*.msg").size(), 2u) << "the second alert's mail is kept behind the retry";
    EXPECT_EQ(program.FindWindowNow(Dialog, "HOLMVARD Email Error"), nullptr);
    HWND sheet = OpenSheetOnPage(program, command, 3, IDC_SEND_TEST_EMAIL);
    ASSERT_NE(sheet, nullptr);
    PostMessageA(FindControl(sheet, IDC_SEND_TEST_EMAIL), BM_CLICK, 0, 0);
    HWND test = program.WaitForWindow(Dialog, "Sending Test Email", AtOnceMs);
    ASSERT_NE(test, nullptr);
    for (int i = 0; i < 50 && !IsWindowEnabled(GetDlgItem(test, IDC_TEST_MAIL_OK)); i++)
        Sleep(100);
    EXPECT_EQ(ControlText(test, IDC_TEST_MAIL_STATUS), "Busy sending kept e-mail");
    ClickButton(test, IDC_TEST_MAIL_OK);
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));

    // The mail thread gives up at its step's limit; the message waits for the next retry.
    EXPECT_EQ(WaitForSingleObject(server, PastTheTimeOutMs + 30000), WAIT_OBJECT_0);
    CloseHandle(server);
    WSACleanup();
    EXPECT_TRUE(script.clientClosed);
    ASSERT_TRUE(RunTimer(command, 99));
    EXPECT_EQ(FilesIn(outbox, "*.msg").size(), 2u);
    CloseProgram(program);
}

}  // namespace
