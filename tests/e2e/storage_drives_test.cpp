// Drives the SMART requests cannot reach: NVMe drives, and drives whose
// read/write open a standard user is refused, watched through the storage
// queries of a handle opened with no access.
#include <gtest/gtest.h>

#include <map>

#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char Nvme[] = "drive 0\nmodel NVME SSD 970 EVO\nserial S4EWNX0M\nfirmware 2B2QEXM7\nlba 1953525168\nbus nvme\n";

TEST(StorageDrives, NvmeAndStandardUserDrivesAreWatchedThroughTheirHealthQueries)
{
    const struct {
        const char *description;
        bool taken;
        bool raised;
        const char *capacity;
    } cases[] = {
        {"critical-warning 4\n", true, true, "1000.20GB"},     // reliability degraded
        {"critical-warning 2\n", true, false, nullptr},        // too warm: passes with the room
        {"critical-warning 0\nhealth fail\n", false, false, nullptr}, // a health log never read is no drive
        // A 2 TB drive formatted with 4096-byte blocks shows its whole size.
        {"lba 488378646\nblock-size 4096\ncritical-warning 4\n", true, true, "2000.40GB"},
        // A descriptor longer than the first buffer is asked again; one beyond any bound is not.
        {"raw-properties 2000\ncritical-warning 4\n", true, true, "1000.20GB"},
        {"raw-properties 65535\n", false, false, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description);
        CleanRegistry();
        Scenario scenario = PrepareForThisTest((std::string(Nvme) + c.description).c_str());
        LogInScenarioFolder(scenario);
        Program program;
        if (!c.taken) {
            ASSERT_TRUE(program.Start(scenario));
            ExpectNoDriveButVolumesWatched(program, scenario);
            continue;
        }
        HWND command = program.StartAndWait(scenario);
        ASSERT_NE(command, nullptr);
        ASSERT_TRUE(RunTimer(command, 1));
        HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected", c.raised ? 10000 : 1500);
        ASSERT_EQ(alert != nullptr, c.raised);
        std::string log = ReadWholeFile(scenario.folder + "\\ErrorLog.txt");
        if (c.raised) {
            EXPECT_EQ(ControlText(alert, IDC_MODEL), "NVME SSD 970 EVO");
            EXPECT_EQ(ControlText(alert, IDC_SERIAL), "S4EWNX0M");
            EXPECT_EQ(ControlText(alert, IDC_FIRMWARE), "2B2QEXM7");
            EXPECT_EQ(ControlText(alert, IDC_CAPACITY), c.capacity);
            EXPECT_EQ(log.rfind("SMART error condition detected\r\nModel number: NVME SSD 970 EVO\r\n", 0), 0u) << log;
            EXPECT_NE(log.find(std::string("Drive size: ") + c.capacity + "\r\n"), std::string::npos) << log;
        } else {
            EXPECT_EQ(log, "");
        }
        // Past the IDENTIFY it declines, no SMART command reaches the drive: no ENABLE,
        // AUTOSAVE or RETURN STATUS.
        for (const std::string &line : RequestLinesStartingWith(scenario, "IOCTL")) {
            EXPECT_EQ(line.find(" 0007C084 "), std::string::npos) << line;
        }
        CloseProgram(program);
    }

    // A standard user: the read/write open is refused; failure prediction stands in.
    CleanRegistry();
    Scenario scenario = PrepareForThisTest("drive 0\nmodel WDC WD40EFRX\nserial WD-1\nopen fail\nbus sata\npredict yes\n"
                                           "drive 1\nmodel ABC-1234\nserial XYZ98765\n");
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND alert = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(ControlText(alert, IDC_MODEL), "WDC WD40EFRX");
    // The ATA drive beside it is asked as ever, never through the storage queries.
    std::vector<Request> requests = ParseRequests(ReadRequestLog(scenario));
    std::string ataHandle;
    int predictions = 0;
    for (const Request &r : requests) {
        if (r.verb == "OPEN" && r.ok && r.access != 0 && r.device.find("PhysicalDrive1") != std::string::npos)
            ataHandle = r.handle;
        if (r.verb == "IOCTL" && r.ioctl == 0x002D1100)
            predictions++;
        if (r.verb == "IOCTL" && r.handle == ataHandle) {
            EXPECT_NE(r.ioctl >> 16, 0x2Du) << "storage query to the ATA drive";
        }
    }
    EXPECT_FALSE(ataHandle.empty());
    EXPECT_GE(predictions, 2) << "once to accept the drive, once per check";
    CloseProgram(program);

    // Behind Intel RST/VMD and vendor NVMe drivers the health queries are
    // refused: the drive stays listed, through failure prediction where that
    // answers, otherwise "Not readable", asked nothing and raising nothing.
    for (bool predicts : {false, true}) {
        SCOPED_TRACE(predicts);
        CleanRegistry();
        scenario = PrepareForThisTest((std::string(Nvme) + (predicts ? "predict-only yes\npredict yes\n"
                                                                      : "health refused\npredict yes\n"))
                                          .c_str());
        Program hidden;
        HWND command = hidden.StartAndWait(scenario);
        ASSERT_NE(command, nullptr);
        size_t asked = RequestLinesStartingWith(scenario, "IOCTL").size();
        ASSERT_TRUE(RunTimer(command, 1));
        HWND raised = hidden.WaitForWindow(Dialog, "SMART Error Detected", predicts ? 10000 : 1500);
        ASSERT_EQ(raised != nullptr, predicts);
        if (!predicts) {
            EXPECT_EQ(RequestLinesStartingWith(scenario, "IOCTL").size(), asked) << "a drive not readable is not asked";
        }
        HWND sheet = OpenSheetOnPage(hidden, command, 0, IDC_SMART_STATUS);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(WindowText(FindControl(sheet, IDC_MODEL)), "NVME SSD 970 EVO");
        EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_STATUS)), predicts ? "Failure Likely" : "Not readable");
        PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
        PostMessageA(sheet, WM_NULL, 0, 0);
        ASSERT_TRUE(hidden.WaitForWindowGone(Dialog, SheetCaption));
        CloseProgram(hidden);
    }

    // A drive refused to a standard user that answers no storage query is still no drive.
    CleanRegistry();
    scenario = PrepareForThisTest("drive 0\nopen fail\n");
    Program nothing;
    ASSERT_TRUE(nothing.Start(scenario));
    ExpectNoDriveButVolumesWatched(nothing, scenario);
}

