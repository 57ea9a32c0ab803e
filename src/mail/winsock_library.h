// Winsock, loaded the first time a message is sent rather than at start:
// most users' program never opens a socket. Needs <winsock2.h> before
// <windows.h>.
#pragma once

#include <winsock2.h>

struct WinsockFunctions {
    decltype(&::WSAStartup) WSAStartup;
    decltype(&::WSACleanup) WSACleanup;
    decltype(&::WSAGetLastError) WSAGetLastError;
    decltype(&::gethostname) gethostname;
    decltype(&::gethostbyname) gethostbyname;
    decltype(&::socket) socket;
    decltype(&::closesocket) closesocket;
    decltype(&::ioctlsocket) ioctlsocket;
    decltype(&::connect) connect;
    decltype(&::getsockopt) getsockopt;
    decltype(&::setsockopt) setsockopt;
    decltype(&::select) select;
    decltype(&::send) send;
    decltype(&::recv) recv;
};

// Loads Winsock once, from whichever thread sends first; false when it
// cannot be loaded (tried again at the next call).
bool LoadWinsock();

// Winsock's functions, once LoadWinsock has answered true.
extern WinsockFunctions Winsock;

// Closes a socket on every way out.
struct SocketHandle {
    SOCKET handle = INVALID_SOCKET;
    SocketHandle() = default;
    SocketHandle(const SocketHandle &) = delete;
    SocketHandle &operator=(const SocketHandle &) = delete;
    ~SocketHandle()
    {
        if (handle != INVALID_SOCKET)
            Winsock.closesocket(handle);
    }
};

// Balances a successful WSAStartup.
struct WinsockSession {
    bool started = false;
    WinsockSession() = default;
    WinsockSession(const WinsockSession &) = delete;
    WinsockSession &operator=(const WinsockSession &) = delete;
    ~WinsockSession()
    {
        if (started)
            Winsock.WSACleanup();
    }
};
