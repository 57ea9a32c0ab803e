// Blocking TCP with deadlines: the connection to the mail server and the bytes
// sent and received over it, in clear or under TLS. The routines take a
// SOCKET, which is a UINT_PTR, so this header needs no <winsock2.h>.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The tick count (GetTickCount64) by which a send or a whole reply must be done.
unsigned long long SocketDeadline();

// Waits until the socket can be read (or written); false once the deadline
// has passed, or on an error.
bool WaitForSocket(UINT_PTR socket, bool forWriting, unsigned long long deadline);

// Receives what has come, up to size bytes, waiting until the deadline: the
// count, 0 once the server closed, -1 on an error or a time-out.
int ReceiveSome(UINT_PTR socket, char *buffer, size_t size, unsigned long long deadline);

// Sends all length bytes; FALSE on a socket error or when the server stops taking data.
BOOL SendBytes(UINT_PTR socket, const char *data, size_t length);

// Sends the whole text; FALSE on a socket error or when the server stops taking data.
BOOL SendText(UINT_PTR socket, const char *text);

// The server's IPv4 address in network order: a dotted address as it is, a
// name through the resolver. False when the name cannot be resolved.
bool ResolveServer(const char *server, uint32_t &address);

// Connects without blocking for longer than a reply may take, then gives the
// socket send and receive time-outs of the same length.
bool ConnectWithTimeout(UINT_PTR socket, uint32_t address, uint16_t port);
