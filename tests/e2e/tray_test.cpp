// The tray icon and its menu, and how the program looks in a Wine desktop.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

constexpr UINT TrayIcon = 102;
const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\TRAYT1";
const char OneDrive[] = "drive 0\nmodel TRAY\nserial T1\n";

class Tray : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }
};

TEST_F(Tray, RightClickOpensTheMenuWhoseCloseEndsTheProgram)
{
    WriteRegistryFlag(DriveKey, "SMARTEnabled", 1);
    WriteRegistryFlag(DriveKey, "SMARTError", 1);
    WriteRegistryText(DriveKey, "SMARTErrorTime", "Tuesday, January 01, 2002 09:05:03");
    Scenario scenario = PrepareForThisTest(OneDrive);
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND command = program.WaitForCommandWindow();
    ASSERT_NE(command, nullptr);
    ASSERT_NE(program.WaitForWindow("#32770", "SMART Error Detected"), nullptr);

    PostMessageA(command, TrayCallback, TrayIcon, WM_RBUTTONUP);
    HWND menu = program.WaitForWindow("#32768", nullptr);
    ASSERT_NE(menu, nullptr) << "no tray menu";
    // Up from no selection lands on the last item, "Close".
    PostKey(command, VK_UP);
    PostKey(command, VK_RETURN);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(ExitTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1u);
    uint32_t flag = 0;
    ASSERT_TRUE(ReadRegistryNumber(DriveKey, "SMARTError", flag));
    EXPECT_EQ(flag, 1u);
}

TEST_F(Tray, OtherMouseMessagesAndOtherIconsOpenNothing)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    PostMessageA(command, TrayCallback, TrayIcon, WM_RBUTTONDOWN);
    PostMessageA(command, TrayCallback, TrayIcon, WM_LBUTTONDBLCLK);
    PostMessageA(command, TrayCallback, TrayIcon + 1, WM_RBUTTONUP);
    ASSERT_TRUE(RunTimer(command, 99));
    EXPECT_EQ(program.WaitForWindow("#32768", nullptr, 500), nullptr);
    CloseProgram(program);
}

TEST_F(Tray, TaskbarCreatedAddsTheIconAgain)
{
    Scenario scenario = PrepareForThisTest(OneDrive);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(TrayIconExists(command, TrayIcon));

    // A restarted shell has forgotten every icon.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = command;
    data.uID = TrayIcon;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(TrayIconExists(command, TrayIcon));

    DWORD_PTR result = 0;
    SendMessageTimeoutA(command, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_NORMAL, 10000, &result);
    EXPECT_TRUE(TrayIconExists(command, TrayIcon));
    CloseProgram(program);
    EXPECT_FALSE(TrayIconExists(command, TrayIcon)) << "shutdown removes the icon";
}

TEST_F(Tray, ScreenshotsShowTheTrayIconAndTheAlertDialog)
{
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_NE(taskbar, nullptr) << "no taskbar: the Wine prefix has no virtual desktop with a shell";
    RECT tray;
    GetWindowRect(taskbar, &tray);
    // The icons sit at the right end of the taskbar.
    tray.left = tray.right - 200;
    // The status light of the pictures: bright green when all is well, red on error.
    const uint32_t green = 0x00FF00;
    const uint32_t red = 0xFF0000;
    int greenBefore = CountPixelsNear(tray, green, 40);
    int redBefore = CountPixelsNear(tray, red, 40);

    // The longest model a drive reports shows whole.
    const char *drive = "drive 0\nmodel WDC WD2500JB-00GVC0 SPECIAL EDITION ABCD\nserial WD-WMAEP1234567890AB\n";
    Scenario scenario = PrepareForThisTest((std::string(drive) + "status ok\n").c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    Sleep(1000);
    SaveScreenshot("tray-normal");
    EXPECT_GT(CountPixelsNear(tray, green, 40), greenBefore) << "the normal icon is not in the tray";

    WriteDrives(scenario, (std::string(drive) + "status exceeded\n").c_str());
    ASSERT_TRUE(RunTimer(command, 1));
    HWND dialog = program.WaitForWindow("#32770", "SMART Error Detected");
    ASSERT_NE(dialog, nullptr);
    SetForegroundWindow(dialog);
    Sleep(1000);
    SaveScreenshot("smart-error-dialog");
    EXPECT_GT(CountPixelsNear(tray, red, 40), redBefore) << "the error icon is not in the tray";
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_GT(frame.right - frame.left, 250);
    EXPECT_GT(frame.bottom - frame.top, 250);

    // A restarted shell gets the normal picture back first; the next check must not
    // take it for the error picture it showed before.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = command;
    data.uID = TrayIcon;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    DWORD_PTR result = 0;
    SendMessageTimeoutA(command, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_NORMAL, 10000, &result);
    ASSERT_TRUE(RunTimer(command, 1));
    Sleep(1000);
    EXPECT_GT(CountPixelsNear(tray, red, 40), redBefore) << "the error icon is not back after a shell restart";
    CloseProgram(program);
}

}  // namespace
