// Alert e-mails and the error log, through the real program: against the test
// command's mail server on 127.0.0.1:25, and against a scripted server on
// 127.0.0.2:25 that fails one step of the dialogue.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/e2e_driver.h"
#include "e2e/scripted_smtp.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
const char SMARTSubject[] = "HOLMVARD Alert! SMART error detected";

// Messages that arrived since before, waited for up to a few seconds.
std::vector<std::string> NewMessages(size_t before, size_t expected)
{
    for (int i = 0; i < 50 && MailMessages().size() < before + expected; i++)
        Sleep(100);
    std::vector<std::string> all = MailMessages();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(before, all.size())), all.end());
}

std::string SMARTBody(const std::string &time)
{
    return "HOLMVARD has detected a SMART error condition\r\nreported by this drive:\r\n\r\n"
           "Model number: ABC-1234\r\nSerial number: XYZ98765\r\nDrive size: 40.02GB\r\n\r\n"
           "Occurred on: " + time + ".\r\n\r\nWARNING: Immediately back-up the data and replace this\r\n"
           "hard disk drive. A failure may be imminent.\r\n";
}

class MailAndLog : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }

    // The e-mail settings, with the log in the scenario's folder unless told otherwise.
    static void Configure(const Scenario &scenario, const char *server, int smart, int freeSpace,
                          const char *logPath = nullptr)
    {
        MailAlertsTo(scenario, server, smart);
        WriteRegistryFlag(GlobalKey, "EmailFreeSpaceErrors", freeSpace);
        if (logPath)
            WriteRegistryText(GlobalKey, "ErrorLogFilePath", logPath);
    }

    static std::string StoredText(const char *key, const char *name)
    {
        std::string text;
        EXPECT_TRUE(ReadRegistryText(key, name, text));
        return text;
    }
};

TEST_F(MailAndLog, SMARTErrorIsMailedThenLoggedAndItsAcknowledgementOnlyLogged)
{
    Scenario scenario = PrepareForThisTest(FailingDrive);
    Configure(scenario, "127.0.0.1", 1, 0);
    size_t before = MailMessages().size();
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND dialog = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(dialog, nullptr);
    std::string time = StoredText(DriveKey, "SMARTErrorTime");

    std::vector<std::string> mails = NewMessages(before, 1);
    ASSERT_EQ(mails.size(), 1u);
    std::string message = ReadWholeFile(mails[0]);
    size_t headersEnd = message.find("\r\n\r\n");
    ASSERT_NE(headersEnd, std::string::npos);
    std::string headers = message.substr(0, headersEnd + 2);
    ASSERT_EQ(headers.rfind("Date: ", 0), 0u) << headers;
    size_t from = headers.find("\r\n") + 2;
    EXPECT_EQ(headers.substr(from), "From: holmvard@example.com\r\nSubject: HOLMVARD Alert! SMART error detected\r\n"
                                    "To: admin@example.com\r\nX-Mailer: HOLMVARD V1.0\r\n");
    // "Date: Tue, 08 Dec 2026 05:37:27 +0000": English names and a signed zone.
    std::string date = headers.substr(6, from - 8);
    EXPECT_EQ(date.size(), 31u) << date;
    EXPECT_TRUE(date[26] == '+' || date[26] == '-') << date;
    // The body's own last line end, then the empty line the terminator "\r\n.\r\n" closes.
    EXPECT_EQ(message.substr(headersEnd + 4), SMARTBody(time) + "\r\n");
    std::string envelope = ReadWholeFile(mails[0].substr(0, mails[0].size() - 4) + ".envelope");
    EXPECT_NE(envelope.find("MAIL FROM holmvard@example.com\nRCPT TO admin@example.com"),
              std::string::npos)
        << envelope;

    std::string raised = "SMART error condition detected\r\nModel number: ABC-1234\r\nSerial number: XYZ98765\r\n"
                         "Drive size: 40.02GB\r\nOccurred on: " + time + "\r\n\r\n";
    EXPECT_EQ(ReadWholeFile(scenario.folder + "\\ErrorLog.txt"), raised);

    dialog = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(GetDlgItem(dialog, IDC_ACKNOWLEDGE), nullptr);
    ClickButton(dialog, IDC_ACKNOWLEDGE);
    ClickButton(dialog, IDC_ERROR_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "SMART Error Detected"));
    std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    ASSERT_EQ(log.rfind(raised, 0), 0u);
    std::string acknowledged = log.substr(raised.size());
    std::string head = "SMART error condition acknowledged\r\nModel number: ABC-1234\r\nSerial number: XYZ98765\r\n"
                       "Drive size: 40.02GB\r\nOccurred on: " + time + "\r\nAcknowledged: ";
    EXPECT_EQ(acknowledged.rfind(head, 0), 0u) << acknowledged;
    EXPECT_EQ(acknowledged.substr(acknowledged.size() - 4), "\r\n\r\n");
    CloseProgram(program);
    EXPECT_EQ(MailMessages().size(), before + 1) << "an acknowledgement sends no mail";
}

