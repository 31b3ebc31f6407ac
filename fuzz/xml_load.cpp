// XML loading from text and from bytes (every encoding path: byte-order marks, declared
// charsets, UTF-16 and UTF-32), then GetXml, then a second load of that output: what we write,
// we read back the same, so the second output equals the first (except where the serializer's
// rules drop text: see writtenLossily).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/LevelOrderWalk.h"
#include "xml/engine/XmlFileLoader.h"
#include "xml/object/ClsXml.h"

using namespace quorvel;

namespace {

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// True when the document holds a content that is written by a rule that loses text on reading:
// a CDATA content with "]]>" (written without its "]]>" and "<![CDATA[" markers), or a plain
// content with whitespace at an end (kept from character references such as "&#9;", but
// written as the bytes themselves, which a trimming load, or any load of an element with
// children, drops).
bool writtenLossily(TreeNode *root, bool trim) {
    LevelOrderWalk walk(root);
    while (TreeNode *node = walk.next()) {
        const char *content = node->getContent();
        const uint32_t n = node->getContentSize();
        if (node->getCdata() ? std::strstr(content, "]]>") != nullptr
                             : n > 0 && (trim || node->hasChildrenArray()) &&
                                   (isXmlSpace(content[0]) || isXmlSpace(content[n - 1])))
            return true;
    }
    return false;
}

// Loads the UTF-8 text and gives its XML; false when the load fails. lossy: written by a rule
// that drops text (see writtenLossily).
bool xmlOf(const std::string &text, bool trim, std::string &out, bool &lossy) {
    ClsXml xml;
    if (!xml.loadXmlUtf8(text.c_str(), trim)) return false;
    lossy = writtenLossily(xml.node(), trim);
    StringBuffer written;
    if (!xml.getXmlUtf8(written)) return false;
    out.assign(written.getString(), written.getSize());
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint8_t mode = input.byte();
    const bool trim = mode & 1;
    std::string utf8;
    if (mode & 2) {
        // As the bytes of a file: the encoding is detected and converted first.
        const std::string bytes = input.rest();
        DataBuffer buffer;
        if (!buffer.append(bytes.data(), static_cast<uint32_t>(bytes.size()))) return 0;
        LogNull log;
        convertToUtf8(buffer, log);
        utf8.assign(reinterpret_cast<const char *>(buffer.getData()), buffer.getSize());
        utf8.resize(std::strlen(utf8.c_str()));  // the loader reads up to a NUL
    } else {
        // As the text of a string argument.
        XString text;
        const std::string bytes = input.rest();
        text.setFromUtf8N(bytes.data(), static_cast<uint32_t>(bytes.size()));
        ClsXml xml;
        xml.LoadXml2(text, trim);
        XString written;
        xml.GetXml(written);
        utf8 = written.getUtf8();
    }
    std::string first, second;
    bool lossy = false, lossyAgain = false;
    if (!xmlOf(utf8, trim, first, lossy)) return 0;
    if (!xmlOf(first, trim, second, lossyAgain)) {
        std::fprintf(stderr, "output that does not load: %s\n", first.c_str());
        fuzz::broken("our own output loads");
    }
    if (!lossy && first != second) {
        size_t at = 0;
        while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
        const size_t from = at > 60 ? at - 60 : 0;
        std::fprintf(stderr, "first:  ...%s\nsecond: ...%s\n", first.substr(from, 120).c_str(),
                     second.substr(from, 120).c_str());
        if (const char *dump = std::getenv("QUORVEL_FUZZ_DUMP")) {
            if (FILE *file = std::fopen(dump, "wb")) {
                std::fprintf(file, "%s\n=====\n%s\n=====\n%s", utf8.c_str(), first.c_str(), second.c_str());
                std::fclose(file);
            }
        }
        fuzz::broken("our output, loaded again, is written the same");
    }
    return 0;
}
