#include <gtest/gtest.h>

#include "state/volume_table.h"

namespace {

TEST(VolumeTable, SerialTextIsHighWordThenLowWordInUpperCaseHex)
{
    const struct {
        uint32_t serial;
        const char *text;
    } cases[] = {
        {0x1A2B3C4D, "1A2B-3C4D"},
        {0x1A2B03CD, "1A2B-03CD"},
        {0x00000000, "0000-0000"},
        {0xFFFFFFFF, "FFFF-FFFF"},
    };
    for (const auto &c : cases) {
        char text[VolumeSerialTextSize];
        FormatVolumeSerial(c.serial, text);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(VolumeTable, RootPathIsLetterColonBackslash)
{
    char root[4];
    FormatRootPath('Z', root);
    EXPECT_STREQ(root, "Z:\\");
}

}  // namespace
