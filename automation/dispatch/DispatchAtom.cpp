// The member calls of the Atom class.
#include "automation/dispatch/MemberCall.h"
#include "automation/generated/IQuorvelAtomThunks.h"

namespace quorvel::automation {

HRESULT invokeAtom(ClsAtom &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                   VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return membercall::callMember<ClsAtom>(self, kIQuorvelAtom, kIQuorvelAtomThunks, services, id, flags, params, result, argErr);
}

}  // namespace quorvel::automation
