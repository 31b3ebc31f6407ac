#define SCHANNEL_USE_BLACKLISTS
#include "platform/win32/SchannelTls.h"

#include <subauth.h>
#include <schannel.h>

#include <cstring>
#include <new>

#include "platform/win32/ServerCertificate.h"

namespace quorvel {

namespace {

using Clock = WinSocket::Clock;

// A handshake message larger than this is refused rather than buffered without end.
constexpr size_t kMaxHandshakeBytes = 1u << 20;
constexpr size_t kReceiveChunk = 16 * 1024 + 512;
// The content type of a TLS record that carries an alert, readable in the clear record header
// up to TLS 1.2.
constexpr char kAlertRecord = 21;

constexpr unsigned long kRequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                        ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                        ISC_REQ_MANUAL_CRED_VALIDATION;

std::string statusText(SECURITY_STATUS status) { return WindowsErrorText::describe(static_cast<DWORD>(status)); }

void setStatus(NetError &err, NetError::Kind kind, const char *what, SECURITY_STATUS status) {
    err.set(kind, static_cast<DWORD>(status), std::string(what) + ": " + statusText(status));
}

void freeToken(SecBuffer &token) {
    if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    token.cbBuffer = 0;
}

}  // namespace

SchannelTls::~SchannelTls() {
    if (m_haveContext) DeleteSecurityContext(&m_context);
    if (m_haveCredentials) FreeCredentialsHandle(&m_credentials);
}

bool SchannelTls::acquireCredentials(NetError &err) {
    // Schannel does no checks of its own: ServerCertificate decides, and no client certificate
    // is ever picked on the user's behalf.
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    wchar_t *package = const_cast<wchar_t *>(UNISP_NAME_W);

    // The current form, which also reaches TLS 1.3: everything older than TLS 1.2 is turned off.
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = ~static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
    SCH_CREDENTIALS current{};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = flags;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    SECURITY_STATUS status = AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &current,
                                                       nullptr, nullptr, &m_credentials, nullptr);
    // Systems before that form know only the older one, with the protocols to turn on.
    for (const DWORD protocols : {DWORD{SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT}, DWORD{SP_PROT_TLS1_2_CLIENT}}) {
        if (status == SEC_E_OK) break;
        SCHANNEL_CRED older{};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.grbitEnabledProtocols = protocols;
        older.dwFlags = flags;
        status = AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr, nullptr,
                                           &m_credentials, nullptr);
    }
    if (status != SEC_E_OK) {
        setStatus(err, NetError::Kind::TlsHandshake, "cannot set up TLS", status);
        return false;
    }
    m_haveCredentials = true;
    return true;
}

std::unique_ptr<SchannelTls> SchannelTls::handshake(SOCKET s, const std::string &host, bool verifyPeer,
                                                    Clock::time_point deadline, NetError &err) {
    std::unique_ptr<SchannelTls> tls(new SchannelTls(s, verifyPeer));
    // A fully qualified "example.com." is the same name; the server name and the check want it bare.
    tls->m_host = host.size() > 1 && host.back() == '.' ? host.substr(0, host.size() - 1) : host;
    if (!tls->m_target.setFromUtf8(tls->m_host.data(), static_cast<uint32_t>(tls->m_host.size()))) {
        err.set(NetError::Kind::TlsHandshake, 0, "the host name cannot be used for TLS");
        return nullptr;
    }
    if (!tls->acquireCredentials(err)) return nullptr;
    tls->m_requestFlags = kRequestFlags;
    if (!tls->finishHandshake(deadline, "TLS handshake timed out", err)) {
        // Anything but a timeout or a certificate refusal is a failed handshake to the caller.
        const NetError::Kind kind = err.kind;
        const bool certificate = kind >= NetError::Kind::CertUntrusted && kind <= NetError::Kind::CertOther;
        if (kind != NetError::Kind::Timeout && !certificate) err.kind = NetError::Kind::TlsHandshake;
        return nullptr;
    }
    return tls;
}

