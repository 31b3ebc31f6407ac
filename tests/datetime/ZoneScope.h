#pragma once
#include <string>

namespace quorvel::test {

// Puts the test process into a time zone (TZ, then the zone rules read again) for the lifetime
// of the scope, and back afterwards. The zone is an IANA name ("Europe/Berlin") or a POSIX
// rule ("<-0030>0:30"). Windows' C runtime and clock take their zone from the system, so there
// a scope is active only for the zone the system already has (under Wine, the host's TZ at
// start), and the tests that need another zone skip.
class ZoneScope {
public:
    explicit ZoneScope(const char *zone);
    ~ZoneScope();
    ZoneScope(const ZoneScope &) = delete;
    ZoneScope &operator=(const ZoneScope &) = delete;

    bool active() const { return m_active; }
    // Why the zone could not be chosen.
    const std::string &whyNot() const { return m_whyNot; }

private:
    bool m_active = false;
    bool m_hadZone = false;
    std::string m_previous;
    std::string m_whyNot;
};

// Enters the zone for the rest of the test, or skips the test with the reason.
#define QUORVEL_IN_ZONE(zone)                                          \
    ::quorvel::test::ZoneScope zoneScope_(zone);                       \
    if (!zoneScope_.active()) GTEST_SKIP() << zoneScope_.whyNot()

}  // namespace quorvel::test
