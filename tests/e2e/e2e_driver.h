// The end-to-end driver: starts the real executables under Wine in a scenario
// folder of their own, with a clean registry, and works their windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// What many scenarios share: the dialogs' class, the sheet's caption, the
// global settings' key, the keys of the fixture volumes P: and R:, a drive
// over its threshold, and the tray icon's callback message.
inline constexpr char Dialog[] = "#32770";
inline constexpr char SheetCaption[] = "HOLMVARD Properties";
inline constexpr char GlobalKey[] = "Software\\Tessmere\\HOLMVARD\\Global";
inline constexpr char KeyP[] = "Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D";
inline constexpr char KeyR[] = "Software\\Tessmere\\HOLMVARD\\Volumes\\0BAD-F00D";
inline constexpr char FailingDrive[] = "drive 0\nmodel ABC-1234\nserial XYZ98765\nlba 78165360\nstatus exceeded\n";
inline constexpr UINT TrayCallback = 0x8064;

constexpr DWORD WindowTimeoutMs = 20000;
constexpr DWORD ExitTimeoutMs = 20000;

struct Scenario {
    std::string folder;       // Windows path of the scenario's own folder
    std::string executable;   // the copy of the program in it
};

// A fresh folder e2e-work\<name> with a copy of the program (holmvard.exe or
// holmvard-emulated.exe) and, when drives is not null, the drive description.
Scenario PrepareScenario(const char *name, const char *program, const char *drives);

// The same, named after the running test.
Scenario PrepareForThisTest(const char *drives, const char *program = "holmvard-emulated.exe");

// Rewrites the drive description between two requests of a running program.
// Volumes C:, P:, Q:, R:, S: and Z: that it does not describe get ample free space.
void WriteDrives(const Scenario &scenario, const char *drives);

// HKLM\Software\Tessmere and everything below it removed.
void CleanRegistry();

// Points the program's error log into the scenario's folder; returns its path.
std::string LogInScenarioFolder(const Scenario &scenario);

// Alert e-mails from holmvard@example.com to admin@example.com through server,
// SMART alerts mailed as smart says, and the error log in the scenario's folder.
void MailAlertsTo(const Scenario &scenario, const char *server, int smart = 1);

// A 4-byte value of HKLM\<path>, whatever its type; false when it is missing.
bool ReadRegistryNumber(const char *path, const char *name, uint32_t &value, DWORD *type = nullptr);
// A text value of HKLM\<path> up to its first NUL, with its stored size.
bool ReadRegistryText(const char *path, const char *name, std::string &text, DWORD *size = nullptr);
// Names of the subkeys of HKLM\<path>.
std::vector<std::string> RegistrySubkeys(const char *path);
void WriteRegistryFlag(const char *path, const char *name, int32_t value);
void WriteRegistryText(const char *path, const char *name, const char *text);

// Lines of the emulator's request log, in order.
std::vector<std::string> ReadRequestLog(const Scenario &scenario);
// The request-log lines that start with prefix.
std::vector<std::string> RequestLinesStartingWith(const Scenario &scenario, const char *prefix);
// Lines of the emulator's shell log (what the program passed to the notification area), in order.
std::vector<std::string> ReadShellLog(const Scenario &scenario);

class Program {
public:
    Program() = default;
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;
    ~Program();   // a program still running at the end of a test is ended

    // With wineDebug, the program runs with that WINEDEBUG and Wine's debug
    // output, which it writes to the Unix stderr that a Windows parent cannot
    // redirect, goes to the scenario's stderr.txt: it is started through a
    // Unix shell and found again by its name.
    bool Start(const Scenario &scenario, const char *wineDebug = nullptr);
    // Start and WaitUntilStarted in one: the command window, or nullptr with
    // a failure recorded.
    HWND StartAndWait(const Scenario &scenario, const char *wineDebug = nullptr);
    DWORD ProcessId() const { return info_.dwProcessId; }
    // True with the exit code once the program ended within the time-out.
    bool WaitForExit(DWORD timeoutMs, DWORD &exitCode);
    void Kill();