bool SchannelTls::finishHandshake(Clock::time_point deadline, const char *timeoutText, NetError &err) {
    if (!continueHandshake(deadline, timeoutText, err)) {
        if (err.kind != NetError::Kind::Timeout) m_failed = true;
        return false;
    }
    if (m_verifyPeer && !ServerCertificate::verify(m_context, m_host, err)) {
        m_failed = true;
        return false;
    }
    // The protocols asked for are not honoured everywhere (Wine's Schannel ignores the TLS
    // parameters of the current credential form), so the version agreed on is checked here.
    SecPkgContext_ConnectionInfo connection{};
    SECURITY_STATUS status = QueryContextAttributesW(&m_context, SECPKG_ATTR_CONNECTION_INFO, &connection);
    if (status != SEC_E_OK || !(connection.dwProtocol & (SP_PROT_TLS1_2 | SP_PROT_TLS1_3))) {
        m_failed = true;
        if (status != SEC_E_OK) setStatus(err, NetError::Kind::TlsHandshake, "TLS version unknown", status);
        else err.set(NetError::Kind::TlsHandshake, connection.dwProtocol, "the server offers no TLS 1.2 or newer");
        return false;
    }
    status = QueryContextAttributesW(&m_context, SECPKG_ATTR_STREAM_SIZES, &m_sizes);
    if (status != SEC_E_OK || m_sizes.cbMaximumMessage == 0) {
        m_failed = true;
        setStatus(err, NetError::Kind::TlsHandshake, "TLS record sizes unknown", status);
        return false;
    }
    return true;
}

bool SchannelTls::continueHandshake(Clock::time_point deadline, const char *timeoutText, NetError &err) {
    for (;;) {
        if (m_needInput) {
            if (m_in.size() >= kMaxHandshakeBytes) {
                err.set(NetError::Kind::TlsHandshake, 0, "TLS handshake message too large");
                return false;
            }
            switch (receive(deadline, timeoutText, err)) {
                case Received::Bytes:
                    break;
                case Received::Ended:
                    err.set(NetError::Kind::Closed, 0, "TLS handshake: the peer closed the connection");
                    return false;
                case Received::TimedOut:
                case Received::Failed:
                    return false;
            }
        }
        const bool first = !m_haveContext;
        SecBuffer in[2] = {{static_cast<unsigned long>(m_in.size()), SECBUFFER_TOKEN, m_in.data()},
                           {0, SECBUFFER_EMPTY, nullptr}};
        if (m_in.empty()) in[0] = {0, SECBUFFER_EMPTY, nullptr};
        SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
        SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
        unsigned long granted = 0;
        const SECURITY_STATUS status = InitializeSecurityContextW(
            &m_credentials, first ? nullptr : &m_context, m_target.data(), m_requestFlags, 0, 0,
            first ? nullptr : &inDesc, 0, &m_context, &outDesc, &granted, nullptr);
        if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) m_haveContext = true;
        // What Schannel has to say goes out even when it failed: that is the alert to the server.
        const bool answer = status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
                            (FAILED(status) && (granted & ISC_RET_EXTENDED_ERROR));
        if (out[0].cbBuffer > 0 && out[0].pvBuffer && answer) {
            NetError sendErr;
            if (!sendToken(out[0], deadline, timeoutText, sendErr) && !FAILED(status)) {
                err = std::move(sendErr);
                return false;
            }
        }
        freeToken(out[0]);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            m_needInput = true;
            continue;
        }
        if (status == SEC_I_INCOMPLETE_CREDENTIALS && !(m_requestFlags & ISC_REQ_USE_SUPPLIED_CREDS)) {
            // The server asks for a client certificate: go on without one, with the same input.
            m_requestFlags |= ISC_REQ_USE_SUPPLIED_CREDS;
            m_needInput = false;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
            setStatus(err, NetError::Kind::TlsHandshake, "TLS handshake failed", status);
            return false;
        }
        // Bytes after the handshake message are kept: more handshake, or the first records.
        if (!first && in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= m_in.size())
            m_in.erase(0, m_in.size() - in[1].cbBuffer);
        else if (!first)
            m_in.clear();
        if (status == SEC_E_OK) {
            m_handshaking = false;
            m_needInput = false;
            return true;
        }
        m_needInput = m_in.empty();
    }
}

bool SchannelTls::sendToken(SecBuffer &token, Clock::time_point deadline, const char *timeoutText, NetError &err) {
    size_t sent = 0;
    const bool ok = sendAll(static_cast<const char *>(token.pvBuffer), token.cbBuffer, deadline, nullptr,
                            timeoutText, sent, err);
    freeToken(token);
    return ok;
}

bool SchannelTls::sendAll(const char *bytes, size_t n, Clock::time_point deadline, const uint32_t *renewMs,
                          const char *timeoutText, size_t &sent, NetError &err) {
    sent = 0;
    while (sent < n) {
        int code = 0;
        const long done = WinSocket::sendSome(m_socket, bytes + sent, n - sent, code);
        if (done >= 0) {
            sent += static_cast<size_t>(done);
            if (renewMs) deadline = WinSocket::deadlineAfter(*renewMs);
            continue;
        }
        if (!WinSocket::wouldBlock(code)) {
            WinSocket::setError(err, WinSocket::kindOf(code), code);
            return false;
        }
        switch (WinSocket::waitFor(m_socket, WinSocket::Want::Write, deadline, code)) {
            case WinSocket::Wait::Ready:
                break;
            case WinSocket::Wait::TimedOut:
                err.set(NetError::Kind::Timeout, 0, timeoutText);
                return false;
            case WinSocket::Wait::Failed:
                WinSocket::setError(err, NetError::Kind::Io, code);
                return false;
        }
    }
    return true;
}

