#include "automation/server/ClassObjects.h"

#include <gtest/gtest.h>

#include <functional>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "automation/server/ProgIdMap.h"
#include "tests/automation/server/ServerTestSupport.h"

namespace quorvel::automation {
namespace {

// A class whose objects count in a test module and record the outer unknown they were given.
ServerModule *gModule = nullptr;
IUnknown *gLastOuter = nullptr;
int gCreateCalls = 0;

struct CountedObject final : comtest::Counted<IUnknown> {
    CountedObject() { gModule->objectCreated(); }
    ~CountedObject() { gModule->objectDestroyed(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        return answer(iid, &IID_IUnknown, object);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
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

TEST_F(ClassObjectsTest, GetAndCreateInstanceAnswerByTheTable) {
    IClassFactory *classObject = factory();
    ASSERT_NE(classObject, nullptr);
    IClassFactory *again = factory();
    EXPECT_EQ(again, classObject) << "the class object is made once";
    again->Release();
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(objects.get(comGuid(kOtherClass), IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(objects.get(comGuid(kTestClass), IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(objects.get(comGuid(kTestClass), IID_IUnknown, nullptr), E_POINTER);
    servertest::Refusing outer;  // any unknown serves as the outer object here
    struct CreateRow {
        IUnknown *outer;
        const IID *iid;
        bool out;
        HRESULT expected;
        int creatorCalls;  // an aggregate asks its inner object for IUnknown and nothing else
    };
    for (const CreateRow &row : {CreateRow{nullptr, &IID_IUnknown, false, E_POINTER, 0},
                                 CreateRow{&outer, &IID_IDispatch, true, CLASS_E_NOAGGREGATION, 0},
                                 CreateRow{&outer, &IID_IUnknown, true, S_OK, 1},
                                 CreateRow{nullptr, &IID_IUnknown, true, S_OK, 1},
                                 CreateRow{nullptr, &IID_IDispatch, true, E_NOINTERFACE, 1}}) {
        gCreateCalls = 0;
        gLastOuter = reinterpret_cast<IUnknown *>(1);
        void *object = reinterpret_cast<void *>(1);
        EXPECT_EQ(classObject->CreateInstance(row.outer, *row.iid, row.out ? &object : nullptr), row.expected);
        EXPECT_EQ(gCreateCalls, row.creatorCalls);
        if (row.creatorCalls) {
            EXPECT_EQ(gLastOuter, row.outer);
        }
        if (row.out && FAILED(row.expected)) {
            EXPECT_EQ(object, nullptr);
        }
        if (row.out && SUCCEEDED(row.expected)) static_cast<IUnknown *>(object)->Release();
    }
    classObject->Release();
    EXPECT_EQ(module.objectCount(), 0);
}

TEST_F(ClassObjectsTest, ModuleUnloadsOnlyWithoutObjectsLocksOrClassObjectReferences) {
    IClassFactory *classObject = nullptr;
    void *object = nullptr;
    struct Step {
        const char *what;
        std::function<void()> act;
        HRESULT canUnload;
        long objects;
    };
    const Step steps[] = {
        {"nothing held", [] {}, S_OK, 0}, {"class object held", [&] { classObject = factory(); }, S_FALSE, 0},
        {"object made",
         [&] { EXPECT_EQ(classObject->CreateInstance(nullptr, IID_IUnknown, &object), S_OK); },
         S_FALSE,
         1},
        {"locked, class object let go", [&] { classObject->LockServer(TRUE); classObject->Release(); }, S_FALSE, 1},
        {"object let go, lock held", [&] { static_cast<IUnknown *>(object)->Release(); }, S_FALSE, 0},
        {"unlocked", [&] { classObject = factory(); classObject->LockServer(FALSE); classObject->Release(); }, S_OK, 0},
        {"an extra Release", [&] { classObject = factory(); classObject->Release(); classObject->Release(); }, S_OK, 0},
    };
    for (const Step &step : steps) {
        step.act();
        EXPECT_EQ(module.canUnloadNow(), step.canUnload) << step.what;
        EXPECT_EQ(module.objectCount(), step.objects) << step.what;
    }
    EXPECT_FALSE(module.unlock()) << "an unlock without a lock is refused";
    EXPECT_EQ(module.lockCount(), 0);
}

// (Every ProgID creating its class through the exported map: the Python host's suite.)
TEST(ProgIdMap, LookUpsIgnoreCaseAndNothingElse) {
    CLSID found{};
    EXPECT_EQ(clsidFromProgId("quorvel.RSS.1", &found), S_OK);
    EXPECT_TRUE(sameGuid(found, kCoClasses[1].clsid));
    for (const char *unknown : {"Quorvel.Rss.2", "Quorvel.Rs", "", "Quorvel.Rss.1 "})
        EXPECT_EQ(clsidFromProgId(unknown, &found), kUnknownProgId) << unknown;
    EXPECT_EQ(clsidFromProgId(nullptr, &found), E_POINTER);
}

}  // namespace
}  // namespace quorvel::automation
