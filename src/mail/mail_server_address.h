// What the e-mail server setting names: a plain host for the classic dialogue on
// port 25, or an address "smtp://[user@]host[:port]" (STARTTLS, port 587) or
// "smtps://[user@]host[:port]" (TLS from the first byte, port 465). Also the
// reading of an EHLO reply and the sign-in encodings. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

enum class MailTransport : uint8_t { Plain, StartTls, ImplicitTls };

constexpr size_t MailHostSize = 256;
constexpr size_t MailUserSize = 256;
// The password as UTF-8: 255 UTF-16 units of the dialog take at most 3 bytes each.
constexpr size_t MailPasswordCharacters = 255;
constexpr size_t MailPasswordSize = MailPasswordCharacters * 3 + 1;
constexpr uint16_t StartTlsPort = 587;
constexpr uint16_t ImplicitTlsPort = 465;

struct MailServerAddress {
    MailTransport transport;
    char host[MailHostSize];
    uint16_t port;
    char user[MailUserSize];   // percent-decoded; empty when the address names none
};

enum class AddressFault : uint8_t { None, BadForm, PasswordGiven };

// Reads the setting. Text without a scheme is a plain host, kept exactly as
// written. An address with a password in it ("user:secret@host") is refused
// with PasswordGiven, and anything else malformed with BadForm.
AddressFault ParseMailServer(const char *text, MailServerAddress &address);

struct EhloCapabilities {
    bool startTls;
    bool authPlain;
    bool authLogin;
};

// The extensions a complete EHLO reply announces, on any of its lines.
EhloCapabilities ReadEhloCapabilities(const char *reply, size_t length);

// Base64 of length bytes, NUL-terminated; false when it does not fit.
bool EncodeBase64(const uint8_t *data, size_t length, char *text, size_t size);

// The AUTH PLAIN line "AUTH PLAIN <base64 of NUL user NUL password>\r\n",
// encoded straight from user and password: no copy of them is left behind.
bool BuildAuthPlain(const char *user, const char *password, char *line, size_t size);

// One AUTH LOGIN answer: the base64 of text followed by CR LF.
bool BuildAuthLoginAnswer(const char *text, char *line, size_t size);
