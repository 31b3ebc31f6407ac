// Charset conversion: a code page picked by the first byte from every code page the system
// names, the rest of the input converted from it to UTF-8 and back, to UTF-16 and back, and to
// a second picked code page; the fuzzed text also goes through the charset-name lookups and the
// conversions by name. Valid UTF-8 taken to any Unicode form and back is the same bytes, and no
// conversion writes more than its input could ever give.
#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"

using namespace quorvel;

namespace {

// The most output bytes one input byte can give in any conversion (an ISO-2022 escape around
// each character, UTF-7 shifts, UTF-32 units), with some room for a final escape.
constexpr uint64_t kMaxGrowth = 8;
constexpr uint64_t kSlack = 16;

uint32_t codePageOf(uint8_t selector) {
    return CharsetNames::codePageAt(selector % CharsetNames::codePageCount());
}

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const std::string &s) {
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
        if (cp >= 0xD800 && cp <= 0xDFFF) return false;
        i += len;
    }
    return true;
}

// Converts and checks that the output grew by no more than the input could give.
bool convertChecked(uint32_t from, uint32_t to, const std::string &bytes, DataBuffer &out) {
    LogNull log;
    EncodingConvert convert;
    const uint32_t before = out.getSize();
    const bool ok = convert.convert(from, to, reinterpret_cast<const unsigned char *>(bytes.data()),
                                    static_cast<uint32_t>(bytes.size()), out, log);
    if (out.getSize() < before) fuzz::broken("a conversion never shortens what its output held");
    if (uint64_t{out.getSize() - before} > uint64_t{bytes.size()} * kMaxGrowth + kSlack) {
        std::fprintf(stderr, "%u -> %u: %zu bytes gave %u\n", from, to, bytes.size(), out.getSize() - before);
        fuzz::broken("a conversion's output stays within the growth its input allows");
    }
    return ok;
}

std::string bytesOf(const DataBuffer &buffer) {
    return std::string(reinterpret_cast<const char *>(buffer.getData()), buffer.getSize());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint32_t codePage = codePageOf(input.byte());
    const uint8_t mode = input.byte();
    const uint32_t second = codePageOf(input.byte());

    if (mode & 0x80) {
        // A charset name, then the bytes converted by that name both ways.
        const std::string name = input.part();
        const std::string bytes = input.rest();
        const uint32_t named = CharsetNames::codePageForName(name.c_str());
        if (CharsetNames::isKnownName(name.c_str()) != (named != 0)) fuzz::broken("a known name has a code page");
        if (const char *canonical = CharsetNames::canonicalName(named)) {
            if (CharsetNames::codePageForName(canonical) == 0) fuzz::broken("a canonical name is a known name");
        }
        LogNull log;
        EncodingConvert convert;
        DataBuffer byName, byNumber;
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
        const auto n = static_cast<uint32_t>(bytes.size());
        const bool okName = convert.convertFromName(name.c_str(), CodePage::kUtf8, p, n, byName, log);
        if (named == 0) {
            if (okName || byName.getSize() != 0) fuzz::broken("an unknown name converts nothing");
        } else {
            const bool okNumber = convertChecked(named, CodePage::kUtf8, bytes, byNumber);
            if (okName != okNumber || bytesOf(byName) != bytesOf(byNumber))
                fuzz::broken("converting by name is converting by its code page");
        }
        DataBuffer toName;
        convert.convertToName(CodePage::kUtf8, name.c_str(), p, n, toName, log);
        return 0;
    }

    const std::string bytes = input.rest();

    // To UTF-8 and back.
    DataBuffer utf8;
    convertChecked(codePage, CodePage::kUtf8, bytes, utf8);
    DataBuffer back;
    convertChecked(CodePage::kUtf8, codePage, bytesOf(utf8), back);

    // To UTF-16LE and back.
    DataBuffer utf16;
    convertChecked(codePage, CodePage::kUtf16Le, bytes, utf16);
    // (Equal code pages copy the bytes as they are, an odd one included.)
    if (codePage != CodePage::kUtf16Le && utf16.getSize() % 2 != 0) fuzz::broken("UTF-16 output is whole units");
    DataBuffer back16;
    convertChecked(CodePage::kUtf16Le, codePage, bytesOf(utf16), back16);

    // Straight to another code page, appended to what the output already holds.
    DataBuffer other;
    if (mode & 1) other.append("prefix", 6);
    const uint32_t held = other.getSize();
    const bool ok = convertChecked(codePage, second, bytes, other);
    if (other.getSize() < held || std::string(reinterpret_cast<const char *>(other.getData()), held) !=
                                      std::string("prefix", held))
        fuzz::broken("a conversion keeps what the output held");
    (void)ok;

    // Valid UTF-8 through each Unicode form comes back byte for byte. A leading U+FEFF or U+FFFE
    // reads as a byte-order mark, so such texts are left out.
    if (isValidUtf8(bytes) && bytes.compare(0, 3, "\xEF\xBB\xBF") != 0 && bytes.compare(0, 3, "\xEF\xBF\xBE") != 0) {
        for (const uint32_t form : {CodePage::kUtf16Le, CodePage::kUtf16Be, CodePage::kUtf32Le, CodePage::kUtf32Be,
                                    CodePage::kUtf7}) {
            DataBuffer wide, narrow;
            if (!convertChecked(CodePage::kUtf8, form, bytes, wide))
                fuzz::broken("valid UTF-8 converts to a Unicode form exactly");
            if (!convertChecked(form, CodePage::kUtf8, bytesOf(wide), narrow))
                fuzz::broken("a Unicode form of valid UTF-8 converts back exactly");
            if (bytesOf(narrow) != bytes) {
                std::fprintf(stderr, "through %u\n", form);
                fuzz::broken("valid UTF-8 through a Unicode form is the same bytes");
            }
        }
    }
    return 0;
}
