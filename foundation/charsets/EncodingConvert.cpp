#include "foundation/charsets/EncodingConvert.h"

#include <cstdint>

#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/Iso2022Jp.h"
#include "foundation/charsets/Iso2022Kr.h"
#include "foundation/charsets/MacArabic.h"
#include "foundation/charsets/Utf7Codec.h"
#include "foundation/charsets/Utf8Codec.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

bool isUtf16(uint32_t cp) { return cp == CodePage::kUtf16Le || cp == CodePage::kUtf16Be; }
bool isUtf32(uint32_t cp) { return cp == CodePage::kUtf32Le || cp == CodePage::kUtf32Be; }

constexpr uint32_t kShiftJis = 932;
constexpr uint32_t kKorean = 949;
constexpr uint32_t kMacArabic = 10004;
constexpr uint32_t kIso2022Kr = 50225;
constexpr uint32_t kArabicLatin = 28596;  // iso-8859-6
bool isIso2022Jp(uint32_t cp) { return cp >= 50220 && cp <= 50222; }

// iso-8859-6 has only the ASCII digits: the Arabic-Indic and extended Arabic-Indic digits of
// UTF-16LE text are written as those.
void foldArabicDigits(unsigned char *p, uint32_t n) {
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        const uint32_t u = uint32_t{p[i + 1]} << 8 | p[i];
        if ((u >= 0x0660 && u <= 0x0669) || (u >= 0x06F0 && u <= 0x06F9)) {
            p[i] = static_cast<unsigned char>('0' + (u & 0x0F));
            p[i + 1] = 0;
        }
    }
}

// Reserves room up front for about `extra` more bytes. A failed reservation is not an error:
// the appends grow the buffer themselves, or fail and report it.
void reserveFor(DataBuffer &out, uint64_t extra) {
    const uint64_t want = uint64_t{out.getSize()} + extra;
    if (want <= 0xFFFFFFFFu && want > out.getCapacity()) out.ensureCapacity(static_cast<uint32_t>(want));
}

bool overlaps(const unsigned char *bytes, uint32_t n, const DataBuffer &out) {
    const auto begin = reinterpret_cast<uintptr_t>(out.getData());
    const auto at = reinterpret_cast<uintptr_t>(bytes);
    return begin != 0 && at + n > begin && at < begin + out.getCapacity();
}

void swapUnits16(unsigned char *p, uint32_t n) {
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        const unsigned char t = p[i];
        p[i] = p[i + 1];
        p[i + 1] = t;
    }
}

// Where the byte-order mark of a Unicode source is, the code page it stands for and its length.
uint32_t takeByteOrderMark(uint32_t &from, const unsigned char *p, uint32_t n) {
    if (from == CodePage::kUtf8) {
        if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return 3;
    } else if (isUtf16(from) && n >= 2) {
        if (p[0] == 0xFE && p[1] == 0xFF) {
            from = CodePage::kUtf16Be;
            return 2;
        }
        if (p[0] == 0xFF && p[1] == 0xFE) {
            from = CodePage::kUtf16Le;
            return 2;
        }
    } else if (isUtf32(from) && n >= 4) {
        if (p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF) {
            from = CodePage::kUtf32Be;
            return 4;
        }
        if (p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0) {
            from = CodePage::kUtf32Le;
            return 4;
        }
    }
    return 0;
}

}  // namespace

bool EncodingConvert::convertFromAnsi(uint32_t toCodePage, const unsigned char *bytes, uint32_t n,
                                      DataBuffer &out, LogBase &log) {
    return convert(SystemInfo::ansiCodePage(), toCodePage, bytes, n, out, log);
}

bool EncodingConvert::convertFromName(const char *fromName, uint32_t toCodePage, const unsigned char *bytes,
                                      uint32_t n, DataBuffer &out, LogBase &log) {
    const uint32_t from = CharsetNames::codePageForName(fromName);
    return from != 0 && convert(from, toCodePage, bytes, n, out, log);
}

bool EncodingConvert::convertToName(uint32_t fromCodePage, const char *toName, const unsigned char *bytes,
                                    uint32_t n, DataBuffer &out, LogBase &log) {
    const uint32_t to = CharsetNames::codePageForName(toName);
    return to != 0 && convert(fromCodePage, to, bytes, n, out, log);
}

