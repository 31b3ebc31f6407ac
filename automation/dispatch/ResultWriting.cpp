#include "automation/dispatch/ResultWriting.h"

#include <cstring>
#include <string>

#include "foundation/base/AllocationFailures.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel::automation {
namespace {

// Plain ASCII held as UTF-8 (tags, numbers, most content) widened straight into a new string,
// without building the XString's UTF-16 form first; null for any other text.
BSTR asciiString(const XString &text) {
    if (!text.isUtf8Valid() || text.isWideValid()) return nullptr;
    const StringBuffer &utf8 = text.getUtf8Sb();
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8.getString());
    const uint32_t n = utf8.getSize();
    for (uint32_t i = 0; i < n; ++i)
        if (bytes[i] >= 0x80 || bytes[i] == 0) return nullptr;
    const BSTR value = SysAllocStringLen(nullptr, n);
    if (value != nullptr)
        for (uint32_t i = 0; i < n; ++i) value[i] = bytes[i];
    return value;
}

}  // namespace

HRESULT writeString(const XString &text, VARIANT &result) {
    if (const BSTR value = asciiString(text)) {
        result.vt = VT_BSTR;
        result.bstrVal = value;
        return S_OK;
    }
    // The UTF-16 form may be made now; without memory for it the text would come back empty.
    AllocationFailureWatch watch;
    const char16_t *units = text.getUtf16();
    if (watch.ranShort()) return E_OUTOFMEMORY;
    const auto length = static_cast<UINT>(std::char_traits<char16_t>::length(units != nullptr ? units : u""));
    const BSTR value = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(units != nullptr ? units : u""), length);
    if (value == nullptr) return E_OUTOFMEMORY;
    result.vt = VT_BSTR;
    result.bstrVal = value;
    return S_OK;
}

void writeNullString(VARIANT &result) {
    result.vt = VT_BSTR;
    result.bstrVal = nullptr;
}

HRESULT writeLong(int value, VARIANT &result) {
    result.vt = VT_I4;
    result.lVal = value;
    return S_OK;
}

HRESULT writeBool(bool value, VARIANT &result) { return writeLong(value ? 1 : 0, result); }

HRESULT writeDate(double value, VARIANT &result) {
    result.vt = VT_DATE;
    result.date = value;
    return S_OK;
}

HRESULT writeBytes(const DataBuffer &bytes, VARIANT &result) {
    SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, bytes.getSize());
    if (array == nullptr) return E_OUTOFMEMORY;
    if (!bytes.isEmpty()) {
        void *data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data))) {
            SafeArrayDestroy(array);
            return E_OUTOFMEMORY;
        }
        std::memcpy(data, bytes.getData(), bytes.getSize());
        SafeArrayUnaccessData(array);
    }
    result.vt = VT_ARRAY | VT_UI1;
    result.parray = array;
    return S_OK;
}

void writeObject(IDispatch *object, VARIANT &result) {
    result.vt = VT_DISPATCH;
    result.pdispVal = object;
}

}  // namespace quorvel::automation
