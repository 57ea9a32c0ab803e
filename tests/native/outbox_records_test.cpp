#include "mail/outbox_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

KeptMail Sample(const char *body)
{
    KeptMail mail = {};
    strcpy(mail.raised, "Tuesday, December 08, 2026 08:30:16");
    strcpy(mail.date, "Tue, 08 Dec 2026 08:30:16 +0100");
    mail.attempts = 3;
    strcpy(mail.subject, "HOLMVARD Alert! SMART error detected");
    strcpy(mail.body, body);
    return mail;
}

std::string FileOf(const KeptMail &mail)
{
    static char text[OutboxFileSize];
    size_t length = 0;
    EXPECT_TRUE(FormatKeptMail(mail, text, sizeof text, length));
    return std::string(text, length);
}

TEST(Outbox, KeptMailComesBackWholeAndNothingElseIsRead)
{
    for (const char *body : {"", "Line one\r\n.\r\n..dots\r\nlast without end", "8-bit \xE9\xFF\x80 bytes\r\n\r\n"}) {
        KeptMail mail = Sample(body);
        std::string file = FileOf(mail);
        KeptMail back;
        ASSERT_TRUE(ParseKeptMail(file.data(), file.size(), back)) << file;
        EXPECT_STREQ(back.raised, mail.raised);
        EXPECT_STREQ(back.date, mail.date);
        EXPECT_EQ(back.attempts, 3u);
        EXPECT_STREQ(back.subject, mail.subject);
        EXPECT_STREQ(back.body, body);
    }
    std::string file = FileOf(Sample("body\r\n"));
    const struct {
        const char *what;
        std::string text;
    } garbled[] = {
        {"cut short", file.substr(0, file.size() - 1)},
        {"longer", file + "x"},
        {"empty", ""},
        {"other first line", "X" + file.substr(1)},
        {"no attempts", std::string(file).replace(file.find("Attempts: 3"), 11, "Attempts: 0")},
        {"bad number", std::string(file).replace(file.find("Attempts: 3"), 11, "Attempts: x")},
        {"header cut", file.substr(0, file.find("Subject"))},
        {"bare LF", std::string(file).replace(file.find("\r\nDate"), 2, "\n")},
    };
    for (const auto &g : garbled) {
        KeptMail back;
        EXPECT_FALSE(ParseKeptMail(g.text.data(), g.text.size(), back)) << g.what;
    }
    KeptMail broken = Sample("x");
    strcpy(broken.subject, "two\r\nlines");
    char text[OutboxFileSize];
    size_t length = 0;
    EXPECT_FALSE(FormatKeptMail(broken, text, sizeof text, length)) << "a field never spans lines";
}

TEST(Outbox, RetriesSlowDownToHourlyAndTheOldestMakeRoom)
{
    const uint32_t minutes[] = {5, 5, 10, 20, 40, 60, 60};
    for (uint32_t attempts = 0; attempts < 7; attempts++)
        EXPECT_EQ(RetryDelayMinutes(attempts), minutes[attempts]) << attempts;
    EXPECT_EQ(RetryDelayMinutes(4000000000u), 60u);
    EXPECT_EQ(OldestToDrop(0), 0u);
    EXPECT_EQ(OldestToDrop(OutboxLimit - 1), 0u);
    EXPECT_EQ(OldestToDrop(OutboxLimit), 1u);
    EXPECT_EQ(OldestToDrop(OutboxLimit + 4), 5u);
}

TEST(Outbox, ASetAsideNameEndsInBadAndCountsOnWhenTaken)
{
    const struct {
        uint32_t n;
        const char *aside;
    } names[] = {{1, "00000001.msg.bad"}, {2, "00000001.msg.2.bad"}, {1000, "00000001.msg.1000.bad"}};
    for (const auto &name : names) {
        char aside[SetAsideNameSize];
        FormatSetAsideName("00000001.msg", name.n, aside);
        EXPECT_STREQ(aside, name.aside);
    }
}

}  // namespace
