// Start-up, refusal paths and shutdown, through the real executables.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "e2e/e2e_driver.h"
#include "e2e/request_log.h"

namespace {

using namespace e2e;

const char TwoHealthyDrives[] = "version 2 5 1 2600\n"
                                "drive 0\n"
                                "model E2E DISK A\n"
                                "serial A0001\n"
                                "drive 1\n"
                                "model E2E DISK B\n"
                                "serial B0002\n";

class Startup : public ::testing::Test {
protected:
    void SetUp() override { CleanRegistry(); }
};

TEST_F(Startup, SecondInstanceExitsAtOnceWithCodeZeroAndShowsNothing)
{
    Scenario scenario = PrepareForThisTest(TwoHealthyDrives);
    Program first;
    ASSERT_NE(first.StartAndWait(scenario), nullptr);
    size_t requestsBefore = ReadRequestLog(scenario).size();
    // The mutex is the whole machine's, so another user's session finds it too.
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\HOLMVARD Unique Instance");
    EXPECT_NE(mutex, nullptr) << "the instance mutex is not in the global namespace";
    if (mutex)
        CloseHandle(mutex);

    Program second;
    ASSERT_TRUE(second.Start(scenario));
    DWORD exitCode = 99;
    ASSERT_TRUE(second.WaitForExit(10000, exitCode));
    EXPECT_EQ(exitCode, 0u);
    // It neither asked the system anything nor touched a drive.
    EXPECT_EQ(ReadRequestLog(scenario).size(), requestsBefore);

    // The first copy is unaffected and still closes normally.
    EXPECT_TRUE(first.VisibleWindows().empty());
    CloseProgram(first);
}

TEST_F(Startup, NoAcceptedDriveStillWatchesTheVolumes)
{
    Scenario scenario = PrepareForThisTest("version 2 5 1 2600\n");
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    ExpectNoDriveButVolumesWatched(program, scenario);
}

TEST_F(Startup, RefusedOperatingSystemsShowOsVersionErrorAndTouchNoDrive)
{
    const char *versions[] = {
        "version 1 4 0 950\n",   // the first Windows 95 release
        "version 0 3 10 0\n",    // Win32s
        "version fail\n",        // the query itself fails
    };
    for (const char *version : versions) {
        SCOPED_TRACE(version);
        CleanRegistry();
        Scenario scenario = PrepareForThisTest(version);
        Program program;
        ASSERT_TRUE(program.Start(scenario));
        ExpectRefusal(program, "OS Version Error",
                      "This program requires Windows 95 OSR2\nor greater to operate\n\nPlease press OK to continue");
        EXPECT_TRUE(RequestLinesStartingWith(scenario, "OPEN").empty());
    }
}

TEST_F(Startup, Windows95Osr2AndLaterAreAccepted)
{
    const char *versions[] = {"version 1 4 0 1111\n", "version 1 4 10 1998\n", "version 2 4 0 1381\n"};
    for (const char *version : versions) {
        SCOPED_TRACE(version);
        CleanRegistry();
        std::string drives = std::string(version) + "drive 0\n";
        Scenario scenario = PrepareForThisTest(drives.c_str());
        Program program;
        ASSERT_NE(program.StartAndWait(scenario), nullptr);
        CloseProgram(program);
    }
}

TEST_F(Startup, Windows9xWithoutSmartvsdShowsSmartDriverError)
{
    Scenario scenario = PrepareForThisTest("version 1 4 10 1998\nsmartvsd absent\ndrive 0\n");
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    ExpectRefusal(program, "SMART Driver Error",
                  "There has been an error opening the\nSMART IOCTL driver. This is caused by\n"
                  "a problem with the SMARTVSD.VXD driver.\nThe SMARTVSD.VXD driver must be present\n"
                  "in the C:\\Windows\\System\\Iosubsys\nfolder and not have any conflicts in\n"
                  "the SMART IOCTL driver subsystem.\n\nPlease press OK to continue");
}

TEST_F(Startup, Windows9xIdentifiesOnlyTheDrivesOfTheDriveMapThroughOneHandle)
{
    Scenario scenario = PrepareForThisTest("version 1 4 10 1998\ndrivemap 0x05\ndrive 0\ndrive 1\ndrive 2\n");
    Program program;
    ASSERT_NE(program.StartAndWait(scenario), nullptr);
    CloseProgram(program);

    std::vector<Request> requests = ParseRequests(ReadRequestLog(scenario));
    std::vector<Request> opens = Filter(requests, "OPEN");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].device, "\\\\.\\SMARTVSD");
    std::vector<int> identified;
    for (const Request &r : Filter(requests, "IOCTL")) {
        EXPECT_EQ(r.handle, opens[0].handle);
        if (r.ioctl == 0x7C088 && r.Command() == 0xEC)
            identified.push_back(r.DriveNumber());
    }
    EXPECT_EQ(identified, (std::vector<int>{0, 2}));
    // The one shared handle is closed once.
    std::vector<Request> closes = Filter(requests, "CLOSE");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].handle, opens[0].handle);
}

