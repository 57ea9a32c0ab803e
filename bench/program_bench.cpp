// The program's own cost, run under Wine by scripts/bench.sh. Prints one
// "name=value" line per figure.
//   holmvard-bench checks          timer ticks on instantly answered drives and
//                                  volumes, beside a real device call and a
//                                  real free-space query of this system
//   holmvard-bench rescan          a rescan of PhysicalDrive0 to 63 after a
//                                  device notice, 8 drives present, beside
//                                  the probe of the 64 numbers alone
//   holmvard-bench log FOLDER      one record appended to an empty and to a
//                                  100 MB log; the Logging page loading a
//                                  100,000-line log, beside reading the file
//   holmvard-bench history FOLDER  one line appended to a new drive history
//                                  and to one of nearly 4 MiB; the history
//                                  window opened on a year of hourly and of
//                                  5-minute checks, beside reading the file
//   holmvard-bench answer FOLDER DELAY
//                                  the program running in FOLDER: its drive 1
//                                  made to answer after DELAY ms, a SMART
//                                  tick, then the longest time its command
//                                  window takes to answer a sent message while
//                                  the check is out; then Close
//   holmvard-bench round           the idle program: a SMART and a free-space
//                                  check, a test e-mail sent from the Alerts
//                                  page, the property sheet closed with Cancel;
//                                  done once the program is idle again
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "app/command_window.h"
#include "app/discovery.h"
#include "app/drive_rescan.h"
#include "drives/device_control.h"
#include "app/os_check.h"
#include "base/bounded_text.h"
#include "drives/smart_alerts.h"
#include "drives/smart_commands.h"
#include "history/drive_history.h"
#include "history/history_graph.h"
#include "log/error_log.h"
#include "log/logging_page.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/settings_store.h"
#include "state/volume_table.h"
#include "ui/tray_icon.h"
#include "volumes/free_space_alerts.h"

extern long InstantRequests;
extern int InstantDriveCount;

namespace {

constexpr int Batches = 7;
constexpr int TicksPerBatch = 500;
constexpr int SystemCallsPerBatch = 200;
constexpr int Appends = 200;
constexpr LONGLONG BigLogBytes = 100LL * 1000 * 1000;
constexpr int PageLogLines = 100000;

double Frequency;

double Seconds()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / Frequency;
}

// The fastest of several batches: the machine is shared, and other work only ever adds time.
template <typename Work> double FastestSeconds(int batches, int rounds, Work work)
{
    double best = 1e30;
    for (int b = 0; b < batches; b++) {
        double start = Seconds();
        for (int r = 0; r < rounds; r++)
            work();
        best = std::min(best, (Seconds() - start) / rounds);
    }
    return best;
}

void Report(const char *name, double value)
{
    printf("%s=%.3f\n", name, value);
    fflush(stdout);
}

// As the program starts: its command window, drives, volumes, settings and tray icon.
bool StartLikeTheProgram()
{
    Instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    NormalIcon = LoadIconA(nullptr, IDI_APPLICATION);
    ErrorIcon = NormalIcon;
    CommandWindow = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_COMMAND_WINDOW), nullptr, CommandWindowProc, 0);
    if (!CommandWindow || !CheckOsVersion(OsKind) || !DiscoverDrives(OsKind) || DriveCount == 0)
        return false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        LoadDriveSettings(Drives[i]);
        // Every drive and volume monitored, whatever was stored: the checks do all their work.
        Drives[i].SMARTSupported = EnableSMART(Drives[i].Device, Drives[i].DriveNumber) ? 1 : 0;
        Drives[i].SMARTEnabled = EnableAttributeAutosave(Drives[i].Device, Drives[i].DriveNumber) ? 1 : 0;
    }
    DiscoverVolumes();
    for (uint8_t i = 0; i < VolumeCount; i++) {
        LoadVolumeSettings(Volumes[i]);
        Volumes[i].SpaceCheckEnabled = 1;
    }
    LoadGlobalSettings();
    CopyText(TrayTip, InitialTrayTip);
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_ADD);
    return true;
}

