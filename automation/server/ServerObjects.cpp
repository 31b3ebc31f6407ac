#include "automation/server/ServerObjects.h"

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ServerObjectImpl.h"

namespace quorvel::automation {
namespace {

// Rss and Atom are insertable controls; their status is the one they register.
constexpr DWORD kControlMiscStatus = 132497;

}  // namespace

template <>
struct ClassOf<ClsXml> {
    static constexpr ShellClass kShell{&kCoClasses[0].clsid, &kIQuorvelXml, &k_IQuorvelXmlEvents, true, true, 0};
    static constexpr auto invoke = invokeXml;
};
template <>
struct ClassOf<ClsRss> {
    static constexpr ShellClass kShell{&kCoClasses[1].clsid, &kIQuorvelRss, &k_IQuorvelRssEvents, false, false,
                                       kControlMiscStatus};
    static constexpr auto invoke = invokeRss;
};
template <>
struct ClassOf<ClsAtom> {
    static constexpr ShellClass kShell{&kCoClasses[2].clsid, &kIQuorvelAtom, &k_IQuorvelAtomEvents, false, false,
                                       kControlMiscStatus};
    static constexpr auto invoke = invokeAtom;
};

template class ServerObject<ClsXml>;
template class ServerObject<ClsRss>;
template class ServerObject<ClsAtom>;

}  // namespace quorvel::automation
