#include "automation/dispatch/ArgumentCoercion.h"

#include <cstdint>

#include "foundation/text/XString.h"

namespace quorvel::automation {
namespace {

// The argument converted to type; a failed conversion leaves converted empty.
class Converted {
public:
    Converted() { VariantInit(&m_value); }
    ~Converted() { VariantClear(&m_value); }
    Converted(const Converted &) = delete;
    Converted &operator=(const Converted &) = delete;

    HRESULT from(const VARIANT &arg, VARTYPE type) {
        return VariantChangeType(&m_value, const_cast<VARIANT *>(&arg), 0, type);
    }
    VARIANT &value() { return m_value; }

private:
    VARIANT m_value;
};

// A by-reference variant's target, or the argument itself.
const VARIANT &dereferenced(const VARIANT &arg) {
    if (arg.vt == (VT_VARIANT | VT_BYREF) && arg.pvarVal != nullptr) return *arg.pvarVal;
    return arg;
}

// A short string without surrogates or a leading mark, up to any zero unit, as UTF-8: the form
// the internal methods read, made once here instead of keeping UTF-16 and converting later.
bool setShortText(const OLECHAR *text, UINT units, XString &out) {
    constexpr UINT kMaxUnits = 128;
    if (units > kMaxUnits || (units > 0 && (text[0] == 0xFEFF || text[0] == 0xFFFE))) return false;
    char utf8[kMaxUnits * 3];
    uint32_t n = 0;
    for (UINT i = 0; i < units && text[i] != 0; ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            utf8[n++] = static_cast<char>(u);
        } else if (u < 0x800) {
            utf8[n++] = static_cast<char>(0xC0 | (u >> 6));
            utf8[n++] = static_cast<char>(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            return false;
        } else {
            utf8[n++] = static_cast<char>(0xE0 | (u >> 12));
            utf8[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            utf8[n++] = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out.setFromUtf8N(utf8, n);
}

}  // namespace

HRESULT readString(const VARIANT &arg, XString &out) {
    const VARIANT &given = dereferenced(arg);
    Converted text;
    BSTR value = nullptr;
    if (given.vt == VT_BSTR) {
        value = given.bstrVal;  // the common case, read in place
    } else if (given.vt == (VT_BSTR | VT_BYREF)) {
        value = given.pbstrVal != nullptr ? *given.pbstrVal : nullptr;
    } else {
        const HRESULT hr = text.from(arg, VT_BSTR);
        if (FAILED(hr)) return hr;
        value = text.value().bstrVal;
    }
    const UINT units = SysStringLen(value);
    if (!setShortText(value, units, out) && !out.setFromUtf16N(reinterpret_cast<const char16_t *>(value), units))
        return E_OUTOFMEMORY;
    return S_OK;
}

HRESULT readLong(const VARIANT &arg, int &out) {
    if (arg.vt == VT_I4) {  // the common case needs no conversion
        out = arg.lVal;
        return S_OK;
    }
    Converted number;
    const HRESULT hr = number.from(arg, VT_I4);
    if (FAILED(hr)) return hr;
    out = number.value().lVal;
    return S_OK;
}

HRESULT readBool(const VARIANT &arg, bool &out) {
    int number = 0;
    const HRESULT hr = readLong(arg, number);
    if (FAILED(hr)) return hr;
    out = number != 0;
    return S_OK;
}

HRESULT readDate(const VARIANT &arg, double &out) {
    Converted date;
    const HRESULT hr = date.from(arg, VT_DATE);
    if (FAILED(hr)) return hr;
    out = date.value().date;
    return S_OK;
}

HRESULT readObject(const VARIANT &arg, IDispatch *&out) {
    const VARIANT &value = dereferenced(arg);
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        out = nullptr;
        return S_OK;
    case VT_DISPATCH:
        out = value.pdispVal;
        return S_OK;
    case VT_DISPATCH | VT_BYREF:
        out = value.ppdispVal != nullptr ? *value.ppdispVal : nullptr;
        return S_OK;
    case VT_UNKNOWN:
    case VT_UNKNOWN | VT_BYREF: {
        IUnknown *unknown = value.vt == VT_UNKNOWN ? value.punkVal
                                                   : (value.ppunkVal != nullptr ? *value.ppunkVal : nullptr);
        IDispatch *dispatch = nullptr;
        if (unknown == nullptr || FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch))))
            dispatch = nullptr;
        // The caller's reference keeps the object alive for the call; ours is not kept.
        if (dispatch != nullptr) dispatch->Release();
        out = dispatch;
        return S_OK;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace quorvel::automation
