#include "ZoneScope.h"

#include <cstdlib>
#include <cstring>

#include "platform/SystemClock.h"
#include "support/TestFiles.h"

namespace quorvel::test {

#ifdef _WIN32

namespace {

// Wine hands the host's TZ variable to Windows programs and reports the host's zone as the
// system zone. The C runtime would read TZ in its own syntax and disagree with the system clock,
// so the variable is taken away before any test runs and only remembered: a test that wants
// that very zone can run, the others skip.
std::string takeHostZone() {
    const char *tz = std::getenv("TZ");
    std::string zone = tz ? tz : "";
    _putenv("TZ=");
    SystemClock::reloadZoneRules();
    return zone;
}

const std::string &hostZone() {
    static const std::string zone = takeHostZone();
    return zone;
}

[[maybe_unused]] const bool kHostZoneTaken = (hostZone(), true);

}  // namespace

ZoneScope::ZoneScope(const char *zone) {
    if (hostZone() == zone) {
        m_active = true;
        return;
    }
    m_whyNot = std::string("cannot choose the zone ") + zone + ": the Windows clock and C runtime follow the system's zone (" +
               (hostZone().empty() ? std::string("Wine's own") : "Wine's, from TZ=" + hostZone()) + ")";
}

ZoneScope::~ZoneScope() = default;

#else

ZoneScope::ZoneScope(const char *zone) {
    // A named zone needs its rules installed (Debian: tzdata); a POSIX rule carries its own.
    if (zone[0] != '<' && std::strpbrk(zone, "0123456789") == nullptr) {
        const char *dir = std::getenv("TZDIR");
        const std::string file = std::string(dir && *dir ? dir : "/usr/share/zoneinfo") + "/" + zone;
        if (!fileExists(file)) {
            m_whyNot = std::string("no zone rules for ") + zone + " (" + file + " is missing; install tzdata)";
            return;
        }
    }
    if (const char *previous = std::getenv("TZ")) {
        m_hadZone = true;
        m_previous = previous;
    }
    setenv("TZ", zone, 1);
    SystemClock::reloadZoneRules();
    m_active = true;
}

ZoneScope::~ZoneScope() {
    if (!m_active) return;
    if (m_hadZone)
        setenv("TZ", m_previous.c_str(), 1);
    else
        unsetenv("TZ");
    SystemClock::reloadZoneRules();
}

#endif

}  // namespace quorvel::test
