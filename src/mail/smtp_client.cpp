#include "mail/winsock_library.h"

#include "mail/smtp_client.h"

#include "base/bounded_text.h"
#include "base/guards.h"
#include "base/text_format.h"
#include "mail/mail_password.h"
#include "mail/mail_server_address.h"
#include "mail/socket_io.h"
#include "mail/tls_channel.h"
#include "state/settings.h"

#include <memory>
#include <new>

namespace {

// Receives into buffer until the reply's final line is complete, while the
// buffer has room. receive(at, room) gives the count of bytes it put at at, 0
// or less when nothing more can come.
template <typename Receive>
bool ReceiveReply(char (&buffer)[SmtpBufferSize], Receive receive)
{
    size_t length = 0;
    buffer[0] = '\0';
    while (length < sizeof buffer - 1) {
        int count = receive(buffer + length, sizeof buffer - 1 - length);
        if (count <= 0)
            return false;
        length += static_cast<size_t>(count);
        buffer[length] = '\0';
        ReplyState state = ExamineReply(buffer, length);
        if (state != ReplyState::Incomplete)
            return state == ReplyState::Accepted;
    }
    return false;
}


// Receives one reply; true when it is complete and of class 1 to 3.
bool ReadReply(SOCKET socket, char (&buffer)[SmtpBufferSize])
{
    // A reply may arrive in pieces, all within one limit.
    ULONGLONG deadline = SocketDeadline();
    return ReceiveReply(buffer, [&](char *at, size_t room) { return ReceiveSome(socket, at, room, deadline); });
}

}  // namespace

void FormatNowForMail(char (&date)[MailDateSize])
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    TIME_ZONE_INFORMATION zoneInfo;
    DWORD zoneKind = GetTimeZoneInformation(&zoneInfo);
    int32_t standardBias = zoneKind == TIME_ZONE_ID_INVALID ? 0 : zoneInfo.Bias + zoneInfo.StandardBias;
    char zone[8];
    FormatZone(standardBias, zoneKind == TIME_ZONE_ID_DAYLIGHT, zone);
    struct tm local = {};
    local.tm_year = now.wYear - 1900;
    local.tm_mon = now.wMonth - 1;
    local.tm_mday = now.wDay;
    local.tm_wday = now.wDayOfWeek;
    local.tm_hour = now.wHour;
    local.tm_min = now.wMinute;
    local.tm_sec = now.wSecond;
    FormatMailDate(local, zone, date);
}

