// Reading the error log back for the Logging page and for printing: lines in
// pieces of at most 79 characters, and how the pieces fall on printed pages.
// Portable: the file is read by the caller, a block at a time.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t LogPieceLength = 79;

struct LogPieceReader {
    char piece[LogPieceLength + 1];
    size_t length;
    bool pendingReturn;   // a CR whose LF may come in the next block
    bool continued;       // the line so far filled whole pieces
};

using LogPieceSink = void (*)(void *context, const char *piece);

void StartLogPieces(LogPieceReader &reader);

// Hands every complete piece of the block to sink, without its line end. CR LF
// ends a line, as LF alone does; a line longer than a piece arrives in several,
// cut between characters of the process's code page; an empty line arrives as
// an empty piece; a NUL byte reads as a space. With atEnd, the last line is
// handed over even without a line end.
void ReadLogPieces(LogPieceReader &reader, const char *block, size_t size, bool atEnd, LogPieceSink sink,
                   void *context);

// Printable height over line height, rounded down; a line height the printer
// could not report counts as DefaultPrintLineHeight. At least one line a page.
constexpr int DefaultPrintLineHeight = 50;
int LinesPerPage(int printableHeight, int lineHeight);

// Where the pieces of a printed copy fall: a page starts only when a piece
// needs it and ends once full, so a log that fills its last page exactly gets
// no empty page after it; an empty log still gets one blank page. Each copy
// starts on a page of its own.
struct LogPager {
    int linesPerPage;
    int lineHeight;
    int lines;        // on the open page
    bool pageOpen;
    bool placedAny;   // in this copy
};

struct PagePlace {
    bool startPage;   // before the piece
    int y;            // the piece's top on its page
    bool endPage;     // after the piece
};

void StartLogCopy(LogPager &pager);
PagePlace PlaceLogPiece(LogPager &pager);
// The end of a copy: startPage for an empty log's blank page, endPage for the
// page still open.
PagePlace EndLogCopy(LogPager &pager);
