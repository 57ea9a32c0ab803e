// A long run: SMART and free-space checks posted to the running program while
// the emulator's drives and volumes flap, alerts raised and acknowledged or
// dismissed. Nothing may be lost or leak. HOLMVARD_SOAK_CHECKS sets the number
// of checks (scripts/soak.sh asks for 10,000; the test command runs a few hundred).
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;


int Occurrences(const std::string &text, const std::string &what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        count++;
    return count;
}

// The Linux process that runs the program, found by its folder in its command line.
std::string ProcessFolder(const std::string &folderName)
{
    for (const std::string &name : FilesIn("Z:\\proc", "*")) {
        if (name[0] < '1' || name[0] > '9')
            continue;
        std::string process = "Z:\\proc\\" + name;
        std::string command = ReadWholeFile(process + "\\cmdline");
        if (command.find(folderName) != std::string::npos && command.find("holmvard-emulated.exe") != std::string::npos)
            return process;
    }
    return "";
}

// RssAnon in KiB of the program's Linux process, or -1.
long AnonymousMemory(const std::string &folderName)
{
    std::string process = ProcessFolder(folderName);
    std::string status = process.empty() ? "" : ReadWholeFile(process + "\\status");
    size_t at = status.find("RssAnon:");
    return at == std::string::npos ? -1 : strtol(status.c_str() + at + 8, nullptr, 10);
}

// Presses a button as the button itself reports a click: the dialog procedure
// gets the same WM_COMMAND, without Wine's simulated mouse press of a BM_CLICK.
void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// What each thread of the program waits in, for a stall's report.
std::string ThreadStates(const std::string &folderName)
{
    std::string process = ProcessFolder(folderName);
    std::string report;
    for (const std::string &name : FilesIn(process + "\\task", "*")) {
        if (name[0] < '1' || name[0] > '9')
            continue;
        std::string task = process + "\\task\\" + name;
        std::string stat = ReadWholeFile(task + "\\stat");
        report += "  " + stat.substr(0, stat.find(' ', stat.find(')') + 3)) + " wchan " + ReadWholeFile(task + "\\wchan") +
                  "\n";
    }
    return report;
}

// Waits for the dialog to go. When it stays, keeps a picture of the desktop and
// reports whether the program still answers and whether the dialog goes late.
bool DialogGone(Program &program, HWND dialog, const char *title, const std::string &folderName)
{
    if (program.WaitForWindowGone(Dialog, title))
        return true;
    SaveScreenshot("soak-stall");
    printf("stall: \"%s\" %p still there; visible %d, enabled %d\n%s", title, static_cast<void *>(dialog),
           IsWindowVisible(dialog), IsWindowEnabled(dialog), ThreadStates(folderName).c_str());
    DWORD_PTR result = 0;
    DWORD start = GetTickCount();
    BOOL answered = SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    printf("stall: a sent message is %s after %lu ms\n", answered ? "answered" : "NOT answered",
           GetTickCount() - start);
    bool late = program.WaitForWindowGone(Dialog, title, 60000);
    printf("stall: the dialog %s\n", late ? "went within another minute" : "stayed another minute");
    fflush(stdout);
    return false;
}

int OpenDeviceHandles(const Scenario &scenario)
{
    int open = 0;
    for (const Request &r : ParseRequests(ReadRequestLog(scenario))) {
        if (r.verb == "OPEN" && r.ok)
            open++;
        else if (r.verb == "CLOSE" && r.ok)
            open--;
    }
    return open;
}

TEST(Soak, ThousandsOfChecksLoseNoRecordAndLeakNothing)
{
    const char *asked = getenv("HOLMVARD_SOAK_CHECKS");
    int checks = asked ? atoi(asked) : 300;
    CleanRegistry();
    const std::string folderName = "Soak.ThousandsOfChecksLoseNoRecordAndLeakNothing";
    Scenario scenario = PrepareForThisTest("drive 0\ndrive 1\n");
    LogInScenarioFolder(scenario);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);

    int acknowledged = 0;
    int dismissed = 0;
    long memoryAtStart = 0;
    size_t windowsAtStart = 0;
    int handlesAtStart = OpenDeviceHandles(scenario);
    for (int i = 0; i < checks; i++) {
        // Drive 0 fails now and then; P: fills up once and stays pending; R: keeps changing size.
        std::string description = std::string("drive 0\nstatus ") + (i % 7 == 3 ? "exceeded" : "ok") +
                                  "\ndrive 1\nvolume P total 10240000000 free " +
                                  (i >= 5 ? "1300000000" : "5000000000") + "\nvolume R total 100000000000 free " +
                                  std::to_string(40000000000ull + static_cast<uint64_t>(i) * 1000) + "\n";
        WriteDrives(scenario, description.c_str());
        ASSERT_TRUE(RunTimer(command, 1 + i % 2)) << "check " << i;
        if (HWND alert = program.FindWindowNow(Dialog, "SMART Error Detected")) {
            SendDlgItemMessageA(alert, IDC_ACKNOWLEDGE, BM_SETCHECK, BST_CHECKED, 0);
            Press(alert, IDC_ACKNOWLEDGE);
            Press(alert, IDC_ERROR_OK);
            ASSERT_TRUE(DialogGone(program, alert, "SMART Error Detected", folderName)) << "check " << i;
            acknowledged++;
        }
        if (HWND alert = program.FindWindowNow(Dialog, "Free Space Error Detected")) {
            Press(alert, IDC_FREE_SPACE_CANCEL);
            ASSERT_TRUE(DialogGone(program, alert, "Free Space Error Detected", folderName)) << "check " << i;
            dismissed++;
        }
        if (i == 20) {
            memoryAtStart = AnonymousMemory(folderName);
            windowsAtStart = program.VisibleWindows().size();
        }
    }
    long memoryAtEnd = AnonymousMemory(folderName);
    size_t windowsAtEnd = program.VisibleWindows().size();
    int handlesAtEnd = OpenDeviceHandles(scenario);
    printf("soak: %d checks, %d SMART alerts raised and acknowledged, free-space dialog dismissed %d times\n", checks,
           acknowledged, dismissed);
    printf("soak: RssAnon %ld KiB after 20 checks, %ld KiB at the end; device handles open %d, then %d; "
           "windows %zu, then %zu\n",
           memoryAtStart, memoryAtEnd, handlesAtStart, handlesAtEnd, windowsAtStart, windowsAtEnd);

    std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
    EXPECT_EQ(Occurrences(log, "SMART error condition detected\r\n"), acknowledged);
    EXPECT_EQ(Occurrences(log, "SMART error condition acknowledged\r\n"), acknowledged);
    EXPECT_EQ(Occurrences(log, "Free space error condition detected\r\n"), 1);
    EXPECT_EQ(Occurrences(log, "\r\n\r\n"), 2 * acknowledged + 1) << "every record whole";
    EXPECT_GT(acknowledged, checks / 20);
    EXPECT_EQ(handlesAtEnd, handlesAtStart);
    EXPECT_EQ(windowsAtEnd, windowsAtStart);
    if (memoryAtStart > 0 && memoryAtEnd > 0) {
        // Wine keeps about 0.84 KiB of every dialog shown and destroyed: a bare program
        // that only shows template 113 again and again grows as much.
        long margin = 2048 + acknowledged + dismissed;
        EXPECT_LT(memoryAtEnd - memoryAtStart, margin) << "RssAnon grew by more than 2 MiB and 1 KiB a dialog";
    }
    CloseProgram(program);
}

}  // namespace
