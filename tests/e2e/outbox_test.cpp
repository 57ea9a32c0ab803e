// Alert e-mails that fail are kept in the Outbox folder beside the error log
// and go out when a retry finds the server back, through the real program and
// a scripted server on 127.0.0.5 that is down until the test starts it.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <fstream>

#include "e2e/e2e_driver.h"
#include "e2e/scripted_smtp.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

constexpr UINT_PTR OutboxTimer = 4;

TEST(Outbox, AFailedAlertIsKeptThroughARestartAndDeliveredWithItsDateWhenTheServerIsBack)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(FailingDrive);
    MailAlertsTo(scenario, "127.0.0.5");
    std::string outbox = scenario.folder + "\\Outbox";
    {
        Program program;
        ASSERT_TRUE(program.Start(scenario));
        HWND box = program.WaitForWindow(Dialog, "HOLMVARD Email Error", 45000);
        ASSERT_NE(box, nullptr) << "the box shows as ever";
        DismissMessageBox(box);
        ASSERT_EQ(FilesIn(outbox, "*.msg").size(), 1u);
        // A test e-mail that fails is never kept.
        HWND command = program.WaitForCommandWindow();
        HWND sheet = OpenSheetOnPage(program, command, 3, IDC_SEND_TEST_EMAIL);   // the Alerts page
        ASSERT_NE(sheet, nullptr);
        PostMessageA(FindControl(sheet, IDC_SEND_TEST_EMAIL), BM_CLICK, 0, 0);
        HWND test = program.WaitForWindow(Dialog, "Sending Test Email", 45000);
        ASSERT_NE(test, nullptr);
        for (int i = 0; i < 400 && !IsWindowEnabled(GetDlgItem(test, IDC_TEST_MAIL_OK)); i++)
            Sleep(100);
        EXPECT_EQ(ControlText(test, IDC_TEST_MAIL_STATUS), "Server connect error");
        ClickButton(test, IDC_TEST_MAIL_OK);
        EXPECT_EQ(FilesIn(outbox, "*.msg").size(), 1u);
        CloseProgram(program);
    }
    std::string keptName = FilesIn(outbox, "*.msg")[0];
    std::string kept = ReadWholeFile(outbox + "\\" + keptName);
    size_t dateAt = kept.find("\r\nDate: ");
    ASSERT_NE(dateAt, std::string::npos) << kept;
    std::string date = kept.substr(dateAt + 8, kept.find("\r\n", dateAt + 8) - dateAt - 8);
    std::string body = kept.substr(kept.find("\r\n\r\n") + 4);
    // A file that is no kept message, older than the real one, and one set aside earlier.
    std::ofstream(outbox + "\\00000000.msg") << "HOLMVARD kept e-mail\r\nRaised: x\r\n";
    std::ofstream(outbox + "\\00000000.msg.bad") << "earlier";
    // Held open without delete sharing: the delivered file cannot be removed at once.
    std::string keptPath = outbox + "\\" + keptName;
    HANDLE holder = CreateFileA(keptPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    // After a restart the server is back, and the retry timer comes; the
    // connection drops at QUIT, after the server has taken the message.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    Script script = {13, "close", 0x7F000005};
    HANDLE server = CreateThread(nullptr, 0, ServeOnce, &script, 0, nullptr);
    Sleep(100);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_TRUE(RunTimer(command, OutboxTimer));
    EXPECT_EQ(WaitForSingleObject(server, 30000), WAIT_OBJECT_0);
    CloseHandle(server);
    WSACleanup();
    CloseProgram(program);
    Program restarted;
    command = restarted.StartAndWait(scenario);
    CloseHandle(holder);
    // Taken, so never sent again, after a restart neither: with no server, a try would keep it.
    ASSERT_TRUE(RunTimer(command, OutboxTimer));
    EXPECT_EQ(script.message.rfind("Date: " + date + "\r\nFrom: holmvard@example.com\r\n", 0), 0u) << script.message;
    EXPECT_EQ(script.message.substr(script.message.size() - body.size() - 2), body + "\r\n") << "the body unchanged";
    EXPECT_TRUE(FilesIn(outbox, "*.msg").empty()) << "delivered and removed";
    EXPECT_TRUE(FilesIn(outbox, "*.sent").empty());
    EXPECT_EQ(FilesIn(outbox, "*.bad").size(), 2u) << "the broken file set aside";
    EXPECT_EQ(ReadWholeFile(outbox + "\\00000000.msg.bad"), "earlier") << "never over an earlier one";
    std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    EXPECT_NE(log.find("Unreadable kept e-mail set aside\r\nFile: 00000000.msg\r\nRenamed to: 00000000.msg.2.bad\r\n"),
              std::string::npos)
        << log;
    size_t delivered =
        log.find("Delayed e-mail delivered\r\nSubject: HOLMVARD Alert! SMART error detected\r\nRaised on: ");
    EXPECT_NE(delivered, std::string::npos) << log;
    EXPECT_EQ(log.find("Delayed e-mail delivered", delivered + 1), std::string::npos) << "logged once";
    EXPECT_NE(log.find("Delivered kept e-mail cannot be removed\r\nFile: " + keptName), std::string::npos) << log;
    CloseProgram(restarted);
}

