#pragma once
// One automation call as its thunk sees it: the member, its arguments in declaration order
// (already matched to positions and counted by the dispatcher), the result to fill and the
// services of the calling object.
#include "automation/MemberDescriptor.h"
#include "automation/com/Com.h"
#include "automation/dispatch/ObjectServices.h"

namespace quorvel::automation {

struct CallContext {
    ObjectServices &services;
    const Member &member;
    bool putSide;                // a property put rather than a get or a method call
    const VARIANT *const *args;  // in declaration order; a put has its value as the one argument
    const UINT *argSlots;        // for each argument, its index in DISPPARAMS::rgvarg
    UINT argCount;
    VARIANT &result;  // VT_EMPTY on entry; the thunk writes the member's result here
    UINT *argErr;     // may be null

    // Reports the argument at position as the cause of a failed call.
    HRESULT argumentFailed(UINT position, HRESULT error) const {
        if (argErr != nullptr) *argErr = argSlots[position];
        return error;
    }
    // The file-system members refuse to run in a web browser host.
    bool refusedInBrowser() const {
        const unsigned refusal = putSide ? kPutRefusedInBrowser : kRefusedInBrowser;
        return (member.flags & refusal) != 0 && services.sitedInBrowser();
    }
};

// The call of one member side on an internal object of class Self.
template <class Self>
using Thunk = HRESULT (*)(Self &self, CallContext &context);

// The thunks of one member, in the member table's order: the method or getter, and the setter.
template <class Self>
struct MemberThunks {
    Thunk<Self> call;  // a method, or a property's get side; null for a put-only property
    Thunk<Self> put;   // null unless the member has a put side
};

}  // namespace quorvel::automation
