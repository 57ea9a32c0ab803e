#include "e2e/e2e_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "app/command_window.h"
#include "resources/resource_ids.h"

namespace e2e {

namespace {

// Before any test: a driver Windows scaled for a DPI would see positions and
// sizes other than the program's own.
const bool DriverSeesRealPixels = SetProcessDPIAware() != FALSE;

// The build hands over Unix paths; Wine maps the Unix root to Z:.
std::string WindowsPath(const char *unixPath)
{
    std::string path = unixPath;
    if (path[0] != '/')
        return path;
    for (char &c : path) {
        if (c == '/')
            c = '\\';
    }
    return "Z:" + path;
}

void RemoveTree(const std::string &folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

struct WindowSearch {
    DWORD processId;
    const char *className;
    const char *caption;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    char text[256] = "";
    if (search->className) {
        GetClassNameA(window, text, sizeof text);
        if (strcmp(text, search->className) != 0)
            return TRUE;
    }
    if (search->caption) {
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, search->caption) != 0)
            return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM parameter)
{
    auto *lines = reinterpret_cast<std::string *>(parameter);
    char className[64] = "";
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") != 0)
        return TRUE;
    std::string text = WindowText(child);
    if (text.empty())
        return TRUE;
    if (!lines->empty())
        *lines += "\n";
    *lines += text;
    return TRUE;
}

}  // namespace

Scenario PrepareScenario(const char *name, const char *program, const char *drives)
{
    Scenario scenario;
    std::string work = WindowsPath(HOLMVARD_E2E_WORK);
    std::string bin = WindowsPath(HOLMVARD_E2E_BIN);
    CreateDirectoryA(work.c_str(), nullptr);
    scenario.folder = work + "\\" + name;
    RemoveTree(scenario.folder);
    EXPECT_TRUE(CreateDirectoryA(scenario.folder.c_str(), nullptr)) << scenario.folder;
    scenario.executable = scenario.folder + "\\" + program;
    std::string source = bin + "\\" + program;
    EXPECT_TRUE(CopyFileA(source.c_str(), scenario.executable.c_str(), FALSE)) << source;
    if (drives)
        WriteDrives(scenario, drives);
    return scenario;
}

Scenario PrepareForThisTest(const char *drives, const char *program)
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char &c : name) {
        if (c == '/')
            c = '_';
    }
    return PrepareScenario(name.c_str(), program, drives);
}

void ExpectRefusal(Program &program, const char *caption, const char *text)
{
    HWND box = program.WaitForWindow("#32770", caption);
    ASSERT_NE(box, nullptr) << "no \"" << caption << "\" box";
    if (text) {
        EXPECT_EQ(MessageBoxText(box), text);
    }
    DismissMessageBox(box);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(ExitTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

void ExpectNoDriveButVolumesWatched(Program &program, const Scenario &scenario)
{
    HWND command = program.WaitUntilStarted(scenario);
    ASSERT_NE(command, nullptr) << "the program did not stay";
    EXPECT_EQ(program.FindWindowNow("#32770", "IDE Drive Error"), nullptr);
    std::vector<std::string> spaces = RequestLinesStartingWith(scenario, "SPACE");
    EXPECT_FALSE(spaces.empty()) << "no volume checked";
    CloseProgram(program);
}

void CloseProgram(Program &program)
{
    HWND command = program.WaitForCommandWindow();
    ASSERT_NE(command, nullptr);
    PostMessageA(command, WM_COMMAND, IDM_CLOSE, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(ExitTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1u);
}

void WriteDrives(const Scenario &scenario, const char *drives)
{
    // Volumes a scenario leaves open get ample space, so how full the host's
    // disk is never raises a free-space alert in a test.
    std::string text = drives;
    for (const char *letter : {"C", "P", "Q", "R", "S", "Z"}) {
        if (text.find(std::string("volume ") + letter) == std::string::npos)
            text += std::string("\nvolume ") + letter + " total 100000000000 free 60000000000\n";
    }
    WriteWholeFile(scenario.folder + "\\emulated-drives.txt", text);
}

void CleanRegistry()
{
    LSTATUS status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tessmere");
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

bool ReadRegistryNumber(const char *path, const char *name, uint32_t &value, DWORD *type)
{
    uint8_t data[4] = {};
    DWORD size = sizeof data;
    DWORD storedType = 0;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_ANY | RRF_NOEXPAND, &storedType, data, &size) !=
            ERROR_SUCCESS ||
        size != sizeof data)
        return false;
    memcpy(&value, data, sizeof value);
    if (type)
        *type = storedType;
    return true;
}

bool ReadRegistryText(const char *path, const char *name, std::string &text, DWORD *size)
{
    char data[1024] = {};
    DWORD length = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_ANY | RRF_NOEXPAND, nullptr, data, &length) !=
        ERROR_SUCCESS)
        return false;
    text = data;
    if (size)
        *size = length;
    return true;
}

