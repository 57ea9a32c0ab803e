#include <winsock2.h>

#include "mail/tls_channel.h"

#include <schannel.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "base/bounded_text.h"
#include "mail/socket_io.h"

namespace {

constexpr DWORD ContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                 ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

// Appends what the server sends next to the channel's incoming bytes; false
// when it closed, failed, took too long or the bytes would not fit.
bool ReceiveMore(TlsChannel &channel)
{
    if (channel.incomingLength == sizeof channel.incoming)
        return false;
    int count = ReceiveSome(channel.socket, channel.incoming + channel.incomingLength,
                            sizeof channel.incoming - channel.incomingLength, channel.deadline);
    if (count <= 0)
        return false;
    channel.incomingLength += static_cast<size_t>(count);
    return true;
}

// Sends a handshake token Schannel allocated, and frees it.
bool SendToken(TlsChannel &channel, SecBuffer &token)
{
    bool sent = token.cbBuffer == 0 || !token.pvBuffer ||
                SendBytes(channel.socket, static_cast<const char *>(token.pvBuffer), token.cbBuffer);
    if (token.pvBuffer)
        FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    return sent;
}

// Keeps the bytes Schannel did not use at the front of the incoming buffer.
void KeepExtra(TlsChannel &channel, const SecBuffer &extra)
{
    if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer > 0 && extra.cbBuffer <= channel.incomingLength) {
        memmove(channel.incoming, channel.incoming + channel.incomingLength - extra.cbBuffer, extra.cbBuffer);
        channel.incomingLength = extra.cbBuffer;
    } else {
        channel.incomingLength = 0;
    }
}

bool AcquireCredentials(TlsChannel &channel)
{
    SCHANNEL_CRED credentials = {};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    // The chain and the name are checked here, after the handshake, never skipped.
    credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    // TLS 1.2 or later; a system that knows no 1.3 is asked for 1.2 alone.
    const DWORD protocols[] = {SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT, SP_PROT_TLS1_2_CLIENT};
    for (DWORD protocol : protocols) {
        credentials.grbitEnabledProtocols = protocol;
        char package[] = UNISP_NAME_A;
        if (AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &credentials, nullptr,
                                      nullptr, &channel.credentials, nullptr) == SEC_E_OK) {
            channel.credentialsHeld = true;
            return true;
        }
    }
    return false;
}

bool Handshake(TlsChannel &channel, char *target)
{
    SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDescription = {SECBUFFER_VERSION, 1, &out};
    DWORD attributes = 0;
    SECURITY_STATUS status = InitializeSecurityContextA(&channel.credentials, nullptr, target, ContextRequest, 0, 0,
                                                        nullptr, 0, &channel.context, &outDescription,
                                                        &attributes, nullptr);
    if (status != SEC_I_CONTINUE_NEEDED)
        return false;
    channel.contextHeld = true;
    if (!SendToken(channel, out))
        return false;
    bool needMore = true;
    for (;;) {
        if ((needMore || channel.incomingLength == 0) && !ReceiveMore(channel))
            return false;
        SecBuffer in[2] = {{static_cast<unsigned long>(channel.incomingLength), SECBUFFER_TOKEN, channel.incoming},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDescription = {SECBUFFER_VERSION, 2, in};
        out = {0, SECBUFFER_TOKEN, nullptr};
        status = InitializeSecurityContextA(&channel.credentials, &channel.context, target, ContextRequest, 0, 0,
                                            &inDescription, 0, nullptr, &outDescription, &attributes, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (!SendToken(channel, out))
            return false;
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS)
            return false;
        KeepExtra(channel, in[1]);
        if (status == SEC_E_OK)
            return true;
        needMore = channel.incomingLength == 0;
    }
}

// The server's chain must end in a trusted root and name the host.
bool CertificateAccepted(TlsChannel &channel, const char *host)
{
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesA(&channel.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
        !certificate)
        return false;
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    bool accepted = false;
    if (CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                                &chain)) {
        wchar_t wideHost[256];
        if (MultiByteToWideChar(CP_ACP, 0, host, -1, wideHost, 256) > 0) {
            SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
            ssl.cbSize = sizeof ssl;
            ssl.dwAuthType = AUTHTYPE_SERVER;
            ssl.pwszServerName = wideHost;
            CERT_CHAIN_POLICY_PARA policy = {};
            policy.cbSize = sizeof policy;
            policy.pvExtraPolicyPara = &ssl;
            CERT_CHAIN_POLICY_STATUS result = {};
            result.cbSize = sizeof result;
            accepted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result) &&
                       result.dwError == 0;
        }
        CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(certificate);
    return accepted;
}

}  // namespace