void Tick(UINT_PTR timer)
{
    SendMessageA(CommandWindow, WM_TIMER, timer, 0);
    // The drives are asked on the worker: the tick's work ends when its answers are taken.
    MSG message;
    while (SMARTCheckOut() && GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
}

int BenchChecks()
{
    if (!StartLikeTheProgram()) {
        fprintf(stderr, "the program could not start on the instant drives\n");
        return 1;
    }
    Report("drives", DriveCount);
    Report("volumes", VolumeCount);
    if (VolumeCount == 0)
        return 1;
    double smart = FastestSeconds(Batches, TicksPerBatch, [] { Tick(SMARTTimer); });
    double space = FastestSeconds(Batches, TicksPerBatch, [] { Tick(FreeSpaceTimer); });
    Report("smart_tick_us_per_drive", smart * 1e6 / DriveCount);
    Report("space_tick_us_per_volume", space * 1e6 / VolumeCount);
    // A tick is the check and the tray update: apart, to tell where the time goes.
    long before = InstantRequests;
    Tick(SMARTTimer);
    Report("requests_per_smart_check", static_cast<double>(InstantRequests - before));
    double smartCheck = FastestSeconds(Batches, TicksPerBatch, [] { CheckSMARTStatus(CommandWindow); });
    double spaceCheck = FastestSeconds(Batches, TicksPerBatch, [] { CheckFreeSpace(CommandWindow); });
    double tray = FastestSeconds(Batches, TicksPerBatch, [] { UpdateTrayStatus(CommandWindow); });
    Report("smart_check_us_per_drive", smartCheck * 1e6 / DriveCount);
    Report("space_check_us_per_volume", spaceCheck * 1e6 / VolumeCount);
    Report("tray_update_us", tray * 1e6);

    // What the system takes to answer such calls: a disk request and a free-space query.
    HANDLE disk = CreateFileA("\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (disk != INVALID_HANDLE_VALUE) {
        double ioctl = FastestSeconds(Batches, SystemCallsPerBatch, [disk] {
            DISK_GEOMETRY geometry;
            DWORD returned = 0;
            DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned,
                            nullptr);
        });
        CloseHandle(disk);
        Report("system_device_request_us", ioctl * 1e6);
    }
    const char *root = Volumes[0].RootPath;
    double query = FastestSeconds(Batches, SystemCallsPerBatch, [root] {
        ULARGE_INTEGER available, total, free;
        GetDiskFreeSpaceExA(root, &available, &total, &free);
    });
    Report("system_free_space_query_us", query * 1e6);
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_DELETE);
    return 0;
}

