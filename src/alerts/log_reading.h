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
// ends a line, as LF alone does; a line longer than a piece arrives in several;
// an empty line arrives as an empty piece; a NUL byte reads as a space. With
// atEnd, the last line is handed over even without a line end.
void ReadLogPieces(LogPieceReader &reader, const char *block, size_t size, bool atEnd, LogPieceSink sink,
                   void *context);

// Printable height over line height, rounded down; a line height the printer
// could not report counts as DefaultPrintLineHeight. At least one line a page.
constexpr int DefaultPrintLineHeight = 50;
int LinesPerPage(int printableHeight, int lineHeight);

// Pages one copy of a log of pieces takes: full pages, no empty page after a
// full one, and one blank page for an empty log.
uint64_t PagesForPieces(uint64_t pieces, int linesPerPage);
