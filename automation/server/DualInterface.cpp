#include "automation/server/DualInterface.h"

#include "automation/server/GuidText.h"

namespace quorvel::automation {
namespace {

// More than any member of the table takes.
constexpr UINT kMaxArguments = 8;

}  // namespace

HRESULT STDMETHODCALLTYPE DualInterface::QueryInterface(REFIID iid, void **object) {
    return m_object.QueryInterface(iid, object);
}
ULONG STDMETHODCALLTYPE DualInterface::AddRef() { return m_object.AddRef(); }
ULONG STDMETHODCALLTYPE DualInterface::Release() { return m_object.Release(); }
HRESULT STDMETHODCALLTYPE DualInterface::GetTypeInfoCount(UINT *count) { return m_object.GetTypeInfoCount(count); }
HRESULT STDMETHODCALLTYPE DualInterface::GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) {
    return m_object.GetTypeInfo(index, lcid, info);
}
HRESULT STDMETHODCALLTYPE DualInterface::GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid,
                                                       DISPID *ids) {
    return m_object.GetIDsOfNames(iid, names, count, lcid, ids);
}
HRESULT STDMETHODCALLTYPE DualInterface::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS *params,
                                                VARIANT *result, EXCEPINFO *exception, UINT *argumentError) {
    return m_object.Invoke(id, iid, lcid, flags, params, result, exception, argumentError);
}

VARIANT DualInterface::inText(BSTR value) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = value;
    return v;
}
VARIANT DualInterface::inLong(LONG value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
VARIANT DualInterface::inDate(DATE value) {
    VARIANT v;
    v.vt = VT_DATE;
    v.date = value;
    return v;
}
VARIANT DualInterface::inVariant(VARIANT &value) {
    VARIANT v;
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = &value;
    return v;
}
VARIANT DualInterface::inObject(IDispatch *value) {
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = value;
    return v;
}

HRESULT DualInterface::invokeWith(DISPID id, WORD flags, std::initializer_list<VARIANT> args, VARIANT *result) {
    if (args.size() > kMaxArguments) return DISP_E_BADPARAMCOUNT;
    VARIANT reversed[kMaxArguments];
    UINT count = 0;
    for (const VARIANT &arg : args) reversed[args.size() - 1 - count++] = arg;  // the last one first
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags == kPut;
    DISPPARAMS params{count ? reversed : nullptr, put ? &named : nullptr, count, put ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    HRESULT hr = m_object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception, &argumentError);
    if (hr == DISP_E_EXCEPTION) hr = FAILED(exception.scode) ? exception.scode : E_FAIL;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT DualInterface::call(DISPID id, WORD flags, std::initializer_list<VARIANT> args) {
    return invokeWith(id, flags, args, nullptr);
}

namespace {

// Where each typed result travels in a VARIANT.
template <class T>
struct CarriedIn;
template <>
struct CarriedIn<BSTR> {
    static constexpr VARTYPE kType = VT_BSTR;
    static BSTR &member(VARIANT &v) { return v.bstrVal; }
};
template <>
struct CarriedIn<LONG> {
    static constexpr VARTYPE kType = VT_I4;
    static LONG &member(VARIANT &v) { return v.lVal; }
};
template <>
struct CarriedIn<DATE> {
    static constexpr VARTYPE kType = VT_DATE;
    static DATE &member(VARIANT &v) { return v.date; }
};

}  // namespace

template <class T>
HRESULT DualInterface::typedCall(DISPID id, WORD flags, std::initializer_list<VARIANT> args, T *result) {
    if (!result) return E_POINTER;
    *result = T{};
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = invokeWith(id, flags, args, &value);
    if (SUCCEEDED(hr) && value.vt == CarriedIn<T>::kType) {
        *result = CarriedIn<T>::member(value);  // taken over: a null string stays null
        value.vt = VT_EMPTY;
    }
    VariantClear(&value);
    return hr;
}

HRESULT DualInterface::call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, BSTR *result) {
    return typedCall(id, flags, args, result);
}

HRESULT DualInterface::call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, LONG *result) {
    return typedCall(id, flags, args, result);
}

HRESULT DualInterface::call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, DATE *result) {
    return typedCall(id, flags, args, result);
}

HRESULT DualInterface::call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, VARIANT *result) {
    if (!result) return E_POINTER;
    VariantInit(result);
    return invokeWith(id, flags, args, result);
}

HRESULT DualInterface::call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, const Interface &type,
                            void **result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = invokeWith(id, flags, args, &value);
    if (SUCCEEDED(hr) && value.vt == VT_DISPATCH && value.pdispVal) {
        const HRESULT asked = value.pdispVal->QueryInterface(comGuid(type.iid), result);
        if (FAILED(asked)) hr = asked;
    }
    VariantClear(&value);
    return hr;
}

}  // namespace quorvel::automation
