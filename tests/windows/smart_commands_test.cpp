// Device opening and the SMART requests, against the emulated device layer.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "drives/identify_decoding.h"
#include "drives/smart_commands.h"
#include "drives/smart_requests.h"

namespace {

std::string BesideExecutable(const char *file)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

class SmartCommands : public ::testing::Test {
protected:
    void Describe(const char *drives)
    {
        std::ofstream(BesideExecutable("emulated-drives.txt"), std::ios::trunc) << drives;
        DeleteFileA(BesideExecutable("emulated-requests.log").c_str());
    }
    void TearDown() override
    {
        DeleteFileA(BesideExecutable("emulated-drives.txt").c_str());
        DeleteFileA(BesideExecutable("emulated-requests.log").c_str());
    }
    std::vector<std::string> Log()
    {
        std::vector<std::string> lines;
        std::ifstream in(BesideExecutable("emulated-requests.log"));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    static bool Starts(const std::string &line, const std::string &prefix) { return line.rfind(prefix, 0) == 0; }
    // The handle an OPEN line gave out ("H3"); handle numbers run on through the process.
    static std::string HandleOf(const std::string &openLine) { return openLine.substr(openLine.rfind(' ') + 1); }
};

TEST_F(SmartCommands, PhysicalDriveIsProbedThenOpenedForReadAndWrite)
{
    Describe("drive 2\n");
    HANDLE device = OpenDriveDevice(2, 2);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(Starts(log[0], "OPEN \\\\.\\PhysicalDrive2 access=00000000 share=00000003 disposition=3 -> H"))
        << log[0];
    std::string probe = HandleOf(log[0]);
    EXPECT_TRUE(Starts(log[1], "IOCTL " + probe + " 00070000 - out=24 -> ok")) << log[1];
    EXPECT_TRUE(Starts(log[2], "CLOSE " + probe + " -> ok")) << log[2];
    EXPECT_TRUE(Starts(log[3], "OPEN \\\\.\\PhysicalDrive2 access=C0000000 share=00000003 disposition=3 -> H"))
        << log[3];
    EXPECT_NE(HandleOf(log[3]), probe);
}

TEST_F(SmartCommands, DrivesWithoutFixedMediaGetNoHandleAndTheProbeIsClosed)
{
    const char *descriptions[] = {"drive 0\nmedia removable\n", "drive 0\nmedia none\n"};
    for (const char *description : descriptions) {
        SCOPED_TRACE(description);
        Describe(description);
        EXPECT_EQ(OpenDriveDevice(2, 0), INVALID_HANDLE_VALUE);
        std::vector<std::string> log = Log();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_TRUE(Starts(log[2], "CLOSE H")) << log[2];
    }
}

TEST_F(SmartCommands, MissingDriveOrRefusedOpenGivesNoHandle)
{
    Describe("drive 0\nopen fail\n");
    EXPECT_EQ(OpenDriveDevice(2, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenDriveDevice(2, 0), INVALID_HANDLE_VALUE);
}

TEST_F(SmartCommands, SmartvsdIsCreatedWithNoAccessAndNoSharing)
{
    Describe("version 1 4 10 1998\ndrivemap 0x05\ndrive 0\ndrive 2\n");
    HANDLE device = OpenDriveDevice(1, 0);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(QueryDriveMap(device), 0x05);
    std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_TRUE(Starts(log[0], "OPEN \\\\.\\SMARTVSD access=00000000 share=00000000 disposition=1 -> H")) << log[0];
    EXPECT_TRUE(Starts(log[1], "IOCTL " + HandleOf(log[0]) + " 00074080 - out=24 -> ok")) << log[1];
}

TEST_F(SmartCommands, ReturnStatusReadsHealthyExceededAndFailedRequests)
{
    const struct {
        const char *status;
        int result;
    } cases[] = {{"ok", 1}, {"exceeded", 0}, {"fail", 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.status);
        std::string description = std::string("drive 0\nstatus ") + c.status + "\n";
        Describe(description.c_str());
        HANDLE device = OpenDriveDevice(2, 0);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        EXPECT_EQ(ReturnSMARTStatus(device, 0), c.result);
    }
}

TEST_F(SmartCommands, IdentifySectorIsReadFromTheDataReply)
{
    Describe("drive 0\nmodel QUANTUM FIREBALL\nserial 12345\nlba 1048576\n");
    HANDLE device = OpenDriveDevice(2, 0);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(IdentifyDrive(device, 0));
    DriveRecord record = {};
    ASSERT_TRUE(DecodeIdentifyData(SmartDataSector(), record));
    EXPECT_STREQ(record.Model, "QUANTUM FIREBALL");
    EXPECT_STREQ(record.Serial, "12345");
    EXPECT_EQ(record.LbaSectors, 1048576u);
}

}  // namespace
