// TLS over a connected socket through the system's Schannel: the handshake with
// the server's certificate chain and name verified, then records sent and
// received. The SMTP client's only way to talk to an smtp:// or smtps:// server.
#pragma once

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>

#include <cstddef>

// Room for a record and a half: a receive may end anywhere in the next record.
constexpr size_t TlsIncomingSize = 40000;
constexpr size_t TlsRecordSize = 17000;

struct TlsChannel {
    UINT_PTR socket = 0;
    CredHandle credentials = {};
    CtxtHandle context = {};
    bool credentialsHeld = false;
    bool contextHeld = false;
    SecPkgContext_StreamSizes sizes = {};
    char incoming[TlsIncomingSize];   // received and not yet decrypted
    size_t incomingLength = 0;
    unsigned long long deadline = 0;  // tick count by which the bytes awaited must be in
    char plain[TlsIncomingSize];      // decrypted and not yet taken
    size_t plainStart = 0;
    size_t plainLength = 0;
    char record[TlsRecordSize];
    char target[256];                 // the server's name, for the handshake and any later one

    TlsChannel() = default;
    TlsChannel(const TlsChannel &) = delete;
    TlsChannel &operator=(const TlsChannel &) = delete;
    ~TlsChannel();
};

enum class TlsOutcome { Ready, HandshakeFailed, CertificateRejected };

// Runs the handshake with host over socket. Bytes the server sent past the
// handshake stay in the channel for the first receive.
TlsOutcome StartTls(TlsChannel &channel, UINT_PTR socket, const char *host);

// Encrypts and sends the whole text; false on any failure or time-out.
bool TlsSend(TlsChannel &channel, const char *data, size_t length);

// Up to size decrypted bytes: their count, 0 once the server closed, -1 on a
// failure or time-out. A handshake message the server sends after the
// handshake (a renegotiation, or a TLS 1.3 ticket or key update) goes back
// into the handshake, and the receive goes on.
int TlsReceive(TlsChannel &channel, char *buffer, size_t size);
