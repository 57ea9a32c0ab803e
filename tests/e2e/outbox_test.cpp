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
        HWND sheet = OpenSheetOnPage(program, command, 2, IDC_SEND_TEST_EMAIL);   // the Alerts page
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
    std::string kept = ReadWholeFile(outbox + "\\" + FilesIn(outbox, "*.msg")[0]);
    size_t dateAt = kept.find("\r\nDate: ");
    ASSERT_NE(dateAt, std::string::npos) << kept;
    std::string date = kept.substr(dateAt + 8, kept.find("\r\n", dateAt + 8) - dateAt - 8);
    std::string body = kept.substr(kept.find("\r\n\r\n") + 4);
    // A file that is no kept message, older than the real one.
    std::ofstream(outbox + "\\00000000.msg") << "HOLMVARD kept e-mail\r\nRaised: x\r\n";

    // After a restart the server is back, and the retry timer comes.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    Script script = {0, "", 0x7F000005};
    HANDLE server = CreateThread(nullptr, 0, ServeOnce, &script, 0, nullptr);
    Sleep(100);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_TRUE(RunTimer(command, OutboxTimer));
    EXPECT_EQ(WaitForSingleObject(server, 30000), WAIT_OBJECT_0);
    CloseHandle(server);
    WSACleanup();
    EXPECT_EQ(script.message.rfind("Date: " + date + "\r\nFrom: holmvard@example.com\r\n", 0), 0u) << script.message;
    EXPECT_EQ(script.message.substr(script.message.size() - body.size() - 2), body + "\r\n") << "the body unchanged";
    EXPECT_TRUE(FilesIn(outbox, "*.msg").empty()) << "delivered and removed";
    EXPECT_EQ(FilesIn(outbox, "*.bad").size(), 1u) << "the broken file set aside";
    std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    EXPECT_NE(log.find("Unreadable kept e-mail set aside\r\nFile: 00000000.msg\r\n\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Delayed e-mail delivered\r\nSubject: HOLMVARD Alert! SMART error detected\r\nRaised on: "),
              std::string::npos)
        << log;
    CloseProgram(program);
}

}  // namespace
