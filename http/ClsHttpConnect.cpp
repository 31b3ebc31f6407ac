// ClsHttp: opening a pooled connection, and closing it when the server asks.
#include <string>

#include "foundation/base/ProgressEvent.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/ClsHttp.h"
#include "http/HttpConnection.h"
#include "http/HttpStreamFactory.h"
#include "http/internal/AsciiText.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

using Kind = NetError::Kind;

// Why a connection could not be opened, in words for the log.
const char *connectFailReason(Kind kind) {
    switch (kind) {
        case Kind::DnsFailed: return "The host name could not be resolved.";
        case Kind::ConnectFailed: return "The server refused the connection, could not be reached, or did not answer in time.";
        case Kind::Timeout: return "The server did not answer in time.";
        case Kind::Closed: return "The server closed the connection.";
        case Kind::TlsHandshake: return "The TLS handshake failed.";
        case Kind::CertUntrusted: return "The server certificate is not trusted (unknown issuer or self-signed).";
        case Kind::CertExpired: return "The server certificate has expired or is not yet valid.";
        case Kind::CertNameMismatch: return "The server certificate does not match the host name.";
        case Kind::CertRevoked: return "The server certificate has been revoked.";
        case Kind::CertOther: return "The server certificate was refused.";
        case Kind::Io: return "A socket or TLS error occurred.";
        case Kind::None: break;
    }
    return "The connection failed.";
}

// The host as the network layer wants it: lower case, without scheme text or slashes, without a
// port (an IPv6 literal keeps its colons), trimmed.
void prepareHostName(const StringBuffer &host, StringBuffer &out) {
    for (uint32_t i = 0; i < host.getSize(); ++i) out.appendChar(http_text::asciiLower(host.charAt(i)));
    out.replaceAll("http://", "");
    out.replaceAll("https://", "");
    out.removeCharOccurrences('/');
    if (out.countChar(':') < 2) out.chopAtFirstChar(':');
    out.trim();
}

}  // namespace

bool ClsHttp::openHttpConnection(HttpConnection &connection, ProgressEvent *sink, LogBase &log) {
    LogContextExitor context(log, "openHttpConnection");
    connection.openedNow = false;
    if (connection.isConnected()) {
        log.logInfo("Using existing connection.");
        if (sink) sink->connectionReused(connection.host().getString(), connection.port());
        return true;
    }
    connection.close();

    StringBuffer host;
    prepareHostName(connection.host(), host);
    const int32_t port = connection.port();
    const bool ssl = connection.tls();
    if (ssl && port == 80)
        log.logInfo("SSL on port 80 is probably incorrect!  Normally HTTP on port 80 is non-SSL and port 443 is for SSL.");
    if (!ssl && port == 443)
        log.logInfo("No SSL on port 443 is probably incorrect!  Normally HTTP on port 80 is non-SSL and port 443 is for SSL.");
    log.logInfo("Opening connection directly to HTTP server.");
    log.logDataSb("httpHostname", host);
    log.logDataInt("httpPort", port);
    log.logDataInt("ssl", ssl ? 1 : 0);
    if (port < 1 || port > 65535) {
        log.logError("Invalid port number.");
        return false;
    }

    NetConnectOptions options;
    options.connectTimeoutMs = m_control.readTimeoutMs;
    options.tls = ssl;
    NetError err;
    HttpStreamFactory &factory = m_factory ? *m_factory : HttpStreamFactory::network();
    if (sink) sink->connectBegin(host.getString(), port);
    const uint32_t start = SystemInfo::tickCountMs();
    std::unique_ptr<ByteStream> stream = factory.connect(host.getString(), static_cast<uint16_t>(port), options, err);
    if (sink) sink->connectEnd(host.getString(), port, stream != nullptr);
    if (!stream) {
        log.logError("Failed to connect to the HTTP server.");
        log.logData("connectFailReason", connectFailReason(err.kind));
        if (!err.text.empty()) log.logData("connectError", err.text.c_str());
        if (err.code != 0) log.logDataInt64("connectErrorCode", err.code);
        if (err.kind == Kind::DnsFailed) log.logError("DNS failed.");
        return false;
    }
    connection.attachStream(std::move(stream));
    log.logDataUint32("connectElapsedMs", SystemInfo::tickCountMs() - start);
    connection.openedNow = true;
    log.logInfo("HTTP connection succeeded.");
    return true;
}

void ClsHttp::checkCloseConnection(HttpConnection &connection, ProgressEvent *sink, LogBase &log) {
    StringBuffer value;
    m_result.responseHeader().getField("connection", value);
    value.trim();
    if (!value.equalsIgnoreCase("close")) return;
    log.logInfo("Response includes connection:close header (or proxy-connection:close header)");
    connection.close();
    if (sink) sink->connectionClosed(connection.host().getString(), connection.port());
}

}  // namespace quorvel
