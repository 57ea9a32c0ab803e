#include "mail/winsock_library.h"

#include "mail/socket_io.h"

#include <cstring>

#include "mail/smtp_dialogue.h"

static_assert(sizeof(SOCKET) == sizeof(UINT_PTR));

namespace {

// FD_ISSET without its call into Winsock.
bool InSet(UINT_PTR socket, const fd_set &set)
{
    for (u_int i = 0; i < set.fd_count && i < FD_SETSIZE; i++) {
        if (set.fd_array[i] == socket)
            return true;
    }
    return false;
}

}  // namespace

ULONGLONG SocketDeadline()
{
    return GetTickCount64() + SmtpTimeoutSeconds * 1000ULL;
}

// Waits until the socket can be read (or written); false once the deadline
// has passed, or on an error.
bool WaitForSocket(UINT_PTR socket, bool forWriting, ULONGLONG deadline)
{
    ULONGLONG now = GetTickCount64();
    if (now >= deadline)
        return false;
    ULONGLONG left = deadline - now;
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval limit = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
    int count = Winsock.select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &limit);
    return count > 0 && InSet(socket, ready) && !InSet(socket, failed);
}

BOOL SendBytes(UINT_PTR socket, const char *data, size_t length)
{
    // One limit for the whole text, so a server taking a byte at a time
    // cannot hold the program for longer.
    ULONGLONG deadline = SocketDeadline();
    size_t sent = 0;
    while (sent < length) {
        if (!WaitForSocket(socket, true, deadline))
            return FALSE;
        int count = Winsock.send(socket, data + sent, static_cast<int>(length - sent), 0);
        if (count == SOCKET_ERROR)
            return FALSE;
        sent += static_cast<size_t>(count);
    }
    return TRUE;
}

BOOL SendText(UINT_PTR socket, const char *text)
{
    return SendBytes(socket, text, strlen(text));
}

int ReceiveSome(UINT_PTR socket, char *buffer, size_t size, ULONGLONG deadline)
{
    if (!WaitForSocket(socket, false, deadline))
        return -1;
    int count = Winsock.recv(socket, buffer, static_cast<int>(size), 0);
    return count == SOCKET_ERROR ? -1 : count;
}

// The server's IPv4 address in network order: a dotted address as it is, a
// name through the resolver. False when the name cannot be resolved.
bool ResolveServer(const char *server, uint32_t &address)
{
    if (ParseDottedIPv4(server, address))
        return true;
    hostent *host = Winsock.gethostbyname(server);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list || !host->h_addr_list[0])
        return false;
    memcpy(&address, host->h_addr_list[0], 4);
    return true;
}

// A blocking connect could hang for minutes on an unreachable server: connect
// without blocking and wait for the outcome as long as for any reply.
bool ConnectWithTimeout(UINT_PTR socket, uint32_t address, uint16_t port)
{
    sockaddr_in server = {};
    server.sin_family = AF_INET;
    // Network order, without htons's call into Winsock.
    server.sin_port = static_cast<u_short>(port >> 8 | (port & 0xFF) << 8);
    server.sin_addr.s_addr = address;
    u_long nonBlocking = 1;
    if (Winsock.ioctlsocket(socket, FIONBIO, &nonBlocking) != 0)
        return false;
    bool connected = Winsock.connect(socket, reinterpret_cast<const sockaddr *>(&server), sizeof server) == 0;
    if (!connected && Winsock.WSAGetLastError() == WSAEWOULDBLOCK && WaitForSocket(socket, true, SocketDeadline())) {
        int error = 0;
        int length = sizeof error;
        connected = Winsock.getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &length) == 0 &&
                    error == 0;
    }
    u_long blocking = 0;
    if (Winsock.ioctlsocket(socket, FIONBIO, &blocking) != 0 || !connected)
        return false;
    // A send larger than the space the server leaves would otherwise block
    // for as long as the server stops reading.
    DWORD limit = SmtpTimeoutSeconds * 1000;
    Winsock.setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&limit), sizeof limit);
    Winsock.setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&limit), sizeof limit);
    return true;
}