int BenchRescan()
{
    InstantDriveCount = 8;
    if (!StartLikeTheProgram()) {
        fprintf(stderr, "the program could not start on the instant drives\n");
        return 1;
    }
    FinishStartup(CommandWindow);
    Report("rescan_drives", DriveCount);
    double rescan = FastestSeconds(Batches, 20, [] {
        SendMessageA(CommandWindow, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        // The quiet moment is skipped: the timer's work is what is timed.
        SendMessageA(CommandWindow, WM_TIMER, RescanTimer, 0);
        MSG message;
        while (DriveRescanPending() && GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
    });
    static DriveRecord found[MaxDrives];
    static const bool skip[MaxDrives] = {};
    static uint8_t probed;
    double probe = FastestSeconds(Batches, 20, [] {
        probed = ScanPhysicalDrives(found, skip);
        for (uint8_t i = 0; i < probed; i++)
            CloseDevice(found[i].Device);
    });
    Report("probe_drives", probed);
    Report("rescan_ms", rescan * 1e3);
    Report("probe_ms", probe * 1e3);
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_DELETE);
    return DriveCount == 8 && probed == 8 ? 0 : 1;
}

bool WriteWhole(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

std::string ReadWhole(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        text.append(chunk, read);
    CloseHandle(file);
    return text;
}

// The records the program writes, one of each kind, as the lines to repeat.
std::string SampleRecords()
{
    DeleteFileA(GlobalSettings.ErrorLogFilePath);
    LogDriveRecord(nullptr, 0, DriveLogRecord::SMARTError);
    LogDriveRecord(nullptr, 0, DriveLogRecord::SMARTErrorAcknowledged);
    LogFreeSpaceError(nullptr, 0);
    LogFreeSpaceErrorAcknowledged(nullptr, 0);
    return ReadWhole(GlobalSettings.ErrorLogFilePath);
}

double MedianAppendSeconds(bool emptyFirst)
{
    double times[Appends];
    for (int i = 0; i < Appends; i++) {
        if (emptyFirst)
            WriteWhole(GlobalSettings.ErrorLogFilePath, "");
        double start = Seconds();
        LogDriveRecord(nullptr, 0, DriveLogRecord::SMARTError);
        times[i] = Seconds() - start;
    }
    std::sort(times, times + Appends);
    return times[Appends / 2];
}

int BenchLog(const char *folder)
{
    if (!StartLikeTheProgram()) {
        fprintf(stderr, "the program could not start on the instant drives\n");
        return 1;
    }
    std::string path = std::string(folder) + "\\bench-log.txt";
    if (!CopyText(GlobalSettings.ErrorLogFilePath, path.c_str()))
        return 1;
    std::string records = SampleRecords();
    if (records.empty())
        return 1;

    double empty = MedianAppendSeconds(true);
    std::string big;
    while (static_cast<LONGLONG>(big.size()) < BigLogBytes)
        big += records;
    if (!WriteWhole(path, big))
        return 1;
    double full = MedianAppendSeconds(false);
    Report("append_empty_us", empty * 1e6);
    Report("append_100mb_us", full * 1e6);
    big.clear();
    big.shrink_to_fit();

    // The 100,000 lines cycle through the records' lines.
    std::string lines;
    int count = 0;
    for (size_t at = 0; count < PageLogLines; count++) {
        size_t end = records.find('\n', at);
        lines.append(records, at, end + 1 - at);
        at = end + 1 >= records.size() ? 0 : end + 1;
    }
    if (!WriteWhole(path, lines))
        return 1;
    double read = FastestSeconds(3, 1, [&path] { ReadWhole(path); });
    HWND page = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_LOGGING_PAGE), CommandWindow,
                                   [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    if (!page)
        return 1;
    double load = FastestSeconds(3, 1, [page] { LoadLogList(page); });
    Report("page_rows", static_cast<double>(SendDlgItemMessageA(page, IDC_LOG_LIST, LB_GETCOUNT, 0, 0)));
    Report("page_load_s", load);
    Report("page_file_read_s", read);
    DestroyWindow(page);
    DeleteFileA(path.c_str());
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_DELETE);
    return 0;
}

constexpr char BenchDriveKey[] = "BENCH DRIVE 1SERIAL";

// The median of Appends lines appended to the drive's history file, each to a
// file holding start.
double MedianHistoryAppendSeconds(const std::string &path, const std::string &start)
{
    if (!WriteWhole(path, start))
        return 0;
    double times[Appends];
    HistorySample sample = {};
    sample.time = time(nullptr);
    sample.temperature = 41;
    sample.countsRead = true;
    sample.powerOnHoursRead = true;
    sample.powerOnHours = 12345;
    for (int i = 0; i < Appends; i++) {
        if (start.size() < 1000)
            WriteWhole(path, start);
        double begin = Seconds();
        AppendDriveHistory(BenchDriveKey, sample);
        times[i] = Seconds() - begin;
    }
    std::sort(times, times + Appends);
    return times[Appends / 2];
}

// lines checks every period seconds up to now, as the check writes them.
std::string HistoryOfChecks(int lines, int64_t period)
{
    std::string text = HistoryHeader;
    int64_t now = time(nullptr);
    HistorySample sample = {};
    sample.utcOffsetMinutes = 60;
    sample.countsRead = true;
    sample.powerOnHoursRead = true;
    for (int i = 0; i < lines; i++) {
        sample.time = now - (lines - 1 - i) * period;
        sample.temperature = static_cast<uint8_t>(35 + i % 17);
        sample.counts.value[0] = static_cast<uint32_t>(i / 1000);
        sample.powerOnHours = 10000 + static_cast<uint64_t>(i * period / 3600);
        char line[HistoryLineSize];
        FormatHistoryLine(sample, line, sizeof line);
        text += line;
    }
    return text;
}

int BenchHistory(const char *folder)
{
    Instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    if (!FormatInto(GlobalSettings.ErrorLogFilePath, "%s\\ErrorLog.txt", folder))
        return 1;
    char path[MAX_PATH];
    if (!BuildDriveHistoryPath(BenchDriveKey, path))
        return 1;
    char history[MAX_PATH];
    BuildHistoryFolderPath(GlobalSettings.ErrorLogFilePath, history);
    CreateDirectoryA(history, nullptr);

    double empty = MedianHistoryAppendSeconds(path, HistoryHeader);
    // Nearly the limit, with room for every append: no trim among them.
    std::string big = HistoryOfChecks(1, 3600);
    std::string line = big.substr(sizeof HistoryHeader - 1);
    while (big.size() + (Appends + 1) * HistoryLineSize < HistoryFileLimit)
        big += line;
    double full = MedianHistoryAppendSeconds(path, big);
    Report("history_append_new_us", empty * 1e6);
    Report("history_append_4mb_us", full * 1e6);
    Report("history_4mb_bytes", static_cast<double>(big.size()));

    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, Instance, nullptr);
    // The year chosen once: each window opens on the span last chosen.
    HWND window = OpenHistoryWindow(owner, BenchDriveKey, "BENCH DRIVE", 55);
    HWND choice = window ? FindWindowExA(window, nullptr, "ComboBox", nullptr) : nullptr;
    if (!choice)
        return 1;
    SendMessageA(choice, CB_SETCURSEL, static_cast<WPARAM>(HistorySpan::Year), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(choice), CBN_SELCHANGE), reinterpret_cast<LPARAM>(choice));
    CloseHistoryWindows();
    const struct {
        const char *name;
        int lines;
        int64_t period;
    } years[] = {{"hourly", 8760, 3600}, {"5min", 105120, 300}};
    for (const auto &year : years) {
        std::string text = HistoryOfChecks(year.lines, year.period);
        if (!WriteWhole(path, text))
            return 1;
        double read = FastestSeconds(3, 1, [&path] { ReadWhole(path); });
        size_t points = 0;
        double parse = FastestSeconds(3, 1, [&text, &points] {
            size_t capacity = HistoryPointCapacity(text.size());
            HistoryPoint *parsed = new HistoryPoint[capacity];
            points = ReadHistoryPoints(text.data(), text.size(), 0, parsed, capacity);
            delete[] parsed;
        });
        // Opened, read, reduced to the graph's columns and painted once.
        double open = FastestSeconds(3, 1, [owner] {
            HWND shown = OpenHistoryWindow(owner, BenchDriveKey, "BENCH DRIVE", 55);
            UpdateWindow(shown);
            CloseHistoryWindows();
        });
        std::string prefix = std::string("history_year_") + year.name;
        Report((prefix + "_points").c_str(), static_cast<double>(points));
        Report((prefix + "_bytes").c_str(), static_cast<double>(text.size()));
        Report((prefix + "_open_ms").c_str(), open * 1e3);
        Report((prefix + "_parse_ms").c_str(), parse * 1e3);
        Report((prefix + "_file_read_ms").c_str(), read * 1e3);
    }
    DestroyWindow(owner);
    DeleteFileA(path);
    RemoveDirectoryA(history);
    return 0;
}

