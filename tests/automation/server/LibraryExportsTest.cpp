// libquorvelxml.so loaded as a host loads it: the entry points and the automation runtime are
// visible, nothing else. (Creating, scripting and unloading through them, with the runtime's strings,
// variants and arrays: the Python host's suite, which loads the library by these names.)
#ifdef QUORVEL_XML_LIBRARY
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "automation/com/Com.h"

namespace quorvel::automation {
namespace {

using NoArguments = HRESULT (*)();

TEST(LibraryExports, OnlyTheEntryPointsAndTheAutomationRuntimeAreExported) {
    const std::unique_ptr<void, int (*)(void *)> library(dlopen(QUORVEL_XML_LIBRARY, RTLD_NOW | RTLD_LOCAL), dlclose);
    ASSERT_NE(library, nullptr) << dlerror();
    auto registerServer = reinterpret_cast<NoArguments>(dlsym(library.get(), "DllRegisterServer"));
    auto unregisterServer = reinterpret_cast<NoArguments>(dlsym(library.get(), "DllUnregisterServer"));
    ASSERT_TRUE(registerServer && unregisterServer);
    EXPECT_EQ(registerServer(), S_OK) << "registration runs over the class map";
    EXPECT_EQ(unregisterServer(), S_OK);
    // The library's own code and the COM layer's constants stay inside.
    for (const char *name : {"_ZN7quorvel10automation14moduleRegistryEv", "IID_IDispatch", "IID_IUnknown"})
        EXPECT_EQ(dlsym(library.get(), name), nullptr) << name;
}

}  // namespace
}  // namespace quorvel::automation
#endif
