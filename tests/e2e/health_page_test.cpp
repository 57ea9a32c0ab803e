// The Health page through the real program: what each drive answered at its
// latest check, the counts the caution watches, and the table on the clipboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char AtaKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\WDC WD40EFRXWD-HEALTH1";
const char Bay[] = "drive 0\nmodel WDC WD40EFRX\nserial WD-HEALTH1\n"
                   "attribute 5 100 100 3\nattribute 9 90 90 12345\nattribute 194 110 100 41\n"
                   "attribute 197 100 100 0\nthreshold 5 36\n"
                   "drive 1\nmodel NVME HEALTH\nserial NVHEALTH2\nbus nvme\npercentage-used 7\ntemperature 38\n";

std::string ClipboardText()
{
    std::string text;
    for (int tries = 0; tries < 20 && text.empty(); tries++) {
        Sleep(100);
        if (!OpenClipboard(nullptr))
            continue;
        HANDLE data = GetClipboardData(CF_TEXT);
        const char *bytes = data ? static_cast<const char *>(GlobalLock(data)) : nullptr;
        if (bytes)
            text = bytes;
        if (data)
            GlobalUnlock(data);
        CloseClipboard();
    }
    return text;
}

void EmptyTheClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The line of the table that starts with the text, or "".
std::string LineStarting(const std::string &table, const std::string &start)
{
    size_t at = table.find("\r\n" + start);
    if (at == std::string::npos)
        return "";
    at += 2;
    return table.substr(at, table.find("\r\n", at) - at);
}

TEST(HealthPage, ShowsWhatEachDriveAnsweredKeepsTheWatchedCountsAndCopiesTheTable)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(Bay);
    LogInScenarioFolder(scenario);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);

    // Every check a drive answers is a line of its history, with its temperature.
    std::string history = scenario.folder + "\\History\\WDC WD40EFRXWD-HEALTH1.csv";
    auto lines = [&] {
        std::string text = ReadWholeFile(history);
        return std::count(text.begin(), text.end(), '\n');
    };
    long before = lines();
    EXPECT_GE(before, 2) << "the header and the start-up check";
    for (int tick = 0; tick < 3; tick++)
        ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(lines(), before + 3);
    std::string text = ReadWholeFile(history);
    EXPECT_EQ(text.rfind("time,temperature,", 0), 0u) << text;
    std::string last = text.substr(text.rfind("\n", text.size() - 2) + 1);
    EXPECT_NE(last.find(",41,3,"), std::string::npos) << "temperature, then reallocated sectors: " << last;

    HWND sheet = OpenSheetOnPage(program, command, 1, IDC_HEALTH_LIST);
    ASSERT_NE(sheet, nullptr);
    HWND list = FindControl(sheet, IDC_HEALTH_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 4) << "one row per attribute";
    SaveScreenshot("health-page");

    EmptyTheClipboard();
    ClickButton(GetParent(list), IDC_HEALTH_COPY);
    std::string table = ClipboardText();
    EXPECT_EQ(table.rfind("Model\tWDC WD40EFRX\r\nSerial\tWD-HEALTH1\r\n", 0), 0u) << table;
    EXPECT_EQ(LineStarting(table, "5\t"), "5\tReallocated Sectors Count\t100\t100\t36\t3");
    EXPECT_EQ(LineStarting(table, "9\t"), "9\tPower-On Hours\t90\t90\t\t12,345 h");
    EXPECT_EQ(LineStarting(table, "194\t"), "194\tTemperature\t110\t100\t\t41 C");

    // Space on the focused first row, reallocated sectors, clears its box.
    SetForegroundWindow(sheet);
    PostMessageA(list, WM_SETFOCUS, 0, 0);
    PostKey(list, VK_HOME);
    PostKey(list, VK_SPACE);
    Sleep(300);
    // The NVMe drive, chosen on the Health page, shows its health log.
    HWND drives = FindControl(sheet, IDC_HEALTH_DRIVE_LIST);
    SendMessageA(drives, CB_SETCURSEL, 1, 0);
    SendMessageA(GetParent(drives), WM_COMMAND, MAKEWPARAM(IDC_HEALTH_DRIVE_LIST, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives));
    EmptyTheClipboard();
    ClickButton(GetParent(list), IDC_HEALTH_COPY);
    table = ClipboardText();
    EXPECT_NE(table.find("\tPercentage Used\t\t\t\t7%\r\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\tComposite Temperature\t\t\t\t38 C\r\n"), std::string::npos) << table;
    // The history window of the drive chosen, drawn beside the sheet.
    ClickButton(GetParent(list), IDC_HEALTH_HISTORY);
    HWND graph = nullptr;
    for (int tries = 0; tries < 50 && !graph; tries++, Sleep(100)) {
        for (HWND window : program.VisibleWindows()) {
            if (WindowText(window) == "HOLMVARD History - NVME HEALTH")
                graph = window;
        }
    }
    ASSERT_NE(graph, nullptr);
    SetForegroundWindow(graph);
    Sleep(1000);
    SaveScreenshot("history-window");
    PostMessageA(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));
    ASSERT_TRUE(WaitUntilIdle(command));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, AtaKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    uint8_t watched[8] = {};
    DWORD size = sizeof watched;
    EXPECT_EQ(RegQueryValueExA(key, "SMARTCautionWatched", nullptr, nullptr, watched, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(watched[0] & 1, 0) << "reallocated sectors no longer watched";
    EXPECT_EQ(watched[0] & 2, 2) << "the others still are";
    CloseProgram(program);
}

}  // namespace