TEST_F(MailAndLog, EachSettingMailsOnlyItsOwnAlertAndBothAreLogged)
{
    Scenario scenario = PrepareForThisTest((std::string(FailingDrive) + "volume P total 10240000000 free 1300000000\n").c_str());
    Configure(scenario, "127.0.0.1", 0, 1);
    size_t before = MailMessages().size();
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND space = program.WaitForWindow(Dialog, "Free Space Error Detected");
    HWND smart = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(space, nullptr);
    ASSERT_NE(smart, nullptr);
    // The larger alert opened later leaves the earlier one's caption in sight.
    RECT earlier;
    RECT later;
    GetWindowRect(smart, &earlier);
    GetWindowRect(space, &later);
    EXPECT_GT(later.top, earlier.top);
    EXPECT_GT(later.left, earlier.left);
    std::vector<std::string> mails = NewMessages(before, 1);
    ASSERT_EQ(mails.size(), 1u);
    std::string message = ReadWholeFile(mails[0]);
    std::string time = StoredText(KeyP, "FreeSpaceErrorTime");
    size_t from = message.find("\r\nFrom: ");
    ASSERT_EQ(message.rfind("Date: ", 0), 0u) << message;
    ASSERT_NE(from, std::string::npos);
    EXPECT_EQ(message.substr(from + 2),
              "From: holmvard@example.com\r\nSubject: HOLMVARD Alert! Free space error detected\r\n"
              "To: admin@example.com\r\nX-Mailer: HOLMVARD V1.0\r\n\r\n"
              "HOLMVARD has detected a free space minimum\r\nerror condition on this volume:\r\n\r\n"
              "Volume name: P: FIXTURE\r\nSerial number: 1A2B-3C4D\r\n"
              "Free Space: 1.21GB, 1,300,000,000 bytes, 12.7%\r\n\r\nOccurred on: " + time + ".\r\n\r\n"
              "WARNING: Immediately upgrade your hard disk drive.\r\nOperating system failures may result.\r\n\r\n");
    std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    size_t smartRecord = log.find("SMART error condition detected\r\n");
    size_t spaceRecord = log.find("Free space error condition detected\r\nVolume name: P: FIXTURE\r\n");
    EXPECT_NE(smartRecord, std::string::npos);
    EXPECT_NE(spaceRecord, std::string::npos);
    EXPECT_LT(smartRecord, spaceRecord) << "the SMART check runs first";
    CloseProgram(program);
    EXPECT_EQ(MailMessages().size(), before + 1) << "no SMART mail while its setting is off";
}

