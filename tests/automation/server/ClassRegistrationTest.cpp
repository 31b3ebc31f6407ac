#include "automation/server/ClassRegistration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/MemoryRegistry.h"

namespace quorvel::automation {
namespace {

constexpr const char *kModule = "/opt/quorvel/lib/libquorvelxml.so";
const std::string kRssGuid = "DD3FAF12-7890-489C-B6DD-007EA082A406";

// The keys of a dump (each with its value lines) that `keep` accepts.
std::string keysWhere(const std::string &dump, const std::function<bool(const std::string &)> &keep) {
    std::string out;
    bool kept = false;
    for (size_t at = 0, next; at < dump.size(); at = next) {
        next = dump.find('\n', at) + 1;
        const std::string line = dump.substr(at, next - at);
        if (line[0] != ' ') kept = keep(line);
        if (kept) out += line;
    }
    return out;
}

std::string without(const std::string &dump, std::initializer_list<const char *> names) {
    return keysWhere(dump, [&](const std::string &key) {
        return std::none_of(names.begin(), names.end(), [&](const char *name) { return key.find(name) != key.npos; });
    });
}

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// Rss's tree under another class's identifier, name and ProgID.
std::string as(const std::string &rss, const std::string &guid, const std::string &name, const std::string &progId) {
    return replaced(replaced(replaced(rss, kRssGuid, guid), "QuorvelRss Class", name), "Quorvel.Rss", progId);
}

// The richest class in full; the others are checked by how they differ from it.
const std::string kRssClass =
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\n  @ = QuorvelRss Class\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Control\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\InprocServer32\n"
    "  @ = /opt/quorvel/lib/libquorvelxml.so\n  ThreadingModel = Apartment\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Insertable\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\MiscStatus\n  @ = 0\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\MiscStatus\\1\n  @ = 132497\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\ProgID\n  @ = Quorvel.Rss.1\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Programmable\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\ToolboxBitmap32\n"
    "  @ = /opt/quorvel/lib/libquorvelxml.so, 107\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\TypeLib\n  @ = {574B8615-81B2-4E70-8348-D49163151D5E}\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Version\n  @ = 1.0\n"
    "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\VersionIndependentProgID\n  @ = Quorvel.Rss\n";
const std::string kRssProgIds =
    "Quorvel.Rss\n  @ = QuorvelRss Class\nQuorvel.Rss\\CLSID\n  @ = {DD3FAF12-7890-489C-B6DD-007EA082A406}\n"
    "Quorvel.Rss\\CurVer\n  @ = Quorvel.Rss.1\nQuorvel.Rss\\Insertable\n"
    "Quorvel.Rss.1\n  @ = QuorvelRss Class\nQuorvel.Rss.1\\CLSID\n  @ = {DD3FAF12-7890-489C-B6DD-007EA082A406}\n"
    "Quorvel.Rss.1\\Insertable\n";

TEST(ClassRegistration, WritesExactlyTheKeysOfEachClass) {
    MemoryRegistry registry;
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);
    const std::string atom = "BBDF876B-1510-4155-81BE-449A49721884", xml = "B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3";
    // Atom differs by its names, identifier and bitmap; Xml is neither insertable nor drawn in a
    // toolbox, and answers to two ProgID families.
    const std::string atomClass = replaced(as(kRssClass, atom, "QuorvelAtom Class", "Quorvel.Atom"), ", 107", ", 109");
    const std::string xmlClass = as(without(kRssClass, {"\\Insertable", "\\MiscStatus", "\\ToolboxBitmap32"}), xml,
                                    "Quorvel Xml", "QuorvelXml.QuorvelXml");
    const std::string xmlProgIds = without(kRssProgIds, {"\\Insertable"});
    EXPECT_EQ(registry.dump(), "CLSID\n" + xmlClass + atomClass + kRssClass +
                                   as(kRssProgIds, atom, "QuorvelAtom Class", "Quorvel.Atom") + kRssProgIds +
                                   as(xmlProgIds, xml, "Quorvel Xml", "Quorvel.Xml") +
                                   as(xmlProgIds, xml, "Quorvel Xml", "QuorvelXml.QuorvelXml"));
}

TEST(ClassRegistration, TheDateTimeComponentRegistersItsClassAloneAndLeavesNothingBehind) {
    MemoryRegistry registry;
    ASSERT_EQ(registerClass(registry, dateTimeClassRegistration(), kTypeLibrary, "C:\\Q\\QvDateTime.dll"), S_OK);
    const std::string key = "CLSID\\{29EF5612-DA40-463F-8E8A-CCFC1B6D1A88}";
    EXPECT_EQ(registry.dump(), "CLSID\n" + key + "\n  @ = QvDateTime\n" + key +
                                   "\\InprocServer32\n  @ = C:\\Q\\QvDateTime.dll\n  ThreadingModel = Apartment\n" + key +
                                   "\\TypeLib\n  @ = {574B8615-81B2-4E70-8348-D49163151D5E}\n" + key + "\\Version\n  @ = 1.0\n");
    ASSERT_EQ(unregisterClass(registry, dateTimeClassRegistration()), S_OK);
    EXPECT_EQ(registry.dump(), "CLSID\n");
}

TEST(ClassRegistration, ReplacesControlEntriesWholeKeepsOtherKeysAndUnregistersOnlyItsOwn) {
    MemoryRegistry registry;
    const std::string rss = "CLSID\\{" + kRssGuid + "}", foreign = "CLSID\\{00000000-1111-2222-3333-444444444444}";
    // Left from an earlier registration: stale entries below the replaced keys, a stale value,
    // and an entry of the user's below a key that is only updated; and someone else's class.
    for (const char *key : {"\\Programmable\\Old", "\\Control\\Old", "\\Insertable\\Old", "\\ToolboxBitmap32\\Old",
                            "\\InprocServer32", "\\Implemented Categories"})
        ASSERT_EQ(registry.createKey(rss + key), S_OK);
    ASSERT_EQ(registry.setValue(rss + "\\InprocServer32", "", "/old/path.so"), S_OK);
    ASSERT_EQ(registry.createKey(foreign + "\\InprocServer32"), S_OK);
    ASSERT_EQ(registry.createKey("Other.ProgId\\CLSID"), S_OK);
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);
    for (const char *key : {"\\Programmable\\Old", "\\Control\\Old", "\\Insertable\\Old", "\\ToolboxBitmap32\\Old"})
        EXPECT_FALSE(registry.hasKey(rss + key)) << key;
    EXPECT_TRUE(registry.hasKey(rss + "\\Implemented Categories"));
    EXPECT_EQ(*registry.value(rss + "\\InprocServer32", ""), kModule);
    const std::string once = registry.dump();
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);
    EXPECT_EQ(registry.dump(), once) << "registering twice gives the same tree";

    ASSERT_EQ(unregisterAllClasses(registry), S_OK);
    EXPECT_EQ(registry.dump(),
              "CLSID\n" + foreign + "\n" + foreign + "\\InprocServer32\nOther.ProgId\nOther.ProgId\\CLSID\n");
    EXPECT_EQ(unregisterAllClasses(registry), S_OK) << "unregistering what is not registered";
    EXPECT_TRUE(registry.hasKey("CLSID"));
}

