// Bounded writes into fixed 8-bit text buffers. Every helper cuts rather than
// overruns, cuts between two characters of the process's code page, and always
// leaves a NUL-terminated text behind.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// How the process's 8-bit texts are encoded, which decides where a cut may
// fall: anywhere in a single-byte code page, never inside a UTF-8 sequence,
// never between a double-byte code page's lead byte and its trail byte.
enum class TextEncoding { SingleByte, Utf8, DoubleByte };

// Set once at start-up, before any other thread runs (base/code_page.h does it
// from the system). A double-byte code page's lead bytes come as ranges, pairs
// of first and last byte in rangeBytes bytes, ended early by a pair of zeros.
void SetTextEncoding(TextEncoding encoding, const uint8_t *leadByteRanges = nullptr, size_t rangeBytes = 0);
TextEncoding CurrentTextEncoding();

// The length of the longest start of text[0..length) that ends between two
// characters: length itself unless the last character is incomplete there.
// text must start on a character.
size_t CharacterBoundary(const char *text, size_t length);

#if defined(__MINGW32__)
#define HOLMVARD_PRINTF(formatIndex, firstArg) __attribute__((format(gnu_printf, formatIndex, firstArg)))
#else
#define HOLMVARD_PRINTF(formatIndex, firstArg) __attribute__((format(printf, formatIndex, firstArg)))
#endif

// Formats into buffer[0..size); returns false when the text was cut or the format failed.
bool FormatIntoSized(char *buffer, size_t size, const char *format, ...) HOLMVARD_PRINTF(3, 4);
bool FormatIntoSizedV(char *buffer, size_t size, const char *format, va_list arguments);

template <size_t N>
HOLMVARD_PRINTF(2, 3) bool FormatInto(char (&buffer)[N], const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    bool whole = FormatIntoSizedV(buffer, N, format, arguments);
    va_end(arguments);
    return whole;
}

// Copies at most size - 1 characters of source; returns false when it was cut.
bool CopyTextSized(char *destination, size_t size, const char *source);

template <size_t N>
bool CopyText(char (&destination)[N], const char *source)
{
    return CopyTextSized(destination, N, source);
}

// Appends source after the text already in destination; returns false when it was cut.
bool AppendTextSized(char *destination, size_t size, const char *source);

template <size_t N>
bool AppendText(char (&destination)[N], const char *source)
{
    return AppendTextSized(destination, N, source);
}

// Length of a text that may lack its terminator: never reads past size bytes.
size_t BoundedLength(const char *text, size_t size);
