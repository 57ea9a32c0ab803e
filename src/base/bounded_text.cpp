#include "base/bounded_text.h"

bool FormatIntoSizedV(char *buffer, size_t size, const char *format, va_list arguments)
{
    if (size == 0)
        return false;
    int written = vsnprintf(buffer, size, format, arguments);
    if (written < 0) {
        buffer[0] = '\0';
        return false;
    }
    buffer[size - 1] = '\0';
    return static_cast<size_t>(written) < size;
}

bool FormatIntoSized(char *buffer, size_t size, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    bool whole = FormatIntoSizedV(buffer, size, format, arguments);
    va_end(arguments);
    return whole;
}

size_t BoundedLength(const char *text, size_t size)
{
    const void *end = memchr(text, '\0', size);
    return end ? static_cast<size_t>(static_cast<const char *>(end) - text) : size;
}

bool CopyTextSized(char *destination, size_t size, const char *source)
{
    if (size == 0)
        return false;
    size_t length = strlen(source);
    bool whole = length < size;
    if (!whole)
        length = size - 1;
    memmove(destination, source, length);
    destination[length] = '\0';
    return whole;
}

bool AppendTextSized(char *destination, size_t size, const char *source)
{
    size_t used = BoundedLength(destination, size);
    if (used >= size) {
        // No terminator within the buffer: end the text at its last byte.
        if (size > 0)
            destination[size - 1] = '\0';
        return false;
    }
    return CopyTextSized(destination + used, size - used, source);
}