namespace {

// A connection to the server: the socket itself, or TLS over it once started.
struct MailLink {
    SOCKET socket;
    TlsChannel *tls;
};

bool LinkSend(MailLink &link, const char *text)
{
    return link.tls ? TlsSend(*link.tls, text, strlen(text)) : SendText(link.socket, text) == TRUE;
}

// Receives into buffer until the reply is complete: as ReadReply, through TLS.
bool LinkReadReply(MailLink &link, char (&buffer)[SmtpBufferSize])
{
    if (!link.tls)
        return ReadReply(link.socket, buffer);
    link.tls->deadline = SocketDeadline();
    return ReceiveReply(buffer, [&](char *at, size_t room) { return TlsReceive(*link.tls, at, room); });
}

// Sends a command and reads its reply.
bool Converse(MailLink &link, char (&buffer)[SmtpBufferSize], const char *command)
{
    return LinkSend(link, command) && LinkReadReply(link, buffer);
}

MailStep Secure(MailLink &link, TlsChannel &tls, const char *host)
{
    switch (StartTls(tls, link.socket, host)) {
    case TlsOutcome::Ready:
        link.tls = &tls;
        return MailStep::None;
    case TlsOutcome::CertificateRejected:
        return MailStep::Certificate;
    case TlsOutcome::HandshakeFailed:
        break;
    }
    return MailStep::Tls;
}

// EHLO, and what the server announces in its reply.
bool Greet(MailLink &link, char (&buffer)[SmtpBufferSize], const char *hostName, EhloCapabilities &capabilities)
{
    char command[300];
    FormatInto(command, "EHLO %s\r\n", hostName);
    if (!Converse(link, buffer, command))
        return false;
    capabilities = ReadEhloCapabilities(buffer, strlen(buffer));
    return true;
}

// AUTH PLAIN where offered, otherwise AUTH LOGIN; only ever over TLS.
MailStep SignIn(MailLink &link, char (&buffer)[SmtpBufferSize], const EhloCapabilities &capabilities,
                const char *user)
{
    char password[MailPasswordSize];
    switch (LoadMailPassword(password)) {
    case StoredPassword::Loaded:
        break;
    case StoredPassword::None:
        return MailStep::NoPassword;
    case StoredPassword::Unreadable:
        return MailStep::PasswordUnreadable;
    }
    // Room for AUTH PLAIN's base64 of the longest user and password.
    char line[(MailUserSize + MailPasswordSize + 2) / 3 * 4 + 16];
    bool signedIn = false;
    if (capabilities.authPlain) {
        signedIn = BuildAuthPlain(user, password, line, sizeof line) && Converse(link, buffer, line) &&
                   buffer[0] == '2';
    } else if (capabilities.authLogin) {
        signedIn = Converse(link, buffer, "AUTH LOGIN\r\n") && buffer[0] == '3' &&
                   BuildAuthLoginAnswer(user, line, sizeof line) && Converse(link, buffer, line) &&
                   buffer[0] == '3' && BuildAuthLoginAnswer(password, line, sizeof line) &&
                   Converse(link, buffer, line) && buffer[0] == '2';
    }
    SecureZeroMemory(password, sizeof password);
    SecureZeroMemory(line, sizeof line);
    return signedIn ? MailStep::None : MailStep::SignIn;
}

// From the greeting to a signed-in session: HELO for a plain server as ever;
// EHLO, STARTTLS where asked for, and the sign-in for an address.
MailStep OpenSession(MailLink &link, TlsChannel *tls, const MailServerAddress &server, const char *hostName,
                     char (&buffer)[SmtpBufferSize])
{
    if (server.transport == MailTransport::ImplicitTls) {
        MailStep failed = Secure(link, *tls, server.host);
        if (failed != MailStep::None)
            return failed;
    }
    if (!LinkReadReply(link, buffer))
        return MailStep::Welcome;
    if (server.transport == MailTransport::Plain) {
        FormatInto(buffer, "HELO %s\r\n", hostName);
        return Converse(link, buffer, buffer) ? MailStep::None : MailStep::Helo;
    }
    EhloCapabilities capabilities = {};
    if (!Greet(link, buffer, hostName, capabilities))
        return MailStep::Helo;
    if (server.transport == MailTransport::StartTls) {
        // Never on in clear: a server that does not offer STARTTLS is refused.
        if (!capabilities.startTls || !Converse(link, buffer, "STARTTLS\r\n"))
            return MailStep::StartTls;
        MailStep failed = Secure(link, *tls, server.host);
        if (failed != MailStep::None)
            return failed;
        if (!Greet(link, buffer, hostName, capabilities))
            return MailStep::Helo;
    }
    return server.user[0] ? SignIn(link, buffer, capabilities, server.user) : MailStep::None;
}

// The settings and the server address, checked before anything is sent.
MailStep CheckMailSettings(const GlobalSettingsRecord &settings, const char *subject, MailServerAddress &server)
{
    MailStep refused = FirstStepCarryingLineBreak(settings.EmailServer, settings.EmailFrom, settings.EmailTo, subject);
    if (refused != MailStep::None)
        return refused;
    switch (ParseMailServer(settings.EmailServer, server)) {
    case AddressFault::None:
        break;
    case AddressFault::PasswordGiven:
        return MailStep::AddressPassword;
    case AddressFault::BadForm:
        return MailStep::Address;
    }
    return MailStep::None;
}

// The local host name and a connected socket; Winsock is started by the caller.
MailStep Connect(const MailServerAddress &server, SocketHandle &socket, char (&hostName)[256])
{
    if (Winsock.gethostname(hostName, sizeof hostName) != 0)
        return MailStep::LocalHostName;
    hostName[sizeof hostName - 1] = '\0';
    socket.handle = Winsock.socket(AF_INET, SOCK_STREAM, 0);
    if (socket.handle == INVALID_SOCKET)
        return MailStep::SocketCreation;
    uint32_t address = 0;
    if (!ResolveServer(server.host, address))
        return MailStep::ServerLookup;
    if (!ConnectWithTimeout(socket.handle, address, server.port))
        return MailStep::Connect;
    return MailStep::None;
}

// The ANSI code page's text as UTF-8 in utf8[0..size); false when it cannot be
// converted or does not fit, so a body is never sent cut short.
bool ConvertToUtf8(const char *text, char *utf8, size_t size)
{
    int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wideLength <= 0)
        return false;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[static_cast<size_t>(wideLength)]);
    return wide && MultiByteToWideChar(CP_ACP, 0, text, -1, wide.get(), wideLength) == wideLength &&
           WideCharToMultiByte(CP_UTF8, 0, wide.get(), -1, utf8, static_cast<int>(size), nullptr, nullptr) > 0;
}

