// A first tour of the foundation: strings, byte buffers, files, codecs and the log.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/DataBuffer.h"
#include "foundation/ExtPtrArray.h"
#include "foundation/LogNull.h"
#include "codecs/ContentCoding.h"
#include "foundation/ClsBase.h"
#include "foundation/LogContextExitor.h"
#include "foundation/MethodFrame.h"
#include "foundation/QuorvelCritSec.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"

using namespace quorvel;

namespace {

// A small object in the style of the public objects: each method runs inside a MethodFrame,
// so its log describes the last call and can be read back as text or XML.
class FileTour : public ClsBase, public QuorvelCritSec {
public:
    // Copies a file, upper-casing its text on the way, in nested log contexts.
    bool CopyUpper(const char *from, const char *to) {
        MethodFrame frame(*this, this, "CopyUpper");
        LogBase &log = frame.log();
        DataBuffer data;
        if (!data.loadFile(from, log)) return frame.finish(false);
        {
            LogContextExitor transform(log, "transform");
            log.logDataUint32("numBytes", data.getSize());
            StringBuffer text;
            text.appendData(data);
            text.toUpperCase();
            data.clear();
            data.appendSb(text);
            log.logInfo("Upper-cased the text.");
        }
        return frame.finish(data.saveToFile(to, log));
    }
};

void heading(const char *title) { std::printf("\n== %s\n", title); }

void showStrings() {
    heading("StringBuffer: short texts stay inline, longer ones move to the heap");
    StringBuffer sb("Quorvel");
    std::printf("  \"%s\": %u bytes, inline: %s\n", sb.getString(), sb.getSize(), sb.isInline() ? "yes" : "no");
    sb.appendCharN('!', 80);
    std::printf("  after 80 more bytes: %u bytes, inline: %s, capacity %u\n", sb.getSize(),
                sb.isInline() ? "yes" : "no", sb.getCapacity());

    heading("Splitting a line, honouring quotes");
    StringBuffer line("title,\"Smith, Jane\",,2014");
    ExtPtrArray tokens(true);
    line.split(tokens, ',', true, false);
    for (int32_t i = 0; i < tokens.getSize(); ++i)
        std::printf("  token %d: [%s]\n", i, static_cast<StringBuffer *>(tokens.elementAt(i))->getString());

    heading("Entities");
    StringBuffer xml("if (a < b && c > \"d\") it's fine");
    xml.encodeXmlEntities();
    std::printf("  XML-encoded: %s\n", xml.getString());
    xml.decodeXmlEntities();
    std::printf("  decoded again: %s\n", xml.getString());
    StringBuffer html("caf&eacute; &amp;lt;tag&amp;gt; costs 5&#x80; &hellip;");
    html.decodeHtmlEntities();
    std::printf("  HTML-decoded: %s\n", html.getString());

    heading("Numbers and hex");
    StringBuffer number("-0042 apples");
    std::printf("  \"%s\" parses as %d\n", number.getString(), number.intValue());
    const unsigned char bytes[] = {0x51, 0x75, 0x6F, 0x72, 0x76, 0x65, 0x6C, 0x00, 0xFF, 0x10};
    StringBuffer hex;
    hex.appendHex(bytes, sizeof bytes);
    std::printf("  hex: %s\n", hex.getString());
}

void showXString() {
    heading("XString: one text, converted lazily between UTF-8, UTF-16 and ANSI");
    XString text;
    text.setFromUtf8("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80");
    const char16_t *units = text.getUtf16();
    std::printf("  UTF-8 \"%s\" has %u UTF-16 units:", text.getUtf8(), text.getNumChars());
    for (const char16_t *u = units; *u; ++u) std::printf(" %04X", static_cast<unsigned>(*u));
    std::printf("\n");
    XString back;
    back.setFromUtf16(units);
    std::printf("  back to UTF-8 from UTF-16: \"%s\" (%s)\n", back.getUtf8(),
                back.equalsUtf8(text.getUtf8()) ? "identical" : "different");
    DataBuffer latin;
    bool exact = text.getConverted(1252, latin);
    std::printf("  in windows-1252: %u bytes, every character kept: %s\n", latin.getSize(), exact ? "yes" : "no");
}

void showCodecs() {
    heading("Text codecs: Base64, quoted-printable and encoded words");
    const char *sample = "Caf\xC3\xA9 = coffee";
    uint32_t n = static_cast<uint32_t>(std::strlen(sample));
    StringBuffer base64, qp, word;
    ContentCoding coding;
    ContentCoding::encodeBase64OneLine(sample, n, base64);
    coding.encodeQuotedPrintable(sample, n, qp);
    coding.encodeQ(sample, n, "utf-8", word);
    std::printf("  base64: %s\n  quoted-printable: %s  encoded word: %s\n", base64.getString(), qp.getString(),
                word.getString());
    DataBuffer decoded;
    ContentCoding::decodeEncodedWords(word.getString(), word.getSize(), decoded);
    std::printf("  decoded again: %.*s\n", static_cast<int>(decoded.getSize()),
                reinterpret_cast<const char *>(decoded.getData()));
    DataBuffer bytes;
    bytes.append(sample, n);
    StringBuffer hex;
    bytes.encodeAs("hex", hex);
    std::printf("  by name \"hex\": %s\n", hex.getString());
}

void showDataBuffer() {
    heading("DataBuffer: stepped growth and byte edits");
    DataBuffer data;
    data.appendByte(0x41);
    std::printf("  one byte appended: capacity %u\n", data.getCapacity());
    DataBuffer block;
    block.append("AB", 2);
    std::printf("  two bytes as a block: capacity %u\n", block.getCapacity());
    data.takeData(block);
    data.appendUint16Le(0x4443);
    data.swapBytes16();
    std::printf("  after swapping 16-bit units: %.*s\n", static_cast<int>(data.getSize()),
                reinterpret_cast<const char *>(data.getData()));
    data.appendPadding(0, 8);
    std::printf("  padded to 8 bytes (PKCS#7): last byte %u, size %u\n", data.lastByte(), data.getSize());
}

void showFiles() {
    heading("Files: write, append, read back, text with a byte-order mark");
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvel_demo";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string path = (dir / "notes.txt").string();

    LogNull log;
    DataBuffer content;
    content.append("first line\n", 11);
    std::printf("  save %s: %s\n", path.c_str(), content.saveToFile(path.c_str(), log) ? "ok" : "failed");
    DataBuffer more;
    more.append("second line\n", 12);
    std::printf("  append: %s\n", more.appendToFile(path.c_str(), log) ? "ok" : "failed");
    DataBuffer loaded;
    loaded.loadFile(path.c_str(), log);
    std::printf("  loaded %u bytes:\n%.*s", loaded.getSize(), static_cast<int>(loaded.getSize()),
                reinterpret_cast<const char *>(loaded.getData()));

    std::string utf16Path = (dir / "utf16.txt").string();
    DataBuffer utf16;
    const unsigned char bom[] = {0xFF, 0xFE};
    utf16.append(bom, 2);
    XString word;
    word.setFromUtf8("na\xC3\xAFve");
    DataBuffer units;
    word.getUtf16Le(units, false);
    utf16.append(units);
    utf16.saveToFile(utf16Path.c_str(), log);
    StringBuffer asText;
    asText.loadFileText(utf16Path.c_str(), log);
    std::printf("  UTF-16LE file with BOM read as UTF-8 text: \"%s\" (%u bytes)\n", asText.getString(),
                asText.getSize());


    heading("The log of a method call, as text and as XML");
    FileTour tour;
    std::string copyPath = (dir / "NOTES.TXT").string();
    bool ok = tour.CopyUpper(path.c_str(), copyPath.c_str());
    XString text;
    tour.get_LastErrorText(text);
    std::printf("  CopyUpper: %s\n%s", ok ? "ok" : "failed", text.getUtf8());
    ok = tour.CopyUpper((dir / "no-such-file.xml").string().c_str(), copyPath.c_str());
    tour.get_LastErrorXml(text);
    std::printf("  CopyUpper of a missing file: %s\n%s", ok ? "ok" : "failed", text.getUtf8());
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

int main() {
    std::printf("Quorvel XML foundation tour\n");
    showStrings();
    showXString();
    showDataBuffer();
    showCodecs();
    showFiles();
    return 0;
}
