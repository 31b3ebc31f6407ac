// The member calls of the Rss class.
#include "automation/dispatch/MemberCall.h"
#include "automation/generated/IQuorvelRssThunks.h"

namespace quorvel::automation {

HRESULT invokeRss(ClsRss &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                  VARIANT *result, EXCEPINFO *, UINT *argErr) {
    return membercall::callMember<ClsRss>(self, kIQuorvelRss, kIQuorvelRssThunks, services, id, flags, params, result, argErr);
}

}  // namespace quorvel::automation
