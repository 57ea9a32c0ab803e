#include "alerts/log_reading.h"

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
    if (reader.length == LogPieceLength) {
        Emit(reader, sink, context);
        reader.continued = true;
    }
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

uint64_t PagesForPieces(uint64_t pieces, int linesPerPage)
{
    if (pieces == 0)
        return 1;
    uint64_t perPage = linesPerPage < 1 ? 1 : static_cast<uint64_t>(linesPerPage);
    return (pieces + perPage - 1) / perPage;
}
