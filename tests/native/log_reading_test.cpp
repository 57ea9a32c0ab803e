#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/log_reading.h"

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

TEST(LogReading, PagesAndLinesPerPage)
{
    EXPECT_EQ(LinesPerPage(6600, 100), 66);
    EXPECT_EQ(LinesPerPage(6600, 0), 6600 / DefaultPrintLineHeight);
    EXPECT_EQ(LinesPerPage(10, 100), 1);
    const struct {
        uint64_t pieces;
        int perPage;
        uint64_t pages;
    } cases[] = {{0, 66, 1}, {1, 66, 1}, {66, 66, 1}, {67, 66, 2}, {132, 66, 2}, {5, 0, 5}};
    for (const auto &c : cases)
        EXPECT_EQ(PagesForPieces(c.pieces, c.perPage), c.pages) << c.pieces << "/" << c.perPage;
}

}  // namespace
