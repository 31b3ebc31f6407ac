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
// become spaces. Replaces text; false only when memory is exhausted. A body whose bytes are
// already the text (UTF-8 without NULs) is handed to the text whole and left empty, so a large
// download is not copied a second time; otherwise the body stays as received. freeOfNul says
// the caller already knows the body holds no NUL byte, which spares reading it all again.
bool convertResponseBodyToUtf8(DataBuffer &body, const MimeHeader &responseHeader, StringBuffer &text,
                               LogBase &log, bool freeOfNul = false);

}  // namespace quorvel
