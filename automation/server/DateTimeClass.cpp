// The date-time class over ClsDateTime, under the class identifier the Atom binding creates:
// served by the Linux library itself, and on Windows by the date-time component's DLL.
#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ServerObjectImpl.h"

namespace quorvel::automation {

template <>
struct ClassOf<ClsDateTime> {
    static constexpr ShellClass kShell{&kQvDateTimeClass.clsid, &kIQvDateTime, nullptr, false, false, 0};
    static constexpr auto invoke = invokeDateTime;
};

template class ServerObject<ClsDateTime>;

}  // namespace quorvel::automation
