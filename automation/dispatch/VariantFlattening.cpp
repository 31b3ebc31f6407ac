#include "automation/dispatch/VariantFlattening.h"

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/XString.h"

namespace quorvel::automation {
namespace {

constexpr uint32_t kUtf8CodePage = 65001;
// Arrays of variants may hold arrays of variants, and references may point at references; a
// hostile argument could nest without end, so the nesting is bounded.
constexpr int kMaxNesting = 32;

bool flatten(const VARIANT &value, DataBuffer &out, bool &isText, int depth);

// The elements of a one-dimensional array: bytes copied, variants flattened in turn.
bool flattenArray(SAFEARRAY *array, VARTYPE elementType, DataBuffer &out, bool &isText, int depth) {
    if (array == nullptr || SafeArrayGetDim(array) != 1) return true;
    const ULONG count = array->rgsabound[0].cElements;
    void *data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return true;
    bool ok = true;
    if (elementType == VT_UI1 || elementType == VT_I1) {
        if (array->cbElements == 1) ok = out.append(data, count);
    } else if (elementType == VT_VARIANT && array->cbElements == sizeof(VARIANT)) {
        const auto *elements = static_cast<const VARIANT *>(data);
        for (ULONG i = 0; ok && i < count; ++i) ok = flatten(elements[i], out, isText, depth + 1);
    }
    SafeArrayUnaccessData(array);
    return ok;
}

bool flatten(const VARIANT &value, DataBuffer &out, bool &isText, int depth) {
    if (depth > kMaxNesting) return true;
    const bool byRef = (value.vt & VT_BYREF) != 0;
    const VARTYPE type = value.vt & ~VT_BYREF;
    if (byRef && value.byref == nullptr) return true;
    switch (type) {
    case VT_VARIANT:
        return byRef ? flatten(*value.pvarVal, out, isText, depth + 1) : true;
    case VT_BSTR: {
        const BSTR text = byRef ? *value.pbstrVal : value.bstrVal;
        isText = true;
        return out.append(text, SysStringLen(text) * static_cast<uint32_t>(sizeof(OLECHAR)));
    }
    case VT_UI1:
    case VT_I1:
        return out.appendByte(byRef ? *value.pbVal : value.bVal);
    case VT_BOOL:
        return out.appendByte((byRef ? *value.pboolVal : value.boolVal) != 0 ? 1 : 0);
    default:
        break;
    }
    if ((type & VT_ARRAY) == 0) return true;
    SAFEARRAY *array = byRef ? *value.pparray : value.parray;
    return flattenArray(array, type & ~VT_ARRAY, out, isText, depth);
}

}  // namespace

bool flattenVariant(const VARIANT &value, DataBuffer &out, bool &isText) { return flatten(value, out, isText, 0); }

bool xmlTextOfBytes(const DataBuffer &bytes, bool isText, XString &out) {
    const unsigned char *data = bytes.getData();
    uint32_t size = bytes.getSize();
    if (isText) {
        if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
            data += 2;
            size -= 2;
        }
        return out.setFromUtf16Le(data, size);
    }
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        size -= 3;
    }
    DataBuffer utf8;
    LogNull log;  // the converter writes no entries
    EncodingConvert converter;
    // Characters the code page lacks are dropped and the rest is still the text; should nothing
    // come out at all, the empty text fails to load and the loader says why.
    converter.convertFromAnsi(kUtf8CodePage, data, size, utf8, log);
    return out.setFromUtf8N(reinterpret_cast<const char *>(utf8.getData()), utf8.getSize());
}

void textInCharset(const DataBuffer &utf16, const XString &charset, DataBuffer &out) {
    out.clear();
    LogNull log;  // the converter writes no entries
    const char *name = charset.getUtf8();
    if (name[0] != '\0') {
        EncodingConvert converter;
        // An unknown name appends nothing; a charset lacking some characters still gives the rest.
        converter.convertToName(CodePage::kUtf16Le, name, utf16.getData(), utf16.getSize(), out, log);
        if (out.getSize() != 0) return;
    }
    EncodingConvert converter;
    converter.convert(CodePage::kUtf16Le, kUtf8CodePage, utf16.getData(), utf16.getSize(), out, log);
}

}  // namespace quorvel::automation
