// The e-mail server setting as a user may type it, and a server's EHLO reply.
#include <cstring>
#include <string>

#include "mail/mail_server_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The setting is a NUL-terminated text of at most 255 characters.
    std::string text(reinterpret_cast<const char *>(data), size < 255 ? size : 255);
    text = text.c_str();
    MailServerAddress address;
    if (ParseMailServer(text.c_str(), address) == AddressFault::None) {
        // Whatever is accepted is terminated, and a user never carries a line break.
        if (strnlen(address.host, sizeof address.host) == sizeof address.host ||
            strnlen(address.user, sizeof address.user) == sizeof address.user || strpbrk(address.user, "\r\n") ||
            (address.transport != MailTransport::Plain && address.port == 0))
            __builtin_trap();
    }
    ReadEhloCapabilities(reinterpret_cast<const char *>(data), size);
    return 0;
}
