// The text codecs and the packed content of an element. Fuzzed text goes to every decoder
// (Base64 and its modified alphabet, quoted-printable, Q payloads, encoded words, the decoders by
// name); fuzzed bytes are encoded by every encoder and decoded back, which gives the same bytes.
// Then an element's content is set to the fuzzed text, or to the fuzzed bytes in base64, and
// unpacked (inflate, decrypt, binary content with each flag); the packing members followed by
// their unpacking ones give back what was packed.
#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "codecs/ContentCoding.h"
#include "codecs/EncodingByName.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

using namespace quorvel;

namespace {

const char kPrefix[] = "kept";
constexpr uint32_t kPrefixSize = 4;

std::string bytesOf(const DataBuffer &b) {
    return std::string(reinterpret_cast<const char *>(b.getData()), b.getSize());
}
std::string textOf(const StringBuffer &s) { return std::string(s.getString(), s.getSize()); }

void report(const char *what, const std::string &in, const std::string &encoded, const std::string &out) {
    std::fprintf(stderr, "%s: %zu bytes, encoded %zu, decoded %zu\n", what, in.size(), encoded.size(), out.size());
}

// A decoder's output after a prefix: the prefix stays, and the decoded bytes are at most
// `bound` of them.
template <class Decode>
void decodeChecked(const char *what, const std::string &text, uint64_t bound, Decode decode) {
    DataBuffer out;
    out.append(kPrefix, kPrefixSize);
    const bool ok = decode(text.data(), static_cast<uint32_t>(text.size()), out);
    if (out.getSize() < kPrefixSize || bytesOf(out).compare(0, kPrefixSize, kPrefix) != 0) {
        std::fprintf(stderr, "%s\n", what);
        fuzz::broken("a decoder keeps what its output held");
    }
    if (!ok && out.getSize() != kPrefixSize) {
        std::fprintf(stderr, "%s\n", what);
        fuzz::broken("a failed decode leaves the output as it was");
    }
    if (out.getSize() - kPrefixSize > bound) {
        std::fprintf(stderr, "%s: %zu bytes decoded to %u\n", what, text.size(), out.getSize() - kPrefixSize);
        fuzz::broken("a decoder's output stays within what its text can carry");
    }
}

void roundTrip(const char *what, const std::string &bytes, const std::string &encoded, const std::string &decoded) {
    if (decoded != bytes) {
        report(what, bytes, encoded, decoded);
        fuzz::broken("encoded bytes decode to the same bytes");
    }
}

void decoders(const std::string &text) {
    const uint64_t n = text.size();
    decodeChecked("base64", text, n / 4 * 3 + 2, ContentCoding::decodeBase64);
    decodeChecked("modbase64", text, n / 4 * 3 + 2, ContentCoding::decodeModBase64);
    // A line break alone becomes CR LF.
    decodeChecked("qp", text, 2 * n, ContentCoding::decodeQuotedPrintable);
    decodeChecked("q", text, n, ContentCoding::decodeQ);
    decodeChecked("words", text, n, ContentCoding::decodeEncodedWords);
    for (const char *name : {"base64", "qp", "hex", "url", "modbase64", " Base-64 ", "unknown"}) {
        decodeChecked(name, text, 2 * n, [name](const char *p, uint32_t len, DataBuffer &out) {
            const uint32_t before = out.getSize();
            const bool ok = EncodingByName::decode(name, p, len, out);
            // The named decoders may refuse (unknown name, a non-hex digit) with nothing appended.
            if (!ok && out.getSize() != before) fuzz::broken("a refused named decode appends nothing");
            return ok || out.getSize() == before;
        });
    }
}

void encoders(const std::string &bytes, uint8_t settings, const std::string &charset) {
    const auto n = static_cast<uint32_t>(bytes.size());
    const char *p = bytes.data();

    ContentCoding coder;
    coder.setLineLength(settings & 0x80 ? settings & 0x7F : ContentCoding::kDefaultLineLength);
    coder.setQVariant(settings & 1);

    StringBuffer mime;
    if (!coder.encodeBase64(p, n, mime)) fuzz::broken("Base64 encodes");
    DataBuffer plain;
    ContentCoding::decodeBase64(mime.getString(), mime.getSize(), plain);
    roundTrip("base64 mime", bytes, textOf(mime), bytesOf(plain));

    StringBuffer line;
    ContentCoding::encodeBase64OneLine(p, n, line);
    plain.clear();
    ContentCoding::decodeBase64(line.getString(), line.getSize(), plain);
    roundTrip("base64 line", bytes, textOf(line), bytesOf(plain));

    // The modified alphabet: the one-line form with 62 and 63 written '-' and ']'.
    std::string modified = textOf(line);
    for (char &c : modified) c = c == '+' ? '-' : (c == '/' ? ']' : c);
    plain.clear();
    ContentCoding::decodeModBase64(modified.data(), static_cast<uint32_t>(modified.size()), plain);
    roundTrip("modbase64", bytes, modified, bytesOf(plain));

    StringBuffer urlSafe;
    ContentCoding::encodeBase64UrlSafe(p, n, urlSafe);
    std::string standard = textOf(urlSafe);
    for (char &c : standard) c = c == '-' ? '+' : (c == '_' ? '/' : c);
    if (standard != textOf(line)) fuzz::broken("the URL-safe form differs from the standard one only in 62 and 63");

    ContentCoding qp;
    qp.setQpLineLength(settings & 0x7F);
    StringBuffer printable;
    if (!qp.encodeQuotedPrintable(p, n, printable)) fuzz::broken("quoted-printable encodes");
    plain.clear();
    ContentCoding::decodeQuotedPrintable(printable.getString(), printable.getSize(), plain);
    roundTrip("quoted-printable", bytes, textOf(printable), bytesOf(plain));

    // One Q word and one B word; the white space between two words disappears.
    StringBuffer words;
    coder.encodeQ(p, n, "utf-8", words);
    plain.clear();
    ContentCoding::decodeEncodedWords(words.getString(), words.getSize(), plain);
    roundTrip("q word", bytes, textOf(words), bytesOf(plain));
    words.append(" \t ");
    ContentCoding::encodeB(p, n, "utf-8", words);
    plain.clear();
    ContentCoding::decodeEncodedWords(words.getString(), words.getSize(), plain);
    roundTrip("q and b words", bytes + bytes, textOf(words), bytesOf(plain));

    // A fuzzed charset label: written as given, so nothing is promised of the decoding.
    StringBuffer labelled;
    coder.encodeWord(p, n, charset.c_str(), labelled);
    coder.encodeQ(p, n, charset.c_str(), labelled);
    ContentCoding::encodeB(p, n, charset.c_str(), labelled);
    plain.clear();
    ContentCoding::decodeEncodedWords(labelled.getString(), labelled.getSize(), plain);

    // The encodings by name whose text decodes back by the same name.
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    for (const char *name : {"base64", "hex", "url", "url_rfc3986", "url_oauth", "url_rfc2396"}) {
        StringBuffer text;
        if (!EncodingByName::encode(name, u, n, text)) fuzz::broken("a known encoding name encodes");
        plain.clear();
        const char *decoder = std::string(name).rfind("url", 0) == 0 ? "url" : name;
        if (!EncodingByName::decode(decoder, text.getString(), text.getSize(), plain))
            fuzz::broken("our own encoding decodes by name");
        roundTrip(name, bytes, textOf(text), bytesOf(plain));
    }
    for (const char *name : {"qp", "qp-0", "qp-3", "qp-99999999999", "url_rfc1738", "asc", "nothing"}) {
        StringBuffer text;
        EncodingByName::encode(name, u, n, text);
    }
}

std::string contentOf(ClsXml &xml) {
    XString content;
    xml.get_Content(content);
    return textOf(content.getUtf8Sb());
}

// The unpacking members on content the fuzzer chose; each fails or succeeds, and the node stays
// usable.
void unpack(const std::string &content, const XString &password, uint8_t flags) {
    XString text;
    text.setFromUtf8N(content.data(), static_cast<uint32_t>(content.size()));
    for (int member = 0; member < 6; ++member) {
        ClsXml xml;
        if (!xml.loadXmlUtf8("<root><a>1</a></root>", true)) fuzz::broken("the fixed document loads");
        xml.put_Content(text);
        DataBuffer out;
        switch (member) {
        case 0: xml.UnzipContent(); break;
        case 1: xml.UnzipTree(); break;
        case 2: xml.DecryptContent(password); break;
        case 3: xml.GetBinaryContent(flags & 1, flags & 2, password, out); break;
        case 4: xml.GetBinaryContent(true, true, password, out); break;
        case 5: xml.DecodeContent(out); break;
        }
        XString written;
        xml.GetXml(written);
    }
}

// The packing members and their unpacking ones give back the content or the bytes.
void packAndUnpack(const std::string &bytes, const XString &password, uint8_t flags) {
    XString text;
    text.setFromUtf8N(bytes.data(), static_cast<uint32_t>(bytes.size()));
    {
        ClsXml xml;
        xml.loadXmlUtf8("<root/>", true);
        xml.put_Content(text);
        const std::string before = contentOf(xml);
        if (!xml.ZipContent() || !xml.UnzipContent()) fuzz::broken("zipped content unzips");
        if (contentOf(xml) != before) fuzz::broken("content zipped and unzipped is the same");
        if (!xml.EncryptContent(password) || !xml.DecryptContent(password)) fuzz::broken("encrypted content decrypts");
        if (contentOf(xml) != before) fuzz::broken("content encrypted and decrypted is the same");
    }
    {
        ClsXml xml;
        xml.loadXmlUtf8("<root/>", true);
        DataBuffer data, out;
        data.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
        const bool zip = flags & 1, encrypt = flags & 2;
        if (!xml.SetBinaryContent(data, zip, encrypt, password)) fuzz::broken("binary content is stored");
        if (!xml.GetBinaryContent(zip, encrypt, password, out)) fuzz::broken("stored binary content is read");
        roundTrip("binary content", bytes, contentOf(xml), bytesOf(out));
        if (!data.isEmpty()) {
            if (!xml.QEncodeContent(XString(), data)) fuzz::broken("a Q word is stored");
            out.clear();
            xml.DecodeContent(out);
            roundTrip("Q content", bytes, contentOf(xml), bytesOf(out));
            if (!xml.BEncodeContent(XString(), data)) fuzz::broken("a B word is stored");
            out.clear();
            xml.DecodeContent(out);
            roundTrip("B content", bytes, contentOf(xml), bytesOf(out));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint8_t mode = input.byte();
    const uint8_t settings = input.byte();
    const std::string label = input.part();
    const std::string body = input.rest();
    XString password;
    password.setFromUtf8N(label.data(), static_cast<uint32_t>(label.size()));

    switch (mode % 4) {
    case 0:
        decoders(body);
        break;
    case 1:
        encoders(body, settings, label);
        break;
    case 2: {
        // The text as content, and the bytes as base64 content, so that the inflater and the
        // cipher see the fuzzed bytes themselves.
        unpack(body, password, settings);
        StringBuffer stored;
        ContentCoding().encodeBase64(body.data(), static_cast<uint32_t>(body.size()), stored);
        unpack(textOf(stored), password, settings);
        break;
    }
    default:
        packAndUnpack(body, password, settings);
        break;
    }
    return 0;
}