TlsChannel::~TlsChannel()
{
    if (contextHeld)
        DeleteSecurityContext(&context);
    if (credentialsHeld)
        FreeCredentialsHandle(&credentials);
    SecureZeroMemory(plain, sizeof plain);
    SecureZeroMemory(record, sizeof record);
}

TlsOutcome StartTls(TlsChannel &channel, UINT_PTR socket, const char *host)
{
    channel.socket = socket;
    channel.deadline = SocketDeadline();
    char target[256];
    if (!CopyText(target, host) || !AcquireCredentials(channel) || !Handshake(channel, target))
        return TlsOutcome::HandshakeFailed;
    if (!CertificateAccepted(channel, host))
        return TlsOutcome::CertificateRejected;
    if (QueryContextAttributesA(&channel.context, SECPKG_ATTR_STREAM_SIZES, &channel.sizes) != SEC_E_OK ||
        channel.sizes.cbHeader + channel.sizes.cbMaximumMessage + channel.sizes.cbTrailer > sizeof channel.record)
        return TlsOutcome::HandshakeFailed;
    return TlsOutcome::Ready;
}

bool TlsSend(TlsChannel &channel, const char *data, size_t length)
{
    const SecPkgContext_StreamSizes &sizes = channel.sizes;
    while (length > 0) {
        size_t piece = std::min<size_t>(length, sizes.cbMaximumMessage);
        char *header = channel.record;
        char *body = header + sizes.cbHeader;
        memcpy(body, data, piece);
        SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, header},
                                {static_cast<unsigned long>(piece), SECBUFFER_DATA, body},
                                {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, body + piece},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description = {SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&channel.context, 0, &description, 0) != SEC_E_OK ||
            !SendBytes(channel.socket, header, buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer))
            return false;
        data += piece;
        length -= piece;
    }
    return true;
}

int TlsReceive(TlsChannel &channel, char *buffer, size_t size)
{
    bool needMore = channel.incomingLength == 0;
    while (channel.plainLength == 0) {
        if (needMore && !ReceiveMore(channel))
            return channel.incomingLength == 0 ? 0 : -1;
        // Several records may have come in one receive: each call decrypts one.
        SecBuffer buffers[4] = {{static_cast<unsigned long>(channel.incomingLength), SECBUFFER_DATA, channel.incoming},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description = {SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = DecryptMessage(&channel.context, &description, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (status == SEC_I_CONTEXT_EXPIRED)
            return 0;
        if (status != SEC_E_OK)
            return -1;
        const SecBuffer *extra = nullptr;
        for (const SecBuffer &b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
                // Decrypted in place inside incoming: copy out before the extra bytes move.
                memcpy(channel.plain, b.pvBuffer, b.cbBuffer);
                channel.plainStart = 0;
                channel.plainLength = b.cbBuffer;
            }
            if (b.BufferType == SECBUFFER_EXTRA)
                extra = &b;
        }
        if (extra)
            KeepExtra(channel, *extra);
        else
            channel.incomingLength = 0;
        needMore = channel.incomingLength == 0;
    }
    size_t taken = std::min(size, channel.plainLength);
    memcpy(buffer, channel.plain + channel.plainStart, taken);
    channel.plainStart += taken;
    channel.plainLength -= taken;
    return static_cast<int>(taken);
}
