#include "mail/mail_server_address.h"

#include <cstring>

#include "base/bounded_text.h"
#include "mail/smtp_dialogue.h"

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares the start of text with prefix, which is lower case, ignoring case.
bool StartsWithNoCase(const char *text, const char *prefix)
{
    for (; *prefix; text++, prefix++) {
        if (Lower(*text) != *prefix)
            return false;
    }
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Percent-decodes [begin, end) into user; no control character may come out.
bool DecodeUser(const char *begin, const char *end, char (&user)[MailUserSize])
{
    size_t length = 0;
    for (const char *c = begin; c < end; c++) {
        unsigned char value = static_cast<unsigned char>(*c);
        if (*c == '%') {
            int high = c + 2 < end ? HexValue(c[1]) : -1;
            int low = c + 2 < end ? HexValue(c[2]) : -1;
            if (high < 0 || low < 0)
                return false;
            value = static_cast<unsigned char>(high * 16 + low);
            c += 2;
        }
        if (value < 0x20 || value == 0x7F || length + 1 >= sizeof user)
            return false;
        user[length++] = static_cast<char>(value);
    }
    user[length] = '\0';
    return length > 0;
}

bool IsHostCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// "host" or "host:port" in [begin, end), with an optional "/" after it.
bool ReadHostAndPort(const char *begin, const char *end, MailServerAddress &address)
{
    if (end > begin && end[-1] == '/')
        --end;
    const char *colon = static_cast<const char *>(memchr(begin, ':', static_cast<size_t>(end - begin)));
    const char *hostEnd = colon ? colon : end;
    size_t hostLength = static_cast<size_t>(hostEnd - begin);
    if (hostLength == 0 || hostLength >= sizeof address.host)
        return false;
    for (const char *c = begin; c < hostEnd; c++) {
        if (!IsHostCharacter(*c))
            return false;
    }
    memcpy(address.host, begin, hostLength);
    address.host[hostLength] = '\0';
    if (!colon)
        return true;
    uint32_t port = 0;
    if (colon + 1 == end)
        return false;
    for (const char *c = colon + 1; c < end; c++) {
        if (*c < '0' || *c > '9')
            return false;
        port = port * 10 + static_cast<uint32_t>(*c - '0');
        if (port > 65535)
            return false;
    }
    if (port == 0)
        return false;
    address.port = static_cast<uint16_t>(port);
    return true;
}

const char Base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// True when the line, after "250-" or "250 ", starts with the keyword as a whole word.
const char *AfterKeyword(const char *line, const char *lineEnd, const char *keyword)
{
    size_t length = strlen(keyword);
    if (static_cast<size_t>(lineEnd - line) < length || !StartsWithNoCase(line, keyword))
        return nullptr;
    const char *after = line + length;
    if (after < lineEnd && *after != ' ' && *after != '=')
        return nullptr;
    return after;
}

void ReadAuthMechanisms(const char *cursor, const char *lineEnd, EhloCapabilities &capabilities)
{
    while (cursor < lineEnd) {
        while (cursor < lineEnd && (*cursor == ' ' || *cursor == '='))
            cursor++;
        const char *word = cursor;
        while (cursor < lineEnd && *cursor != ' ')
            cursor++;
        if (AfterKeyword(word, cursor, "plain") == cursor)
            capabilities.authPlain = true;
        if (AfterKeyword(word, cursor, "login") == cursor)
            capabilities.authLogin = true;
    }
}

}  // namespace

AddressFault ParseMailServer(const char *text, MailServerAddress &address)
{
    memset(&address, 0, sizeof address);
    const char *rest = nullptr;
    if (StartsWithNoCase(text, "smtp://")) {
        address.transport = MailTransport::StartTls;
        address.port = StartTlsPort;
        rest = text + 7;
    } else if (StartsWithNoCase(text, "smtps://")) {
        address.transport = MailTransport::ImplicitTls;
        address.port = ImplicitTlsPort;
        rest = text + 8;
    } else {
        address.transport = MailTransport::Plain;
        address.port = SmtpPort;
        return CopyText(address.host, text) ? AddressFault::None : AddressFault::BadForm;
    }
    const char *end = rest + strlen(rest);
    const char *at = strrchr(rest, '@');
    if (at) {
        if (memchr(rest, ':', static_cast<size_t>(at - rest)))
            return AddressFault::PasswordGiven;
        if (!DecodeUser(rest, at, address.user))
            return AddressFault::BadForm;
        rest = at + 1;
    }
    return ReadHostAndPort(rest, end, address) ? AddressFault::None : AddressFault::BadForm;
}

EhloCapabilities ReadEhloCapabilities(const char *reply, size_t length)
{
    EhloCapabilities capabilities = {};
    const char *end = reply + length;
    for (const char *line = reply; line < end;) {
        const char *lineEnd = line;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            lineEnd++;
        // "250-KEYWORD ..." or "250 KEYWORD ..."
        if (lineEnd - line > 4 && memcmp(line, "250", 3) == 0 && (line[3] == '-' || line[3] == ' ')) {
            const char *keyword = line + 4;
            if (AfterKeyword(keyword, lineEnd, "starttls") == lineEnd)
                capabilities.startTls = true;
            if (const char *after = AfterKeyword(keyword, lineEnd, "auth"))
                ReadAuthMechanisms(after, lineEnd, capabilities);
        }
        line = lineEnd;
        while (line < end && (*line == '\r' || *line == '\n'))
            line++;
    }
    return capabilities;
}

namespace {

// Base64 of the length bytes byteAt(0) ... byteAt(length - 1), NUL-terminated.
template <typename ByteAt>
bool EncodeBase64Of(size_t length, ByteAt byteAt, char *text, size_t size)
{
    size_t needed = (length + 2) / 3 * 4 + 1;
    if (size < needed)
        return false;
    size_t out = 0;
    for (size_t i = 0; i < length; i += 3) {
        uint32_t group = static_cast<uint32_t>(byteAt(i)) << 16;
        if (i + 1 < length)
            group |= static_cast<uint32_t>(byteAt(i + 1)) << 8;
        if (i + 2 < length)
            group |= byteAt(i + 2);
        text[out++] = Base64Digits[(group >> 18) & 63];
        text[out++] = Base64Digits[(group >> 12) & 63];
        text[out++] = i + 1 < length ? Base64Digits[(group >> 6) & 63] : '=';
        text[out++] = i + 2 < length ? Base64Digits[group & 63] : '=';
    }
    text[out] = '\0';
    return true;
}

}  // namespace

bool EncodeBase64(const uint8_t *data, size_t length, char *text, size_t size)
{
    return EncodeBase64Of(length, [data](size_t i) { return data[i]; }, text, size);
}

bool BuildAuthPlain(const char *user, const char *password, char *line, size_t size)
{
    size_t userLength = strlen(user);
    size_t passwordLength = strlen(password);
    // NUL user NUL password, read in place.
    auto byteAt = [&](size_t i) -> uint8_t {
        if (i == 0 || i == userLength + 1)
            return 0;
        return static_cast<uint8_t>(i <= userLength ? user[i - 1] : password[i - userLength - 2]);
    };
    return CopyTextSized(line, size, "AUTH PLAIN ") &&
           EncodeBase64Of(userLength + passwordLength + 2, byteAt, line + 11, size - 11) &&
           AppendTextSized(line, size, "\r\n");
}

bool BuildAuthLoginAnswer(const char *text, char *line, size_t size)
{
    return EncodeBase64(reinterpret_cast<const uint8_t *>(text), strlen(text), line, size) &&
           AppendTextSized(line, size, "\r\n");
}
