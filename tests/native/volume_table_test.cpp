#include <gtest/gtest.h>

#include <string>

#include "base/bounded_text.h"
#include "state/volume_table.h"
#include "state/volume_texts.h"

namespace {

// A label longer than the title's field is kept whole for the metrics and cut
// between characters for every title; so is a long file-system name.
TEST(VolumeTable, LongLabelKeptWholeAndCutForTheTitleBetweenCharacters)
{
    const struct {
        TextEncoding encoding;
        const char *label;
        const char *fileSystem;
        const char *title;
        const char *shownFileSystem;
    } cases[] = {
        {TextEncoding::SingleByte, "Backup Drive 2TB", "NTFS", "Q: Backup Driv", "NTFS"},
        {TextEncoding::SingleByte, "", "exFAT", "Q: ", "exFAT"},
        {TextEncoding::SingleByte, "ELEVENCHARS", "LONGFSNAME", "Q: ELEVENCHARS", "LONGFSNA"},
        // The euro sign would straddle the eleventh byte.
        {TextEncoding::Utf8, "Sauvegarde\xE2\x82\xAC 2 To", "NTFS", "Q: Sauvegarde", "NTFS"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        SetTextEncoding(c.encoding);
        VolumeRecord volume = {};
        CopyText(volume.RootPath, "Q:\\");
        StoreVolumeNames(volume, c.label, c.fileSystem);
        SetTextEncoding(TextEncoding::SingleByte);
        EXPECT_STREQ(volume.FullVolumeName, c.label);
        VolumeInfoTexts texts;
        FormatVolumeInfo(volume, texts);
        EXPECT_STREQ(texts.title, c.title);
        EXPECT_STREQ(texts.fileSystem, c.shownFileSystem);
    }
}

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
