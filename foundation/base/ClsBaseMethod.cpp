// The standard prologue and closing of a public method's log.
#include <bit>
#include <string>

#include "foundation/base/ClsBase.h"
#include "foundation/text/StringBuffer.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

// "computer:user", or the user alone when the computer has no name. Looked up once per process:
// the names do not change while it runs, and the lookups are slow on some systems.
StringBuffer makeUsername() {
    std::string computer;
    if (!SystemInfo::computerName(computer)) computer = "Win32";
    std::string user;
    SystemInfo::userName(user);
    StringBuffer value;
    if (!computer.empty()) {
        value.append(computer.c_str());
        value.appendChar(':');
    }
    value.append(user.c_str());
    return value;
}

const char *cachedUsername() {
    static const StringBuffer username = makeUsername();
    return username.getString();
}

const char *architecture() {
    return std::endian::native == std::endian::big ? "Big Endian; 64-bit" : "Little Endian; 64-bit";
}

}  // namespace

void ClsBase::beginMethod(const char *methodName) {
    m_log.clearLog();
    m_log.enterContext(methodName, true);
    m_log.logData("DllDate", kDllDate);
    m_log.logData("QuorvelVersion", kVersion);
    m_log.logData("Username", cachedUsername());
    m_log.logData("Architecture", architecture());
    m_log.logData("Language", "ActiveX / x64");
    m_log.logData("VerboseLogging", m_verboseLogging ? "1" : "0");
}

void ClsBase::endMethod() { m_log.leaveContext(); }

}  // namespace quorvel
