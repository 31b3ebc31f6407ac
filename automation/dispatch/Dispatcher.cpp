#include "automation/dispatch/Dispatcher.h"

#include <algorithm>
#include <array>
#include <new>
#include <span>

#include "automation/generated/QuorvelDispatch.h"

namespace quorvel::automation {
namespace {

// The most arguments a member takes; the table is checked against it below.
constexpr UINT kMaxArguments = 8;

constexpr bool argumentsFit() {
    for (const Interface *iface : kInterfaces)
        for (const Member &member : iface->members)
            if (member.arguments.size() > kMaxArguments) return false;
    return true;
}
static_assert(argumentsFit(), "a member takes more arguments than the dispatcher has room for");

char asciiLower(char32_t c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c); }

// Identifiers are ASCII; any other unit simply does not match.
bool sameName(const OLECHAR *name, const char *identifier) {
    if (name == nullptr) return false;
    for (; *identifier != 0; ++name, ++identifier) {
        if (*name == 0 || *name > 0x7F || asciiLower(*name) != asciiLower(*identifier)) return false;
    }
    return *name == 0;
}

// Tables list their members in DISPID order, so a binary search finds one; a table out of that
// order is still searched in full.
const Member *memberById(const Interface &iface, DISPID id, std::size_t &index) {
    const auto found = std::lower_bound(iface.members.begin(), iface.members.end(), id,
                                        [](const Member &member, DISPID wanted) { return member.dispid < wanted; });
    if (found != iface.members.end() && found->dispid == id) {
        index = static_cast<std::size_t>(found - iface.members.begin());
        return &*found;
    }
    for (index = 0; index < iface.members.size(); ++index)
        if (iface.members[index].dispid == id) return &iface.members[index];
    return nullptr;
}

// The arguments of a call in declaration order, with the rgvarg index each came from.
struct Arguments {
    std::array<const VARIANT *, kMaxArguments> values{};
    std::array<UINT, kMaxArguments> slots{};
    UINT count = 0;
};

HRESULT namedArgumentFailed(UINT *argErr, UINT slot) {
    if (argErr != nullptr) *argErr = slot;
    return DISP_E_PARAMNOTFOUND;
}

// A put takes its value as the one argument, named DISPID_PROPERTYPUT (or unnamed).
HRESULT putArguments(const DISPPARAMS &params, Arguments &out, UINT *argErr) {
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return namedArgumentFailed(argErr, 0);
    out.values[0] = &params.rgvarg[0];
    out.slots[0] = 0;
    out.count = 1;
    return S_OK;
}

// Positional arguments come last to first in rgvarg; named ones (the first cNamedArgs) carry
// their positions, which must follow the positional ones and not repeat.
HRESULT callArguments(const DISPPARAMS &params, UINT expected, Arguments &out, UINT *argErr) {
    if (params.cArgs != expected) return DISP_E_BADPARAMCOUNT;
    const UINT positional = params.cArgs - params.cNamedArgs;
    for (UINT position = 0; position < positional; ++position) {
        out.slots[position] = params.cArgs - 1 - position;
        out.values[position] = &params.rgvarg[out.slots[position]];
    }
    for (UINT slot = 0; slot < params.cNamedArgs; ++slot) {
        const DISPID position = params.rgdispidNamedArgs[slot];
        if (position < static_cast<DISPID>(positional) || position >= static_cast<DISPID>(expected) ||
            out.values[position] != nullptr)
            return namedArgumentFailed(argErr, slot);
        out.values[position] = &params.rgvarg[slot];
        out.slots[position] = slot;
    }
    out.count = expected;
    return S_OK;
}

template <class Self>
HRESULT invoke(Self &self, const Interface &iface, std::span<const MemberThunks<Self>> thunks,
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

}  // namespace

HRESULT getIDsOfNames(const Interface &iface, const OLECHAR *const *names, UINT count, DISPID *ids) {
    if (count == 0) return S_OK;
    if (names == nullptr || ids == nullptr) return E_INVALIDARG;
    const Member *member = nullptr;
    for (const Member &candidate : iface.members)
        if (sameName(names[0], candidate.name)) member = &candidate;
    HRESULT hr = S_OK;
    ids[0] = member != nullptr ? member->dispid : DISPID_UNKNOWN;
    if (member == nullptr) hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (std::size_t position = 0; member != nullptr && position < member->arguments.size(); ++position)
            if (sameName(names[i], member->arguments[position].name)) ids[i] = static_cast<DISPID>(position);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT invokeXml(ClsXml &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                  VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return invoke<ClsXml>(self, kIQuorvelXml, kIQuorvelXmlThunks, services, id, flags, params, result, argErr);
}

HRESULT invokeRss(ClsRss &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                  VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return invoke<ClsRss>(self, kIQuorvelRss, kIQuorvelRssThunks, services, id, flags, params, result, argErr);
}

HRESULT invokeAtom(ClsAtom &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                   VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return invoke<ClsAtom>(self, kIQuorvelAtom, kIQuorvelAtomThunks, services, id, flags, params, result, argErr);
}

HRESULT invokeDateTime(ClsDateTime &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                       VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return invoke<ClsDateTime>(self, kIQvDateTime, kIQvDateTimeThunks, services, id, flags, params, result, argErr);
}

}  // namespace quorvel::automation