std::vector<std::string> RegistrySubkeys(const char *path)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

void WriteRegistryFlag(const char *path, const char *name, int32_t value)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, path, name, REG_BINARY, &value, sizeof value), ERROR_SUCCESS);
}

void WriteRegistryText(const char *path, const char *name, const char *text)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, path, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)),
              ERROR_SUCCESS);
}

namespace {

std::vector<std::string> ReadLines(const std::string &path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::vector<std::string> ReadRequestLog(const Scenario &scenario)
{
    return ReadLines(scenario.folder + "\\emulated-requests.log");
}

std::vector<std::string> ReadShellLog(const Scenario &scenario)
{
    return ReadLines(scenario.folder + "\\emulated-shell.log");
}

std::vector<std::string> RequestLinesStartingWith(const Scenario &scenario, const char *prefix)
{
    std::vector<std::string> matching;
    for (const std::string &line : ReadRequestLog(scenario)) {
        if (line.rfind(prefix, 0) == 0)
            matching.push_back(line);
    }
    return matching;
}

Program::~Program()
{
    if (running_)
        Kill();
}

namespace {

// Z:\a\b as /a/b; the scenario folders all lie under Wine's Z: drive.
std::string UnixPathOf(const std::string &windowsPath)
{
    std::string path = windowsPath.substr(windowsPath.rfind(':') + 1);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The one running process of the program's file name, waited for.
DWORD FindProcessNamed(const std::string &name)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < WindowTimeoutMs) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        DWORD found = 0;
        for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
            if (_stricmp(entry.szExeFile, name.c_str()) == 0)
                found = entry.th32ProcessID;
        }
        CloseHandle(snapshot);
        if (found)
            return found;
        Sleep(50);
    }
    return 0;
}

}  // namespace

bool Program::Start(const Scenario &scenario, const char *wineDebug)
{
    if (wineDebug) {
        std::string command = "Z:\\bin\\sh -c \"exec env WINEDEBUG=" + std::string(wineDebug) + " wine '" +
                              UnixPathOf(scenario.executable) + "' 2>'" + UnixPathOf(scenario.folder) +
                              "/stderr.txt'\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION shell = {};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, scenario.folder.c_str(),
                            &startup, &shell))
            return false;
        std::string name = scenario.executable.substr(scenario.executable.rfind('\\') + 1);
        info_ = {};
        info_.dwProcessId = FindProcessNamed(name);
        info_.hProcess = info_.dwProcessId ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, info_.dwProcessId) : nullptr;
        running_ = info_.hProcess != nullptr;
        return running_;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + scenario.executable + "\"";
    running_ = CreateProcessA(scenario.executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              scenario.folder.c_str(), &startup, &info_) != FALSE;
    return running_;
}

HWND Program::StartAndWait(const Scenario &scenario, const char *wineDebug)
{
    // No process, nothing to wait for.
    if (!Start(scenario, wineDebug)) {
        DWORD error = GetLastError();
        ADD_FAILURE() << "cannot start " << scenario.executable << ", error " << error;
        return nullptr;
    }
    HWND command = WaitUntilStarted(scenario);
    if (!command)
        ADD_FAILURE() << "no command window from " << scenario.executable;
    return command;
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD &exitCode)
{
    if (!running_)
        return false;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(info_.hProcess, &exitCode);
    CloseHandle(info_.hProcess);
    if (info_.hThread)
        CloseHandle(info_.hThread);
    running_ = false;
    return true;
}

void Program::Kill()
{
    if (!running_)
        return;
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
    CloseHandle(info_.hProcess);
    if (info_.hThread)
        CloseHandle(info_.hThread);
    running_ = false;
}

