#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

const Interface &interfaceNamed(std::string_view name) {
    for (const Interface *interface : kInterfaces) {
        if (name == interface->name) return *interface;
    }
    ADD_FAILURE() << "no interface " << name;
    return *kInterfaces[0];
}

const Member *memberNamed(const Interface &interface, std::string_view name) {
    for (const Member &member : interface.members) {
        if (name == member.name) return &member;
    }
    return nullptr;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::set<std::string> namesWithFlag(const Interface &interface, unsigned flag) {
    std::set<std::string> names;
    for (const Member &member : interface.members) {
        if (member.flags & flag) names.insert(member.name);
    }
    return names;
}

TEST(AutomationMembers, InterfacesHaveTheirMemberCounts) {
    const std::vector<std::pair<std::string_view, size_t>> expected = {
        {"_IQuorvelXmlEvents", 1}, {"IQuorvelXml", 144}, {"IQuorvelAtom", 47}, {"IQvDateTime", 14},
        {"IQuorvelRss", 36},       {"_IQuorvelRssEvents", 0}, {"_IQuorvelAtomEvents", 0}};
    ASSERT_EQ(std::size(kInterfaces), expected.size());
    for (const auto &[name, count] : expected) EXPECT_EQ(interfaceNamed(name).members.size(), count) << name;
}

TEST(AutomationMembers, DispidsAndNamesAreUniquePerInterface) {
    for (const Interface *interface : kInterfaces) {
        std::set<int> dispids;
        std::set<std::string> names;  // callers look names up without regard to case
        for (const Member &member : interface->members) {
            EXPECT_GT(member.dispid, 0) << interface->name << "." << member.name;
            EXPECT_TRUE(dispids.insert(member.dispid).second) << interface->name << "." << member.name;
            EXPECT_TRUE(names.insert(lower(member.name)).second) << interface->name << "." << member.name;
        }
    }
    // The gaps in the Xml numbering stay gaps: a call by one of them finds no member.
    const Interface &xml = interfaceNamed("IQuorvelXml");
    for (int gap : {2, 3, 37, 50, 57, 58, 59, 63, 92}) {
        EXPECT_TRUE(std::none_of(xml.members.begin(), xml.members.end(),
                                 [gap](const Member &member) { return member.dispid == gap; }))
            << gap;
    }
    EXPECT_EQ(xml.members.back().dispid, 153);
}

TEST(AutomationMembers, AliasPairsShareOneBindingAndOthersBindTheirOwnName) {
    const Interface &xml = interfaceNamed("IQuorvelXml");
    const std::vector<std::pair<std::string_view, std::string_view>> pairs = {
        {"EncryptContent", "EncryptNode"}, {"DecryptContent", "DecryptNode"}, {"ZipTree", "CompressSubtree"},
        {"ZipContent", "CompressNode"},    {"UnzipTree", "DecompressSubtree"}, {"UnzipContent", "DecompressNode"}};
    std::set<std::string_view> shared;
    for (const auto &[first, second] : pairs) {
        const Member *a = memberNamed(xml, first);
        const Member *b = memberNamed(xml, second);
        ASSERT_TRUE(a && b) << first << " " << second;
        EXPECT_STREQ(a->binding, b->binding) << first;
        shared.insert(first);
        shared.insert(second);
    }
    // LoadXmlV turns its variant into text for LoadXml2; every other member binds its own name.
    EXPECT_STREQ(memberNamed(xml, "LoadXmlV")->binding, "LoadXml2");
    for (const Interface *interface : kInterfaces) {
        for (const Member &member : interface->members) {
            if (!interface->internalClass) {
                EXPECT_EQ(member.binding, nullptr) << interface->name << "." << member.name;
            } else if (!shared.count(member.name) && std::string_view(member.name) != "LoadXmlV") {
                EXPECT_STREQ(member.binding, member.name) << interface->name << "." << member.name;
            }
        }
    }
}

TEST(AutomationMembers, FlagsFollowTheBindingRules) {
    using Names = std::set<std::string>;
    const Interface &xml = interfaceNamed("IQuorvelXml");
    const Interface &rss = interfaceNamed("IQuorvelRss");
    const Interface &atom = interfaceNamed("IQuorvelAtom");
    EXPECT_EQ(namesWithFlag(xml, kNullOnFailure),
              (Names{"GetXml", "GetChildContent", "GetChildContentByIndex", "GetChildTagByIndex", "GetAttributeName",
                     "GetAttributeValue", "GetAttrValue", "TagContent", "QuorvelPath"}));
    EXPECT_EQ(namesWithFlag(rss, kNullOnFailure),
              (Names{"GetString", "GetAttr", "MGetString", "MGetAttr", "GetDateStr", "ToXmlString"}));
    EXPECT_EQ(namesWithFlag(atom, kNullOnFailure), (Names{"GetElement", "GetElementAttr", "GetElementDateStr",
                                                          "GetLinkHref", "GetPersonInfo", "GetTopAttr", "ToXmlString"}));
    // Everything that reaches the file system is refused in a web browser, SetBinaryContentFromFile
    // and the log file path of every class included.
    EXPECT_EQ(namesWithFlag(xml, kRefusedInBrowser), (Names{"LoadXmlFile", "LoadXmlFile2", "SaveXml", "SaveLastError",
                                                            "SaveBinaryContent", "SetBinaryContentFromFile"}));
    EXPECT_EQ(namesWithFlag(rss, kRefusedInBrowser), (Names{"LoadRssFile", "SaveLastError"}));
    EXPECT_EQ(namesWithFlag(atom, kRefusedInBrowser), (Names{"SaveLastError"}));
    for (const Interface *interface : {&xml, &rss, &atom}) {
        EXPECT_EQ(namesWithFlag(*interface, kPutRefusedInBrowser), (Names{"DebugLogFilePath"})) << interface->name;
    }
    EXPECT_EQ(namesWithFlag(rss, kProgressSink), (Names{"DownloadRss"}));
    EXPECT_EQ(namesWithFlag(atom, kProgressSink), (Names{"DownloadAtom"}));
}

TEST(AutomationMembers, ClassesNameTheirInterfacesAndIdentifiersAreDistinct) {
    struct Expected {
        const char *name, *defaultInterface, *eventInterface, *description;
        std::vector<std::pair<std::string, std::string>> progIds;
    };
    const std::vector<Expected> expected = {
        {"QuorvelXml", "IQuorvelXml", "_IQuorvelXmlEvents", "Quorvel Xml",
         {{"QuorvelXml.QuorvelXml.1", "QuorvelXml.QuorvelXml"}, {"Quorvel.Xml.1", "Quorvel.Xml"}}},
        {"QuorvelRss", "IQuorvelRss", "_IQuorvelRssEvents", "QuorvelRss Class", {{"Quorvel.Rss.1", "Quorvel.Rss"}}},
        {"QuorvelAtom", "IQuorvelAtom", "_IQuorvelAtomEvents", "QuorvelAtom Class", {{"Quorvel.Atom.1", "Quorvel.Atom"}}}};
    ASSERT_EQ(std::size(kCoClasses), expected.size());
    std::vector<const Guid *> guids = {&kTypeLibrary.libid, &kQvDateTimeClass.clsid};
    for (size_t i = 0; i < expected.size(); ++i) {
        const CoClass &coclass = kCoClasses[i];
        EXPECT_STREQ(coclass.name, expected[i].name);
        EXPECT_STREQ(coclass.defaultInterface->name, expected[i].defaultInterface);
        EXPECT_EQ(coclass.defaultInterface->kind, InterfaceKind::Dual);
        EXPECT_NE(coclass.defaultInterface->internalClass, nullptr);
        EXPECT_STREQ(coclass.eventInterface->name, expected[i].eventInterface);
        EXPECT_EQ(coclass.eventInterface->kind, InterfaceKind::DispInterface);
        EXPECT_STREQ(coclass.description, expected[i].description);
        std::vector<std::pair<std::string, std::string>> progIds;
        for (const ProgId &progId : coclass.progIds) progIds.emplace_back(progId.versioned, progId.independent);
        EXPECT_EQ(progIds, expected[i].progIds);
        guids.push_back(&coclass.clsid);
    }
    for (const Interface *interface : kInterfaces) guids.push_back(&interface->iid);
    for (size_t i = 0; i < guids.size(); ++i) {
        for (size_t j = i + 1; j < guids.size(); ++j) EXPECT_NE(std::memcmp(guids[i], guids[j], sizeof(Guid)), 0);
    }
    EXPECT_STREQ(kTypeLibrary.name, "QUORVELXMLLib");
    EXPECT_EQ(kTypeLibrary.majorVersion * 10 + kTypeLibrary.minorVersion, 10);
    // The date-time class the Atom members hand out is served by ClsDateTime, each member by its own name.
    EXPECT_STREQ(kQvDateTimeClass.interface->name, "IQvDateTime");
    EXPECT_STREQ(kQvDateTimeClass.interface->internalClass, "ClsDateTime");
}

}  // namespace
}  // namespace quorvel::automation