// The longest of many answers of the program's command window to a sent
// message, in milliseconds, while the SMART check a tick started is out.
int BenchAnswer(const char *folder, const char *delay)
{
    HWND command = nullptr;
    for (int i = 0; i < 200 && !command; i++) {
        command = FindWindowA("#32770", "HOLMVARD");
        if (!command)
            Sleep(100);
    }
    if (!command) {
        fprintf(stderr, "the program's command window did not come\n");
        return 1;
    }
    // The splash and the start-up check are over; the drive is slow from now on.
    Sleep(6000);
    if (!WriteWhole(std::string(folder) + "\\emulated-drives.txt",
                    std::string("drive 0\ndrive 1\ndelay ") + delay + "\n"))
        return 1;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(command, WM_TIMER, SMARTTimer, 0, SMTO_NORMAL, 120000, &result);
    Sleep(500);
    double longest = 0;
    for (int i = 0; i < 100; i++) {
        double start = Seconds();
        SendMessageTimeoutA(command, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result);
        longest = std::max(longest, Seconds() - start);
        Sleep(20);
    }
    SendMessageTimeoutA(command, CheckOutMessage, 0, 0, SMTO_NORMAL, 120000, &result);
    PostMessageA(command, WM_COMMAND, IDM_CLOSE, 0);
    // A slow drive whose check was no longer out measured nothing of it.
    if (atoi(delay) > 0 && result != 1) {
        fprintf(stderr, "the check was not out while the answers were timed\n");
        return 1;
    }
    Report("answer_longest_ms", longest * 1e3);
    return 0;
}

