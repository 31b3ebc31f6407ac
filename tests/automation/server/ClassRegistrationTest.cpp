#include "automation/server/ClassRegistration.h"

#include <gtest/gtest.h>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/MemoryRegistry.h"

namespace quorvel::automation {
namespace {

constexpr const char *kModule = "/opt/quorvel/lib/libquorvelxml.so";

TEST(ClassRegistration, WritesExactlyTheKeysOfEachClass) {
    MemoryRegistry registry;
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);
    EXPECT_EQ(registry.dump(),
              "CLSID\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\n"
              "  @ = Quorvel Xml\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\Control\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\InprocServer32\n"
              "  @ = /opt/quorvel/lib/libquorvelxml.so\n"
              "  ThreadingModel = Apartment\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\ProgID\n"
              "  @ = QuorvelXml.QuorvelXml.1\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\Programmable\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\TypeLib\n"
              "  @ = {574B8615-81B2-4E70-8348-D49163151D5E}\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\Version\n"
              "  @ = 1.0\n"
              "CLSID\\{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\\VersionIndependentProgID\n"
              "  @ = QuorvelXml.QuorvelXml\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\n"
              "  @ = QuorvelAtom Class\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\Control\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\InprocServer32\n"
              "  @ = /opt/quorvel/lib/libquorvelxml.so\n"
              "  ThreadingModel = Apartment\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\Insertable\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\MiscStatus\n"
              "  @ = 0\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\MiscStatus\\1\n"
              "  @ = 132497\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\ProgID\n"
              "  @ = Quorvel.Atom.1\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\Programmable\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\ToolboxBitmap32\n"
              "  @ = /opt/quorvel/lib/libquorvelxml.so, 109\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\TypeLib\n"
              "  @ = {574B8615-81B2-4E70-8348-D49163151D5E}\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\Version\n"
              "  @ = 1.0\n"
              "CLSID\\{BBDF876B-1510-4155-81BE-449A49721884}\\VersionIndependentProgID\n"
              "  @ = Quorvel.Atom\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\n"
              "  @ = QuorvelRss Class\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Control\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\InprocServer32\n"
              "  @ = /opt/quorvel/lib/libquorvelxml.so\n"
              "  ThreadingModel = Apartment\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Insertable\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\MiscStatus\n"
              "  @ = 0\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\MiscStatus\\1\n"
              "  @ = 132497\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\ProgID\n"
              "  @ = Quorvel.Rss.1\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Programmable\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\ToolboxBitmap32\n"
              "  @ = /opt/quorvel/lib/libquorvelxml.so, 107\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\TypeLib\n"
              "  @ = {574B8615-81B2-4E70-8348-D49163151D5E}\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\Version\n"
              "  @ = 1.0\n"
              "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}\\VersionIndependentProgID\n"
              "  @ = Quorvel.Rss\n"
              "Quorvel.Atom\n"
              "  @ = QuorvelAtom Class\n"
              "Quorvel.Atom\\CLSID\n"
              "  @ = {BBDF876B-1510-4155-81BE-449A49721884}\n"
              "Quorvel.Atom\\CurVer\n"
              "  @ = Quorvel.Atom.1\n"
              "Quorvel.Atom\\Insertable\n"
              "Quorvel.Atom.1\n"
              "  @ = QuorvelAtom Class\n"
              "Quorvel.Atom.1\\CLSID\n"
              "  @ = {BBDF876B-1510-4155-81BE-449A49721884}\n"
              "Quorvel.Atom.1\\Insertable\n"
              "Quorvel.Rss\n"
              "  @ = QuorvelRss Class\n"
              "Quorvel.Rss\\CLSID\n"
              "  @ = {DD3FAF12-7890-489C-B6DD-007EA082A406}\n"
              "Quorvel.Rss\\CurVer\n"
              "  @ = Quorvel.Rss.1\n"
              "Quorvel.Rss\\Insertable\n"
              "Quorvel.Rss.1\n"
              "  @ = QuorvelRss Class\n"
              "Quorvel.Rss.1\\CLSID\n"
              "  @ = {DD3FAF12-7890-489C-B6DD-007EA082A406}\n"
              "Quorvel.Rss.1\\Insertable\n"
              "Quorvel.Xml\n"
              "  @ = Quorvel Xml\n"
              "Quorvel.Xml\\CLSID\n"
              "  @ = {B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\n"
              "Quorvel.Xml\\CurVer\n"
              "  @ = Quorvel.Xml.1\n"
              "Quorvel.Xml.1\n"
              "  @ = Quorvel Xml\n"
              "Quorvel.Xml.1\\CLSID\n"
              "  @ = {B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\n"
              "QuorvelXml.QuorvelXml\n"
              "  @ = Quorvel Xml\n"
              "QuorvelXml.QuorvelXml\\CLSID\n"
              "  @ = {B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\n"
              "QuorvelXml.QuorvelXml\\CurVer\n"
              "  @ = QuorvelXml.QuorvelXml.1\n"
              "QuorvelXml.QuorvelXml.1\n"
              "  @ = Quorvel Xml\n"
              "QuorvelXml.QuorvelXml.1\\CLSID\n"
              "  @ = {B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}\n");
}

TEST(ClassRegistration, ReplacesControlEntriesWholeAndKeepsOtherKeys) {
    MemoryRegistry registry;
    const std::string rss = "CLSID\\{DD3FAF12-7890-489C-B6DD-007EA082A406}";
    // Left from an earlier registration: stale entries below the replaced keys, a stale value,
    // and an entry of the user's below a key that is only updated.
    for (const char *key : {"\\Programmable\\Old", "\\Control\\Old", "\\Insertable\\Old", "\\ToolboxBitmap32\\Old",
                            "\\InprocServer32", "\\Implemented Categories"})
        ASSERT_EQ(registry.createKey(rss + key), S_OK);
    ASSERT_EQ(registry.setValue(rss + "\\InprocServer32", "", "/old/path.so"), S_OK);
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);

    for (const char *key : {"\\Programmable\\Old", "\\Control\\Old", "\\Insertable\\Old", "\\ToolboxBitmap32\\Old"})
        EXPECT_FALSE(registry.hasKey(rss + key)) << key;
    EXPECT_TRUE(registry.hasKey(rss + "\\Implemented Categories"));
    EXPECT_EQ(*registry.value(rss + "\\InprocServer32", ""), kModule);
    // Registering twice gives the same tree.
    std::string once = registry.dump();
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);
    EXPECT_EQ(registry.dump(), once);
}

TEST(ClassRegistration, UnregisteringRemovesClassAndProgIdKeysButNeverTheClsidKey) {
    MemoryRegistry registry;
    ASSERT_EQ(registry.createKey("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"), S_OK);
    ASSERT_EQ(registry.createKey("Other.ProgId\\CLSID"), S_OK);
    ASSERT_EQ(registerAllClasses(registry, kModule), S_OK);
    ASSERT_EQ(unregisterAllClasses(registry), S_OK);
    EXPECT_EQ(registry.dump(),
              "CLSID\n"
              "CLSID\\{00000000-1111-2222-3333-444444444444}\n"
              "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32\n"
              "Other.ProgId\n"
              "Other.ProgId\\CLSID\n");
    // Unregistering what is not registered succeeds and leaves the CLSID key.
    ASSERT_EQ(unregisterAllClasses(registry), S_OK);
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
