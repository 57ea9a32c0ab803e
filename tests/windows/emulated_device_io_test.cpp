// The emulated device layer through device_io.h, as holmvard-emulated.exe uses it:
// a description file beside the executable, fake handles and the request log.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "drives/device_control.h"
#include "drives/device_io.h"
#include "drives/smart_requests.h"

namespace {

std::string BesideTestProgram(const char *fileName)
{
    char path[1024];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + fileName;
}

void WriteDescription(const std::string &text)
{
    std::ofstream(BesideTestProgram("emulated-drives.txt"), std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> ReadLog()
{
    std::vector<std::string> lines;
    std::ifstream in(BesideTestProgram("emulated-requests.log"), std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The k of "-> H<k>" at the end of an OPEN line, or 0.
unsigned HandleNumberOpenedBy(const std::string &line)
{
    size_t at = line.rfind("-> H");
    return at == std::string::npos ? 0 : static_cast<unsigned>(strtoul(line.c_str() + at + 4, nullptr, 10));
}

std::string Hex(const uint8_t *bytes, size_t count)
{
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

struct Reply {
    BOOL ok;
    DWORD error;
    DWORD returned;
    uint8_t bytes[SmartDataReplyLength];
};

Reply Send(HANDLE device, SmartOperation operation, uint8_t driveNumber)
{
    SmartRequest request = BuildSmartRequest(operation, driveNumber);
    Reply reply = {};
    reply.returned = 0xFFFFFFFF;
    reply.ok = DeviceControl(device, request.ioctl, request.packet, SmartPacketLength, reply.bytes,
                             request.outputLength, &reply.returned);
    reply.error = reply.ok ? 0 : GetLastError();
    return reply;
}

std::string ModelOf(const Reply &identify)
{
    std::string model;
    for (size_t i = 0; i < 40; ++i)
        model += static_cast<char>(identify.bytes[SmartReplyHeaderLength + 54 + (i ^ 1)]);
    return model.substr(0, model.find_last_not_of(' ') + 1);
}

class EmulatedDeviceIo : public ::testing::Test {
protected:
    void SetUp() override { RemoveFiles(); }
    void TearDown() override { RemoveFiles(); }

    static void RemoveFiles()
    {
        DeleteFileA(BesideTestProgram("emulated-drives.txt").c_str());
        DeleteFileA(BesideTestProgram("emulated-requests.log").c_str());
    }
};

TEST_F(EmulatedDeviceIo, WithoutADescriptionTwoHealthyFixedNtDrivesAnswer)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(QueryOsVersion(&version));
    EXPECT_EQ(version.dwPlatformId, 2u);
    EXPECT_EQ(version.dwMajorVersion, 5u);
    EXPECT_EQ(version.dwMinorVersion, 1u);
    EXPECT_EQ(version.dwBuildNumber, 2600u);

    const char *names[] = {"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1"};
    const char *models[] = {"HOLMVARD EMU DISK 0", "HOLMVARD EMU DISK 1"};
    for (int n = 0; n < 2; ++n) {
        HANDLE probe = DeviceOpen(names[n], 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
        ASSERT_NE(probe, INVALID_HANDLE_VALUE);
        uint8_t geometry[DriveGeometryLength] = {};
        DWORD returned = 0;
        ASSERT_TRUE(DeviceControl(probe, DiskGetDriveGeometryIoctl, nullptr, 0, geometry, sizeof geometry, &returned));
        EXPECT_EQ(returned, DriveGeometryLength);
        EXPECT_EQ(ReadMediaType(geometry), FixedMediaType);
        EXPECT_TRUE(DeviceClose(probe));

        HANDLE device =
            DeviceOpen(names[n], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        Reply identify = Send(device, SmartOperation::IdentifyDrive, static_cast<uint8_t>(n));
        ASSERT_TRUE(identify.ok);
        EXPECT_EQ(identify.returned, SmartDataReplyLength);
        EXPECT_EQ(ModelOf(identify), models[n]);
        Reply status = Send(device, SmartOperation::ReturnSMARTStatus, 0);
        ASSERT_TRUE(status.ok);
        EXPECT_EQ(ReadReturnStatus(true, status.bytes), 1);
        EXPECT_TRUE(DeviceClose(device));
    }

    SetLastError(0);
    EXPECT_EQ(DeviceOpen("\\\\.\\PhysicalDrive2", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(EmulatedDeviceIo, EveryCallLeavesOneLineInTheRequestLog)
{
    WriteDescription("drive 0\n");
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(QueryOsVersion(&version));
    HANDLE probe = DeviceOpen("\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(probe, INVALID_HANDLE_VALUE);
    uint8_t geometry[DriveGeometryLength];
    DWORD returned = 0;
    ASSERT_TRUE(DeviceControl(probe, DiskGetDriveGeometryIoctl, nullptr, 0, geometry, sizeof geometry, &returned));
    ASSERT_TRUE(DeviceClose(probe));
    HANDLE device =
        DeviceOpen("\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                   OPEN_EXISTING);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    SmartRequest identify = BuildSmartRequest(SmartOperation::IdentifyDrive, 0);
    ASSERT_TRUE(Send(device, SmartOperation::IdentifyDrive, 0).ok);
    EXPECT_EQ(DeviceOpen("\\\\.\\PhysicalDrive1", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    ASSERT_TRUE(DeviceClose(device));
    EXPECT_FALSE(DeviceClose(device));

    std::vector<std::string> log = ReadLog();
    ASSERT_EQ(log.size(), 9u);
    // Handle numbers count every successful open of the process, earlier tests included.
    unsigned k = HandleNumberOpenedBy(log[1]);
    ASSERT_NE(k, 0u);
    const std::string expected[] = {
        "VERSION -> ok 2 5.1.2600",
        "OPEN \\\\.\\PhysicalDrive0 access=00000000 share=00000003 disposition=3 -> H" + std::to_string(k),
        "IOCTL H" + std::to_string(k) + " 00070000 - out=24 -> ok",
        "CLOSE H" + std::to_string(k) + " -> ok",
        "OPEN \\\\.\\PhysicalDrive0 access=C0000000 share=00000003 disposition=3 -> H" + std::to_string(k + 1),
        "IOCTL H" + std::to_string(k + 1) + " 0007C088 " + Hex(identify.packet, SmartPacketLength) +
            " out=528 -> ok",
        "OPEN \\\\.\\PhysicalDrive1 access=00000000 share=00000003 disposition=3 -> FAIL",
        "CLOSE H" + std::to_string(k + 1) + " -> ok",
        "CLOSE H? -> FAIL",
    };
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i], expected[i]) << "line " << i + 1;
}

TEST_F(EmulatedDeviceIo, DescriptionIsReadAgainAtEveryCall)
{
    WriteDescription("drive 1\n");
    HANDLE device = DeviceOpen("\\\\.\\PhysicalDrive1", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    Reply status = Send(device, SmartOperation::ReturnSMARTStatus, 0);
    ASSERT_TRUE(status.ok);
    EXPECT_EQ(ReadReturnStatus(true, status.bytes), 1);

    WriteDescription("drive 1\nstatus exceeded\n");
    status = Send(device, SmartOperation::ReturnSMARTStatus, 0);
    ASSERT_TRUE(status.ok);
    EXPECT_EQ(status.bytes[19], 0xF4);
    EXPECT_EQ(status.bytes[20], 0x2C);
    EXPECT_EQ(ReadReturnStatus(true, status.bytes), 0);

    WriteDescription("drive 1\nstatus fail\n");
    status = Send(device, SmartOperation::ReturnSMARTStatus, 0);
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.error, static_cast<DWORD>(ERROR_IO_DEVICE));
    EXPECT_EQ(status.returned, 0u);

    // A drive that leaves the description stops answering on handles already open.
    WriteDescription("drive 0\n");
    status = Send(device, SmartOperation::ReturnSMARTStatus, 0);
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_TRUE(DeviceClose(device));
}

TEST_F(EmulatedDeviceIo, BrokenDescriptionFailsEveryCallAndLogsItsLine)
{
    WriteDescription("drive 0\r\nmodle ST3200\r\n");
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    EXPECT_FALSE(QueryOsVersion(&version));
    EXPECT_EQ(DeviceOpen("\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    const std::string error = "ERROR emulated-drives.txt line 2: unknown keyword 'modle'";
    const std::string expected[] = {
        error,
        "VERSION -> FAIL",
        error,
        "OPEN \\\\.\\PhysicalDrive0 access=00000000 share=00000003 disposition=3 -> FAIL",
    };
    std::vector<std::string> log = ReadLog();
    ASSERT_EQ(log.size(), 4u);
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i], expected[i]) << "line " << i + 1;
}

TEST_F(EmulatedDeviceIo, HandleOpenedBeforeTheFileBrokeFailsItsRequestsButCloses)
{
    WriteDescription("drive 0\n");
    HANDLE device = DeviceOpen("\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    WriteDescription("drive 0\nheads many\n");
    EXPECT_FALSE(Send(device, SmartOperation::EnableSMART, 0).ok);
    EXPECT_TRUE(DeviceClose(device));
}

TEST_F(EmulatedDeviceIo, VersionFollowsTheDescriptionAndRefusesAnotherRecordSize)
{
    struct Case {
        const char *description;
        DWORD size;
        BOOL ok;
        DWORD platformId;
        DWORD major;
        DWORD minor;
        DWORD build;
        const char *logLine;
    };
    const Case cases[] = {
        {"version 1 4 0 1111\n", sizeof(OSVERSIONINFOA), TRUE, 1, 4, 0, 1111, "VERSION -> ok 1 4.0.1111"},
        {"version 1 4 10 0x040A08AE\n", sizeof(OSVERSIONINFOA), TRUE, 1, 4, 10, 0x040A08AE,
         "VERSION -> ok 1 4.10.67766446"},
        {"version 0 3 10 0\n", sizeof(OSVERSIONINFOA), TRUE, 0, 3, 10, 0, "VERSION -> ok 0 3.10.0"},
        {"version fail\n", sizeof(OSVERSIONINFOA), FALSE, 0, 0, 0, 0, "VERSION -> FAIL"},
        {"", sizeof(OSVERSIONINFOEXA), FALSE, 0, 0, 0, 0, "VERSION -> FAIL"},
        {"", 0, FALSE, 0, 0, 0, 0, "VERSION -> FAIL"},
    };
    for (const Case &c : cases) {
        WriteDescription(c.description);
        DeleteFileA(BesideTestProgram("emulated-requests.log").c_str());
        OSVERSIONINFOEXA version = {};
        version.dwOSVersionInfoSize = c.size;
        EXPECT_EQ(QueryOsVersion(reinterpret_cast<OSVERSIONINFOA *>(&version)), c.ok) << c.description;
        if (c.ok) {
            EXPECT_EQ(version.dwPlatformId, c.platformId) << c.description;
            EXPECT_EQ(version.dwMajorVersion, c.major) << c.description;
            EXPECT_EQ(version.dwMinorVersion, c.minor) << c.description;
            EXPECT_EQ(version.dwBuildNumber, c.build) << c.description;
        }
        std::vector<std::string> log = ReadLog();
        ASSERT_EQ(log.size(), 1u) << c.description;
        EXPECT_EQ(log[0], c.logLine) << c.description;
    }
}

TEST_F(EmulatedDeviceIo, SmartvsdHandleTellsDrivesApartByTheirNumber)
{
    WriteDescription("version 1 4 10 2222\ndrive 0\nmodel FIRST\ndrive 2\nmodel THIRD\n");
    HANDLE driver = DeviceOpen("\\\\.\\SMARTVSD", 0, 0, CREATE_NEW);
    ASSERT_NE(driver, INVALID_HANDLE_VALUE);
    ASSERT_NE(driver, nullptr);

    uint8_t map[DriveMapReplyLength] = {};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceControl(driver, SmartGetVersionIoctl, nullptr, 0, map, sizeof map, &returned));
    EXPECT_EQ(ReadDriveMap(map), 0x05);

    Reply first = Send(driver, SmartOperation::IdentifyDrive, 0);
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(ModelOf(first), "FIRST");
    Reply third = Send(driver, SmartOperation::IdentifyDrive, 2);
    ASSERT_TRUE(third.ok);
    EXPECT_EQ(ModelOf(third), "THIRD");
    Reply second = Send(driver, SmartOperation::IdentifyDrive, 1);
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_TRUE(DeviceClose(driver));

    WriteDescription("version 1 4 10 2222\nsmartvsd absent\ndrive 0\n");
    EXPECT_EQ(DeviceOpen("\\\\.\\SMARTVSD", 0, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
}

TEST_F(EmulatedDeviceIo, FailuresReportTheirWin32Error)
{
    WriteDescription("drive 0\nopen fail\nmedia removable\ndrive 1\nmedia none\n");
    SetLastError(0);
    EXPECT_EQ(DeviceOpen("\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    HANDLE probe = DeviceOpen("\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(probe, INVALID_HANDLE_VALUE);
    uint8_t geometry[DriveGeometryLength] = {};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceControl(probe, DiskGetDriveGeometryIoctl, nullptr, 0, geometry, sizeof geometry, &returned));
    EXPECT_EQ(ReadMediaType(geometry), RemovableMediaType);
    EXPECT_FALSE(DeviceControl(probe, DiskGetDriveGeometryIoctl, nullptr, 0, geometry, 23, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    Reply refused = Send(probe, SmartOperation::IdentifyDrive, 0);
    EXPECT_FALSE(refused.ok) << "SMART requests need read and write access";
    EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(DeviceClose(probe));

    HANDLE noMedia = DeviceOpen("\\\\.\\PhysicalDrive1", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(noMedia, INVALID_HANDLE_VALUE);
    returned = 77;
    EXPECT_FALSE(DeviceControl(noMedia, DiskGetDriveGeometryIoctl, nullptr, 0, geometry, sizeof geometry, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(returned, 0u);
    EXPECT_TRUE(DeviceClose(noMedia));
}

TEST_F(EmulatedDeviceIo, HandlesAreDistinctFakeValuesThatCloseOnce)
{
    WriteDescription("drive 0\ndrive 1\n");
    HANDLE a = DeviceOpen("\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE, 3, OPEN_EXISTING);
    HANDLE b = DeviceOpen("\\\\.\\PhysicalDrive1", GENERIC_READ | GENERIC_WRITE, 3, OPEN_EXISTING);
    HANDLE c = DeviceOpen("\\\\.\\SMARTVSD", 0, 0, CREATE_NEW);
    const HANDLE handles[] = {a, b, c};
    for (HANDLE h : handles) {
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_NE(h, nullptr);
    }
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_NE(a, c);

    EXPECT_TRUE(DeviceClose(b));
    SetLastError(0);
    EXPECT_FALSE(DeviceClose(b));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    Reply closed = Send(b, SmartOperation::EnableSMART, 0);
    EXPECT_FALSE(closed.ok);
    EXPECT_EQ(closed.error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeviceClose(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234))));
    EXPECT_FALSE(DeviceClose(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(DeviceClose(nullptr));

    // A handle opened later never takes the value of a closed one.
    HANDLE d = DeviceOpen("\\\\.\\PhysicalDrive1", GENERIC_READ | GENERIC_WRITE, 3, OPEN_EXISTING);
    EXPECT_NE(d, b);
    EXPECT_TRUE(DeviceClose(a));
    EXPECT_TRUE(DeviceClose(c));
    EXPECT_TRUE(DeviceClose(d));
}

TEST_F(EmulatedDeviceIo, ReturnedCountAndBytesPastTheReplyBehaveLikeTheDriver)
{
    WriteDescription("drive 3\noffline-status 0x04\noffline-seconds 125\n");
    HANDLE device = DeviceOpen("\\\\.\\PhysicalDrive3", GENERIC_READ | GENERIC_WRITE, 3, OPEN_EXISTING);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    SmartRequest request = BuildSmartRequest(SmartOperation::ReadSMARTData, 0);
    uint8_t output[600];
    memset(output, 0xEE, sizeof output);
    DWORD returned = 0;
    ASSERT_TRUE(DeviceControl(device, request.ioctl, request.packet, SmartPacketLength, output, sizeof output,
                              &returned));
    EXPECT_EQ(returned, SmartDataReplyLength);
    EXPECT_EQ(output[SmartDataReplyLength], 0xEE);
    OfflineCollectionInfo info = GetOfflineCollectionInfo(output + SmartReplyHeaderLength);
    EXPECT_EQ(info.status, 0x04);
    EXPECT_EQ(info.seconds, 125);
    EXPECT_EQ(info.capability, 0x01);
    EXPECT_TRUE(DeviceClose(device));
}

}  // namespace
