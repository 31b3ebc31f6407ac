// A first tour of the foundation: strings, byte buffers and files.
#include <cstdio>
#include <filesystem>
#include <string>

#include "foundation/DataBuffer.h"
#include "foundation/ExtPtrArray.h"
#include "foundation/LogBase.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"

using namespace quorvel;

namespace {

// Prints every log entry as it is made, indented by context depth.
class PrintLog : public LogBase {
public:
    bool getXml(StringBuffer &) override { return true; }
    bool getHtml(StringBuffer &) override { return true; }
    bool getText(StringBuffer &) override { return true; }
    bool saveXml(bool, const XString &) override { return true; }
    bool logError(const char *text) override { return line("error", text); }
    bool logInfo(const char *text) override { return line("info", text); }
    bool logRaw(const char *text) override { return line("raw", text); }
    void clearLog() override { m_depth = 0; }
    bool enterContext(const char *name, bool) override {
        line("context", name);
        ++m_depth;
        return true;
    }
    bool leaveContext() override {
        if (m_depth > 0) --m_depth;
        return true;
    }
    bool logData(const char *tag, const char *value) override {
        std::string text = std::string(tag) + " = " + (value ? value : "(NULL)");
        return line("data", text.c_str());
    }

private:
    bool line(const char *kind, const char *text) {
        std::printf("      %*s[%s] %s\n", 2 * m_depth, "", kind, text);
        return true;
    }
    int m_depth = 0;
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

    PrintLog log;
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

    std::printf("  reading a missing file logs why it failed:\n");
    DataBuffer missing;
    bool ok = missing.loadFile((dir / "no-such-file.xml").string().c_str(), log);
    std::printf("  result: %s\n", ok ? "ok" : "failed");
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

int main() {
    std::printf("Quorvel XML foundation tour\n");
    showStrings();
    showXString();
    showDataBuffer();
    showFiles();
    return 0;
}
