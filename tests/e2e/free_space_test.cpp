// The free-space check and its alert dialog, through the real program, on the
// fixture volumes P: and R: with their space given by the emulator.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"

#include <commctrl.h>

#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char Caption[] = "Free Space Error Detected";

class FreeSpace : public ::testing::Test {
protected:
    void SetUp() override
    {
        DWORD letters = GetLogicalDrives();
        ASSERT_TRUE((letters & (1u << ('P' - 'A'))) && (letters & (1u << ('R' - 'A'))))
            << "the prefix has no fixture volumes P: and R: (scripts/volume-fixtures.sh)";
        CleanRegistry();
    }

    static uint32_t Stored(const char *key, const char *name)
    {
        uint32_t value = 99;
        EXPECT_TRUE(ReadRegistryNumber(key, name, value)) << name;
        return value;
    }

    static std::string StoredTime(const char *key)
    {
        std::string time;
        DWORD size = 0;
        EXPECT_TRUE(ReadRegistryText(key, "FreeSpaceErrorTime", time, &size));
        EXPECT_EQ(size, 40u);
        return time;
    }

    // Moves the slider as a drag would, and returns where the dialog left it.
    static int Drag(HWND dialog, int position)
    {
        HWND slider = GetDlgItem(dialog, IDC_NEW_MINIMUM);
        SendMessageA(slider, TBM_SETPOS, TRUE, position);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
        return static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
    }

    // The one open dialog of the program showing the volume title.
    static HWND DialogOf(Program &program, const char *title, DWORD timeoutMs = WindowTimeoutMs)
    {
        for (DWORD waited = 0;; waited += 100) {
            for (HWND window : program.VisibleWindows()) {
                if (WindowText(window) == Caption && ControlText(window, IDC_VOLUME_TITLE) == title)
                    return window;
            }
            if (waited >= timeoutMs)
                return nullptr;
            Sleep(100);
        }
    }
};

TEST_F(FreeSpace, ErrorIsStoredShownReopenedAfterCancelAndAcknowledgedWithANewMinimum)
{
    Scenario scenario = PrepareForThisTest("drive 0\nvolume P total 10240000000 free 1300000000\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    HWND dialog = DialogOf(program, "P: FIXTURE");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Stored(KeyP, "FreeSpaceError"), 1u);
    std::string raised = StoredTime(KeyP);
    EXPECT_FALSE(raised.empty());
    EXPECT_EQ(ControlText(dialog, IDC_FREE_SPACE_TIME), raised);
    EXPECT_EQ(ControlText(dialog, IDC_VOLUME_SERIAL), "1A2B-3C4D");
    EXPECT_FALSE(ControlText(dialog, IDC_FILE_SYSTEM).empty());
    EXPECT_EQ(ControlText(dialog, IDC_TOTAL_SPACE), "9.54GB, 10,240,000,000 bytes, 100%");
    EXPECT_EQ(ControlText(dialog, IDC_USED_SPACE), "8.33GB, 8,940,000,000 bytes, 87.3%");
    EXPECT_EQ(ControlText(dialog, IDC_FREE_SPACE), "1.21GB, 1,300,000,000 bytes, 12.7%");
    EXPECT_EQ(ControlText(dialog, IDC_FREE_SPACE_ACKNOWLEDGE), "&Acknowledge error and set new minimum:");
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_NEW_MINIMUM), TBM_GETPOS, 0, 0), 10);
    EXPECT_EQ(ControlText(dialog, IDC_MINIMUM_TEXT), "10%, 976.56MB");
    // The other volumes have room: one dialog only.
    EXPECT_EQ(DialogOf(program, "R: SPARE", 0), nullptr);

    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar) {
        RECT tray;
        GetWindowRect(taskbar, &tray);
        tray.left = tray.right - 200;
        SetForegroundWindow(dialog);
        Sleep(1000);
        SaveScreenshot("free-space-error-dialog");
        EXPECT_GT(CountPixelsNear(tray, 0xFF0000, 40), 0) << "the error icon is not in the tray";
        EXPECT_EQ(TrayTip(), "Free Space Error");
    }

    // Cancel leaves the error; the next check reopens the dialog with the time it was raised.
    Sleep(1100);
    ClickButton(dialog, IDC_FREE_SPACE_CANCEL);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, Caption));
    ASSERT_TRUE(RunTimer(command, 2));
    dialog = DialogOf(program, "P: FIXTURE");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FREE_SPACE_TIME), raised);
    EXPECT_EQ(StoredTime(KeyP), raised) << "a pending error is not raised again";

    // The slider cannot pass the whole free percentage nor drop below 1.
    EXPECT_EQ(Drag(dialog, 20), 12);
    EXPECT_EQ(ControlText(dialog, IDC_MINIMUM_TEXT), "12%, 1.14GB");
    EXPECT_EQ(Drag(dialog, 0), 1);
    EXPECT_EQ(Drag(dialog, 11), 11);
    ClickButton(dialog, IDC_FREE_SPACE_ACKNOWLEDGE);
    ClickButton(dialog, IDC_FREE_SPACE_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, Caption));
    EXPECT_EQ(Stored(KeyP, "FreeSpaceError"), 0u);
    EXPECT_EQ(Stored(KeyP, "FreeSpaceMin"), 11u);
    EXPECT_EQ(Stored(KeyP, "SpaceCheckEnabled"), 1u);
    // 12.7 % free is above the new minimum.
    ASSERT_TRUE(RunTimer(command, 2));
    EXPECT_EQ(program.FindWindowNow(Dialog, Caption), nullptr);
    CloseProgram(program);
}

