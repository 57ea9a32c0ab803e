#include "base/bounded_text.h"

namespace {

TextEncoding Encoding = TextEncoding::SingleByte;
bool LeadByte[256];

// The bytes a UTF-8 sequence takes by its first byte; 1 for ASCII and for a
// byte no sequence starts with.
size_t Utf8SequenceLength(unsigned char first)
{
    if (first >= 0xF0 && first <= 0xF7)
        return 4;
    if (first >= 0xE0)
        return first <= 0xEF ? 3 : 1;
    return first >= 0xC0 ? 2 : 1;
}

size_t Utf8Boundary(const unsigned char *text, size_t length)
{
    // Back over at most three continuation bytes to the sequence's first byte.
    for (size_t back = 1; back <= 4 && back <= length; back++) {
        unsigned char c = text[length - back];
        if ((c & 0xC0) == 0x80)
            continue;
        return Utf8SequenceLength(c) > back ? length - back : length;
    }
    return length;
}

size_t DoubleByteBoundary(const unsigned char *text, size_t length)
{
    // A trail byte may look like a lead byte, so only a walk from the start
    // tells them apart.
    size_t at = 0;
    while (at < length) {
        size_t next = at + (LeadByte[text[at]] ? 2 : 1);
        if (next > length)
            return at;
        at = next;
    }
    return length;
}

}  // namespace

void SetTextEncoding(TextEncoding encoding, const uint8_t *leadByteRanges, size_t rangeBytes)
{
    Encoding = encoding;
    memset(LeadByte, 0, sizeof LeadByte);
    for (size_t i = 0; leadByteRanges && i + 1 < rangeBytes; i += 2) {
        if (leadByteRanges[i] == 0 && leadByteRanges[i + 1] == 0)
            break;
        for (unsigned byte = leadByteRanges[i]; byte <= leadByteRanges[i + 1]; byte++)
            LeadByte[byte] = true;
    }
}

TextEncoding CurrentTextEncoding()
{
    return Encoding;
}

size_t CharacterBoundary(const char *text, size_t length)
{
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
    switch (Encoding) {
    case TextEncoding::Utf8:
        return Utf8Boundary(bytes, length);
    case TextEncoding::DoubleByte:
        return DoubleByteBoundary(bytes, length);
    case TextEncoding::SingleByte:
        break;
    }
    return length;
}

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
    if (static_cast<size_t>(written) < size)
        return true;
    buffer[CharacterBoundary(buffer, size - 1)] = '\0';
    return false;
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
        length = CharacterBoundary(source, size - 1);
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
