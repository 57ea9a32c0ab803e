// For the chain's URL retrieval time-out.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include <winsock2.h>

#include "mail/tls_channel.h"

#include <schannel.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "base/bounded_text.h"
#include "base/system_library.h"
#include "mail/socket_io.h"

namespace {

// Schannel and the certificate chain, loaded by the first TLS connection:
// plain mail and no mail never load them.
struct SecurityInterface {
    decltype(&::InitSecurityInterfaceA) InitSecurityInterfaceA;
};
struct CertificateFunctions {
    decltype(&::CertGetCertificateChain) CertGetCertificateChain;
    decltype(&::CertVerifyCertificateChainPolicy) CertVerifyCertificateChainPolicy;
    decltype(&::CertFreeCertificateChain) CertFreeCertificateChain;
    decltype(&::CertFreeCertificateContext) CertFreeCertificateContext;
};
const char *const SecurityInterfaceNames[] = {"InitSecurityInterfaceA"};
const char *const CertificateNames[] = {"CertGetCertificateChain", "CertVerifyCertificateChainPolicy",
                                        "CertFreeCertificateChain", "CertFreeCertificateContext"};
static_assert(sizeof CertificateNames / sizeof CertificateNames[0] == FunctionCount<CertificateFunctions>());

INIT_ONCE SecurityLoaded = INIT_ONCE_STATIC_INIT;
INIT_ONCE CertificatesLoaded = INIT_ONCE_STATIC_INIT;
SecurityInterface Security;
CertificateFunctions Certificates;
// Schannel's calls, from the system's own table of them.
PSecurityFunctionTableA Sspi;

// False when either library cannot be loaded, or Schannel's table lacks a call used here.
bool LoadTlsLibraries()
{
    if (!LoadSystemFunctionsOnce(SecurityLoaded, "secur32.dll", SecurityInterfaceNames, &Security,
                                 FunctionCount<SecurityInterface>()) ||
        !LoadSystemFunctionsOnce(CertificatesLoaded, "crypt32.dll", CertificateNames, &Certificates,
                                 FunctionCount<CertificateFunctions>()))
        return false;
    PSecurityFunctionTableA table = Security.InitSecurityInterfaceA();
    if (!table || !table->AcquireCredentialsHandleA || !table->FreeCredentialHandle ||
        !table->InitializeSecurityContextA || !table->DeleteSecurityContext || !table->QueryContextAttributesA ||
        !table->FreeContextBuffer || !table->EncryptMessage || !table->DecryptMessage)
        return false;
    Sspi = table;
    return true;
}

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
        Sspi->FreeContextBuffer(token.pvBuffer);
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

// TLS 1.2 only. SCHANNEL_CRED never negotiates TLS 1.3, whatever its protocol
// bits say. A switch to SCH_CREDENTIALS (Windows 10 1809 and later) would need
// TLS_PARAMETERS to disable what is older than 1.2, this SCHANNEL_CRED as the
// fallback where SCH_CREDENTIALS is refused, and TlsReceive's passing of
// SEC_I_RENEGOTIATE back to the handshake for the tickets and key updates a
// TLS 1.3 server sends after its handshake.
bool AcquireCredentials(TlsChannel &channel)
{
    SCHANNEL_CRED credentials = {};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    // The chain and the name are checked here, after the handshake, never skipped.
    credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    credentials.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    char package[] = UNISP_NAME_A;
    if (Sspi->AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &credentials, nullptr, nullptr,
                                  &channel.credentials, nullptr) != SEC_E_OK)
        return false;
    channel.credentialsHeld = true;
    return true;
}

// Feeds the server's handshake bytes to the context until it is complete,
// sending each token it gives; the bytes past the handshake stay incoming.
// needMore: receive before the first call; without it the context first gets
// what is incoming, even nothing.
bool ContinueHandshake(TlsChannel &channel, bool needMore)
{
    bool certificateAsked = false;
    for (;;) {
        if (needMore && !ReceiveMore(channel))
            return false;
        SecBuffer in[2] = {{static_cast<unsigned long>(channel.incomingLength), SECBUFFER_TOKEN, channel.incoming},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDescription = {SECBUFFER_VERSION, 2, in};
        SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outDescription = {SECBUFFER_VERSION, 1, &out};
        DWORD attributes = 0;
        SECURITY_STATUS status =
            Sspi->InitializeSecurityContextA(&channel.credentials, &channel.context, channel.target, ContextRequest, 0, 0,
                                       &inDescription, 0, nullptr, &outDescription, &attributes, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (!SendToken(channel, out))
            return false;
        if (status == SEC_I_INCOMPLETE_CREDENTIALS && !certificateAsked) {
            // The server asked for a client certificate. We have none: go on
            // without one, as an anonymous client, with the same bytes again.
            certificateAsked = true;
            needMore = false;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED)
            return false;
        KeepExtra(channel, in[1]);
        if (status == SEC_E_OK)
            return true;
        needMore = channel.incomingLength == 0;
    }
}

bool Handshake(TlsChannel &channel)
{
    SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDescription = {SECBUFFER_VERSION, 1, &out};
    DWORD attributes = 0;
    SECURITY_STATUS status = Sspi->InitializeSecurityContextA(&channel.credentials, nullptr, channel.target, ContextRequest,
                                                        0, 0, nullptr, 0, &channel.context, &outDescription,
                                                        &attributes, nullptr);
    if (status != SEC_I_CONTINUE_NEEDED)
        return false;
    channel.contextHeld = true;
    return SendToken(channel, out) && ContinueHandshake(channel, true);
}

// The chain of the server's certificate for server authentication; revocation
// checked (except the root's) when timeout, in milliseconds, is not 0.
PCCERT_CHAIN_CONTEXT BuildChain(PCCERT_CONTEXT certificate, DWORD timeout)
{
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    chainPara.dwUrlRetrievalTimeout = timeout;
    DWORD flags = timeout ? CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT
                          : 0;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!Certificates.CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, flags, nullptr,
                                 &chain))
        return nullptr;
    return chain;
}

