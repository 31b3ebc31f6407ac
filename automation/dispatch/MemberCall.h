#pragma once
// The shared body of the member calls of every class. Each class's entry point (DispatchXml.cpp
// and its siblings) instantiates it with that class's thunk table only, so that a module serving
// one class links that class's members alone.
#include <array>
#include <new>
#include <span>

#include "automation/dispatch/Dispatcher.h"
#include "automation/dispatch/Thunks.h"

namespace quorvel::automation::membercall {

// The most arguments a member takes; the member table is checked against it.
constexpr UINT kMaxArguments = 8;

// The arguments of a call in declaration order, with the rgvarg index each came from.
struct Arguments {
    std::array<const VARIANT *, kMaxArguments> values{};
    std::array<UINT, kMaxArguments> slots{};
    UINT count = 0;
};

// The member of the DISPID and its index in the table; null when there is none.
const Member *memberById(const Interface &iface, DISPID id, std::size_t &index);
// The arguments of a put, and of a call expecting that many.
HRESULT putArguments(const DISPPARAMS &params, Arguments &out, UINT *argErr);
HRESULT callArguments(const DISPPARAMS &params, UINT expected, Arguments &out, UINT *argErr);

template <class Self>
HRESULT callMember(Self &self, const Interface &iface, std::span<const MemberThunks<Self>> thunks,
               ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params, VARIANT *result, UINT *argErr) {
    if (result != nullptr) VariantInit(result);
    std::size_t index = 0;
    const Member *member = memberById(iface, id, index);
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
    // A method answers DISPATCH_METHOD and a property DISPATCH_PROPERTYGET, as the type-library
    // dispatcher matches them: a client probing a name with PROPERTYGET never runs a method.
    // Script hosts reading a value set both flags, which reaches either.
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const WORD getFlag = member->kind == MemberKind::Method ? DISPATCH_METHOD : DISPATCH_PROPERTYGET;
    const Thunk<Self> thunk = put ? ((flags & DISPATCH_PROPERTYPUT) != 0 ? thunks[index].put : nullptr)
                                  : ((flags & getFlag) != 0 ? thunks[index].call : nullptr);
    if (thunk == nullptr) return DISP_E_MEMBERNOTFOUND;

    DISPPARAMS none{};
    const DISPPARAMS &given = params != nullptr ? *params : none;
    if ((given.cArgs > 0 && given.rgvarg == nullptr) || given.cNamedArgs > given.cArgs ||
        (given.cNamedArgs > 0 && given.rgdispidNamedArgs == nullptr))
        return E_INVALIDARG;
    Arguments arguments;
    const UINT expected = member->kind == MemberKind::Method ? static_cast<UINT>(member->arguments.size()) : 0;
    HRESULT hr = put ? putArguments(given, arguments, argErr) : callArguments(given, expected, arguments, argErr);
    if (FAILED(hr)) return hr;

    VARIANT value;
    VariantInit(&value);
    CallContext context{services, *member, put, arguments.values.data(), arguments.slots.data(), arguments.count,
                        value, argErr};
    try {
        hr = thunk(self, context);
    } catch (const std::bad_alloc &) {
        hr = E_OUTOFMEMORY;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    if (FAILED(hr) || result == nullptr) {
        VariantClear(&value);
        return hr;
    }
    *result = value;
    return hr;
}

}  // namespace quorvel::automation::membercall