// The program runs with UTF-8 as its ANSI code page: a program folder and a log
// path past ASCII work, and a Cyrillic label, which no Western code page holds,
// reaches the mail and the log cut between its letters, the metrics file whole,
// and the mail declares its UTF-8 body.
TEST_F(MailAndLog, ALabelAndAFolderPastASCIIReachTheMailTheLogAndTheMetricsIntact)
{
    // The driver's own code page spells the folder's e-acute in one byte.
    Scenario scenario = PrepareScenario("MailAndLog.Caf\xE9", "holmvard-emulated.exe",
                                        "drive 0\nvolume S total 10240000000 free 1300000000\n");
    Configure(scenario, "127.0.0.1", 0, 1);
    std::string metrics = scenario.folder + "\\holmvard.prom";
    WriteRegistryText(GlobalKey, "MetricsFile", metrics.c_str());
    size_t before = MailMessages().size();
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    ASSERT_NE(program.WaitForWindow(Dialog, "Free Space Error Detected"), nullptr);
    std::string time = StoredText("Software\\Tessmere\\HOLMVARD\\Volumes\\C0FF-EE00", "FreeSpaceErrorTime");
    // Five of the label's letters are 10 bytes; the sixth would end past the title's 11.
    const std::string title = "S: \xD0\xA0\xD0\xB5\xD0\xB7\xD0\xB5\xD1\x80";
    const std::string label = "\xD0\xA0\xD0\xB5\xD0\xB7\xD0\xB5\xD1\x80\xD0\xB2\xD0\xBD\xD0\xB0\xD1\x8F "
                              "\xD0\xBA\xD0\xBE\xD0\xBF\xD0\xB8\xD1\x8F";

    std::vector<std::string> mails = NewMessages(before, 1);
    ASSERT_EQ(mails.size(), 1u);
    std::string message = ReadWholeFile(mails[0]);
    size_t from = message.find("\r\nFrom: ");
    ASSERT_NE(from, std::string::npos) << message;
    EXPECT_EQ(message.substr(from + 2),
              "From: holmvard@example.com\r\nSubject: HOLMVARD Alert! Free space error detected\r\n"
              "To: admin@example.com\r\nX-Mailer: HOLMVARD V1.0\r\n"
              "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
              "HOLMVARD has detected a free space minimum\r\nerror condition on this volume:\r\n\r\n"
              "Volume name: " + title + "\r\nSerial number: C0FF-EE00\r\n"
              "Free Space: 1.21GB, 1,300,000,000 bytes, 12.7%\r\n\r\nOccurred on: " + time + ".\r\n\r\n"
              "WARNING: Immediately upgrade your hard disk drive.\r\nOperating system failures may result.\r\n\r\n");
    EXPECT_EQ(ReadWholeFile(scenario.folder + "\\ErrorLog.txt"),
              "Free space error condition detected\r\nVolume name: " + title + "\r\nSerial number: C0FF-EE00\r\n"
              "Free Space: 1.21GB, 1,300,000,000 bytes, 12.7%\r\nOccurred on: " + time + "\r\n\r\n");
    EXPECT_TRUE(WaitForFileText(metrics, "holmvard_volume_info{volume=\"S:\",volume_serial=\"C0FF-EE00\",label=\"" + label +
                                             "\"} 1\n"));
    // The Event Log's message file is the program itself, folder and all.
    std::string messageFile;
    ASSERT_TRUE(ReadRegistryText("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\HOLMVARD",
                                 "EventMessageFile", messageFile));
    EXPECT_EQ(_stricmp(messageFile.c_str(), scenario.executable.c_str()), 0) << messageFile;
    CloseProgram(program);
}

