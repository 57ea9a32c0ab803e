#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "state/volume_texts.h"
#include "volumes/free_space_check.h"

namespace {

VolumeRecord MakeVolume(uint64_t total, uint64_t free, uint32_t minimum = 15, const char *name = "SYSTEM")
{
    VolumeRecord v = {};
    memcpy(v.RootPath, "C:\\", 4);
    snprintf(v.VolumeName, sizeof v.VolumeName, "%s", name);
    memcpy(v.VolumeSerialText, "1A2B-03CD", 10);
    memcpy(v.FileSystem, "NTFS", 5);
    v.TotalBytes = total;
    v.FreeBytes = free;
    v.UsedBytes = total - free;
    v.SpaceCheckEnabled = 1;
    v.FreeSpaceMin = minimum;
    return v;
}

TEST(VolumeTexts, LinesTitleSummaryAndMinimumText)
{
    VolumeRecord v = MakeVolume(10240000000ull, 1300000000ull);
    VolumeInfoTexts texts;
    FormatVolumeInfo(v, texts);
    EXPECT_STREQ(texts.title, "C: SYSTEM");
    EXPECT_STREQ(texts.serial, "1A2B-03CD");
    EXPECT_STREQ(texts.fileSystem, "NTFS");
    EXPECT_STREQ(texts.total, "9.54GB, 10,240,000,000 bytes, 100%");
    EXPECT_STREQ(texts.used, "8.33GB, 8,940,000,000 bytes, 87.3%");
    EXPECT_STREQ(texts.free, "1.21GB, 1,300,000,000 bytes, 12.7%");

    char summary[VolumeSizeTextSize];
    FormatFreeSpaceSummary(MakeVolume(21474836480ull, 1610612736ull), summary);
    EXPECT_STREQ(summary, "1.50GB, 1,610,612,736 bytes, 7.5%");

    // An unlabelled volume keeps the space; a volume of no size shows 0.0%, never NaN.
    FormatVolumeInfo(MakeVolume(0, 0, 15, ""), texts);
    EXPECT_STREQ(texts.title, "C: ");
    EXPECT_STREQ(texts.used, "0.00MB, 0 bytes, 0.0%");
    EXPECT_STREQ(texts.free, "0.00MB, 0 bytes, 0.0%");

    const struct {
        uint64_t total;
        uint32_t percent;
        const char *text;
    } minimums[] = {
        {10240000000ull, 10, "10%, 976.56MB"},
        {10240000000ull, 15, "15%, 1.43GB"},
        {0, 1, "1%, 0.00MB"},
        {18000000000000ull, 100, "100%, 16763.81GB"},
    };
    for (const auto &m : minimums) {
        char text[MinimumTextSize];
        FormatMinimumText(m.total, m.percent, text);
        EXPECT_STREQ(text, m.text) << m.percent;
    }
}

TEST(FreeSpaceRules, ErrorDecisionProposalAndSliderClamp)
{
    const struct {
        uint64_t total, free;
        uint32_t minimum;
        bool below;
        int proposal;          // where the dialog's slider starts
        bool disable;          // the almost-full offer
        int dragged, clamped;  // a slider position and what it becomes
    } cases[] = {
        {10240000000ull, 1536000000ull, 15, false, 12, false, 20, 15},  // exactly 15 %
        {10240000000ull, 1535000000ull, 15, true, 11, false, 20, 14},
        {10240000000ull, 1300000000ull, 15, true, 10, false, 20, 12},
        {10240000000ull, 1300000000ull, 15, true, 10, false, 0, 1},
        {100, 31, 15, false, 15, false, 50, 31},   // grown to 31 %: 24 is above the minimum
        {100, 19, 15, false, 14, false, 5, 5},     // 15 equals the minimum
        {1000, 11, 1, false, 1, true, 1, 1},       // 1.1 % free: too full for a lower minimum
        {1000, 5, 2, true, 1, true, 1, 1},
        {1000, 500, 0, false, 1, true, 30, 30},    // a minimum of 0 never raises
        {0, 0, 15, false, 1, true, 7, 1},          // no size: never below, never a minimum of 0
        {1000, 5, 15, true, 1, true, 3, 1},        // under 1 % free: the clamp stops at 1
    };
    for (const auto &c : cases) {
        VolumeRecord v = MakeVolume(c.total, c.free, c.minimum);
        SCOPED_TRACE(std::to_string(c.total) + "/" + std::to_string(c.free) + " min " + std::to_string(c.minimum));
        EXPECT_EQ(VolumeBelowMinimum(v), c.below);
        MinimumProposal p = ProposeMinimum(v);
        EXPECT_EQ(p.percent, c.proposal);
        EXPECT_EQ(p.disableMonitoring, c.disable);
        EXPECT_EQ(ClampNewMinimum(v, c.dragged), c.clamped);
    }
}

// What the check did, as a script of steps.
std::string Script;
uint64_t Sizes[MaxVolumes][2];   // total, free; a total of 1 makes the query fail

bool FakeQuery(int volume, uint64_t &available, uint64_t &total, uint64_t &free)
{
    if (Sizes[volume][0] == 1)
        return false;
    total = Sizes[volume][0];
    free = Sizes[volume][1];
    available = free / 2;
    return true;
}
void FakeRaise(int volume)
{
    // Raised errors are already set, so a nested check would not raise them again.
    EXPECT_EQ(Volumes[volume].FreeSpaceError, 1);
    Script += "raise" + std::to_string(volume) + " ";
}
void FakeDialog(int volume) { Script += "dialog" + std::to_string(volume) + " "; }
void FakeBeep() { Script += "beep"; }

TEST(FreeSpaceCheck, RaisesOncePerErrorOpensEveryPendingDialogAndBeepsOnce)
{
    const FreeSpaceCheckSteps steps = {FakeQuery, FakeRaise, FakeDialog, FakeBeep};
    const struct {
        uint64_t total, free;
        int enabled, pending;
    } table[] = {
        {1000, 100, 1, 0},   // 0: below 15 %: raised
        {1000, 500, 1, 0},   // 1: healthy
        {1000, 100, 0, 0},   // 2: not monitored
        {1000, 900, 0, 1},   // 3: pending from an earlier run, monitoring off, space grown
        {1, 0, 1, 0},        // 4: the query fails: sizes stay as they were
        {1000, 149, 1, 0},   // 5: below: raised, and the last in error
        {1000, 10, 1, 0},    // 6 healthy by its minimum of 1
    };
    memset(Volumes, 0, sizeof Volumes);
    VolumeCount = 0;
    for (const auto &row : table) {
        VolumeRecord &v = Volumes[VolumeCount];
        v = MakeVolume(0, 0);
        v.SpaceCheckEnabled = row.enabled;
        v.FreeSpaceError = row.pending;
        Sizes[VolumeCount][0] = row.total;
        Sizes[VolumeCount][1] = row.free;
        VolumeCount++;
    }
    Volumes[4].TotalBytes = 5000;
    Volumes[4].FreeBytes = 4000;
    Volumes[6].FreeSpaceMin = 1;
    CurrentVolume = 1;

    Script.clear();
    RunFreeSpaceCheck(steps);
    EXPECT_EQ(Script, "raise0 dialog0 dialog3 raise5 dialog5 beep");
    EXPECT_EQ(CurrentVolume, 5);
    EXPECT_EQ(Volumes[3].UsedBytes, 100u);
    EXPECT_EQ(Volumes[4].TotalBytes, 5000u);
    EXPECT_EQ(Volumes[4].UsedBytes, 1000u);

    // The next check raises nothing again, even with less space, and still shows every dialog.
    Sizes[0][1] = 1;
    Script.clear();
    RunFreeSpaceCheck(steps);
    EXPECT_EQ(Script, "dialog0 dialog3 dialog5 beep");

    // An empty table does nothing and does not beep.
    VolumeCount = 0;
    Script.clear();
    RunFreeSpaceCheck(steps);
    EXPECT_EQ(Script, "");
    CurrentVolume = 0;
}

}  // namespace
