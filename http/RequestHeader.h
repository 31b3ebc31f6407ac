#pragma once

namespace quorvel {

class HttpControl;
class LogBase;
class StringBuffer;
class UrlObject;

// The request header of one request, CR LF after every line: the start line (the path with
// spaces as "%20", the query after '?' or '&', never the fragment, then " HTTP/1.1", logged as
// "startLine"), the request fields in order, Accept-Encoding, Host (with ":port" unless the
// port is 80 or 443; an IPv6 host in brackets), and the empty line. False, with the reason
// logged, when a part of the URL holds a control character that would break the header.
bool buildRequestHeader(const char *verb, const UrlObject &url, const HttpControl &control, StringBuffer &out,
                        LogBase &log);

}  // namespace quorvel