TEST(Outbox, AMailThatCannotBeKeptIsLoggedAndANewAlertGoesOutBehindKeptMail)
{
    const char *bays[] = {
        "drive 0\nmodel ABC-1234\nserial XYZ98765\nstatus exceeded\n"
        "drive 1\nserial SECOND01\ndrive 2\nserial THIRD002\n",
        "drive 0\nmodel ABC-1234\nserial XYZ98765\nstatus exceeded\n"
        "drive 1\nserial SECOND01\nstatus exceeded\ndrive 2\nserial THIRD002\n",
        "drive 0\nmodel ABC-1234\nserial XYZ98765\nstatus exceeded\n"
        "drive 1\nserial SECOND01\nstatus exceeded\ndrive 2\nserial THIRD002\nstatus exceeded\n",
    };
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(bays[0]);
    MailAlertsTo(scenario, "127.0.0.5");
    std::string outbox = scenario.folder + "\\Outbox";
    std::string logPath = scenario.folder + "\\ErrorLog.txt";
    // A file where the folder belongs: nothing can be written there.
    WriteWholeFile(outbox, "");
    {
        Program program;
        ASSERT_TRUE(program.Start(scenario));
        HWND box = program.WaitForWindow(Dialog, "HOLMVARD Email Error", 45000);
        ASSERT_NE(box, nullptr);
        DismissMessageBox(box);
        // The start-up check goes on once the box has gone and is over when its
        // alert shows; a tick sent before that is dropped.
        ASSERT_NE(program.WaitForWindow(Dialog, "SMART Error Detected"), nullptr);
        std::string log = ReadWholeFile(logPath);
        EXPECT_NE(log.find("Alert e-mail cannot be kept\r\nSubject: HOLMVARD Alert! SMART error detected\r\n"
                           "System error: "),
                  std::string::npos)
            << log;
        // With the folder free, the second drive's mail is kept.
        ASSERT_TRUE(DeleteFileA(outbox.c_str()));
        WriteDrives(scenario, bays[1]);
        ASSERT_TRUE(RunTimer(program.WaitForCommandWindow(), 1));
        box = program.WaitForWindow(Dialog, "HOLMVARD Email Error", 45000);
        ASSERT_NE(box, nullptr);
        DismissMessageBox(box);
        EXPECT_EQ(FilesIn(outbox, "*.msg").size(), 1u);
        CloseProgram(program);
    }
    // The server is back: the third drive's alert goes out behind the kept mail, at once.
    MailAlertsTo(scenario, "127.0.0.1");
    size_t before = MailMessages().size();
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    WriteDrives(scenario, bays[2]);
    ASSERT_TRUE(RunTimer(command, 1));
    for (int i = 0; i < 100 && MailMessages().size() < before + 2; i++)
        Sleep(100);
    std::vector<std::string> mails = MailMessages();
    ASSERT_EQ(mails.size(), before + 2);
    EXPECT_NE(ReadWholeFile(mails[before]).find("Serial number: SECOND01"), std::string::npos);
    EXPECT_NE(ReadWholeFile(mails[before + 1]).find("Serial number: THIRD002"), std::string::npos);
    EXPECT_EQ(program.FindWindowNow(Dialog, "HOLMVARD Email Error"), nullptr);
    EXPECT_TRUE(FilesIn(outbox, "*.msg").empty());
    CloseProgram(program);
}

}  // namespace
