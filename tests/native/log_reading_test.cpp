#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "log/log_reading.h"

namespace {

void Collect(void *context, const char *piece)
{
    static_cast<std::vector<std::string> *>(context)->push_back(piece);
}

// The pieces of a text fed in blocks of the given size.
std::vector<std::string> Pieces(const std::string &text, size_t blockSize)
{
    std::vector<std::string> pieces;
    LogPieceReader reader;
    StartLogPieces(reader);
    for (size_t at = 0; at < text.size(); at += blockSize)
        ReadLogPieces(reader, text.data() + at, std::min(blockSize, text.size() - at), false, Collect, &pieces);
    ReadLogPieces(reader, nullptr, 0, true, Collect, &pieces);
    return pieces;
}

TEST(LogReading, LinesComeInPiecesOfAtMost79Characters)
{
    const std::string a79(79, 'a');
    const std::string b80(80, 'b');
    const struct {
        std::string text;
        std::vector<std::string> pieces;
    } cases[] = {
        {"", {}},
        {"one\r\ntwo\r\n\r\nthree\r\n", {"one", "two", "", "three"}},
        {"lf only\nand no end", {"lf only", "and no end"}},
        {a79 + "\r\n" + b80 + "\r\n", {a79, std::string(79, 'b'), "b"}},   // no empty piece after a full one
        {std::string("nul\0byte\r\n", 10), {"nul byte"}},
        {"lone\rcr\r\n", {"lone\rcr"}},
        {"\r\n\r\n", {"", ""}},
        {"ends in cr\r", {"ends in cr\r"}},
    };
    for (const auto &c : cases) {
        for (size_t block : {size_t(1), size_t(2), size_t(4096)})
            EXPECT_EQ(Pieces(c.text, block), c.pieces) << c.text.size() << " bytes in blocks of " << block;
    }
}

TEST(LogReading, APieceEndsBetweenUtf8Characters)
{
    // An e-acute, a euro sign and a four-byte emoji each straddling the 79th byte.
    const std::string a78(78, 'a');
    const std::string a77(77, 'a');
    const struct {
        std::string text;
        std::vector<std::string> pieces;
    } cases[] = {
        {a78 + "\xC3\xA9z", {a78, "\xC3\xA9z"}},
        {a77 + "\xE2\x82\xAC", {a77, "\xE2\x82\xAC"}},
        {a78 + "\xF0\x9F\x92\xBE", {a78, "\xF0\x9F\x92\xBE"}},
        {a77 + "\xC3\xA9" + std::string(79, 'b'), {a77 + "\xC3\xA9", std::string(79, 'b')}},
    };
    SetTextEncoding(TextEncoding::Utf8);
    for (const auto &c : cases) {
        for (size_t block : {size_t(1), size_t(4096)})
            EXPECT_EQ(Pieces(c.text, block), c.pieces) << c.text.size() << " bytes in blocks of " << block;
    }
    SetTextEncoding(TextEncoding::SingleByte);
    EXPECT_EQ(Pieces(a78 + "\xC3\xA9", 4096), (std::vector<std::string>{a78 + "\xC3", "\xA9"}));
}

TEST(LogReading, PagesAndLinesPerPage)
{
    EXPECT_EQ(LinesPerPage(6600, 100), 66);
    EXPECT_EQ(LinesPerPage(6600, 0), 6600 / DefaultPrintLineHeight);
    EXPECT_EQ(LinesPerPage(10, 100), 1);
    // Pages of each printed copy, as the count of pieces on each.
    const struct {
        int pieces;
        int perPage;
        std::vector<int> pages;
    } cases[] = {{0, 66, {0}}, {1, 66, {1}}, {66, 66, {66}}, {67, 66, {66, 1}}, {132, 66, {66, 66}}, {3, 1, {1, 1, 1}}};
    for (const auto &c : cases) {
        LogPager pager = {c.perPage, 10, 0, false, false};
        for (int copy = 0; copy < 2; copy++) {
            std::vector<int> pages;
            bool open = false;
            StartLogCopy(pager);
            for (int i = 0; i < c.pieces + 1; i++) {
                PagePlace place = i < c.pieces ? PlaceLogPiece(pager) : EndLogCopy(pager);
                if (place.startPage) {
                    EXPECT_FALSE(open);
                    open = true;
                    pages.push_back(0);
                }
                if (i < c.pieces) {
                    ASSERT_TRUE(open) << "a piece with no page";
                    EXPECT_EQ(place.y, pages.back() * 10);
                    pages.back()++;
                }
                if (place.endPage) {
                    EXPECT_TRUE(open);
                    open = false;
                }
            }
            EXPECT_FALSE(open) << "the copy left its page open";
            EXPECT_EQ(pages, c.pages) << c.pieces << "/" << c.perPage << ", copy " << copy;
        }
    }
}

}  // namespace
