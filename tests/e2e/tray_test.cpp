// The tray icon and its menu, and how the program looks in a Wine desktop.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"
#include "ui/tray_icon.h"

namespace {

using namespace e2e;

constexpr UINT TrayIcon = 102;
const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\TRAYT1";
const char OneDrive[] = "drive 0\nmodel TRAY\nserial T1\n";

class Tray : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }
};

// The lines of the shell log that start with prefix.
std::vector<std::string> ShellLines(const Scenario &scenario, const char *prefix)
{
    std::vector<std::string> lines;
    for (const std::string &line : ReadShellLog(scenario)) {
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

// The shell forgets every icon when it restarts, then broadcasts "TaskbarCreated".
void RestartShell(HWND command)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = command;
    data.uID = TrayIcon;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    ASSERT_FALSE(TrayIconExists(command, TrayIcon));
    DWORD_PTR result = 0;
    SendMessageTimeoutA(command, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_NORMAL, 10000, &result);
}

// Another program's window the user works in, maximised; ended with the test.
struct MaximisedEditor {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    MaximisedEditor()
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMAXIMIZED;
        char commandLine[] = "notepad.exe";
        if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return;
        WaitForInputIdle(process.hProcess, WindowTimeoutMs);
        for (DWORD waited = 0; !window && waited < WindowTimeoutMs; waited += 50) {
            Sleep(50);
            window = FindWindowA("Notepad", nullptr);
        }
        if (window)
            SetForegroundWindow(window);
    }
    MaximisedEditor(const MaximisedEditor &) = delete;
    MaximisedEditor &operator=(const MaximisedEditor &) = delete;
    ~MaximisedEditor()
    {
        if (!process.hProcess)
            return;
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, ExitTimeoutMs);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
};

BOOL CALLBACK NoteBalloon(HWND window, LPARAM found)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(window) &&
        (GetWindowLongPtrA(window, GWL_STYLE) & TTS_BALLOON))
        *reinterpret_cast<HWND *>(found) = window;
    return TRUE;
}

// The notification's balloon Wine shows by the tray, in its own time; nullptr when none comes.
HWND WaitForBalloon()
{
    HWND balloon = nullptr;
    for (DWORD waited = 0; !balloon && waited < WindowTimeoutMs; waited += 100) {
        Sleep(100);
        EnumWindows(NoteBalloon, reinterpret_cast<LPARAM>(&balloon));
    }
    return balloon;
}

bool IsAbove(HWND upper, HWND lower)
{
    for (HWND below = GetWindow(upper, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT)) {
        if (below == lower)
            return true;
    }
    return false;
}

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

