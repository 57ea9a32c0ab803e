#include "log/log_reading.h"

#include <cstring>

#include "base/bounded_text.h"

namespace {

void Emit(LogPieceReader &reader, LogPieceSink sink, void *context)
{
    reader.piece[reader.length] = '\0';
    sink(context, reader.piece);
    reader.length = 0;
}

void Append(LogPieceReader &reader, char c, LogPieceSink sink, void *context)
{
    reader.piece[reader.length++] = c == '\0' ? ' ' : c;
    if (reader.length < LogPieceLength)
        return;
    // A character the full piece would split starts the next piece instead.
    size_t whole = CharacterBoundary(reader.piece, LogPieceLength);
    char rest[LogPieceLength];
    size_t restLength = LogPieceLength - whole;
    memcpy(rest, reader.piece + whole, restLength);
    reader.length = whole;
    Emit(reader, sink, context);
    memcpy(reader.piece, rest, restLength);
    reader.length = restLength;
    reader.continued = true;
}

}  // namespace

void StartLogPieces(LogPieceReader &reader)
{
    reader.length = 0;
    reader.pendingReturn = false;
    reader.continued = false;
}

void ReadLogPieces(LogPieceReader &reader, const char *block, size_t size, bool atEnd, LogPieceSink sink,
                   void *context)
{
    for (size_t i = 0; i < size; i++) {
        char c = block[i];
        if (reader.pendingReturn && c != '\n')
            Append(reader, '\r', sink, context);
        reader.pendingReturn = c == '\r';
        if (c == '\r')
            continue;
        if (c != '\n') {
            Append(reader, c, sink, context);
            continue;
        }
        // A line that exactly filled its last piece has already been handed over.
        if (reader.length > 0 || !reader.continued)
            Emit(reader, sink, context);
        reader.continued = false;
    }
    if (!atEnd)
        return;
    if (reader.pendingReturn)
        Append(reader, '\r', sink, context);
    reader.pendingReturn = false;
    if (reader.length > 0)
        Emit(reader, sink, context);
    reader.continued = false;
}

int LinesPerPage(int printableHeight, int lineHeight)
{
    if (lineHeight <= 0)
        lineHeight = DefaultPrintLineHeight;
    int lines = printableHeight / lineHeight;
    return lines < 1 ? 1 : lines;
}

void StartLogCopy(LogPager &pager)
{
    pager.lines = 0;
    pager.pageOpen = false;
    pager.placedAny = false;
}

PagePlace PlaceLogPiece(LogPager &pager)
{
    PagePlace place = {!pager.pageOpen, 0, false};
    if (place.startPage) {
        pager.pageOpen = true;
        pager.lines = 0;
    }
    place.y = pager.lines * pager.lineHeight;
    pager.placedAny = true;
    if (++pager.lines >= pager.linesPerPage) {
        place.endPage = true;
        pager.pageOpen = false;
    }
    return place;
}

PagePlace EndLogCopy(LogPager &pager)
{
    PagePlace place = {!pager.placedAny, 0, pager.pageOpen || !pager.placedAny};
    pager.pageOpen = false;
    return place;
}
