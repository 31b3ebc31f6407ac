#include "automation/server/ModuleRegistration.h"

#include <dlfcn.h>

namespace quorvel::automation {

MemoryRegistry &moduleRegistry() {
    static MemoryRegistry registry;
    return registry;
}

std::string modulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&moduleRegistry), &info) == 0 || !info.dli_fname) return std::string();
    return info.dli_fname;
}

}  // namespace quorvel::automation