TEST_F(Tray, TaskbarCreatedAddsTheIconAgainWithThePictureOfTheStandingAlert)
{
    WriteRegistryFlag(DriveKey, "SMARTEnabled", 1);
    WriteRegistryFlag(DriveKey, "SMARTError", 1);
    WriteRegistryText(DriveKey, "SMARTErrorTime", "Tuesday, January 01, 2002 09:05:03");
    Scenario scenario = PrepareForThisTest(OneDrive);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(TrayIconExists(command, TrayIcon));
    // Run elevated, the program hears the unelevated shell's broadcast only once
    // it lets the message through, which it does before it first adds the icon.
    std::vector<std::string> shell = ReadShellLog(scenario);
    ASSERT_FALSE(shell.empty());
    char allow[64];
    snprintf(allow, sizeof allow, "ALLOW message=%04X -> ok", RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_EQ(shell[0], allow);

    RestartShell(command);
    EXPECT_TRUE(TrayIconExists(command, TrayIcon));
    shell = ReadShellLog(scenario);
    EXPECT_EQ(shell.back(), "ADD id=102 flags=07 icon=error tip=\"SMART Error\" -> ok");
    CloseProgram(program);
    EXPECT_FALSE(TrayIconExists(command, TrayIcon)) << "shutdown removes the icon";
}

TEST_F(Tray, RefusedAddsAreTriedAgainUntilTheShellTakesTheIcon)
{
    // As at a logon before the taskbar exists: the start-up add fails, and so
    // does the add the first status update falls back to when its change is refused.
    Scenario scenario = PrepareForThisTest((std::string(OneDrive) + "tray-add-fails 2\n").c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    // The retry timer's work, whether or not its own tick came first.
    ASSERT_TRUE(RunTimer(command, TrayAddTimer));
    EXPECT_TRUE(TrayIconExists(command, TrayIcon));
    std::vector<std::string> adds = ShellLines(scenario, "ADD ");
    ASSERT_GE(adds.size(), 3u);
    EXPECT_EQ(adds[0], "ADD id=102 flags=07 icon=normal tip=\"SMART Status: OK, Volume Status: OK\" -> FAIL (refused)");
    EXPECT_EQ(adds[1], "ADD id=102 flags=07 icon=normal tip=\"HOLMVARD Status: OK\" -> FAIL (refused)");
    EXPECT_EQ(adds[2], "ADD id=102 flags=07 icon=normal tip=\"HOLMVARD Status: OK\" -> ok");
    std::vector<std::string> changes = ShellLines(scenario, "MODIFY ");
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes[0], "MODIFY id=102 flags=07 icon=normal tip=\"HOLMVARD Status: OK\" -> FAIL");
    CloseProgram(program);
}

TEST_F(Tray, AnAlertOpensInFrontOfTheUsersWindowWithoutItsKeyboardAndItsNotificationBringsItForward)
{
    const char *drive = "drive 0\nmodel NOTICE-77\nserial SN-NOTICE-1\n";
    Scenario scenario = PrepareForThisTest(drive);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    MaximisedEditor editor;
    ASSERT_NE(editor.window, nullptr) << "notepad did not start";
    ASSERT_EQ(GetForegroundWindow(), editor.window);

    WriteDrives(scenario, (std::string(drive) + "status exceeded\n").c_str());
    ASSERT_TRUE(RunTimer(command, 1));
    HWND dialog = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetForegroundWindow(), editor.window) << "the alert took the keyboard from the user's window";
    EXPECT_TRUE(IsAbove(dialog, editor.window)) << "the alert opened behind the user's window";
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "the alert stays on top";

    std::vector<std::string> notices;
    for (const std::string &line : ShellLines(scenario, "MODIFY ")) {
        if (line.find("title=\"SMART Error Detected\"") != std::string::npos)
            notices.push_back(line);
    }
    ASSERT_EQ(notices.size(), 1u) << "one notification when the error is raised";
    EXPECT_NE(notices[0].find("NOTICE-77"), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find("SN-NOTICE-1"), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find("-> ok"), std::string::npos) << notices[0];
    HWND balloon = WaitForBalloon();
    ASSERT_NE(balloon, nullptr) << "the shell shows no notification";
    SaveScreenshot("smart-error-notification");
    // The shell's word for a click on it, as the tray callback brings it (a
    // real click on Wine's balloon is taken only now and then).
    PostMessageA(command, TrayCallback, TrayIcon, WM_USER + 5);   // NIN_BALLOONUSERCLICK
    for (DWORD waited = 0; GetForegroundWindow() != dialog && waited < WindowTimeoutMs; waited += 50)
        Sleep(50);
    EXPECT_EQ(GetForegroundWindow(), dialog) << "a click on the notification does not bring the alert forward";

    // A standing error is not raised again: its dialog comes back, its notification does not.
    ClickButton(dialog, IDC_ERROR_CANCEL);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, "SMART Error Detected"));
    ASSERT_TRUE(RunTimer(command, 1));
    ASSERT_NE(program.WaitForWindow(Dialog, "SMART Error Detected"), nullptr);
    size_t raised = 0;
    for (const std::string &line : ShellLines(scenario, "MODIFY ")) {
        if (line.find("title=") != std::string::npos)
            raised++;
    }
    EXPECT_EQ(raised, 1u);
    CloseProgram(program);
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

    // A restarted shell gets the error picture back at once.
    RestartShell(command);
    Sleep(1000);
    EXPECT_GT(CountPixelsNear(tray, red, 40), redBefore) << "the error icon is not back after a shell restart";
    CloseProgram(program);
}

}  // namespace