// The SSL policy's verdict on chain for host: 0 when it holds, or its error.
// A revocation status nobody could learn does not count against it.
DWORD SslPolicyError(PCCERT_CHAIN_CONTEXT chain, const wchar_t *host)
{
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t *>(host);
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS result = {};
    result.cbSize = sizeof result;
    if (!Certificates.CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result))
        return static_cast<DWORD>(CERT_E_CHAINING);
    return result.dwError;
}

bool IsRevocationUnknown(DWORD error)
{
    return error == static_cast<DWORD>(CERT_E_REVOCATION_FAILURE) ||
           error == static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE) ||
           error == static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK);
}

// The server's chain must end in a trusted root, name the host, and hold no
// revoked certificate. A revocation status that cannot be learned (no list
// named, a responder off-line or too slow) is accepted: alert mail must not
// stop for a responder. Fetching the lists gets what remains of the step.
bool CertificateAccepted(TlsChannel &channel, const char *host)
{
    wchar_t wideHost[256];
    if (MultiByteToWideChar(CP_ACP, 0, host, -1, wideHost, 256) <= 0)
        return false;
    PCCERT_CONTEXT certificate = nullptr;
    if (Sspi->QueryContextAttributesA(&channel.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
        !certificate)
        return false;
    ULONGLONG now = GetTickCount64();
    DWORD remaining = channel.deadline > now ? static_cast<DWORD>(channel.deadline - now) : 1;
    bool accepted = false;
    if (PCCERT_CHAIN_CONTEXT chain = BuildChain(certificate, remaining)) {
        DWORD error = SslPolicyError(chain, wideHost);
        accepted = !(chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_REVOKED) && error == 0;
        // Wine's policy reports an unknown status despite the flags: judge the
        // rest on the chain without revocation, the revoked bit having been read.
        if (!(chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_REVOKED) && IsRevocationUnknown(error)) {
            if (PCCERT_CHAIN_CONTEXT plain = BuildChain(certificate, 0)) {
                accepted = SslPolicyError(plain, wideHost) == 0;
                Certificates.CertFreeCertificateChain(plain);
            }
        }
        Certificates.CertFreeCertificateChain(chain);
    }
    Certificates.CertFreeCertificateContext(certificate);
    return accepted;
}

}  // namespace

TlsChannel::~TlsChannel()
{
    if (contextHeld)
        Sspi->DeleteSecurityContext(&context);
    if (credentialsHeld)
        Sspi->FreeCredentialHandle(&credentials);
    SecureZeroMemory(plain, sizeof plain);
    SecureZeroMemory(record, sizeof record);
}

TlsOutcome StartTls(TlsChannel &channel, UINT_PTR socket, const char *host)
{
    channel.socket = socket;
    channel.deadline = SocketDeadline();
    // Libraries that cannot be loaded fail the handshake before a byte of it goes.
    if (!LoadTlsLibraries() || !CopyText(channel.target, host) || !AcquireCredentials(channel) ||
        !Handshake(channel))
        return TlsOutcome::HandshakeFailed;
    if (!CertificateAccepted(channel, host))
        return TlsOutcome::CertificateRejected;
    if (Sspi->QueryContextAttributesA(&channel.context, SECPKG_ATTR_STREAM_SIZES, &channel.sizes) != SEC_E_OK ||
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
        if (Sspi->EncryptMessage(&channel.context, 0, &description, 0) != SEC_E_OK ||
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
        SECURITY_STATUS status = Sspi->DecryptMessage(&channel.context, &description, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (status == SEC_I_CONTEXT_EXPIRED)
            return 0;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE)
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
        // A handshake message: the bytes after the record go back to the
        // context at once, and the handshake runs on as a new one would.
        if (status == SEC_I_RENEGOTIATE && !ContinueHandshake(channel, false))
            return -1;
        needMore = channel.incomingLength == 0;
    }
    size_t taken = std::min(size, channel.plainLength);
    memcpy(buffer, channel.plain + channel.plainStart, taken);
    channel.plainStart += taken;
    channel.plainLength -= taken;
    return static_cast<int>(taken);
}