// A registry whose n-th write fails; every write is counted.
class FailingRegistry : public MemoryRegistry {
public:
    explicit FailingRegistry(int failAt) : m_failAt(failAt) {}
    int writes = 0;

    HRESULT createKey(const std::string &key) override { return next() ? MemoryRegistry::createKey(key) : kFailure; }
    HRESULT setValue(const std::string &key, const std::string &name, const std::string &value) override {
        return next() ? MemoryRegistry::setValue(key, name, value) : kFailure;
    }
    HRESULT deleteKeyTree(const std::string &key) override {
        return next() ? MemoryRegistry::deleteKeyTree(key) : kFailure;
    }
    static constexpr HRESULT kFailure = E_ACCESSDENIED;

private:
    bool next() { return ++writes != m_failAt; }
    int m_failAt;
};

TEST(ClassRegistration, StopsAtTheFirstFailingStepAndReturnsItsError) {
    FailingRegistry counting(0);
    ASSERT_EQ(registerAllClasses(counting, kModule), S_OK);
    const int total = counting.writes;
    for (int failAt : {1, 2, total / 2, total}) {
        FailingRegistry registry(failAt);
        EXPECT_EQ(registerAllClasses(registry, kModule), FailingRegistry::kFailure) << failAt;
        EXPECT_EQ(registry.writes, failAt) << "a step ran after the failure";
    }
    // Unregistration tries every removal and reports the first failure.
    FailingRegistry registry(1);
    EXPECT_EQ(unregisterAllClasses(registry), FailingRegistry::kFailure);
    EXPECT_EQ(registry.writes, 3 * 1 + 2 * 2 + 2 + 2);  // the class keys and the ProgID keys
}

TEST(MemoryRegistry, NamesCompareWithoutCaseAndSetValueNeedsTheKey) {
    MemoryRegistry registry;
    EXPECT_EQ(registry.setValue("Missing", "", "x"), kRegistryKeyNotFound);
    ASSERT_EQ(registry.createKey("Quorvel.Xml\\CLSID"), S_OK);
    ASSERT_EQ(registry.setValue("quorvel.xml\\clsid", "", "{A}"), S_OK);
    ASSERT_EQ(registry.setValue("QUORVEL.XML", "Name", "1"), S_OK);
    ASSERT_EQ(registry.setValue("Quorvel.Xml", "NAME", "2"), S_OK);
    EXPECT_EQ(registry.dump(), "Quorvel.Xml\n  Name = 2\nQuorvel.Xml\\CLSID\n  @ = {A}\n");
    EXPECT_EQ(registry.deleteValue("Quorvel.Xml", "name"), S_OK);
    EXPECT_EQ(registry.deleteKeyTree("QUORVEL.xml"), S_OK);
    EXPECT_EQ(registry.dump(), "");
    EXPECT_EQ(registry.deleteKeyTree("Quorvel.Xml\\CLSID"), S_OK);
}

}  // namespace
}  // namespace quorvel::automation
