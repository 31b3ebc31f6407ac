// The date-time class: Windows creates it from a component of its own; here this library
// serves it over ClsDateTime, under the class identifier the Atom binding creates.
#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ServerObjectImpl.h"

namespace quorvel::automation {

template <>
struct ClassOf<ClsDateTime> {
    static constexpr ShellClass kShell{&kQvDateTimeClass.clsid, &kIQvDateTime, nullptr, false, false, 0, true};
    static constexpr auto invoke = invokeDateTime;
};

template class ServerObject<ClsDateTime>;

}  // namespace quorvel::automation
