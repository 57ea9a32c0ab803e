// A bay whose drives stand past the first four numbers, as a card reader's
// slots and mixed NVMe, SATA and USB numbering leave them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <cwchar>

#include "e2e/e2e_driver.h"

#include <dbt.h>

#include "e2e/request_log.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

TEST(DriveBay, DrivesAtHighNumbersAreListedInOrderAskedAndRaiseTheirOwnErrors)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest("drive 0\nmodel DISK ZERO\nserial S0\n"
                                           "drive 1\nmodel DISK ONE\nserial S1\n"
                                           "drive 5\nmodel DISK FIVE\nserial S5\n"
                                           "drive 9\nmodel DISK NINE\nserial S9\n"
                                           "drive 63\nmodel DISK SIXTY-THREE\nserial S63\nstatus exceeded\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(ControlText(alert, IDC_SERIAL), "S63");
    ASSERT_TRUE(WaitUntilIdle(command));

    HWND sheet = OpenSheetOnPage(program, command, 0, IDC_DRIVE_LIST);
    ASSERT_NE(sheet, nullptr);
    HWND list = FindControl(sheet, IDC_DRIVE_LIST);
    std::vector<std::string> listed;
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        // Wide: Wine hands a list's text to another process as the list holds it.
        wchar_t text[64] = {};
        if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(std::size(text)))
            SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        listed.push_back(std::string(text, text + wcslen(text)));
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"DISK ZERO", "DISK ONE", "DISK FIVE", "DISK NINE", "DISK SIXTY-THREE"}));
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));
    CloseProgram(program);

    // Every drive is asked its status through its own handle; no number past 63 is tried.
    std::vector<Request> requests = ParseRequests(ReadRequestLog(scenario));
    std::map<std::string, std::string> deviceOfHandle;
    for (const Request &r : Filter(requests, "OPEN")) {
        EXPECT_NE(r.device, "\\\\.\\PhysicalDrive64");
        if (!r.handle.empty())
            deviceOfHandle[r.handle] = r.device;
    }
    std::map<std::string, int> statusAsked;
    for (const Request &r : Filter(requests, "IOCTL")) {
        if (r.ioctl == 0x7C088 || r.ioctl == 0x7C084) {
            if (r.Feature() == 0xDA)
                statusAsked[deviceOfHandle[r.handle]]++;
        }
    }
    for (const char *device : {"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive5",
                               "\\\\.\\PhysicalDrive9", "\\\\.\\PhysicalDrive63"})
        EXPECT_GE(statusAsked[device], 1) << device;
    EXPECT_EQ(statusAsked.size(), 5u);
    EXPECT_TRUE(AllOpenHandlesClosed(requests));
}

// The handle of every drive device the program opened, by device name.
std::map<std::string, std::string> DevicesOfHandles(const std::vector<Request> &requests)
{
    std::map<std::string, std::string> devices;
    for (const Request &r : Filter(requests, "OPEN")) {
        if (!r.handle.empty())
            devices[r.handle] = r.device;
    }
    return devices;
}

// The requests sent to the device since the log held from lines, and how many succeeded.
int RequestsTo(const Scenario &scenario, size_t from, const char *device, uint32_t ioctl, int *succeeded = nullptr)
{
    std::vector<std::string> lines = ReadRequestLog(scenario);
    std::map<std::string, std::string> devices = DevicesOfHandles(ParseRequests(lines));
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())));
    int count = 0;
    for (const Request &r : Filter(ParseRequests(lines), "IOCTL")) {
        if (devices[r.handle] == device && r.ioctl == ioctl) {
            count++;
            if (succeeded && r.ok)
                ++*succeeded;
        }
    }
    return count;
}

std::vector<HWND> ErrorDialogsOf(Program &program, const char *serial)
{
    std::vector<HWND> found;
    for (HWND window : program.VisibleWindows()) {
        if (WindowText(window) == "SMART Error Detected" && ControlText(window, IDC_SERIAL) == serial)
            found.push_back(window);
    }
    return found;
}

// Tells the program a device came or went, as Windows does, and waits for the rescan and its checks.
bool NoticeDeviceChange(HWND command)
{
    // Sent, not posted: the wait's own question would otherwise overtake it.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(command, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_NORMAL, 30000, &result) &&
           WaitUntilIdle(command);
}

