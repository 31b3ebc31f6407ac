#include "automation/server/ClassObjects.h"

#include <gtest/gtest.h>

#include <cstring>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "automation/server/ProgIdMap.h"

namespace quorvel::automation {
namespace {

// A class whose objects count in a test module and record the outer unknown they were given.
ServerModule *gModule = nullptr;
IUnknown *gLastOuter = nullptr;
int gCreateCalls = 0;

struct CountedObject final : IUnknown {
    ULONG references = 1;
    CountedObject() { gModule->objectCreated(); }
    ~CountedObject() { gModule->objectDestroyed(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (!IsEqualIID(iid, IID_IUnknown)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
};

HRESULT createCounted(IUnknown *outer, REFIID iid, void **object) {
    ++gCreateCalls;
    gLastOuter = outer;
    CountedObject *created = new CountedObject();
    HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

constexpr Guid kTestClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr Guid kOtherClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x56}};
constexpr ClassMapEntry kTestMap[] = {{kTestClass, createCounted}};

class ClassObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gModule = &module;
        gCreateCalls = 0;
        gLastOuter = nullptr;
    }
    IClassFactory *factory() {
        void *object = nullptr;
        const GUID clsid = comGuid(kTestClass);
        EXPECT_EQ(objects.get(clsid, IID_IClassFactory, &object), S_OK);
        return static_cast<IClassFactory *>(object);
    }

    ServerModule module;
    ClassObjects objects{kTestMap, module};
};

TEST_F(ClassObjectsTest, ClassObjectIsMadeOnceAndUnknownClassesAreNotAvailable) {
    IClassFactory *first = factory();
    IClassFactory *second = factory();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    first->Release();
    second->Release();

    void *object = reinterpret_cast<void *>(1);
    const GUID other = comGuid(kOtherClass);
    EXPECT_EQ(objects.get(other, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    const GUID clsid = comGuid(kTestClass);
    EXPECT_EQ(objects.get(clsid, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(objects.get(clsid, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(module.canUnloadNow(), S_OK);
}

TEST_F(ClassObjectsTest, CreateInstanceAloneAndAggregated) {
    IClassFactory *classObject = factory();
    void *object = reinterpret_cast<void *>(1);

    EXPECT_EQ(classObject->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    CountedObject outer;  // any unknown serves as the outer object here
    // An aggregate asks its inner object for IUnknown and nothing else.
    EXPECT_EQ(classObject->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(gCreateCalls, 0);

    ASSERT_EQ(classObject->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(gLastOuter, &outer);
    static_cast<IUnknown *>(object)->Release();
    ASSERT_EQ(classObject->CreateInstance(nullptr, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(gLastOuter, nullptr);
    static_cast<IUnknown *>(object)->Release();
    // The creator's own refusal comes back as it is.
    EXPECT_EQ(classObject->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    classObject->Release();
    EXPECT_EQ(module.objectCount(), 1) << "only the stack object is alive";
}

TEST_F(ClassObjectsTest, ModuleUnloadsOnlyWithoutObjectsLocksOrClassObjectReferences) {
    EXPECT_EQ(module.canUnloadNow(), S_OK);
    IClassFactory *classObject = factory();
    EXPECT_EQ(module.canUnloadNow(), S_FALSE) << "a held class object keeps the module";

    void *object = nullptr;
    ASSERT_EQ(classObject->CreateInstance(nullptr, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(classObject->LockServer(TRUE), S_OK);
    classObject->Release();
    EXPECT_EQ(module.objectCount(), 1);
    EXPECT_EQ(module.canUnloadNow(), S_FALSE);

    static_cast<IUnknown *>(object)->Release();
    EXPECT_EQ(module.objectCount(), 0);
    EXPECT_EQ(module.canUnloadNow(), S_FALSE) << "the server lock still holds";

    classObject = factory();
    EXPECT_EQ(classObject->LockServer(FALSE), S_OK);
    classObject->Release();
    EXPECT_EQ(module.canUnloadNow(), S_OK);
    // An unlock without a lock is refused and changes nothing; neither does an extra Release.
    classObject = factory();
    EXPECT_EQ(classObject->Release(), 0u);
    EXPECT_EQ(classObject->Release(), 0u);
    EXPECT_EQ(module.canUnloadNow(), S_OK);
    EXPECT_FALSE(module.unlock());
    EXPECT_EQ(module.lockCount(), 0);
}

TEST(ProgIdMap, EveryProgIdOfEveryClassNamesItsClass) {
    const char *expected[][2] = {
        {"QuorvelXml.QuorvelXml.1", "{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}"},
        {"QuorvelXml.QuorvelXml", "{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}"},
        {"Quorvel.Xml.1", "{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}"},
        {"Quorvel.Xml", "{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}"},
        {"Quorvel.Rss.1", "{DD3FAF12-7890-489C-B6DD-007EA082A406}"},
        {"Quorvel.Rss", "{DD3FAF12-7890-489C-B6DD-007EA082A406}"},
        {"Quorvel.Atom.1", "{BBDF876B-1510-4155-81BE-449A49721884}"},
        {"Quorvel.Atom", "{BBDF876B-1510-4155-81BE-449A49721884}"},
    };
    auto map = progIdMap();
    ASSERT_EQ(map.size(), std::size(expected));
    for (size_t i = 0; i < map.size(); ++i) {
        EXPECT_STREQ(map[i].progId, expected[i][0]);
        Guid clsid{map[i].clsid.Data1, map[i].clsid.Data2, map[i].clsid.Data3, {}};
        std::memcpy(clsid.data4, map[i].clsid.Data4, 8);
        EXPECT_EQ(guidText(clsid), expected[i][1]) << expected[i][0];
    }

    CLSID found{};
    EXPECT_EQ(clsidFromProgId("quorvel.RSS.1", &found), S_OK);
    EXPECT_TRUE(sameGuid(found, kCoClasses[1].clsid));
    for (const char *unknown : {"Quorvel.Rss.2", "Quorvel.Rs", "", "Quorvel.Rss.1 "})
        EXPECT_EQ(clsidFromProgId(unknown, &found), kUnknownProgId) << unknown;
    EXPECT_EQ(clsidFromProgId(nullptr, &found), E_POINTER);
}

}  // namespace
}  // namespace quorvel::automation
