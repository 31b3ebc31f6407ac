// The member calls of the DateTime class.
#include "automation/dispatch/MemberCall.h"
#include "automation/generated/IQvDateTimeThunks.h"

namespace quorvel::automation {

HRESULT invokeDateTime(ClsDateTime &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                       VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return membercall::callMember<ClsDateTime>(self, kIQvDateTime, kIQvDateTimeThunks, services, id, flags, params, result, argErr);
}

}  // namespace quorvel::automation