TEST_F(MailAndLog, AFailingStepIsNamedInTheErrorBoxAndTheAlertStillRaisedAndLogged)
{
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const struct {
        int step;
        const char *reply;
        const char *error;
        bool split = false;
    } cases[] = {
        {6, "421 busy\r\n", "Server welcome error"},
        {6, "close", "Server welcome error"},
        {6, "flood", "Server welcome error"},
        {7, "554 no\r\n", "Server email connect error"},
        {8, "451 later\r\n", "Server MAIL FROM: error"},
        {9, "550-no such\r\n550 user\r\n", "Server RCPT TO: error"},
        {10, "554 no\r\n", "Server DATA command error"},
        {10, "close", "Server DATA command error"},
        {12, "452 full\r\n", "Server email body error"},
        {12, "close", "Server email body error"},
        {13, "421 bye\r\n", "Server QUIT command error"},
        {13, "close", "Server QUIT command error", true},
        {7, "silent", "Server email connect error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.step) + " " + c.reply);
        CleanRegistry();
        Scenario scenario = PrepareForThisTest(FailingDrive);
        Configure(scenario, "127.0.0.2", 1, 0);
        Script script = {c.step, c.reply};
        script.split = c.split;
        HANDLE server = CreateThread(nullptr, 0, ServeOnce, &script, 0, nullptr);
        ASSERT_NE(server, nullptr);
        Sleep(100);
        Program program;
        ASSERT_TRUE(program.Start(scenario));
        HWND box = program.WaitForWindow(Dialog, "HOLMVARD Email Error", 45000);
        ASSERT_NE(box, nullptr);
        std::string text = MessageBoxText(box);
        std::string expected = std::string("An error has occurred sending an email message.\n\nError: ") + c.error +
                               "\nFrom: holmvard@example.com\nTo: admin@example.com\n"
                               "Server: 127.0.0.2\n\nSubject:\n" + SMARTSubject + "\n\nEmail message:\n" +
                               SMARTBody(StoredText(DriveKey, "SMARTErrorTime"));
        EXPECT_EQ(text, expected);
        // Registry first, then the e-mail, then the log.
        uint32_t flag = 0;
        EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag) && flag == 1);
        EXPECT_EQ(ReadWholeFile(scenario.folder + "\\ErrorLog.txt"), "");
        DismissMessageBox(box);
        // Once it has answered the data with 250 the server holds the message: it is not kept.
        EXPECT_EQ(FilesIn(scenario.folder + "\\Outbox", "*.msg").size(), c.step == 13 ? 0u : 1u);
        ASSERT_NE(program.WaitForWindow(Dialog, "SMART Error Detected"), nullptr);
        std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
        EXPECT_EQ(log.rfind("SMART error condition detected\r\n", 0), 0u) << log;
        EXPECT_EQ(WaitForSingleObject(server, 60000), WAIT_OBJECT_0);
        CloseHandle(server);
        if (strcmp(c.reply, "close") != 0) {
            EXPECT_TRUE(script.clientClosed);
        }
        CloseProgram(program);
    }
    WSACleanup();
}

TEST_F(MailAndLog, ALogThatCannotBeOpenedIsReportedAtEachRecordAndChangesNothingElse)
{
    for (bool held : {false, true}) {
        SCOPED_TRACE(held ? "held exclusively" : "missing folder");
        CleanRegistry();
        Scenario scenario = PrepareForThisTest(FailingDrive);
        std::string path = scenario.folder + (held ? "\\ErrorLog.txt" : "\\missing\\ErrorLog.txt");
        Configure(scenario, "127.0.0.1", 0, 0, path.c_str());
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (held)
            holder = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        Program program;
        ASSERT_TRUE(program.Start(scenario));
        for (int record = 0; record < 2; record++) {
            HWND box = program.WaitForWindow(Dialog, "Log File Write Error");
            ASSERT_NE(box, nullptr) << record;
            EXPECT_EQ(MessageBoxText(box), "Error opening log file");
            DismissMessageBox(box);
            ASSERT_TRUE(program.WaitForWindowGone(Dialog, "Log File Write Error"));
            if (record == 1)
                break;
            HWND dialog = program.WaitForWindow(Dialog, "SMART Error Detected");
            ASSERT_NE(dialog, nullptr);
            ClickButton(dialog, IDC_ACKNOWLEDGE);
            ClickButton(dialog, IDC_ERROR_OK);
        }
        ASSERT_TRUE(program.WaitForWindowGone(Dialog, "SMART Error Detected"));
        uint32_t flag = 99;
        EXPECT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag));
        EXPECT_EQ(flag, 0u);
        if (holder != INVALID_HANDLE_VALUE) {
            CloseHandle(holder);
            EXPECT_EQ(ReadWholeFile(path), "");
        }
        CloseProgram(program);
    }
}

}  // namespace
