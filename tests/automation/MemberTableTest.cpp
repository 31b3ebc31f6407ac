#include <gtest/gtest.h>

#include <set>
#include <string>

// Including the binding check compiles one signature check per bound member: this file builds
// only when every binding names a public method of its class with the member's signature.
#include "automation/generated/QuorvelBindingCheck.h"
#include "automation/generated/QuorvelMembers.h"

namespace quorvel::automation {
namespace {

// The check itself rejects a wrong signature: a bool getter is no int getter, a const XString &
// parameter is no XString value, and a result pointer of the wrong class is refused.
template <class R, class... A>
concept CdataGetterIs = requires { sizeof(MemberSignature<ClsXml, R, A...>::of(&ClsXml::get_Cdata)); };
template <class R, class... A>
concept LoadXmlIs = requires { sizeof(MemberSignature<ClsXml, R, A...>::of(&ClsXml::LoadXml)); };
template <class R, class... A>
concept GetChannelIs = requires { sizeof(MemberSignature<ClsRss, R, A...>::of(&ClsRss::GetChannel)); };
static_assert(CdataGetterIs<bool> && !CdataGetterIs<int> && !CdataGetterIs<bool, int>);
static_assert(LoadXmlIs<bool, const XString &> && !LoadXmlIs<bool, XString> && !LoadXmlIs<int, const XString &>);
static_assert(GetChannelIs<std::unique_ptr<ClsRss>, int> && !GetChannelIs<std::unique_ptr<ClsXml>, int>);

// (The null-on-failure list and the aliases are checked through the Python host, tests/automation/python;
// unique DISPIDs, names and identifiers by the generator as it reads the table.) The Xml DISPIDs keep
// their gaps and end at 153.
TEST(AutomationMembers, TheXmlDispidsKeepTheirGaps) {
    std::set<int> dispids;
    for (const Member &member : kIQuorvelXml.members) dispids.insert(member.dispid);
    for (int gap : {2, 3, 37, 50, 57, 58, 59, 63, 92}) EXPECT_EQ(dispids.count(gap), 0u) << gap;
    EXPECT_EQ(*dispids.rbegin(), 153);
}

TEST(AutomationMembers, FileMembersAreRefusedInABrowserAndDownloadsGetTheProgressSink) {
    struct Row {
        const Interface *interface;
        unsigned flag;
        std::set<std::string> names;
    };
    const Row rows[] = {
        {&kIQuorvelXml, kRefusedInBrowser,
         {"LoadXmlFile", "LoadXmlFile2", "SaveXml", "SaveLastError", "SaveBinaryContent", "SetBinaryContentFromFile"}},
        {&kIQuorvelRss, kRefusedInBrowser, {"LoadRssFile", "SaveLastError"}},
        {&kIQuorvelAtom, kRefusedInBrowser, {"SaveLastError"}},
        {&kIQuorvelXml, kPutRefusedInBrowser, {"DebugLogFilePath"}},
        {&kIQuorvelRss, kPutRefusedInBrowser, {"DebugLogFilePath"}},
        {&kIQuorvelAtom, kPutRefusedInBrowser, {"DebugLogFilePath"}}, {&kIQuorvelXml, kProgressSink, {}},
        {&kIQuorvelRss, kProgressSink, {"DownloadRss"}}, {&kIQuorvelAtom, kProgressSink, {"DownloadAtom"}},
    };
    for (const Row &row : rows) {
        std::set<std::string> flagged;
        for (const Member &member : row.interface->members)
            if (member.flags & row.flag) flagged.insert(member.name);
        EXPECT_EQ(flagged, row.names) << row.interface->name << " flag " << row.flag;
    }
}

}  // namespace
}  // namespace quorvel::automation