bool EncodingConvert::convert(uint32_t from, uint32_t to, const unsigned char *bytes, uint32_t n,
                              DataBuffer &out, LogBase &) {
    if (bytes == nullptr) n = 0;
    if (to == 0) to = from;
    if (from == 0) from = to;
    m_fromCodePage = from;
    m_toCodePage = to;
    m_readingPivot = false;
    if (n == 0) return true;

    // Appending may move the output's storage, so a source lying inside it is copied first.
    DataBuffer ownCopy;
    if (overlaps(bytes, n, out)) {
        if (!ownCopy.append(bytes, n)) return false;
        bytes = ownCopy.getData();
    }
    if (from == to) return out.append(bytes, n);

    const uint32_t start = out.getSize();
    // x-mac-arabic is prepared on a copy before anything else reads it.
    DataBuffer prepared;
    if (from == kMacArabic) {
        if (!prepared.append(bytes, n)) return false;
        MacArabic::prepare(prepared.getData(), n);
        bytes = prepared.getData();
    }

    Outcome result;
    if (isIso2022Jp(from) || from == kIso2022Kr) {
        // Decoded to the code page it is a 7-bit form of, then converted on from there.
        const uint32_t middle = from == kIso2022Kr ? kKorean : kShiftJis;
        DataBuffer decoded;
        reserveFor(decoded, n);
        ConvertOutput o(decoded);
        if (middle == kShiftJis) Iso2022Jp::decodeToShiftJis(bytes, n, o);
        else Iso2022Kr::decodeTo949(bytes, n, o);
        result = finish(o);
        if (result != Outcome::kFailed) {
            const Outcome rest = convertToTarget(middle, to, decoded.getData(), decoded.getSize(), out);
            if (rest != Outcome::kExact) result = rest;
        }
    } else {
        result = convertToTarget(from, to, bytes, n, out);
    }
    if (result == Outcome::kFailed) {
        out.setSize(start);  // nothing of a failed conversion stays behind
        return false;
    }
    return result == Outcome::kExact;
}

EncodingConvert::Outcome EncodingConvert::convertToTarget(uint32_t from, uint32_t to, const unsigned char *bytes,
                                                          uint32_t n, DataBuffer &out) {
    if (n == 0) return Outcome::kExact;
    if (from == to) return out.append(bytes, n) ? Outcome::kExact : Outcome::kFailed;

    // The targets written from another form of the text: UTF-7 and UTF-16BE from UTF-16LE,
    // UTF-32 from UTF-8, ISO-2022 from the code page it is a 7-bit form of.
    uint32_t middle;
    if (to == CodePage::kUtf7) middle = CodePage::kUtf16Le;
    else if (isUtf32(to)) middle = CodePage::kUtf8;
    else if (isIso2022Jp(to)) middle = kShiftJis;
    else if (to == kIso2022Kr) middle = kKorean;
    else if (to == CodePage::kUtf16Be) middle = CodePage::kUtf16Le;
    else return convertGeneral(from, to, bytes, n, out);

    if (to == CodePage::kUtf16Be) {
        const uint32_t start = out.getSize();
        const Outcome result = convertGeneral(from, CodePage::kUtf16Le, bytes, n, out);
        if (result != Outcome::kFailed && out.getSize() > start)
            swapUnits16(out.getData() + start, out.getSize() - start);
        return result;
    }

    DataBuffer text;
    const Outcome first = convertGeneral(from, middle, bytes, n, text);
    if (first == Outcome::kFailed) return first;
    reserveFor(out, middle == CodePage::kUtf8 ? uint64_t{text.getSize()} * 4 : uint64_t{text.getSize()} * 3 / 2);
    ConvertOutput o(out);
    if (to == CodePage::kUtf7) Utf7Codec::encode(text.getData(), text.getSize(), false, o);
    else if (isUtf32(to)) Utf8Codec::utf8ToUtf32(text.getData(), text.getSize(), to == CodePage::kUtf32Be, o);
    else if (to == kIso2022Kr) Iso2022Kr::encodeFrom949(text.getData(), text.getSize(), o);
    else Iso2022Jp::encodeFromShiftJis(text.getData(), text.getSize(), o);
    const Outcome second = finish(o);
    return second == Outcome::kExact ? first : second;
}

EncodingConvert::Outcome EncodingConvert::finish(ConvertOutput &out) const {
    if (!out.flush()) return Outcome::kFailed;
    return out.dropped() ? Outcome::kLossy : Outcome::kExact;
}

