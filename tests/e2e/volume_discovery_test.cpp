// Volume discovery, against the extra fixed volumes that the test command gives
// the Wine prefix (P: fits the volume record, Q: has a 12-character label).
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/e2e_driver.h"

namespace {

using namespace e2e;

bool Listed(const std::vector<std::string> &keys, const char *name)
{
    return std::find(keys.begin(), keys.end(), name) != keys.end();
}

TEST(VolumeDiscovery, FixedVolumesAreKeyedBySerialAndALabelTooLongForTheRecordIsSkipped)
{
    DWORD letters = GetLogicalDrives();
    ASSERT_TRUE((letters & (1u << ('P' - 'A'))) && (letters & (1u << ('Q' - 'A'))))
        << "the prefix has no fixture volumes P: and Q: (scripts/volume-fixtures.sh)";
    // Q: is a readable fixed volume: only its label keeps it out of the table.
    char label[64] = "";
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationA("Q:\\", label, sizeof label, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(label, "LABELTOOLONG");
    EXPECT_EQ(GetDriveTypeA("P:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_FIXED));

    CleanRegistry();
    Scenario scenario = PrepareForThisTest("drive 0\n");
    Program program;
    ASSERT_NE(program.StartAndWait(scenario), nullptr);
    CloseProgram(program);

    std::vector<std::string> volumes = RegistrySubkeys("Software\\Tessmere\\HOLMVARD\\Volumes");
    EXPECT_TRUE(Listed(volumes, "1A2B-3C4D"));
    EXPECT_FALSE(Listed(volumes, "5566-7788"));
    uint32_t value = 0;
    ASSERT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D", "SpaceCheckEnabled", value));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(ReadRegistryNumber("Software\\Tessmere\\HOLMVARD\\Volumes\\1A2B-3C4D", "FreeSpaceError", value));
    EXPECT_EQ(value, 0u);
}

}  // namespace
