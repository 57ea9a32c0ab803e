// Volume discovery, against the extra fixed volumes that the test command gives
// the Wine prefix (P: fits the volume record, Q: has a 16-character label).
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"

namespace {

using namespace e2e;

bool Listed(const std::vector<std::string> &keys, const char *name)
{
    return std::find(keys.begin(), keys.end(), name) != keys.end();
}

TEST(VolumeDiscovery, FixedVolumesAreKeyedBySerialAndALongLabelIsWatchedShownCutAndExportedWhole)
{
    DWORD letters = GetLogicalDrives();
    ASSERT_TRUE((letters & (1u << ('P' - 'A'))) && (letters & (1u << ('Q' - 'A'))))
        << "the prefix has no fixture volumes P: and Q: (scripts/volume-fixtures.sh)";
    // Q:'s label is longer than the record's field: a query of that size fails.
    char label[64] = "";
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationA("Q:\\", label, sizeof label, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(label, "Backup Drive 2TB");
    char field[12] = "";
    EXPECT_FALSE(GetVolumeInformationA("Q:\\", field, sizeof field, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetDriveTypeA("P:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_FIXED));

    CleanRegistry();
    Scenario scenario = PrepareForThisTest("drive 0\nvolume Q total 10240000000 free 1300000000\n");
    std::string metrics = scenario.folder + "\\holmvard.prom";
    WriteRegistryText(GlobalKey, "MetricsFile", metrics.c_str());
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);

    // Checked: its free-space error is raised, and its title is cut to the field.
    HWND alert = program.WaitForWindow(Dialog, "Free Space Error Detected");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(ControlText(alert, IDC_VOLUME_TITLE), "Q: Backup Driv");
    HWND sheet = OpenSheetOnPage(program, command, 2, IDC_VOLUME_LIST);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(WindowText(FindControl(sheet, IDC_VOLUME_TITLE)), "Q: Backup Driv");
    EXPECT_GE(SendMessageA(FindControl(sheet, IDC_VOLUME_LIST), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>("P: FIXTURE")),
              0);
    PostMessageA(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    ASSERT_TRUE(program.WaitForWindowGone(Dialog, SheetCaption));
    // The metrics file has the whole label.
    EXPECT_TRUE(WaitForFileText(
        metrics, "holmvard_volume_info{volume=\"Q:\",volume_serial=\"5566-7788\",label=\"Backup Drive 2TB\"} 1\n"));
    EXPECT_TRUE(WaitForFileText(metrics, "holmvard_volume_free_space_error{volume=\"Q:\",volume_serial=\"5566-7788\"} 1\n"));
    CloseProgram(program);

    std::vector<std::string> volumes = RegistrySubkeys("Software\\Tessmere\\HOLMVARD\\Volumes");
    EXPECT_TRUE(Listed(volumes, "1A2B-3C4D"));
    EXPECT_TRUE(Listed(volumes, "5566-7788"));
    uint32_t value = 0;
    ASSERT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D", "SpaceCheckEnabled", value));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D", "FreeSpaceError", value));
    EXPECT_EQ(value, 0u);
    ASSERT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Volumes\\5566-7788", "FreeSpaceError", value));
    EXPECT_EQ(value, 1u);
}

}  // namespace