// A top-level window of the given caption, waited for.
HWND WaitForDialog(const char *caption, DWORD timeoutMs)
{
    for (DWORD waited = 0;; waited += 100) {
        HWND window = FindWindowA("#32770", caption);
        if ((window && IsWindowVisible(window)) || waited >= timeoutMs)
            return window;
        Sleep(100);
    }
}

HWND FindChild(HWND root, int id)
{
    struct Search {
        int id;
        HWND found;
    } search = {id, nullptr};
    EnumChildWindows(
        root,
        [](HWND child, LPARAM lParam) -> BOOL {
            Search &s = *reinterpret_cast<Search *>(lParam);
            if (GetDlgCtrlID(child) != s.id)
                return TRUE;
            s.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Until no check is out: the program's worker has answered and its answers are taken.
bool WaitForChecks(HWND command)
{
    for (int i = 0; i < 600; i++) {
        DWORD_PTR out = 1;
        if (!SendMessageTimeoutA(command, CheckOutMessage, 0, 0, SMTO_NORMAL, 30000, &out))
            return false;
        if (out == 0)
            return true;
        Sleep(100);
    }
    return false;
}

// Every part of the program a user meets in a day, once, on the program
// already running: what it holds afterwards is then measured.
int BenchRound()
{
    HWND command = FindWindowA("#32770", "HOLMVARD");
    if (!command) {
        fprintf(stderr, "the program's command window is not there\n");
        return 1;
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutA(command, WM_TIMER, SMARTTimer, 0, SMTO_NORMAL, 60000, &result);
    SendMessageTimeoutA(command, WM_TIMER, FreeSpaceTimer, 0, SMTO_NORMAL, 60000, &result);
    if (!WaitForChecks(command)) {
        fprintf(stderr, "the checks did not end\n");
        return 1;
    }
    // The tray icon's left click opens the sheet; the Alerts page is its fourth.
    PostMessageA(command, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
    HWND sheet = WaitForDialog("HOLMVARD Properties", 20000);
    if (!sheet) {
        fprintf(stderr, "the property sheet did not come\n");
        return 1;
    }
    PostMessageA(sheet, PSM_SETCURSEL, 3, 0);
    HWND send = nullptr;
    for (int i = 0; i < 100 && !(send && IsWindowVisible(send)); i++) {
        Sleep(100);
        send = FindChild(sheet, IDC_SEND_TEST_EMAIL);
    }
    PostMessageA(send, BM_CLICK, 0, 0);
    HWND test = WaitForDialog("Sending Test Email", 60000);
    HWND ok = test ? GetDlgItem(test, IDC_TEST_MAIL_OK) : nullptr;
    for (int i = 0; i < 600 && ok && !IsWindowEnabled(ok); i++)
        Sleep(100);
    char status[128] = "";
    if (test)
        GetDlgItemTextA(test, IDC_TEST_MAIL_STATUS, status, sizeof status);
    if (!ok || strcmp(status, "Email successfully sent!") != 0) {
        fprintf(stderr, "the test e-mail was not sent: %s\n", status);
        return 1;
    }
    PostMessageA(ok, BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(sheet); i++)
        Sleep(100);
    if (IsWindow(sheet) || !WaitForChecks(command)) {
        fprintf(stderr, "the property sheet did not close\n");
        return 1;
    }
    Report("round_done", 1);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Frequency = static_cast<double>(frequency.QuadPart);
    // checks 64: the same on a bay of 64 drives, to see that the cost per drive stays flat.
    if ((argc == 2 || argc == 3) && strcmp(argv[1], "checks") == 0) {
        if (argc == 3)
            InstantDriveCount = atoi(argv[2]);
        return BenchChecks();
    }
    if (argc == 2 && strcmp(argv[1], "rescan") == 0)
        return BenchRescan();
    if (argc == 3 && strcmp(argv[1], "log") == 0)
        return BenchLog(argv[2]);
    if (argc == 3 && strcmp(argv[1], "history") == 0)
        return BenchHistory(argv[2]);
    if (argc == 4 && strcmp(argv[1], "answer") == 0)
        return BenchAnswer(argv[2], argv[3]);
    if (argc == 2 && strcmp(argv[1], "round") == 0)
        return BenchRound();
    fprintf(stderr, "usage: holmvard-bench checks [DRIVES] | rescan | log FOLDER | history FOLDER | answer FOLDER DELAY"
                    " | round\n");
    return 2;
}
