#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mail/smtp_dialogue.h"

namespace {

TEST(SmtpReply, ReadWholeAcrossPiecesAndLines)
{
    const struct {
        const char *received;
        ReplyState state;
    } cases[] = {
        {"220 mail.example.com ready\r\n", ReplyState::Accepted},
        {"220 mail.exa", ReplyState::Incomplete},           // the first of two pieces
        {"220 ready\r", ReplyState::Incomplete},
        {"220-first\r\n220-second\r\n", ReplyState::Incomplete},
        {"220-first\r\n220-second\r\n220 last\r\n", ReplyState::Accepted},
        {"250\r\n", ReplyState::Accepted},
        {"354 go ahead\r\n", ReplyState::Accepted},
        {"421 closing\r\n", ReplyState::Rejected},
        {"550-no\r\n550 such user\r\n", ReplyState::Rejected},
        {"hello\r\n", ReplyState::Rejected},                // no reply code
        {" 250 ok\r\n", ReplyState::Rejected},
        {"2500 ok\r\n", ReplyState::Rejected},
        {"", ReplyState::Incomplete},
        {"220 no line end", ReplyState::Incomplete},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExamineReply(c.received, strlen(c.received)), c.state) << c.received;
}

TEST(SmtpSettings, LineBreaksRefusedAtTheirStepAndDottedAddressesReadStrictly)
{
    const struct {
        const char *server, *from, *to, *subject;
        MailStep step;
        const char *error;
    } breaks[] = {
        {"mail", "a@b", "c@d", "Subject", MailStep::None, nullptr},
        {"mail\r\n", "a@b", "c@d", "Subject", MailStep::ServerLookup, "Server host name error"},
        {"mail", "a@b\r\nRCPT TO:<x@y>", "c@d", "Subject", MailStep::MailFrom, "Server MAIL FROM: error"},
        {"mail", "a@b", "c@d\n", "Subject", MailStep::RcptTo, "Server RCPT TO: error"},
        {"mail", "a@b", "c@d", "Hi\r\nBcc: x@y", MailStep::Header, "Server email header error"},
    };
    for (const auto &b : breaks) {
        EXPECT_EQ(FirstStepCarryingLineBreak(b.server, b.from, b.to, b.subject), b.step);
        if (b.error) {
            EXPECT_STREQ(MailStepErrorText(b.step), b.error);
        }
    }

    const struct {
        const char *text;
        bool dotted;
        uint32_t address;
    } addresses[] = {
        {"127.0.0.1", true, 0x0100007F},
        {"192.168.10.254", true, 0xFE0AA8C0},
        {"255.255.255.255", true, 0xFFFFFFFF},
        {"1mail.example.com", false, 0},   // starts with a digit: still a name
        {"10.0.0", false, 0},
        {"10.0.0.256", false, 0},
        {"10.0.0.1.", false, 0},
        {"10..0.1", false, 0},
        {"0010.0.0.1", false, 0},
        {"", false, 0},
    };
    for (const auto &a : addresses) {
        uint32_t address = 0;
        EXPECT_EQ(ParseDottedIPv4(a.text, address), a.dotted) << a.text;
        if (a.dotted) {
            EXPECT_EQ(address, a.address) << a.text;
        }
    }
}

TEST(SmtpMessage, DateZoneHeaderOrderAndDotStuffing)
{
    const struct {
        int32_t bias;
        bool daylight;
        const char *zone;
    } zones[] = {
        {300, false, "-0500"}, {300, true, "-0400"}, {-60, false, "+0100"}, {-60, true, "+0200"},
        {-330, false, "+0530"}, {0, false, "+0000"}, {0, true, "+0100"}, {60, true, "+0000"},
        {210, false, "-0330"},
    };
    for (const auto &z : zones) {
        char zone[8];
        FormatZone(z.bias, z.daylight, zone);
        EXPECT_STREQ(zone, z.zone) << z.bias << " " << z.daylight;
    }

    struct tm local = {};
    local.tm_year = 102;
    local.tm_mon = 0;
    local.tm_mday = 7;
    local.tm_wday = 1;
    local.tm_hour = 14;
    local.tm_min = 3;
    local.tm_sec = 9;
    char date[48];
    FormatMailDate(local, "-0500", date);
    EXPECT_STREQ(date, "Mon, 07 Jan 2002 14:03:09 -0500");

    // An all-ASCII body keeps the five lines; a byte past ASCII anywhere in
    // the body (a label, a model, a path) adds the two that declare UTF-8.
    const struct {
        const char *body;
        bool utf8;
    } bodies[] = {
        {"Volume name: Q: Backup Driv\r\n", false},
        {"", false},
        {"Volume name: Q: Donn\xC3\xA9" "es 2T\r\n", true},
        {"Model number: ODD\xFF\r\n", true},
        {"Folder: C:\\\xE2\x82\xAC\r\n", true},
    };
    const std::string fiveLines = "Date: Mon, 07 Jan 2002 14:03:09 -0500\r\nFrom: a@b\r\nSubject: Hello\r\n"
                                  "To: c@d, e@f\r\nX-Mailer: HOLMVARD V1.0\r\n";
    for (const auto &b : bodies) {
        SCOPED_TRACE(b.body);
        EXPECT_EQ(HasEightBitText(b.body), b.utf8);
        char block[256];
        ASSERT_TRUE(BuildHeaderBlock(date, "a@b", "Hello", "c@d, e@f", HasEightBitText(b.body), block, sizeof block));
        EXPECT_EQ(block, b.utf8 ? fiveLines + "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                                : fiveLines);
    }
    char block[256];
    EXPECT_FALSE(BuildHeaderBlock(date, "a@b", "Hello", "c@d", false, block, 40));
    EXPECT_FALSE(BuildHeaderBlock(date, "a@b", "Hello", "c@d", true, block, fiveLines.size() + 20));

    char stuffed[64];
    ASSERT_TRUE(DotStuff(".\r\nline\r\n..two\r\nend.\r\n", stuffed, sizeof stuffed));
    EXPECT_STREQ(stuffed, "..\r\nline\r\n...two\r\nend.\r\n");
    EXPECT_FALSE(DotStuff(".abc", stuffed, 4));
}

}  // namespace
