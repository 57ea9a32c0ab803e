#include <gtest/gtest.h>

#include "base/bounded_text.h"

namespace {

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