// ATA drives behind USB bridges that translate ATA PASS-THROUGH are watched as
// fully as any ATA drive; a bridge without it leaves the drive as before.
TEST(StorageDrives, UsbDrivesBehindSatBridgesAreAskedEveryAtaRequestThroughPassThrough)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest("drive 0\nmodel SAT BACKUP 2TB\nserial SATB0001\nbus usb\nsat yes\n"
                                           "attribute 5 100 100 8\n"
                                           "drive 1\nmodel SAT FAILING\nserial SATF0002\nbus usb\nsat yes\n"
                                           "status exceeded\n"
                                           "drive 2\nmodel PLAIN USB\nserial PLAIN003\nbus usb\n");
    LogInScenarioFolder(scenario);
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    HWND error = program.WaitForWindow(Dialog, "SMART Error Detected");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(ControlText(error, IDC_MODEL), "SAT FAILING");
    EXPECT_EQ(ControlText(error, IDC_SERIAL), "SATF0002");
    HWND caution = program.WaitForWindow(Dialog, "SMART Caution Detected");
    ASSERT_NE(caution, nullptr);
    EXPECT_EQ(ControlText(caution, IDC_SERIAL), "SATB0001");
    uint32_t flag = 0;
    EXPECT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Drives\\SAT FAILINGSATF0002", "SMARTError", flag));
    EXPECT_EQ(flag, 1u);

    // The Drives page, showing the failing drive, sends its switch to the bridge the same way.
    HWND sheet = OpenSheetOnPage(program, command, 0, IDC_ENABLE_MONITORING);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_MODEL)), "SAT FAILING");
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_SMART_STATUS)), "Failure Likely");
    PostMessageA(FindControl(sheet, IDC_ENABLE_MONITORING), BM_CLICK, 0, 0);
    Sleep(200);
    PostMessageA(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));
    ASSERT_TRUE(WaitUntilIdle(command));

    std::map<std::string, int> drive;   // handle -> drive number of its read/write open
    std::map<int, std::vector<Request>> passThroughs;
    int predictions = 0;
    for (const Request &r : ParseRequests(ReadRequestLog(scenario))) {
        if (r.verb == "OPEN" && r.ok && r.access != 0)
            drive[r.handle] = r.device.back() - '0';
        if (r.verb != "IOCTL")
            continue;
        if (r.ioctl == 0x4D004 && drive.count(r.handle))
            passThroughs[drive[r.handle]].push_back(r);
        EXPECT_NE(r.ioctl, 0x7C084u) << "no SMART driver command reaches a USB drive";
        predictions += r.ioctl == 0x2D1100;
    }
    for (int n : {0, 1}) {
        SCOPED_TRACE(n);
        const std::vector<Request> &asked = passThroughs[n];
        ASSERT_GE(asked.size(), 3u);
        EXPECT_EQ(asked[0].packet[14], 0xEC) << "IDENTIFY first";
        // RETURN STATUS (SMART B0h, DAh), its registers asked back with CK_COND.
        bool statusAsked = false;
        for (const Request &r : asked)
            statusAsked = statusAsked || (r.packet[14] == 0xB0 && r.Feature() == 0xDA && (r.packet[2] & 0x20));
        EXPECT_TRUE(statusAsked);
    }
    EXPECT_EQ(passThroughs[1].back().Feature(), 0xD9) << "the switch sent DISABLE OPERATIONS";
    // The bridge without SAT refused IDENTIFY once; failure prediction watches it.
    ASSERT_EQ(passThroughs[2].size(), 1u);
    EXPECT_GE(predictions, 2);
    uint32_t enabled = 99;
    EXPECT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Drives\\SAT FAILINGSATF0002", "SMARTEnabled", enabled));
    EXPECT_EQ(enabled, 0u);
    CloseProgram(program);
}

}  // namespace
