// Reading the error log into pieces: the same pieces whatever the block sizes,
// none longer than 79 characters, none holding a line end, in each of the
// encodings a piece's end must respect.
#include <cstring>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "log/log_reading.h"

namespace {

void Collect(void *context, const char *piece)
{
    size_t length = strlen(piece);
    if (length > LogPieceLength || memchr(piece, '\n', length))
        __builtin_trap();
    static_cast<std::vector<std::string> *>(context)->push_back(piece);
}

std::vector<std::string> Pieces(const char *text, size_t size, size_t block)
{
    std::vector<std::string> pieces;
    LogPieceReader reader;
    StartLogPieces(reader);
    for (size_t at = 0; at < size; at += block)
        ReadLogPieces(reader, text + at, size - at < block ? size - at : block, false, Collect, &pieces);
    ReadLogPieces(reader, nullptr, 0, true, Collect, &pieces);
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    size_t block = 1 + data[0] % 97;
    static const uint8_t ShiftJisLeadBytes[] = {0x81, 0x9F, 0xE0, 0xFC};
    static const TextEncoding Encodings[] = {TextEncoding::SingleByte, TextEncoding::Utf8, TextEncoding::DoubleByte};
    SetTextEncoding(Encodings[data[0] / 97 % 3], ShiftJisLeadBytes, sizeof ShiftJisLeadBytes);
    const char *text = reinterpret_cast<const char *>(data + 1);
    if (Pieces(text, size - 1, block) != Pieces(text, size - 1, size))
        __builtin_trap();
    return 0;
}