HWND Program::WaitForWindow(const char *className, const char *caption, DWORD timeoutMs, bool visibleOnly)
{
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search{info_.dwProcessId, className, caption, visibleOnly, {}};
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found.empty())
            return search.found.front();
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        if (running_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0)
            return nullptr;
        Sleep(50);
    }
}

HWND Program::WaitUntilStarted(const Scenario &scenario)
{
    HWND command = WaitForCommandWindow();
    if (!command)
        return nullptr;
    // Start-up's drive work and first check are out until it is done (a box
    // of the start-up check's mail or log keeps it out: the test takes that).
    WaitUntilIdle(command);
    size_t lines = ReadRequestLog(scenario).size();
    for (int quiet = 0; quiet < 8;) {
        Sleep(50);
        size_t now = ReadRequestLog(scenario).size();
        quiet = now == lines ? quiet + 1 : 0;
        lines = now;
    }
    // Clicked away, as a user would, so it neither covers the screen nor counts as a window.
    if (HWND splash = FindWindowNow("Splash", nullptr)) {
        PostMessageA(splash, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        WaitForWindowGone("Splash", nullptr);
    }
    return command;
}

bool Program::WaitForWindowGone(const char *className, const char *caption, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (FindWindowNow(className, caption)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

bool RunTimer(HWND command, UINT_PTR timer)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(command, WM_TIMER, timer, 0, SMTO_NORMAL, 30000, &result))
        return false;
    return WaitUntilIdle(command);
}

bool WaitUntilIdle(HWND command)
{
    // The SMART check asks its drives on the program's worker: done once its answers are taken.
    DWORD_PTR result = 0;
    DWORD start = GetTickCount();
    for (;;) {
        if (!SendMessageTimeoutA(command, CheckOutMessage, 0, 0, SMTO_NORMAL, 30000, &result))
            return false;
        if (result == 0)
            return true;
        if (GetTickCount() - start > 60000)
            return false;
        Sleep(10);
    }
}

void PostKey(HWND window, UINT virtualKey)
{
    UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

bool TrayIconExists(HWND owner, UINT id)
{
    // Modifying nothing succeeds exactly when the shell knows the icon.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::vector<uint32_t> CapturePixels(const RECT &area)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    std::vector<uint32_t> pixels(static_cast<size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0));
    if (pixels.empty())
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (uint32_t &p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM parameter)
{
    auto *search = reinterpret_cast<ControlSearch *>(parameter);
    if (GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

std::string WindowsPathOf(const char *unixPath)
{
    return WindowsPath(unixPath);
}

HWND FindControl(HWND root, int id)
{
    ControlSearch search = {id, nullptr};
    EnumChildWindows(root, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string MailFolder()
{
    return WindowsPath(HOLMVARD_E2E_MAIL);
}

std::vector<std::string> FilesIn(const std::string &folder, const char *pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry))
        names.push_back(entry.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return names;
}

std::vector<std::string> MailMessages(const std::string &folder)
{
    std::vector<std::string> paths;
    for (const std::string &name : FilesIn(folder, "*.eml"))
        paths.push_back(folder + "\\" + name);
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool WaitForFileText(const std::string &path, const std::string &text)
{
    for (int i = 0; i < 200; i++) {
        if (ReadWholeFile(path).find(text) != std::string::npos)
            return true;
        Sleep(100);
    }
    ADD_FAILURE() << path << " never held " << text << "; it holds:\n" << ReadWholeFile(path);
    return false;
}

void WriteWholeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string SaveScreenshot(const char *name)
{
    EXPECT_TRUE(DriverSeesRealPixels);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    std::vector<uint32_t> pixels = CapturePixels(screen);
    std::string folder = WindowsPath(HOLMVARD_E2E_ARTIFACTS);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "\\" + name;
    if (ScreenDpi() != 96)
        path += "-" + std::to_string(ScreenDpi()) + "dpi";
    path += ".bmp";
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = screen.right;
    header.biHeight = -screen.bottom;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    DWORD bytes = static_cast<DWORD>(pixels.size() * sizeof(uint32_t));
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(&file), sizeof file);
    out.write(reinterpret_cast<const char *>(&header), sizeof header);
    out.write(reinterpret_cast<const char *>(pixels.data()), bytes);
    return path;
}

namespace {

BOOL CALLBACK TakeShownTip(HWND window, LPARAM found)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    // A notification's balloon is a tooltip too, but not the tip.
    bool balloon = (GetWindowLongPtrA(window, GWL_STYLE) & TTS_BALLOON) != 0;
    if (lstrcmpiA(className, TOOLTIPS_CLASSA) == 0 && !balloon && IsWindowVisible(window) &&
        !WindowText(window).empty())
        *reinterpret_cast<std::string *>(found) = WindowText(window);
    return TRUE;
}

}  // namespace

std::string TrayTip()
{
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    RECT tray;
    if (!taskbar || !GetWindowRect(taskbar, &tray))
        return "";
    // The tip comes after the mouse has moved onto the icon and rested there.
    SetCursorPos(tray.right - 40, (tray.top + tray.bottom) / 2);
    Sleep(100);
    SetCursorPos(tray.right - 12, (tray.top + tray.bottom) / 2);
    std::string tip;
    for (int i = 0; i < 40 && tip.empty(); i++) {
        Sleep(100);
        EnumWindows(TakeShownTip, reinterpret_cast<LPARAM>(&tip));
    }
    SetCursorPos(0, 0);
    return tip;
}

int CountPixelsNear(const RECT &area, uint32_t rgb, int tolerance)
{
    int count = 0;
    for (uint32_t p : CapturePixels(area)) {
        int dr = static_cast<int>((p >> 16) & 0xFF) - static_cast<int>((rgb >> 16) & 0xFF);
        int dg = static_cast<int>((p >> 8) & 0xFF) - static_cast<int>((rgb >> 8) & 0xFF);
        int db = static_cast<int>(p & 0xFF) - static_cast<int>(rgb & 0xFF);
        if (abs(dr) <= tolerance && abs(dg) <= tolerance && abs(db) <= tolerance)
            count++;
    }
    return count;
}

std::vector<HWND> Program::VisibleWindows() const
{
    WindowSearch search{info_.dwProcessId, nullptr, nullptr, true, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window)
{
    char text[4096] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    text[sizeof text - 1] = '\0';
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

std::string MessageBoxText(HWND box)
{
    // A box that has just become visible may not have its text yet.
    std::string lines;
    for (int i = 0; i < 40 && lines.empty(); i++) {
        if (i > 0)
            Sleep(50);
        EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&lines));
    }
    return lines;
}

void ClickButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    // Posted, so a modal loop that the click starts does not block the driver.
    PostMessageA(button, BM_CLICK, 0, 0);
}

std::string LogInScenarioFolder(const Scenario &scenario)
{
    std::string path = scenario.folder + "\\ErrorLog.txt";
    WriteRegistryText(GlobalKey, "ErrorLogFilePath", path.c_str());
    return path;
}

void MailAlertsTo(const Scenario &scenario, const char *server, int smart)
{
    WriteRegistryFlag(GlobalKey, "EmailSMARTErrors", smart);
    WriteRegistryText(GlobalKey, "EmailFrom", "holmvard@example.com");
    WriteRegistryText(GlobalKey, "EmailTo", "admin@example.com");
    WriteRegistryText(GlobalKey, "EmailServer", server);
    LogInScenarioFolder(scenario);
}

HWND OpenSheetOnPage(Program &program, HWND command, int page, int control)
{
    PostMessageA(command, TrayCallback, 102, WM_LBUTTONUP);   // the tray icon's left click
    HWND sheet = program.WaitForWindow(Dialog, SheetCaption);
    if (!sheet)
        return nullptr;
    ShowPage(sheet, page, control);
    return sheet;
}

void ShowPage(HWND sheet, int index, int control)
{
    PostMessageA(sheet, WM_USER + 101, index, 0);   // PSM_SETCURSEL
    for (int i = 0; i < 50 && !IsWindowVisible(FindControl(sheet, control)); i++)
        Sleep(100);
}

void DismissMessageBox(HWND box)
{
    if (GetDlgItem(box, IDOK))
        ClickButton(box, IDOK);
    else
        PostMessageA(box, WM_COMMAND, IDOK, 0);
}

}  // namespace e2e
