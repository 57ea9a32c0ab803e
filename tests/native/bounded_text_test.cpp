#include <gtest/gtest.h>

#include <string>

#include "base/bounded_text.h"

namespace {

// Shift-JIS's lead bytes, as the system reports them: 81-9F and E0-FC.
const uint8_t ShiftJisLeadBytes[12] = {0x81, 0x9F, 0xE0, 0xFC};

// The encoding a test sets, back to the single-byte default when it ends.
struct EncodingForTest {
    explicit EncodingForTest(TextEncoding encoding, const uint8_t *leadBytes = nullptr)
    {
        SetTextEncoding(encoding, leadBytes, leadBytes ? sizeof ShiftJisLeadBytes : 0);
    }
    ~EncodingForTest() { SetTextEncoding(TextEncoding::SingleByte); }
};

TEST(BoundedText, CutsFallBetweenCharactersOfTheCodePage)
{
    const struct {
        TextEncoding encoding;
        const char *text;
        size_t size;   // of the buffer: size - 1 bytes fit
        const char *kept;
    } cases[] = {
        // Two-byte e-acute after "ab": cut after its first byte, or whole.
        {TextEncoding::Utf8, "ab\xC3\xA9", 4, "ab"},
        {TextEncoding::Utf8, "ab\xC3\xA9", 5, "ab\xC3\xA9"},
        {TextEncoding::Utf8, "\xC3\xA9x", 3, "\xC3\xA9"},
        // Three-byte euro sign: cut after one or two of its bytes.
        {TextEncoding::Utf8, "a\xE2\x82\xAC", 3, "a"},
        {TextEncoding::Utf8, "a\xE2\x82\xAC", 4, "a"},
        {TextEncoding::Utf8, "a\xE2\x82\xAC!", 5, "a\xE2\x82\xAC"},
        // Four-byte emoji: cut after one, two or three of its bytes.
        {TextEncoding::Utf8, "a\xF0\x9F\x98\x80", 3, "a"},
        {TextEncoding::Utf8, "a\xF0\x9F\x98\x80", 4, "a"},
        {TextEncoding::Utf8, "a\xF0\x9F\x98\x80", 5, "a"},
        {TextEncoding::Utf8, "a\xF0\x9F\x98\x80", 6, "a\xF0\x9F\x98\x80"},
        {TextEncoding::Utf8, "abcdef", 4, "abc"},
        // A single-byte code page cuts after any byte, as it always did.
        {TextEncoding::SingleByte, "ab\xC3\xA9", 4, "ab\xC3"},
        // Shift-JIS: a lead byte whose trail would not fit goes, and a trail
        // byte that looks like a lead byte is still a trail byte.
        {TextEncoding::DoubleByte, "A\x82\xA0", 3, "A"},
        {TextEncoding::DoubleByte, "\x81\x81\x81\x81", 4, "\x81\x81"},
        {TextEncoding::DoubleByte, "\x82\xA0\x82\xA0", 4, "\x82\xA0"},
        {TextEncoding::DoubleByte, "\x82\x41" "B\x82\x41", 4, "\x82\x41" "B"},
        {TextEncoding::DoubleByte, "\xB1\xB2\xB3", 3, "\xB1\xB2"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.size));
        EncodingForTest encoding(c.encoding, c.encoding == TextEncoding::DoubleByte ? ShiftJisLeadBytes : nullptr);
        bool whole = strlen(c.text) < c.size;
        char buffer[16];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(CopyTextSized(buffer, c.size, c.text), whole);
        EXPECT_STREQ(buffer, c.kept);
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(FormatIntoSized(buffer, c.size, "%s", c.text), whole);
        EXPECT_STREQ(buffer, c.kept);
        // Appended after one character already there, with one byte more room.
        CopyText(buffer, "-");
        EXPECT_EQ(AppendTextSized(buffer, c.size + 1, c.text), whole);
        EXPECT_EQ(std::string(buffer), std::string("-") + c.kept);
    }
}

TEST(BoundedText, FormatCutsAndTerminates)
{
    char small[6];
    memset(small, 'x', sizeof small);
    EXPECT_FALSE(FormatInto(small, "%s-%d", "abcdef", 42));
    EXPECT_STREQ(small, "abcde");
    EXPECT_TRUE(FormatInto(small, "%d", 12345));
    EXPECT_STREQ(small, "12345");
}

TEST(BoundedText, CopyAndAppendNeverOverrun)
{
    char buffer[8];
    EXPECT_TRUE(CopyText(buffer, "abc"));
    EXPECT_TRUE(AppendText(buffer, "def"));
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_FALSE(AppendText(buffer, "ghi"));
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_FALSE(CopyText(buffer, "0123456789"));
    EXPECT_STREQ(buffer, "0123456");
}

TEST(BoundedText, AppendToUnterminatedBufferEndsTextInsideIt)
{
    char buffer[4];
    memset(buffer, 'y', sizeof buffer);
    EXPECT_FALSE(AppendText(buffer, "z"));
    EXPECT_EQ(BoundedLength(buffer, sizeof buffer), 3u);
}

}  // namespace
