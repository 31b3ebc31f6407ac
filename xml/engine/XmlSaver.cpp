#include "xml/engine/XmlSaver.h"

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/buffers/FileAccess.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

constexpr uint32_t kUtf8 = 65001;

bool isUtf8Name(const char *name) {
    static constexpr char kUtf8Name[] = "utf-8";
    const char *p = kUtf8Name;
    for (; *name && *p; ++name, ++p) {
        char c = *name >= 'A' && *name <= 'Z' ? static_cast<char>(*name + 0x20) : *name;
        if (c != *p) return false;
    }
    return *name == '\0' && *p == '\0';
}

}  // namespace

bool saveXmlBytes(const StringBuffer &utf8Xml, const char *declaredEncoding, const char *pathUtf8, LogBase &log) {
    StringBuffer path;
    if (!path.append(pathUtf8)) {
        log.logError("Out of memory");
        return false;
    }
    path.trim();
    const unsigned char *text = reinterpret_cast<const unsigned char *>(utf8Xml.getString());
    if (!declaredEncoding || isUtf8Name(declaredEncoding))
        return FileAccess::writeWholeFile(path.getString(), text, utf8Xml.getSize(), log);

    DataBuffer converted;
    EncodingConvert converter;
    if (!converter.convertToName(kUtf8, declaredEncoding, text, utf8Xml.getSize(), converted, log)) {
        log.logError("Failed to convert the XML to its declared encoding; nothing was written");
        log.logData("encoding", declaredEncoding);
        return false;
    }
    return FileAccess::writeWholeFile(path.getString(), converted.getData(), converted.getSize(), log);
}

}  // namespace quorvel
