// A bay whose drives stand past the first four numbers, as a card reader's
// slots and mixed NVMe, SATA and USB numbering leave them.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <cwchar>

#include "e2e/e2e_driver.h"
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

}  // namespace
