// The member calls of the Xml class.
#include "automation/dispatch/MemberCall.h"
#include "automation/generated/IQuorvelXmlThunks.h"

namespace quorvel::automation {

HRESULT invokeXml(ClsXml &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                  VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return membercall::callMember<ClsXml>(self, kIQuorvelXml, kIQuorvelXmlThunks, services, id, flags, params, result, argErr);
}

}  // namespace quorvel::automation
