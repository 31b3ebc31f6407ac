// libquorvelxml.so loaded as a host loads it: only the entry points are visible, and a class
// is created and scripted through them.
#ifdef QUORVEL_XML_LIBRARY
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "automation/server/ProgIdMap.h"
#include "tests/automation/server/ServerTestSupport.h"

namespace quorvel::automation {
namespace {

using servertest::Args;
using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void **);
using NoArguments = HRESULT (*)();
using ProgIdMapFunction = const QuorvelProgIdMapping *(*)(ULONG *);

class LibraryExports : public ::testing::Test {
protected:
    void SetUp() override {
        library = dlopen(QUORVEL_XML_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
    }
    void TearDown() override {
        if (library) dlclose(library);
    }
    template <class Function>
    Function symbol(const char *name) {
        return reinterpret_cast<Function>(dlsym(library, name));
    }
    void *library = nullptr;
};

TEST_F(LibraryExports, OnlyTheEntryPointsAndTheAutomationRuntimeAreExported) {
    // Clients allocate and free the strings, variants and arrays they exchange with the objects
    // through the library's own runtime.
    for (const char *name : {"DllGetClassObject", "DllCanUnloadNow", "QuorvelProgIdMap", "SysAllocStringLen",
                             "SysFreeString", "SysStringLen", "VariantClear", "SafeArrayCreateVector",
                             "SafeArrayAccessData"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    auto registerServer = symbol<NoArguments>("DllRegisterServer");
    auto unregisterServer = symbol<NoArguments>("DllUnregisterServer");
    ASSERT_TRUE(registerServer && unregisterServer);
    EXPECT_EQ(registerServer(), S_OK) << "registration runs over the class map";
    EXPECT_EQ(unregisterServer(), S_OK);
    // The library's own code and the COM layer's constants stay inside.
    for (const char *name : {"_ZN7quorvel10automation14moduleRegistryEv", "IID_IDispatch", "IID_IUnknown"})
        EXPECT_EQ(dlsym(library, name), nullptr) << name;
}

TEST_F(LibraryExports, AClassFoundByProgIdIsCreatedScriptedAndUnloadable) {
    auto progIdMap = symbol<ProgIdMapFunction>("QuorvelProgIdMap");
    auto getClassObject = symbol<GetClassObject>("DllGetClassObject");
    auto canUnloadNow = symbol<NoArguments>("DllCanUnloadNow");
    ASSERT_TRUE(progIdMap && getClassObject && canUnloadNow);

    ULONG count = 0;
    const QuorvelProgIdMapping *map = progIdMap(&count);
    ASSERT_EQ(count, 8u);
    const QuorvelProgIdMapping *xml = nullptr;
    for (ULONG i = 0; i < count; ++i)
        if (std::strcmp(map[i].progId, "Quorvel.Xml") == 0) xml = &map[i];
    ASSERT_NE(xml, nullptr);

    const GUID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    void *object = nullptr;
    EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(xml->clsid, IID_IClassFactory, &object), S_OK);
    IClassFactory *factory = static_cast<IClassFactory *>(object);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), S_OK);
    factory->Release();
    IDispatch *dispatch = static_cast<IDispatch *>(object);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";

    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(servertest::callByName(dispatch, "LoadXml", Args().str(u"<a><b/></a>"), &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 1);
    ASSERT_EQ(servertest::callByName(dispatch, "NumChildren", Args(), &result, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(result.lVal, 1);
    dispatch->Release();
    EXPECT_EQ(canUnloadNow(), S_OK) << "the last release frees the module";
}

}  // namespace
}  // namespace quorvel::automation
#endif