    // A visible top-level window of this program with the class and caption,
    // waited for: a dialog is shown only once it is filled.
    HWND WaitForWindow(const char *className, const char *caption, DWORD timeoutMs = WindowTimeoutMs,
                       bool visibleOnly = true);
    // The hidden command window.
    HWND WaitForCommandWindow() { return WaitForWindow("#32770", "HOLMVARD", WindowTimeoutMs, false); }
    // Waits for the command window and then until start-up has finished: the
    // program answers messages and its request log has stopped growing. The
    // splash is then clicked away.
    HWND WaitUntilStarted(const Scenario &scenario);
    // The window if it exists right now, without waiting.
    HWND FindWindowNow(const char *className, const char *caption) { return WaitForWindow(className, caption, 0); }
    // Waits until no window of the class and caption is left.
    bool WaitForWindowGone(const char *className, const char *caption, DWORD timeoutMs = WindowTimeoutMs);
    // Every visible top-level window of this program.
    std::vector<HWND> VisibleWindows() const;

private:
    PROCESS_INFORMATION info_ = {};
    bool running_ = false;
};

// Waits for the start-up message box, checks its text (unless null), presses
// OK and expects the program to end with exit code 0.
void ExpectRefusal(Program &program, const char *caption, const char *text);
// Chooses Close on the command window and expects exit code 1.
// A PC with no drive listed runs on for its volumes: no box, a volume
// checked, then closed.
void ExpectNoDriveButVolumesWatched(Program &program, const Scenario &scenario);
void CloseProgram(Program &program);

// Runs a command-window timer's work, as its tick would, and returns once it is done.
bool RunTimer(HWND command, UINT_PTR timer);
// Waits until start-up, the SMART check out and any kept-mail retry are done;
// false when they are not within a minute.
bool WaitUntilIdle(HWND command);
// Posts a key press (down and up) to a window of the program.
void PostKey(HWND window, UINT virtualKey);
// Whether the shell holds a notification icon of owner with the id.
bool TrayIconExists(HWND owner, UINT id);

// The Windows path of a Unix path of the build, through Wine's Z: drive.
std::string WindowsPathOf(const char *unixPath);

// A control anywhere below root, such as a property page's control under its sheet.
HWND FindControl(HWND root, int id);

// Where the test command's mail server saves what it receives: <n>.eml holds
// a message as sent, <n>.envelope its HELO, MAIL FROM and RCPT TO.
std::string MailFolder();
// The paths of the messages saved so far in folder, in the order they arrived.
std::vector<std::string> MailMessages(const std::string &folder = MailFolder());
// The names of the files in folder that match pattern, as Windows lists them.
std::vector<std::string> FilesIn(const std::string &folder, const char *pattern);
// A file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string &path);
// Waits until the file holds text; false, with a failure recorded, when it never does.
bool WaitForFileText(const std::string &path, const std::string &text);
// Replaces the file's bytes with text.
void WriteWholeFile(const std::string &path, const std::string &text);

// Screen pixels of a rectangle, row by row, as 0x00RRGGBB.
std::vector<uint32_t> CapturePixels(const RECT &area);
// The whole screen saved as a BMP test artefact under the build's artifacts
// folder; at a DPI other than 96 the name ends in "-<dpi>dpi".
std::string SaveScreenshot(const char *name);
// The screen's DPI, as the prefix was made (the driver sees the screen in
// real pixels at any DPI).
int ScreenDpi();
// The count of pixels in the area whose colour is within tolerance of rgb.
int CountPixelsNear(const RECT &area, uint32_t rgb, int tolerance);
// The tip the taskbar shows while the mouse rests on the rightmost tray icon;
// empty when none shows within a few seconds.
std::string TrayTip();

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// The text of a message box: its static controls joined by line breaks.
std::string MessageBoxText(HWND box);
// Presses a button of a dialog in another process.
void ClickButton(HWND dialog, int id);

// Opens the property sheet from the tray icon and shows page index, once its
// control is visible; nullptr when the sheet does not come.
HWND OpenSheetOnPage(Program &program, HWND command, int page, int control);
// Shows page index of an open sheet and waits until its control is visible.
void ShowPage(HWND sheet, int index, int control);
// Presses OK (or the only button) of a message box.
void DismissMessageBox(HWND box);

}  // namespace e2e