SchannelTls::Received SchannelTls::receive(Clock::time_point deadline, const char *timeoutText, NetError &err) {
    if (m_transportEnded) return Received::Ended;
    const size_t start = m_in.size();
    m_in.resize(start + kReceiveChunk);
    for (;;) {
        int code = 0;
        const long got = WinSocket::recvSome(m_socket, &m_in[start], kReceiveChunk, false, code);
        if (got > 0) {
            m_in.resize(start + static_cast<size_t>(got));
            return Received::Bytes;
        }
        if (got == 0) {
            m_in.resize(start);
            m_transportEnded = true;
            return Received::Ended;
        }
        if (!WinSocket::wouldBlock(code)) {
            m_in.resize(start);
            WinSocket::setError(err, WinSocket::kindOf(code), code);
            return Received::Failed;
        }
        switch (WinSocket::waitFor(m_socket, WinSocket::Want::Read, deadline, code)) {
            case WinSocket::Wait::Ready:
                continue;
            case WinSocket::Wait::TimedOut:
                m_in.resize(start);
                err.set(NetError::Kind::Timeout, 0, timeoutText);
                return Received::TimedOut;
            case WinSocket::Wait::Failed:
                m_in.resize(start);
                WinSocket::setError(err, NetError::Kind::Io, code);
                return Received::Failed;
        }
    }
}

SchannelTls::Opened SchannelTls::decryptBuffered(NetError &err) {
    while (!m_in.empty()) {
        const bool alertRecord = m_in[0] == kAlertRecord;
        SecBuffer buffers[4] = {{static_cast<unsigned long>(m_in.size()), SECBUFFER_DATA, m_in.data()},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = DecryptMessage(&m_context, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return Opened::NeedMore;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
            setStatus(err, NetError::Kind::Io, "TLS record refused", status);
            return Opened::Failed;
        }
        const SecBuffer *data = nullptr;
        const SecBuffer *extra = nullptr;
        for (const SecBuffer &b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && !data) data = &b;
            if (b.BufferType == SECBUFFER_EXTRA && !extra) extra = &b;
        }
        // The plain text lies inside m_in: it is copied out before the rest moves to the front.
        if (data && data->cbBuffer > 0 && data->pvBuffer) {
            if (m_plainFrom >= m_plain.size()) {
                m_plain.clear();
                m_plainFrom = 0;
            }
            m_plain.append(static_cast<const char *>(data->pvBuffer), data->cbBuffer);
        }
        if (extra && extra->cbBuffer > 0 && extra->cbBuffer < m_in.size()) m_in.erase(0, m_in.size() - extra->cbBuffer);
        else m_in.clear();
        // close_notify from the peer. Wine's Schannel hands it back as an empty record instead;
        // any other alert that arrives without an error is a warning that ends the data as well.
        const bool emptyAlert = status == SEC_E_OK && alertRecord && (!data || data->cbBuffer == 0);
        if (status == SEC_I_CONTEXT_EXPIRED || emptyAlert)
            return m_plainFrom < m_plain.size() ? Opened::Plain : Opened::Ended;
        // A handshake message after the handshake: a renegotiation, or TLS 1.3 session tickets
        // and key updates. The handshake calls take it from m_in and the data goes on after it.
        if (status == SEC_I_RENEGOTIATE) return Opened::Renegotiate;
        if (m_plainFrom < m_plain.size()) return Opened::Plain;
    }
    return Opened::NeedMore;
}

size_t SchannelTls::takePlain(void *buf, size_t n) {
    const size_t have = m_plain.size() - m_plainFrom;
    const size_t take = have < n ? have : n;
    std::memcpy(buf, m_plain.data() + m_plainFrom, take);
    m_plainFrom += take;
    return take;
}