EncodingConvert::Outcome EncodingConvert::convertGeneral(uint32_t from, uint32_t to, const unsigned char *p,
                                                         uint32_t n, DataBuffer &out) {
    if (n == 0) return Outcome::kExact;
    const uint32_t mark = takeByteOrderMark(from, p, n);
    p += mark;
    n -= mark;
    if (n == 0) return Outcome::kExact;  // only the mark
    if (from == to) {
        const uint32_t whole = isUtf16(from) ? n & ~1u : n;
        return out.append(p, whole) ? Outcome::kExact : Outcome::kFailed;
    }

    DataBuffer source;
    Outcome sourceOutcome = Outcome::kExact;
    if (from == CodePage::kUtf16Be) {
        const uint32_t whole = n & ~1u;  // an odd last byte is dropped
        if (!source.append(p, whole)) return Outcome::kFailed;
        swapUnits16(source.getData(), whole);
        from = CodePage::kUtf16Le;
    } else if (isUtf32(from)) {
        reserveFor(to == CodePage::kUtf8 ? out : source, n);
        ConvertOutput o(to == CodePage::kUtf8 ? out : source);
        Utf8Codec::utf32ToUtf8(p, n, from == CodePage::kUtf32Be, o);
        sourceOutcome = finish(o);
        if (to == CodePage::kUtf8 || sourceOutcome == Outcome::kFailed) return sourceOutcome;
        from = CodePage::kUtf8;
    } else if (from == CodePage::kUtf7) {
        reserveFor(source, uint64_t{n} * 2);
        ConvertOutput o(source);
        Utf7Codec::decode(p, n, false, o);
        sourceOutcome = finish(o);
        if (sourceOutcome == Outcome::kFailed) return sourceOutcome;
        from = CodePage::kUtf16Le;
    } else {
        return convertNormalized(from, to, p, n, out);
    }
    const Outcome rest = convertNormalized(from, to, source.getData(), source.getSize(), out);
    return rest == Outcome::kExact ? sourceOutcome : rest;
}

EncodingConvert::Outcome EncodingConvert::convertNormalized(uint32_t from, uint32_t to, const unsigned char *p,
                                                            uint32_t n, DataBuffer &out) {
    if (from == to) {
        const uint32_t whole = from == CodePage::kUtf16Le ? n & ~1u : n;
        return whole == 0 || out.append(p, whole) ? Outcome::kExact : Outcome::kFailed;
    }

    if (from == CodePage::kUtf16Le) {
        if (to == CodePage::kUtf8) {
            reserveFor(out, uint64_t{n} + n / 2);
            ConvertOutput o(out);
            Utf8Codec::utf16ToUtf8(p, n, false, o, m_readingPivot);
            return finish(o);
        }
        const CodePageTable *table = CodePageTable::forCodePage(to);
        if (table == nullptr) return Outcome::kFailed;
        DataBuffer folded;
        if (to == kArabicLatin) {
            if (!folded.append(p, n)) return Outcome::kFailed;
            foldArabicDigits(folded.getData(), n);
            p = folded.getData();
        }
        reserveFor(out, table->isDoubleByte() ? n : n / 2);
        ConvertOutput o(out);
        table->encode(p, n, false, o, m_readingPivot);
        return finish(o);
    }

    if (to == CodePage::kUtf16Le) {
        reserveFor(out, uint64_t{n} * 2);
        ConvertOutput o(out);
        if (from == CodePage::kUtf8) {
            Utf8Codec::utf8ToUtf16(p, n, false, o);
        } else {
            const CodePageTable *table = CodePageTable::forCodePage(from);
            if (table == nullptr) return Outcome::kFailed;
            table->decode(p, n, false, o);
        }
        return finish(o);
    }

    // Neither side is UTF-16: two steps through UTF-16. Both sides must be convertible before
    // anything is produced.
    const CodePageTable *fromTable = nullptr;
    if (from != CodePage::kUtf8 && (fromTable = CodePageTable::forCodePage(from)) == nullptr)
        return Outcome::kFailed;
    if (to != CodePage::kUtf8 && CodePageTable::forCodePage(to) == nullptr) return Outcome::kFailed;

    // A table whose characters all pass the UTF-16 step unchanged goes to UTF-8 in one step.
    if (to == CodePage::kUtf8 && fromTable->decodesToUtf8()) {
        reserveFor(out, uint64_t{n} * fromTable->maxUtf8PerByte());
        ConvertOutput o(out);
        fromTable->decodeToUtf8(p, n, o);
        return finish(o);
    }

    DataBuffer pivot;
    const Outcome first = convertNormalized(from, CodePage::kUtf16Le, p, n, pivot);
    if (first == Outcome::kFailed) return first;
    // Only a table decode can leave raw-byte escapes in the intermediate text.
    m_readingPivot = fromTable != nullptr;
    const Outcome second = convertNormalized(CodePage::kUtf16Le, to, pivot.getData(), pivot.getSize(), out);
    m_readingPivot = false;
    return second == Outcome::kExact ? first : second;
}

}  // namespace quorvel
