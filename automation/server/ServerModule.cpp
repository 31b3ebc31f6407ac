#include "automation/server/ServerModule.h"

namespace quorvel::automation {

ServerModule &ServerModule::instance() {
    static ServerModule module;
    return module;
}

bool ServerModule::unlock() {
    long held = m_locks.load();
    while (held > 0) {
        if (m_locks.compare_exchange_weak(held, held - 1)) return true;
    }
    return false;
}

}  // namespace quorvel::automation
