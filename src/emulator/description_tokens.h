// The description file's lines taken apart: tokens, numbers, choices and the
// rule a keyword follows. Shared by the keyword handlers; not part of the
// emulation's interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bounded_text.h"
#include "emulator/drive_emulation.h"

struct Token {
    const char *text;
    size_t length;
};

struct ParseState {
    EmulatedBay &bay;
    EmulatedDrive *drive;   // the open drive section, nullptr before the first one
    DescriptionError &error;
    int line;
};

struct KeywordRule;
using KeywordHandler = bool (*)(ParseState &state, const KeywordRule &rule, const char *rest, const char *end);

struct KeywordRule {
    const char *keyword;
    bool inDrive;                       // only inside a drive section
    KeywordHandler handler;
    bool EmulatedDrive::*flag;          // ok|fail keywords
    uint16_t EmulatedDrive::*word;      // 16-bit number keywords
    uint8_t EmulatedDrive::*byte;       // 8-bit number keywords
};

constexpr int MaxArguments = 8;

// The token's length as quoted in a message.
int QuotedLength(const Token &token);

// Records the fault and its line; always false.
HOLMVARD_PRINTF(2, 3) bool Fail(ParseState &state, const char *format, ...);

bool IsBlank(char c);
// A hexadecimal digit's value, or -1.
int HexDigitValue(char c);

// Reads the next blank-separated token; false at the line end or at a '#' that
// starts a token, which opens a comment.
bool NextToken(const char *&cursor, const char *end, Token &token);

bool TokenIs(const Token &token, const char *word);

// Splits the rest of a line into between least and most arguments.
bool ReadArguments(ParseState &state, const KeywordRule &rule, const char *rest, const char *end, Token *arguments,
                   int least, int most, int &count);

// Decimal, or hexadecimal after 0x; no sign. False when not a number or above most.
bool ReadNumber64(const Token &token, uint64_t most, uint64_t &value);
bool ReadNumber(const Token &token, uint32_t most, uint32_t &value);
bool ReadNumberArgument(ParseState &state, const KeywordRule &rule, const Token &token, uint32_t most,
                        uint32_t &value);

// The index of token among choices, or -1 after reporting the fault.
int ReadChoice(ParseState &state, const KeywordRule &rule, const Token &token, const char *const *choices,
               int choiceCount, const char *expected);

// One keyword with a single value chosen from a list.
int ReadSingleChoice(ParseState &state, const KeywordRule &rule, const char *rest, const char *end,
                     const char *const *choices, int choiceCount, const char *expected);
