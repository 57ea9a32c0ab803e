// Drive temperatures through the real program: a hot spell raises one alert,
// acknowledged it stays quiet until the drive has cooled, and an NVMe drive is
// held against its own warning temperature.
#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char Caption[] = "Drive Temperature High";
const char AtaKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\HOT DISKHOT00001";
const char Subject[] = "Subject: HOLMVARD Alert! Drive temperature high\r\n";

std::string Bay(int ata, int nvmeWarning)
{
    return "drive 0\nmodel HOT DISK\nserial HOT00001\nattribute 194 42 30 " + std::to_string(ata) +
           "\ndrive 1\nmodel NVME HOT\nserial NVH00002\nbus nvme\ntemperature 75\nwarning-temperature " +
           std::to_string(nvmeWarning) + "\n";
}

// The open temperature dialog that names the serial, or nullptr after a wait of waitMs.
HWND AlertFor(Program &program, const char *serial, int waitMs = 5000)
{
    for (int waited = 0; waited <= waitMs; waited += 100) {
        for (HWND window : program.VisibleWindows()) {
            if (WindowText(window) == Caption && ControlText(window, IDC_SERIAL) == serial)
                return window;
        }
        Sleep(100);
    }
    return nullptr;
}

int Occurrences(const std::string &text, const std::string &what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        count++;
    return count;
}

// Temperature mails about the drive since the test began.
int MailsAbout(const char *serial, size_t before)
{
    int count = 0;
    std::vector<std::string> all = MailMessages();
    for (size_t i = before; i < all.size(); i++) {
        std::string message = ReadWholeFile(all[i]);
        count += message.find(Subject) != std::string::npos && message.find(serial) != std::string::npos;
    }
    return count;
}

TEST(Temperature, AHotSpellRaisesOnceAndOnlyACooledDriveRaisesAgain)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(Bay(58, 80).c_str());
    MailAlertsTo(scenario, "127.0.0.1");
    std::string logPath = scenario.folder + "\\ErrorLog.txt";
    size_t mailsBefore = MailMessages().size();
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(AlertFor(program, "HOT00001", 1000), nullptr) << "one hot reading is not a hot spell";

    ASSERT_TRUE(RunTimer(command, 1));
    HWND alert = AlertFor(program, "HOT00001");
    ASSERT_NE(alert, nullptr);
    SetForegroundWindow(alert);
    Sleep(1000);
    SaveScreenshot("drive-temperature-dialog");
    EXPECT_EQ(ControlText(alert, IDC_MODEL), "HOT DISK");
    EXPECT_EQ(ControlText(alert, IDC_TEMPERATURE_READINGS),
              "Temperature: 58 C\r\nLimit: 55 C\r\nHighest since raised: 58 C");
    uint32_t flag = 0;
    EXPECT_TRUE(ReadRegistryNumber(AtaKey, "TemperatureAlert", flag));
    EXPECT_EQ(flag, 1u);
    std::string time;
    DWORD size = 0;
    EXPECT_TRUE(ReadRegistryText(AtaKey, "TemperatureAlertTime", time, &size) && size == 40 && !time.empty());
    std::string log = ReadWholeFile(logPath);
    EXPECT_NE(log.find("Drive temperature high\r\nModel number: HOT DISK\r\nSerial number: HOT00001\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Temperature: 58 C\r\nLimit: 55 C\r\n"), std::string::npos) << log;
    EXPECT_NE(TrayTip().find("Drive Temperature"), std::string::npos);
    for (int i = 0; i < 50 && MailsAbout("HOT00001", mailsBefore) < 1; i++)
        Sleep(100);
    EXPECT_EQ(MailsAbout("HOT00001", mailsBefore), 1);
    // Below its own warning temperature the NVMe drive is not hot, however warm.
    EXPECT_EQ(AlertFor(program, "NVH00002", 0), nullptr);

    // Acknowledged while still hot: the spell goes on and raises nothing.
    ClickButton(alert, IDC_ACKNOWLEDGE);
    ClickButton(alert, IDC_ERROR_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, Caption));
    ASSERT_TRUE(ReadRegistryNumber(AtaKey, "TemperatureAlert", flag));
    EXPECT_EQ(flag, 0u);
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(AlertFor(program, "HOT00001", 1000), nullptr);
    EXPECT_EQ(Occurrences(ReadWholeFile(logPath), "Drive temperature high acknowledged\r\nModel number: HOT DISK"), 1);

    // Cooled well below the limit, then hot at two checks: a new spell.
    for (int reading : {49, 58}) {
        WriteDrives(scenario, Bay(reading, 80).c_str());
        ASSERT_TRUE(RunTimer(command, 1));
        EXPECT_EQ(AlertFor(program, "HOT00001", 500), nullptr) << reading;
    }
    ASSERT_TRUE(RunTimer(command, 1));
    ASSERT_NE(AlertFor(program, "HOT00001"), nullptr);
    EXPECT_EQ(Occurrences(ReadWholeFile(logPath), "Drive temperature high\r\nModel"), 2);
    CloseProgram(program);

    // The NVMe drive's warning temperature of 70 is its limit: 75 is a hot spell.
    CleanRegistry();
    scenario = PrepareForThisTest(Bay(40, 70).c_str());
    Program nvme;
    command = nvme.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(RunTimer(command, 1));
    alert = AlertFor(nvme, "NVH00002");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(ControlText(alert, IDC_TEMPERATURE_READINGS),
              "Temperature: 75 C\r\nLimit: 70 C\r\nHighest since raised: 75 C");
    EXPECT_EQ(AlertFor(nvme, "HOT00001", 0), nullptr);
    CloseProgram(nvme);
}

}  // namespace
