// Path commands and the wildcard rule: the command (or pattern) and the text are both fuzzed;
// commands run on a fixed document and on one built from the fuzzed text.
#include <string>

#include "FuzzInput.h"
#include "foundation/text/XString.h"
#include "xml/engine/Wildcard.h"
#include "xml/object/ClsXml.h"

using namespace quorvel;

namespace {

const char *const kDocument =
    "<catalog><book id='bk101' lang='en'><title>Jane Eyre</title><price>12.50</price></book>"
    "<book id='bk102' lang='fr'><title>Les Mis\xc3\xa9rables</title><price>18.00</price>"
    "<note><p>a</p><p>b</p></note></book><empty/></catalog>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint8_t mode = input.byte();
    const std::string pattern = input.part();
    const std::string text = input.rest();

    wildcardMatch(text.data(), static_cast<uint32_t>(text.size()), pattern.c_str(), mode & 1);

    XString command, result;
    command.setFromUtf8N(pattern.data(), static_cast<uint32_t>(pattern.size()));
    ClsXml xml;
    if (mode & 2) {
        XString document;
        document.setFromUtf8N(text.data(), static_cast<uint32_t>(text.size()));
        if (!xml.LoadXml(document)) return 0;
    } else if (!xml.loadXmlUtf8(kDocument, true)) {
        fuzz::broken("the fixed document loads");
    }
    // A failed walk never moves the object.
    XString before, after;
    xml.get_Tag(before);
    const bool ok = xml.QuorvelPath(command, result);
    xml.get_Tag(after);
    if (!ok && !before.equalsX(after)) fuzz::broken("a failed path command leaves the object where it was");
    return 0;
}