std::string StatusOnDrivesPage(Program &program, HWND command, int index)
{
    HWND sheet = OpenSheetOnPage(program, command, 0, IDC_DRIVE_LIST);
    if (!sheet)
        return "no sheet";
    HWND list = FindControl(sheet, IDC_DRIVE_LIST);
    SendMessageA(list, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_DRIVE_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    std::string status = WindowText(FindControl(sheet, IDC_SMART_STATUS));
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    program.WaitForWindowGone(Dialog, SheetCaption);
    return status;
}

const char BayText[] = "drive 0\nmodel DISK ZERO\nserial S0\n"
                       "drive 1\nmodel DISK ONE\nserial S1\n"
                       "drive 5\nmodel DISK FIVE\nserial S5\nbus nvme\n"
                       "drive 9\nmodel USB BACKUP\nserial S9\nbus usb\npresent %s\n"
                       "%s";

std::string Bay(const char *usbPresent, const char *more = "")
{
    char text[512];
    snprintf(text, sizeof text, BayText, usbPresent, more);
    return text;
}

TEST(DriveBay, DrivesThatComeAreWatchedAndThoseThatGoRaiseOnlyWhenTheyWereInside)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(Bay("yes").c_str());
    std::string logPath = LogInScenarioFolder(scenario);
    std::string metrics = scenario.folder + "\\holmvard.prom";
    WriteRegistryText(GlobalKey, "MetricsFile", metrics.c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    const uint32_t predictFailure = 0x2D1100;

    // A drive plugged in after start-up is added and checked at once.
    const char drive12[] = "drive 12\nmodel DISK TWELVE\nserial S12\nstatus exceeded\n";
    WriteDrives(scenario, Bay("yes", drive12).c_str());
    ASSERT_TRUE(NoticeDeviceChange(command));
    ASSERT_NE(program.WaitForWindow(Dialog, "SMART Error Detected"), nullptr);
    EXPECT_EQ(ErrorDialogsOf(program, "S12").size(), 1u);

    // The USB drive unplugged: its next request finds no device. No alert, "Not present".
    WriteDrives(scenario, Bay("no", drive12).c_str());
    size_t mark = ReadRequestLog(scenario).size();
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(RequestsTo(scenario, mark, "\\\\.\\PhysicalDrive9", predictFailure), 1);
    ASSERT_TRUE(NoticeDeviceChange(command));
    mark = ReadRequestLog(scenario).size();
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(RequestsTo(scenario, mark, "\\\\.\\PhysicalDrive9", predictFailure), 0) << "not asked while away";
    EXPECT_TRUE(ErrorDialogsOf(program, "S9").empty());
    EXPECT_EQ(StatusOnDrivesPage(program, command, 3), "Not present");
    EXPECT_TRUE(WaitForFileText(metrics, "holmvard_drive_present{drive=\"3\",serial=\"S9\"} 0\n"));

    // Back again: the same record, asked again.
    WriteDrives(scenario, Bay("yes", drive12).c_str());
    ASSERT_TRUE(NoticeDeviceChange(command));
    mark = ReadRequestLog(scenario).size();
    ASSERT_TRUE(RunTimer(command, 1));
    int answered = 0;
    EXPECT_EQ(RequestsTo(scenario, mark, "\\\\.\\PhysicalDrive9", predictFailure, &answered), 1);
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(StatusOnDrivesPage(program, command, 3), "OK");
    EXPECT_TRUE(WaitForFileText(metrics, "holmvard_drive_present{drive=\"3\",serial=\"S9\"} 1\n"));

    // An internal drive that vanishes raises its SMART error, once, saying it stopped answering.
    std::string text = Bay("yes", drive12);
    text.replace(text.find("serial S1\n"), 10, "serial S1\npresent no\n");
    WriteDrives(scenario, text.c_str());
    ASSERT_TRUE(NoticeDeviceChange(command));
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(ErrorDialogsOf(program, "S1").size(), 1u);
    std::string log = ReadWholeFile(logPath);
    const std::string raised = "SMART error condition detected\r\nModel number: DISK ONE\r\nSerial number: S1\r\n";
    size_t at = log.find(raised);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(log.find(raised, at + 1), std::string::npos) << "raised once";
    EXPECT_NE(log.find("stopped answering", at), std::string::npos);
    EXPECT_EQ(log.find("Serial number: S9"), std::string::npos) << "the USB drive raised nothing";
    CloseProgram(program);
}

}  // namespace
