#pragma once
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/SystemClock.h"
#include "support/TestFiles.h"

namespace quorvel::test {

// Puts the process into a time zone, an IANA name or a POSIX rule, for the scope's lifetime.
// Windows takes the zone from the system, so there only the zone it already has is active.
class ZoneScope {
public:
    explicit ZoneScope(const char *zone);
    ~ZoneScope();
    ZoneScope(const ZoneScope &) = delete;

    bool active() const { return m_active; }
    const std::string &whyNot() const { return m_whyNot; }

private:
    bool m_active = false, m_hadZone = false;
    std::string m_previous, m_whyNot;
};

// Enters the zone for the rest of the test, or skips the test with the reason.
#define QUORVEL_IN_ZONE(zone)                                          \
    ::quorvel::test::ZoneScope zoneScope_(zone);                       \
    if (!zoneScope_.active()) GTEST_SKIP() << zoneScope_.whyNot()

#ifdef _WIN32

// Wine hands the host's TZ on, which the C runtime would read in its own syntax: it is taken
// away before any test runs and only remembered.
inline const std::string &hostZone() {
    static const std::string zone = [] {
        const char *tz = std::getenv("TZ");
        std::string taken = tz ? tz : "";
        _putenv("TZ=");
        SystemClock::reloadZoneRules();
        return taken;
    }();
    return zone;
}
inline const bool kHostZoneTaken = (hostZone(), true);

inline ZoneScope::ZoneScope(const char *zone) {
    m_active = hostZone() == zone;
    m_whyNot = std::string("cannot choose the zone ") + zone + ": the Windows clock and C runtime follow the system's zone (" +
               (hostZone().empty() ? std::string("Wine's own") : "Wine's, from TZ=" + hostZone()) + ")";
}

inline ZoneScope::~ZoneScope() = default;

#else

inline ZoneScope::ZoneScope(const char *zone) {
    // A named zone needs its rules installed (Debian: tzdata); a POSIX rule carries its own.
    if (zone[0] != '<' && std::strpbrk(zone, "0123456789") == nullptr) {
        const char *dir = std::getenv("TZDIR");
        const std::string file = std::string(dir && *dir ? dir : "/usr/share/zoneinfo") + "/" + zone;
        if (!fileExists(file)) {
            m_whyNot = std::string("no zone rules for ") + zone + " (" + file + " is missing; install tzdata)";
            return;
        }
    }
    if (const char *previous = std::getenv("TZ")) m_hadZone = true, m_previous = previous;
    setenv("TZ", zone, 1);
    SystemClock::reloadZoneRules();
    m_active = true;
}

inline ZoneScope::~ZoneScope() {
    if (!m_active) return;
    m_hadZone ? setenv("TZ", m_previous.c_str(), 1) : unsetenv("TZ");
    SystemClock::reloadZoneRules();
}

#endif

}  // namespace quorvel::test
