#pragma once
#include <cstdint>

namespace quorvel {

class StringBuffer;

// Joins a reference to a base URL: an empty base gives the reference, an empty reference the
// base, and an absolute "http:" or "https:" reference stays as it is. Otherwise the new URL is
// the base's scheme, host and (non-default) port with the reference as an absolute path or
// relative to the base path's folder, normalised by normalizeDotSegments. Replaces out.
bool joinRelativeUrl(const char *base, const char *reference, StringBuffer &out);

// "/./" becomes "/"; each "/../" removes itself with the segment before it (at most 100
// times). A "/../" at the very start stays; one that would climb into the authority, and any
// left after 100 rounds, become "/". The "scheme://authority" a URL begins with is never
// changed (a host of dots is no segment).
void normalizeDotSegments(StringBuffer &url);

// Length of the "scheme://authority" or "//authority" a URL text begins with (the authority
// ends at the first '/', '?' or '#'); 0 when it begins with neither.
uint32_t schemeAndAuthorityLength(const char *url);

}  // namespace quorvel
