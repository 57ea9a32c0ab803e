// The drive history file and its window against the real (Wine) file system
// and window manager.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <ctime>
#include <string>

#include "base/bounded_text.h"
#include "history/drive_history.h"
#include "state/app_state.h"
#include "state/settings.h"

namespace {

constexpr char DriveKey[] = "HISTORY TEST DRIVE/1SERIAL";

// A fresh folder under the temporary folder, with the error log named in it.
std::string UseFreshLogFolder(const char *name)
{
    char temporary[MAX_PATH];
    GetTempPathA(sizeof temporary, temporary);
    std::string folder = std::string(temporary) + name;
    std::string history = folder + "\\History";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((history + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((history + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(history.c_str());
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyText(GlobalSettings.ErrorLogFilePath, (folder + "\\ErrorLog.txt").c_str());
    return history;
}

std::string ReadAll(const std::string &path)
{
    size_t size = 0;
    char *text = ReadDriveHistoryFile(path.c_str(), size);
    std::string whole = text ? std::string(text, size) : std::string();
    if (text)
        HeapFree(GetProcessHeap(), 0, text);
    return whole;
}

HistorySample SampleAt(int64_t time, uint8_t temperature)
{
    HistorySample sample = {};
    sample.time = time;
    sample.temperature = temperature;
    sample.countsRead = true;
    return sample;
}

std::string LineOf(const HistorySample &sample)
{
    char line[HistoryLineSize];
    FormatHistoryLine(sample, line, sizeof line);
    return line;
}

void PumpMessages(int milliseconds)
{
    DWORD until = GetTickCount() + milliseconds;
    while (GetTickCount() < until) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

TEST(DriveHistory, AppendingCreatesTheFolderAndTheHeaderOnceThenAddsLines)
{
    std::string history = UseFreshLogFolder("holmvard-history-append");
    int64_t now = time(nullptr);
    const HistorySample samples[] = {SampleAt(now - 120, 40), SampleAt(now - 60, 41), SampleAt(now, 0)};
    std::string expected = HistoryHeader;
    for (const HistorySample &sample : samples) {
        AppendDriveHistory(DriveKey, sample);
        expected += LineOf(sample);
    }
    EXPECT_EQ(ReadAll(history + "\\HISTORY TEST DRIVE_1SERIAL.csv"), expected);
}

TEST(DriveHistory, AFilePastTheLimitKeepsItsHeaderAndNewestHalfEndingWithTheNewLine)
{
    std::string history = UseFreshLogFolder("holmvard-history-trim");
    int64_t now = time(nullptr);
    AppendDriveHistory(DriveKey, SampleAt(now - 1, 30));
    std::string path = history + "\\HISTORY TEST DRIVE_1SERIAL.csv";
    std::string text = ReadAll(path);
    std::string line = LineOf(SampleAt(now - 1, 30));
    while (text.size() <= HistoryFileLimit - line.size())
        text += line;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);

    std::string newest = LineOf(SampleAt(now, 45));
    AppendDriveHistory(DriveKey, SampleAt(now, 45));
    std::string trimmed = ReadAll(path);
    EXPECT_EQ(trimmed.compare(0, strlen(HistoryHeader), HistoryHeader), 0);
    EXPECT_LE(trimmed.size(), strlen(HistoryHeader) + (text.size() + newest.size()) / 2);
    EXPECT_GT(trimmed.size(), (text.size() + newest.size()) / 2 - line.size());
    ASSERT_GE(trimmed.size(), newest.size());
    EXPECT_EQ(trimmed.substr(trimmed.size() - newest.size()), newest);
    EXPECT_EQ((trimmed.size() - strlen(HistoryHeader) - newest.size()) % line.size(), 0u);
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(HistoryWindow, OpensOncePerDriveWithItsCaptionTakesNewLinesAndCloses)
{
    Instance = GetModuleHandleA(nullptr);
    UseFreshLogFolder("holmvard-history-window");
    int64_t now = time(nullptr);
    for (int hour = 48; hour >= 1; hour--)
        AppendDriveHistory(DriveKey, SampleAt(now - hour * 3600, static_cast<uint8_t>(30 + hour % 20)));
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Instance, nullptr);
    HWND window = OpenHistoryWindow(owner, DriveKey, "HISTORY TEST DRIVE", 55);
    ASSERT_NE(window, nullptr);
    PumpMessages(200);
    char caption[128];
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "HOLMVARD History - HISTORY TEST DRIVE");
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
    EXPECT_EQ(OpenHistoryWindow(owner, DriveKey, "HISTORY TEST DRIVE", 55), window);

    // Every span, a resize, the mouse over the graph and a check appended while open.
    HWND choice = FindWindowExA(window, nullptr, "ComboBox", nullptr);
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(SendMessageA(choice, CB_GETCOUNT, 0, 0), 4);
    for (int span = 0; span < 4; span++) {
        SendMessageA(choice, CB_SETCURSEL, span, 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(choice), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(choice));
        UpdateWindow(window);
    }
    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(window, nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
    AppendDriveHistory(DriveKey, SampleAt(now, 50));
    PumpMessages(200);
    // Near the graph's right end, among the newest checks, the status line names one.
    RECT client;
    GetClientRect(window, &client);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.right - 60, client.bottom / 2));
    char status[512] = "";
    GetWindowTextA(FindWindowExA(window, nullptr, "Static", nullptr), status, sizeof status);
    EXPECT_NE(strstr(status, "   Temperature "), nullptr) << status;
    EXPECT_NE(strstr(status, "   Reallocated sectors 0"), nullptr) << status;
    SendMessageA(window, WM_MOUSELEAVE, 0, 0);
    GetWindowTextA(FindWindowExA(window, nullptr, "Static", nullptr), status, sizeof status);
    EXPECT_STREQ(status, "");

    CloseHistoryWindows();
    EXPECT_FALSE(IsWindow(window));
    // A window closed is opened anew.
    HWND again = OpenHistoryWindow(owner, DriveKey, "HISTORY TEST DRIVE", 0);
    ASSERT_NE(again, nullptr);
    PumpMessages(50);
    CloseHistoryWindows();
    EXPECT_FALSE(IsWindow(again));
    DestroyWindow(owner);
}

}  // namespace
