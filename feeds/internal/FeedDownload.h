#pragma once
// The download both feed objects share.

namespace quorvel {

class ClsXml;
class LogBase;
class ProgressEvent;
class XString;

// One GET of the url by a client made for this call alone: browser-like default headers, the
// HTTP cache off for reading and writing, and bodies (raw and inflated) capped at 256 MiB.
// With logSettings, the url and the client's timeouts in seconds are logged first. text gets
// the body as UTF-8; the result is the client's. The client is gone when this returns.
bool downloadFeedText(const XString &url, bool logSettings, XString &text, ProgressEvent *progress, LogBase &log);

// Loads a downloaded body into xml (autoTrim on). A body is only ever parsed as XML text: one
// without '<' holds no element and is not taken as a file name to load.
void loadDownloadedText(ClsXml &xml, const XString &text, LogBase &log);

}  // namespace quorvel
