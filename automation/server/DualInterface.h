#pragma once
// The dual interfaces' own vtable slots, for clients that call members through the vtable (an
// early-bound client built against the type library). Each slot packs its arguments into the
// VARIANTs a script host would pass and calls the object's own Invoke, so a vtable call follows
// the binding rules of a call by name, and the result comes back in the slot's typed out
// parameter. The generated classes (generated/QuorvelDual.h) add the slots in the type
// library's order.
#include <initializer_list>

#include "automation/MemberDescriptor.h"
#include "automation/com/Com.h"

namespace quorvel::automation {

class DualInterface : public IDispatch {
public:
    // object: the automation object's IDispatch, which owns this part and outlives it.
    explicit DualInterface(IDispatch &object) : m_object(object) {}
    DualInterface(const DualInterface &) = delete;
    DualInterface &operator=(const DualInterface &) = delete;

    // IUnknown and IDispatch are the object's own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid, DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *exception, UINT *argumentError) override;

protected:
    // No virtual destructor: it would take a vtable slot the interface does not have.
    ~DualInterface() = default;

    static constexpr WORD kGet = DISPATCH_PROPERTYGET;
    static constexpr WORD kPut = DISPATCH_PROPERTYPUT;
    static constexpr WORD kMethod = DISPATCH_METHOD;

    // Arguments, borrowed from the caller for the call (nothing is copied or freed).
    static VARIANT inText(BSTR value);
    static VARIANT inLong(LONG value);
    static VARIANT inDate(DATE value);
    static VARIANT inVariant(VARIANT &value);  // by reference, as a script host passes a variable
    static VARIANT inObject(IDispatch *value);

    // A call without a result, and one per result type. E_POINTER for a null out pointer; the
    // out value is cleared (null, 0, empty) when the call fails.
    HRESULT call(DISPID id, WORD flags, std::initializer_list<VARIANT> args);
    HRESULT call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, BSTR *result);
    HRESULT call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, LONG *result);
    HRESULT call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, DATE *result);
    HRESULT call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, VARIANT *result);
    // An object result comes as the dual interface `type` of the returned object.
    HRESULT call(DISPID id, WORD flags, std::initializer_list<VARIANT> args, const Interface &type, void **result);

private:
    HRESULT invokeWith(DISPID id, WORD flags, std::initializer_list<VARIANT> args, VARIANT *result);
    // The result of the variant type that T is carried in (BSTR, LONG, DATE).
    template <class T>
    HRESULT typedCall(DISPID id, WORD flags, std::initializer_list<VARIANT> args, T *result);

    IDispatch &m_object;
};

}  // namespace quorvel::automation