bool SchannelTls::writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err) {
    if (m_failed || m_peerEnded) {
        err.set(NetError::Kind::Closed, 0, "the TLS session has ended");
        return false;
    }
    if (m_handshaking && !finishHandshake(WinSocket::deadlineAfter(timeoutMs), "write timed out", err)) return false;
    const size_t recordMax = m_sizes.cbMaximumMessage;
    m_out.resize(m_sizes.cbHeader + recordMax + m_sizes.cbTrailer);
    const char *next = static_cast<const char *>(bytes);
    while (n > 0) {
        const size_t chunk = n < recordMax ? n : recordMax;
        std::memcpy(&m_out[m_sizes.cbHeader], next, chunk);
        SecBuffer buffers[4] = {{m_sizes.cbHeader, SECBUFFER_STREAM_HEADER, &m_out[0]},
                                {static_cast<unsigned long>(chunk), SECBUFFER_DATA, &m_out[m_sizes.cbHeader]},
                                {m_sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, &m_out[m_sizes.cbHeader + chunk]},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = EncryptMessage(&m_context, 0, &desc, 0);
        if (status != SEC_E_OK) {
            m_failed = true;
            setStatus(err, status == SEC_E_CONTEXT_EXPIRED ? NetError::Kind::Closed : NetError::Kind::Io,
                      "TLS record cannot be made", status);
            return false;
        }
        const size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        size_t sent = 0;
        if (!sendAll(m_out.data(), total, WinSocket::deadlineAfter(timeoutMs), &timeoutMs, "write timed out", sent,
                     err)) {
            // Part of a record on the wire cannot be taken back: the session is over.
            if (sent > 0 || err.kind != NetError::Kind::Timeout) m_failed = true;
            return false;
        }
        next += chunk;
        n -= chunk;
    }
    return true;
}

bool SchannelTls::readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err) {
    got = 0;
    if (m_plainFrom < m_plain.size() && n > 0) {
        got = takePlain(buf, n);
        return true;
    }
    if (m_peerEnded) return true;
    if (m_failed) {
        err.set(NetError::Kind::Closed, 0, "the TLS session has ended");
        return false;
    }
    if (n == 0) return true;
    const auto deadline = WinSocket::deadlineAfter(timeoutMs);
    for (;;) {
        if (m_handshaking && !finishHandshake(deadline, "read timed out", err)) return false;
        switch (decryptBuffered(err)) {
            case Opened::Plain:
                got = takePlain(buf, n);
                return true;
            case Opened::Ended:
                m_peerEnded = true;
                return true;
            case Opened::Renegotiate:
                m_handshaking = true;
                m_needInput = false;
                continue;
            case Opened::Failed:
                m_failed = true;
                return false;
            case Opened::NeedMore:
                break;
        }
        // Servers that end a response by closing often skip close_notify; that is the end of
        // the data too (the framing above notices a response cut short).
        if (m_transportEnded) {
            m_peerEnded = true;
            return true;
        }
        switch (receive(deadline, "read timed out", err)) {
            case Received::Bytes:
            case Received::Ended:
                continue;
            case Received::TimedOut:
                return false;
            case Received::Failed:
                m_failed = true;
                return false;
        }
    }
}

bool SchannelTls::peerStillOpen() {
    if (m_failed || m_peerEnded) return false;
    if (m_plainFrom < m_plain.size()) return true;
    NetError err;
    // Each round takes in what has arrived (a session ticket, close_notify, or the end of the
    // socket) without waiting; a record still incomplete leaves nothing to read yet.
    for (int round = 0; round < 8; ++round) {
        const auto now = Clock::now();
        if (m_handshaking && !finishHandshake(now, "", err)) return err.kind == NetError::Kind::Timeout;
        switch (decryptBuffered(err)) {
            case Opened::Plain:
                return true;
            case Opened::Ended:
                m_peerEnded = true;
                return false;
            case Opened::Renegotiate:
                m_handshaking = true;
                m_needInput = false;
                continue;
            case Opened::Failed:
                m_failed = true;
                return false;
            case Opened::NeedMore:
                break;
        }
        if (m_transportEnded) {
            m_peerEnded = true;
            return false;
        }
        switch (receive(now, "", err)) {
            case Received::Bytes:
            case Received::Ended:
                continue;
            case Received::TimedOut:
                return true;
            case Received::Failed:
                m_failed = true;
                return false;
        }
    }
    return true;
}

void SchannelTls::shutdown() {
    if (m_failed || m_shutDown || !m_haveContext || m_handshaking) return;
    m_shutDown = true;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control = {sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(&m_context, &controlDesc) != SEC_E_OK) return;
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
    unsigned long granted = 0;
    const SECURITY_STATUS status = InitializeSecurityContextW(&m_credentials, &m_context, m_target.data(),
                                                              m_requestFlags, 0, 0, nullptr, 0, &m_context, &outDesc,
                                                              &granted, nullptr);
    if ((status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) && out[0].pvBuffer && out[0].cbBuffer > 0) {
        int code = 0;
        WinSocket::sendSome(m_socket, out[0].pvBuffer, out[0].cbBuffer, code);  // one try, no waiting
    }
    freeToken(out[0]);
}

}  // namespace quorvel
