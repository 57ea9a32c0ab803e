// Bounded writes into fixed 8-bit text buffers. Every helper cuts rather than
// overruns and always leaves a NUL-terminated text behind.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

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