// From MAIL FROM to QUIT over an open session; taken and onTaken as TrySendMailWith's.
MailStep Deliver(const GlobalSettingsRecord &settings, MailLink &link, char (&buffer)[SmtpBufferSize],
                 const char *subject, const char *body, char (&date)[MailDateSize], bool &taken,
                 void (*onTaken)())
{
    FormatInto(buffer, "MAIL FROM:<%s>\r\n", settings.EmailFrom);
    if (!Converse(link, buffer, buffer))
        return MailStep::MailFrom;
    FormatInto(buffer, "RCPT TO:<%s>\r\n", settings.EmailTo);
    if (!Converse(link, buffer, buffer))
        return MailStep::RcptTo;
    if (!Converse(link, buffer, "DATA\r\n"))
        return MailStep::Data;

    // A body past ASCII goes as UTF-8, converted where the code page is another.
    bool utf8Body = HasEightBitText(body);
    std::unique_ptr<char[]> converted;
    if (utf8Body && CurrentTextEncoding() != TextEncoding::Utf8) {
        converted.reset(new (std::nothrow) char[SmtpBufferSize]);
        if (!converted || !ConvertToUtf8(body, converted.get(), SmtpBufferSize))
            return MailStep::Body;
        body = converted.get();
    }
    char headers[SmtpBufferSize];
    // A kept message goes again with the Date of its first attempt.
    if (date[0] == '\0')
        FormatNowForMail(date);
    if (!BuildHeaderBlock(date, settings.EmailFrom, subject, settings.EmailTo, utf8Body, headers, sizeof headers) ||
        !LinkSend(link, headers) || !LinkSend(link, "\r\n"))
        return MailStep::Header;
    // A body longer than the buffer is refused rather than sent cut short.
    char stuffed[SmtpBufferSize];
    if (!DotStuff(body, stuffed, sizeof stuffed) || !LinkSend(link, stuffed) ||
        !Converse(link, buffer, "\r\n.\r\n"))
        return MailStep::Body;
    taken = buffer[0] == '2';
    if (taken && onTaken)
        onTaken();
    if (!Converse(link, buffer, "QUIT\r\n"))
        return MailStep::Quit;
    return MailStep::None;
}

// The exchange itself; returns the step that failed, or MailStep::None when the message went out.
MailStep Exchange(const GlobalSettingsRecord &settings, const char *subject, const char *body,
                  char (&date)[MailDateSize], bool &taken, void (*onTaken)())
{
    MailServerAddress server;
    MailStep failed = CheckMailSettings(settings, subject, server);
    if (failed != MailStep::None)
        return failed;

    // A Winsock that cannot be loaded fails where its start would.
    if (!LoadWinsock())
        return MailStep::Startup;
    WinsockSession winsock;
    WSADATA data;
    if (Winsock.WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return MailStep::Startup;
    winsock.started = true;

    char hostName[256];
    SocketHandle socket;
    failed = Connect(server, socket, hostName);
    if (failed != MailStep::None)
        return failed;

    MailLink link = {socket.handle, nullptr};
    // Only an address's connection needs the channel and its buffers.
    std::unique_ptr<TlsChannel> tls;
    if (server.transport != MailTransport::Plain) {
        tls.reset(new (std::nothrow) TlsChannel);
        if (!tls)
            return MailStep::Tls;
    }
    char buffer[SmtpBufferSize];
    failed = OpenSession(link, tls.get(), server, hostName, buffer);
    if (failed != MailStep::None)
        return failed;
    return Deliver(settings, link, buffer, subject, body, date, taken, onTaken);
}

// The outbox's mail thread and the window thread may both send.
SRWLOCK SendLock = SRWLOCK_INIT;

}  // namespace


MailStep TrySendMailWith(const GlobalSettingsRecord &settings, const char *subject, const char *body,
                         char (&date)[MailDateSize], bool &taken, char *result, size_t resultSize,
                         void (*onTaken)())
{
    taken = false;
    AcquireSRWLockExclusive(&SendLock);
    MailStep failed = Exchange(settings, subject, body, date, taken, onTaken);
    ReleaseSRWLockExclusive(&SendLock);
    CopyTextSized(result, resultSize, failed == MailStep::None ? MailSentText : MailStepErrorText(failed));
    return failed;
}

MailStep TrySendMailDated(const char *subject, const char *body, char (&date)[MailDateSize], bool &taken,
                          char *result, size_t resultSize)
{
    return TrySendMailWith(GlobalSettings, subject, body, date, taken, result, resultSize);
}

MailStep TrySendMail(const char *subject, const char *body, char *result, size_t resultSize)
{
    char date[MailDateSize] = "";
    bool taken = false;
    return TrySendMailDated(subject, body, date, taken, result, resultSize);
}

BOOL SendMail(const char *subject, const char *body, char *result, size_t resultSize)
{
    return TrySendMail(subject, body, result, resultSize) == MailStep::None ? TRUE : FALSE;
}

void ShowMailError(HWND owner, const char *subject, const char *body, const char *error)
{
    char text[MailErrorTextSize];
    FormatMailErrorText(error, GlobalSettings.EmailFrom, GlobalSettings.EmailTo, GlobalSettings.EmailServer, subject,
                        body, text);
    MessageBoxA(owner, text, "HOLMVARD Email Error", MB_ICONINFORMATION | MB_OK);
}
