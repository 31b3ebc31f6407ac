#pragma once

// Helpers for the automation tests: strings, variants, call arguments and counted objects. The
// COM layer tests build against the system's automation runtime in the Windows build, which
// checks their expectations against it under Wine.

#include "automation/com/Com.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::comtest {

// OLECHAR is char16_t here and wchar_t on Windows; both are UTF-16 units.
inline const OLECHAR *ole(const char16_t *text) { return reinterpret_cast<const OLECHAR *>(text); }

// ASCII names and texts as UTF-16.
inline std::u16string wide(const char *ascii) { return {ascii, ascii + std::char_traits<char>::length(ascii)}; }

inline std::u16string units(BSTR text) {
    return std::u16string(reinterpret_cast<const char16_t *>(text), SysStringLen(text));
}

// A variant holding a new string (with any embedded zeros); whoever takes it clears it.
inline VARIANT textVariant(std::u16string_view text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(ole(text.data()), static_cast<UINT>(text.size()));
    return v;
}

// A variant referring to `target` as a `type`; it owns nothing and needs no clearing.
inline VARIANT byRef(VARTYPE type, void *target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type | VT_BYREF;
    v.byref = target;
    return v;
}

// A variant cleared at the end of the test (optionally taking over a variant's contents).
struct Var : VARIANT {
    Var() { VariantInit(this); }
    explicit Var(const VARIANT &owned) : VARIANT(owned) {}
    ~Var() { VariantClear(this); }
    Var(const Var &) = delete;
    Var &operator=(const Var &) = delete;
};

// The arguments of a call in declaration order; DISPPARAMS receives them last to first.
class Args {
public:
    Args() = default;
    Args(const Args &) = delete;
    Args &operator=(const Args &) = delete;
    ~Args() { std::for_each(m_values.begin(), m_values.end(), [](VARIANT &v) { VariantClear(&v); }); }
    Args &str(const char16_t *text) { return add(VT_BSTR).bstrVal = text ? SysAllocString(ole(text)) : nullptr, *this; }
    Args &i4(LONG value) { return add(VT_I4).lVal = value, *this; }
    Args &boolean(bool value) { return add(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE, *this; }
    // Not owned: the test keeps the object.
    Args &object(IDispatch *value) {
        add(VT_DISPATCH).pdispVal = value;
        if (value != nullptr) value->AddRef();
        return *this;
    }
    // Takes over the variant's contents.
    Args &take(VARIANT &value) {
        m_values.push_back(value);
        VariantInit(&value);
        return *this;
    }
    UINT count() const { return static_cast<UINT>(m_values.size()); }

    DISPPARAMS params() {
        m_reversed.assign(m_values.rbegin(), m_values.rend());
        return DISPPARAMS{m_reversed.empty() ? nullptr : m_reversed.data(), nullptr, count(), 0};
    }

private:
    VARIANT &add(VARTYPE type) {
        m_values.emplace_back();
        VariantInit(&m_values.back());
        m_values.back().vt = type;
        return m_values.back();
    }
    std::vector<VARIANT> m_values;
    std::vector<VARIANT> m_reversed;  // shallow copies, owned by m_values
};

// A reference-counted test object; it lives on the test's stack, so counts stay readable.
template <class Interface>
struct Counted : Interface {
    ULONG references = 1;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    // Answers IUnknown and the one interface `iid`, or nothing at all with a null iid.
    HRESULT answer(REFIID asked, const IID *iid, void **object) {
        *object = iid && (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, *iid)) ? this : nullptr;
        if (*object) this->AddRef();
        return *object ? S_OK : E_NOINTERFACE;
    }
};

// An object that answers DISPID_VALUE with a fixed integer and knows no member by name.
struct CountedObject : Counted<IDispatch> {
    LONG value = 0;
    bool dispatchable = true;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        return answer(iid, dispatchable ? &IID_IDispatch : &IID_IUnknown, object);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *, UINT *) override {
        if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || params->cArgs != 0) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_I4;
        result->lVal = value;
        return S_OK;
    }
};

// Puts a counted reference to `object` into an empty variant.
inline void hold(VARIANT &v, IUnknown *object, VARTYPE type = VT_DISPATCH) {
    object->AddRef();
    v.vt = type;
    v.punkVal = object;
}

// A short, exact description of a variant's type and value for table comparisons.
inline std::string describe(const VARIANT &v) {
    char text[64];
    const auto shortest = [&text](auto number) {
        return std::string(text, std::to_chars(text, text + sizeof text, number).ptr);
    };
    switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_I1: return "I1:" + std::to_string(static_cast<signed char>(v.cVal));
    case VT_UI1: return "UI1:" + std::to_string(v.bVal);
    case VT_I2: return "I2:" + std::to_string(v.iVal);
    case VT_I4: return "I4:" + std::to_string(v.lVal);
    case VT_INT: return "INT:" + std::to_string(v.intVal);
    case VT_I8: return "I8:" + std::to_string(v.llVal);
    case VT_UI8: return "UI8:" + std::to_string(v.ullVal);
    case VT_R4: return "R4:" + shortest(v.fltVal);
    case VT_R8: return "R8:" + shortest(v.dblVal);
    case VT_DATE: return "DATE:" + shortest(v.date);
    case VT_CY: return "CY:" + std::to_string(v.cyVal.int64);
    case VT_BOOL: return "BOOL:" + std::to_string(v.boolVal);
    case VT_DECIMAL: {
        std::string digits;
        unsigned __int128 m = (static_cast<unsigned __int128>(v.decVal.Hi32) << 64) | v.decVal.Lo64;
        do digits.insert(digits.begin(), char('0' + int(m % 10))); while (m /= 10);
        return std::string("DEC:") + ((v.decVal.sign & DECIMAL_NEG) ? "-" : "") + digits + "e-" +
               std::to_string(v.decVal.scale);
    }
    case VT_BSTR: {
        if (!v.bstrVal) return "BSTR(null)";
        std::string out = "BSTR:";
        for (char16_t unit : units(v.bstrVal)) {
            if (unit >= 0x20 && unit < 0x7f) out += static_cast<char>(unit);
            else out += (std::snprintf(text, sizeof text, "\\u%04X", static_cast<unsigned>(unit)), text);
        }
        return out;
    }
    default:
        std::snprintf(text, sizeof text, "VT:0x%04X", static_cast<unsigned>(v.vt));
        return text;
    }
}

}  // namespace quorvel::comtest
