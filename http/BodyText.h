#pragma once

namespace quorvel {

class DataBuffer;
class LogBase;
class MimeHeader;
class StringBuffer;

// The text of a response body in UTF-8 (log context "convertResponseBodyToUtf8"). The charset
// is the Content-Type's charset parameter (on any media type); without one, an HTML page's
// own meta charset, or a UTF-8 preamble. A body that names no charset at all is decoded the
// way an XML file is (byte-order mark, then the declaration's encoding, else UTF-8). NUL bytes
// become spaces. Replaces text; false only when memory is exhausted.
bool convertResponseBodyToUtf8(const DataBuffer &body, const MimeHeader &responseHeader, StringBuffer &text,
                               LogBase &log);

}  // namespace quorvel
