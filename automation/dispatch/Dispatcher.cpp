#include "automation/dispatch/Dispatcher.h"

#include <algorithm>

#include "automation/dispatch/MemberCall.h"
#include "automation/generated/QuorvelMembers.h"

namespace quorvel::automation {
namespace {

using membercall::kMaxArguments;

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

}  // namespace

namespace membercall {

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

namespace {

HRESULT namedArgumentFailed(UINT *argErr, UINT slot) {
    if (argErr != nullptr) *argErr = slot;
    return DISP_E_PARAMNOTFOUND;
}

}  // namespace

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

}  // namespace membercall

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

}  // namespace quorvel::automation