TEST_F(FreeSpace, TwoVolumesInErrorGetTwoCascadedDialogsAndAnAlmostFullOneIsSwitchedOff)
{
    Scenario scenario = PrepareForThisTest("drive 0\nvolume P total 1000000000 free 11000000\n"
                                           "volume R total 10240000000 free 1300000000\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    HWND full = DialogOf(program, "P: FIXTURE");
    HWND spare = DialogOf(program, "R: SPARE");
    ASSERT_NE(full, nullptr);
    ASSERT_NE(spare, nullptr);
    RECT a;
    RECT b;
    GetWindowRect(full, &a);
    GetWindowRect(spare, &b);
    EXPECT_TRUE(a.left != b.left && a.top != b.top) << "one dialog hides the other";
    SaveScreenshot("two-free-space-alerts");
    // The check leaves the later volume in error current: the sheet opens on it.
    HWND sheet = OpenSheetOnPage(program, command, 2, IDC_VOLUME_LIST);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_VOLUME_TITLE)), "R: SPARE");
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));

    // 1.1 % free leaves no lower minimum to offer: acknowledging switches monitoring off.
    EXPECT_EQ(ControlText(full, IDC_FREE_SPACE_ACKNOWLEDGE), "&Acknowledge error and disable Free Space Monitoring");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(full, IDC_NEW_MINIMUM)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(full, IDC_MINIMUM_TEXT)));
    EXPECT_EQ(SendMessageA(GetDlgItem(full, IDC_NEW_MINIMUM), TBM_GETPOS, 0, 0), 1);
    ClickButton(full, IDC_FREE_SPACE_ACKNOWLEDGE);
    ClickButton(full, IDC_FREE_SPACE_OK);
    for (int i = 0; i < 50 && IsWindow(full); i++)
        Sleep(100);
    EXPECT_FALSE(IsWindow(full));
    EXPECT_EQ(Stored(KeyP, "FreeSpaceError"), 0u);
    EXPECT_EQ(Stored(KeyP, "SpaceCheckEnabled"), 0u);
    EXPECT_EQ(Stored(KeyP, "FreeSpaceMin"), 15u);

    // The other dialog is left as it is by the next check; the switched-off volume stays quiet.
    ASSERT_TRUE(RunTimer(command, 2));
    EXPECT_EQ(DialogOf(program, "R: SPARE"), spare);
    EXPECT_EQ(program.VisibleWindows().size(), 1u);
    CloseProgram(program);
    EXPECT_EQ(Stored(KeyR, "FreeSpaceError"), 1u);
}

TEST_F(FreeSpace, PendingErrorComesBackAfterARestartWithItsStoredTime)
{
    // Pending from an earlier run, monitoring since switched off, and the space has grown to 31 %.
    WriteRegistryFlag(KeyP, "SpaceCheckEnabled", 0);
    WriteRegistryFlag(KeyP, "FreeSpaceMin", 15);
    WriteRegistryFlag(KeyP, "FreeSpaceError", 1);
    WriteRegistryText(KeyP, "FreeSpaceErrorTime", "Tuesday, January 01, 2002 09:05:03");
    Scenario scenario = PrepareForThisTest("drive 0\nvolume P total 1000000000 free 310000000\n");
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND dialog = DialogOf(program, "P: FIXTURE");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FREE_SPACE_TIME), "Tuesday, January 01, 2002 09:05:03");
    // 80 % of 31 % is above the minimum of 15, so the minimum itself is offered.
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_NEW_MINIMUM), TBM_GETPOS, 0, 0), 15);
    PostKey(GetDlgItem(dialog, IDC_FREE_SPACE_CANCEL), VK_ESCAPE);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, Caption));
    EXPECT_EQ(Stored(KeyP, "FreeSpaceError"), 1u);
    CloseProgram(program);
}

}  // namespace
