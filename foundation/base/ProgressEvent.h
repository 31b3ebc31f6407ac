#pragma once
#include <cstdint>

namespace quorvel {

// Callbacks that long-running operations receive. The first two serve every long operation;
// the others follow an HTTP download from connecting to the last byte of the body. Every
// default does nothing, and every callback that can ask to abort answers no. Texts are UTF-8.
class ProgressEvent {
public:
    virtual ~ProgressEvent() = default;

    // ---- every long operation
    virtual void percentDone(uint32_t percent, bool &abort) {
        (void)percent;
        abort = false;
    }
    virtual void abortCheck(bool &abort) { abort = false; }

    // ---- one download, from its start to its outcome
    virtual void downloadBegin(const char *url) { (void)url; }
    virtual void downloadEnd(const char *url, bool success) {
        (void)url;
        (void)success;
    }

    // ---- connection
    virtual void dnsLookupBegin(const char *host) { (void)host; }
    virtual void dnsLookupEnd(const char *host, const char *address) {
        (void)host;
        (void)address;
    }
    virtual void connectBegin(const char *host, int32_t port) {
        (void)host;
        (void)port;
    }
    virtual void connectEnd(const char *host, int32_t port, bool connected) {
        (void)host;
        (void)port;
        (void)connected;
    }
    virtual void connectionReused(const char *host, int32_t port) {
        (void)host;
        (void)port;
    }
    virtual void connectionClosed(const char *host, int32_t port) {
        (void)host;
        (void)port;
    }
    virtual void proxyConnectBegin(const char *proxyHost, int32_t port) {
        (void)proxyHost;
        (void)port;
    }
    virtual void proxyConnectEnd(const char *proxyHost, int32_t port, bool connected) {
        (void)proxyHost;
        (void)port;
        (void)connected;
    }
    virtual void tlsHandshakeBegin(const char *host) { (void)host; }
    virtual void tlsHandshakeEnd(const char *host, bool success) {
        (void)host;
        (void)success;
    }

    // ---- request
    virtual void requestBegin(const char *verb, const char *url) {
        (void)verb;
        (void)url;
    }
    virtual void requestHeaderSent(const char *headerText) { (void)headerText; }
    virtual void sendBegin(uint64_t numBytes) { (void)numBytes; }
    virtual void sendProgress(uint64_t bytesSent, uint64_t totalBytes, bool &abort) {
        (void)bytesSent;
        (void)totalBytes;
        abort = false;
    }
    virtual void sendEnd(uint64_t bytesSent) { (void)bytesSent; }

    // ---- response; an expected size of -1 means the length is not known in advance
    virtual void responseStatus(int32_t statusCode, const char *statusText) {
        (void)statusCode;
        (void)statusText;
    }
    virtual void responseHeader(const char *headerText) { (void)headerText; }
    virtual void responseContentLength(int64_t contentLength) { (void)contentLength; }
    virtual void receiveBegin(int64_t expectedBytes) { (void)expectedBytes; }
    virtual void receiveProgress(uint64_t bytesReceived, int64_t expectedBytes, bool &abort) {
        (void)bytesReceived;
        (void)expectedBytes;
        abort = false;
    }
    virtual void chunkReceived(uint32_t chunkSize) { (void)chunkSize; }
    virtual void binaryDataReceived(const unsigned char *bytes, uint32_t numBytes) {
        (void)bytes;
        (void)numBytes;
    }
    virtual void textDataReceived(const char *text) { (void)text; }
    virtual void receiveEnd(uint64_t bytesReceived) { (void)bytesReceived; }
    virtual void decompressBegin(const char *contentEncoding) { (void)contentEncoding; }
    virtual void decompressEnd(bool success) { (void)success; }

    // ---- flow of the exchange
    // A redirect about to be followed; setting abort vetoes it.
    virtual void redirect(const char *fromUrl, const char *toUrl, int32_t statusCode, bool &abort) {
        (void)fromUrl;
        (void)toUrl;
        (void)statusCode;
        abort = false;
    }
    virtual void authenticationRequired(const char *scheme, int32_t statusCode) {
        (void)scheme;
        (void)statusCode;
    }
    virtual void retryAfterLostConnection(const char *url) { (void)url; }
    // Called while waiting on the network, so a caller may give up on a slow server.
    virtual void idleWait(uint32_t waitedMs, bool &abort) {
        (void)waitedMs;
        abort = false;
    }
    virtual void requestEnd(const char *verb, const char *url, int32_t statusCode, bool success) {
        (void)verb;
        (void)url;
        (void)statusCode;
        (void)success;
    }
};

}  // namespace quorvel