TEST_F(Startup, Windows9xWithOnlyHighDriveMapBitsTriesNoDrive)
{
    Scenario scenario = PrepareForThisTest("version 1 4 10 1998\ndrivemap 0xF0\ndrive 0\ndrive 1\n");
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    ExpectNoDriveButVolumesWatched(program, scenario);
    std::vector<Request> requests = ParseRequests(ReadRequestLog(scenario));
    for (const Request &r : Filter(requests, "IOCTL"))
        EXPECT_EQ(r.ioctl, 0x74080u) << "only the drive map may be asked";
    EXPECT_TRUE(AllOpenHandlesClosed(requests));
}

TEST_F(Startup, WindowsNtSkipsRemovableDriveAndClosesEveryHandle)
{
    Scenario scenario = PrepareForThisTest("version 2 5 1 2600\n"
                                "drive 0\nmodel FIRST\n"
                                "drive 1\nmodel CARD READER\nmedia removable\n"
                                "drive 2\nmodel THIRD\n");
    Program program;
    ASSERT_NE(program.StartAndWait(scenario), nullptr);
    CloseProgram(program);

    std::vector<Request> requests = ParseRequests(ReadRequestLog(scenario));
    std::map<std::string, std::string> deviceOfHandle;
    std::set<std::string> openedForRequests;
    for (const Request &r : Filter(requests, "OPEN")) {
        if (!r.handle.empty())
            deviceOfHandle[r.handle] = r.device;
        if (r.access != 0)
            openedForRequests.insert(r.device);
    }
    EXPECT_EQ(openedForRequests, (std::set<std::string>{"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive2"}));
    std::vector<std::string> identified;
    for (const Request &r : Filter(requests, "IOCTL")) {
        if (r.ioctl == 0x7C088 && r.Command() == 0xEC) {
            identified.push_back(deviceOfHandle[r.handle]);
            // IDENTIFY carries the physical index; the handle selects the drive.
            EXPECT_EQ(r.DriveNumber(), deviceOfHandle[r.handle].back() - '0');
        }
    }
    EXPECT_EQ(identified, (std::vector<std::string>{"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive2"}));
    EXPECT_TRUE(AllOpenHandlesClosed(requests));
}

TEST_F(Startup, CloseEndsTheProgramWithCodeOneAndClosesTheDevices)
{
    Scenario scenario = PrepareForThisTest(TwoHealthyDrives);
    Program program;
    ASSERT_NE(program.StartAndWait(scenario), nullptr);
    CloseProgram(program);
    std::vector<Request> requests = ParseRequests(ReadRequestLog(scenario));
    EXPECT_EQ(Filter(requests, "CLOSE").size(), 4u) << "two probes and two drives";
    EXPECT_TRUE(AllOpenHandlesClosed(requests));
}

TEST_F(Startup, ProductionBuildFindsNoSmartDriveUnderWineAndStaysForTheVolumes)
{
    Scenario scenario = PrepareForThisTest(nullptr, "holmvard.exe");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(program.FindWindowNow("#32770", "IDE Drive Error"), nullptr);
    CloseProgram(program);
}

}  // namespace

namespace {

TEST(Splash, ShowsCentredAtTheDisplaysScaleAboveAllAndGoesAtAClickOrAfterFiveSeconds)
{
    e2e::Scenario scenario = e2e::PrepareForThisTest("drive 0\n");
    for (bool click : {true, false}) {
        e2e::Program program;
        ASSERT_TRUE(program.Start(scenario));
        HWND splash = program.WaitForWindow("Splash", nullptr);
        ASSERT_NE(splash, nullptr);
        DWORD shown = GetTickCount();
        RECT frame;
        GetWindowRect(splash, &frame);
        // The 480 x 320 picture grows with the display's scale.
        int width = MulDiv(480, e2e::ScreenDpi(), 96);
        int height = MulDiv(320, e2e::ScreenDpi(), 96);
        EXPECT_EQ(frame.right - frame.left, width);
        EXPECT_EQ(frame.bottom - frame.top, height);
        EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
        EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
        EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
        if (click) {
            Sleep(300);
            e2e::SaveScreenshot("splash");
            PostMessageA(splash, WM_RBUTTONDOWN, MK_RBUTTON, 0);
            EXPECT_TRUE(program.WaitForWindowGone("Splash", nullptr, 2000));
        } else {
            EXPECT_TRUE(program.WaitForWindowGone("Splash", nullptr, 9000));
            // Five seconds from its creation, which came a little before it was found.
            EXPECT_GE(GetTickCount() - shown, 4500u);
        }
        e2e::CloseProgram(program);
    }
}

}  // namespace
