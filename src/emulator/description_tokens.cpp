#include "emulator/description_tokens.h"

#include <cstdarg>
#include <cstring>

// Token texts from the file are quoted at most this long in messages.
constexpr int QuotedTokenLimit = 32;

int QuotedLength(const Token &token)
{
    return token.length > QuotedTokenLimit ? QuotedTokenLimit : static_cast<int>(token.length);
}

HOLMVARD_PRINTF(2, 3) bool Fail(ParseState &state, const char *format, ...)
{
    state.error.line = state.line;
    va_list arguments;
    va_start(arguments, format);
    FormatIntoSizedV(state.error.message, sizeof state.error.message, format, arguments);
    va_end(arguments);
    return false;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the next blank-separated token; false at the line end or at a '#' that
// starts a token, which opens a comment.
bool NextToken(const char *&cursor, const char *end, Token &token)
{
    while (cursor < end && IsBlank(*cursor))
        ++cursor;
    if (cursor == end || *cursor == '#')
        return false;
    token.text = cursor;
    while (cursor < end && !IsBlank(*cursor))
        ++cursor;
    token.length = static_cast<size_t>(cursor - token.text);
    return true;
}

bool TokenIs(const Token &token, const char *word)
{
    return strlen(word) == token.length && memcmp(token.text, word, token.length) == 0;
}

// Splits the rest of a line into between least and most arguments.
bool ReadArguments(ParseState &state, const KeywordRule &rule, const char *rest, const char *end, Token *arguments,
                   int least, int most, int &count)
{
    count = 0;
    Token token;
    while (NextToken(rest, end, token)) {
        if (count == MaxArguments || count == most)
            return Fail(state, "too many values for '%s'", rule.keyword);
        arguments[count++] = token;
    }
    if (count < least)
        return Fail(state, "missing value for '%s'", rule.keyword);
    return true;
}

// Decimal, or hexadecimal after 0x; no sign. False when not a number or above most.
bool ReadNumber64(const Token &token, uint64_t most, uint64_t &value)
{
    uint64_t total = 0;
    size_t i = 0;
    unsigned base = 10;
    if (token.length > 2 && token.text[0] == '0' && (token.text[1] == 'x' || token.text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i == token.length)
        return false;
    for (; i < token.length; ++i) {
        int digit = HexDigitValue(token.text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            return false;
        // total * base + digit > most, without overflowing
        if (static_cast<unsigned>(digit) > most || total > (most - static_cast<unsigned>(digit)) / base)
            return false;
        total = total * base + static_cast<unsigned>(digit);
    }
    value = total;
    return true;
}

bool ReadNumber(const Token &token, uint32_t most, uint32_t &value)
{
    uint64_t wide = 0;
    if (!ReadNumber64(token, most, wide))
        return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

bool ReadNumberArgument(ParseState &state, const KeywordRule &rule, const Token &token, uint32_t most,
                        uint32_t &value)
{
    if (ReadNumber(token, most, value))
        return true;
    return Fail(state, "'%.*s' is not a number from 0 to %u for '%s'", QuotedLength(token), token.text, most,
                rule.keyword);
}

// The index of token among choices, or -1 after reporting the fault.
int ReadChoice(ParseState &state, const KeywordRule &rule, const Token &token, const char *const *choices,
               int choiceCount, const char *expected)
{
    for (int i = 0; i < choiceCount; ++i) {
        if (TokenIs(token, choices[i]))
            return i;
    }
    Fail(state, "'%s' expects %s, not '%.*s'", rule.keyword, expected, QuotedLength(token), token.text);
    return -1;
}

// One keyword with a single value chosen from a list.
int ReadSingleChoice(ParseState &state, const KeywordRule &rule, const char *rest, const char *end,
                     const char *const *choices, int choiceCount, const char *expected)
{
    Token arguments[MaxArguments];
    int count = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count))
        return -1;
    return ReadChoice(state, rule, arguments[0], choices, choiceCount, expected);
}
