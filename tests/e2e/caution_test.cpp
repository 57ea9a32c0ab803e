// The caution of rising counts, through the real program: raised once, kept,
// acknowledged with its counts, raised again by a further rise.
#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

const char Caption[] = "SMART Caution Detected";
const char AtaKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\ABC-1234XYZ98765";
const char NvmeKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\NVME DISKNV0001";
const char DefaultKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\HOLMVARD EMU DISK 2EMU0002";

std::string Bay(int reallocated, int mediaErrors)
{
    return "drive 0\nmodel ABC-1234\nserial XYZ98765\nattribute 9 98 98 40000\nthreshold 5 36\nattribute 5 100 100 " +
           std::to_string(reallocated) + "\ndrive 1\nmodel NVME DISK\nserial NV0001\nbus nvme\nmedia-errors " +
           std::to_string(mediaErrors) + "\ndrive 2\n";
}

// The open caution dialog that names the serial, or nullptr.
HWND CautionFor(Program &program, const char *serial)
{
    for (int tries = 0; tries < 100; tries++) {
        for (HWND window : program.VisibleWindows()) {
            if (WindowText(window) == Caption && ControlText(window, IDC_SERIAL) == serial)
                return window;
        }
        Sleep(100);
    }
    return nullptr;
}

int Occurrences(const std::string &text, const char *what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        count++;
    return count;
}

uint32_t Flag(const char *key, const char *name)
{
    uint32_t value = 99;
    ReadRegistryNumber(key, name, value);
    return value;
}

TEST(Caution, RisingCountsRaiseOnceAcknowledgedCountsStayClearAndAFurtherRiseRaisesAgain)
{
    CleanRegistry();
    Scenario scenario = PrepareForThisTest(Bay(8, 0).c_str());
    std::string logPath = LogInScenarioFolder(scenario);
    Program program;
    HWND command = program.StartAndWait(scenario);
    HWND dialog = CautionFor(program, "XYZ98765");
    ASSERT_NE(dialog, nullptr);
    SaveScreenshot("smart-caution-dialog");
    EXPECT_EQ(ControlText(dialog, IDC_CAUTION_RISES), "Reallocated sectors (5): 8, was 0\r\n");
    EXPECT_EQ(Flag(AtaKey, "SMARTCaution"), 1u);
    std::string time;
    DWORD size = 0;
    EXPECT_TRUE(ReadRegistryText(AtaKey, "SMARTCautionTime", time, &size) && size == 40 && !time.empty());
    std::string log = ReadWholeFile(logPath);
    EXPECT_NE(log.find("SMART caution detected\r\nModel number: ABC-1234\r\nSerial number: XYZ98765\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("Reallocated sectors (5): 8, was 0\r\n\r\n"), std::string::npos);

    // A tick with the same counts raises nothing new, and the error status is untouched.
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(Occurrences(ReadWholeFile(logPath), "SMART caution detected"), 1);
    EXPECT_EQ(Flag(AtaKey, "SMARTError"), 0u);

    ClickButton(dialog, IDC_ACKNOWLEDGE);
    ClickButton(dialog, IDC_ERROR_OK);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, Caption));
    EXPECT_EQ(Flag(AtaKey, "SMARTCaution"), 0u);
    ASSERT_TRUE(RunTimer(command, 1));
    EXPECT_EQ(program.FindWindowNow(Dialog, Caption), nullptr) << "acknowledged counts raise nothing";
    log = ReadWholeFile(logPath);
    EXPECT_EQ(Occurrences(log, "SMART caution acknowledged\r\nModel number: ABC-1234"), 1);
    EXPECT_EQ(Occurrences(log, "SMART caution detected"), 1);

    // One more reallocated sector, and two media errors on the NVMe drive.
    WriteDrives(scenario, Bay(9, 2).c_str());
    ASSERT_TRUE(RunTimer(command, 1));
    dialog = CautionFor(program, "XYZ98765");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_CAUTION_RISES), "Reallocated sectors (5): 9, was 8\r\n");
    HWND nvme = CautionFor(program, "NV0001");
    ASSERT_NE(nvme, nullptr);
    EXPECT_EQ(ControlText(nvme, IDC_CAUTION_RISES), "Media errors: 2, was 0\r\n");
    EXPECT_EQ(Flag(NvmeKey, "SMARTCaution"), 1u);
    // The default drive beside them, healthy, raised nothing.
    EXPECT_EQ(Flag(DefaultKey, "SMARTError"), 0u);
    EXPECT_EQ(Flag(DefaultKey, "SMARTCaution"), 99u);
    EXPECT_EQ(Occurrences(ReadWholeFile(logPath), "SMART caution detected"), 3);
    CloseProgram(program);
}

TEST(Caution, ACountSwitchedOffInTheDrivesKeyRisesInVainWhileTheOtherDriveStillRaises)
{
    CleanRegistry();
    WriteRegistryFlag(AtaKey, "SMARTEnabled", 1);
    // SMARTCautionWatched with the bit of reallocated sectors, item 0, cleared.
    WriteRegistryFlag(AtaKey, "SMARTCautionWatched", ~1);
    Scenario scenario = PrepareForThisTest(Bay(8, 2).c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(CautionFor(program, "NV0001"), nullptr);
    WriteDrives(scenario, Bay(9, 2).c_str());
    ASSERT_TRUE(RunTimer(command, 1));
    for (HWND window : program.VisibleWindows())
        EXPECT_FALSE(WindowText(window) == Caption && ControlText(window, IDC_SERIAL) == "XYZ98765");
    EXPECT_EQ(Flag(AtaKey, "SMARTCaution"), 99u);
    CloseProgram(program);
}

}  // namespace
