#pragma once
#include <cstdint>

namespace quorvel {

// Reads integers out of text the way sscanf reads a pattern of "%d", "%Nd" and literal
// characters, with one difference: a number too large for 32 bits saturates at INT32_MIN or
// INT32_MAX instead of overflowing. As with sscanf, "%d" skips leading white space and takes an
// optional sign and at least one digit, a width N caps the characters read (sign included, the
// skipped white space not), a white-space character in the pattern skips any amount of white
// space, and any other character must match exactly. The '0' of "%02d" has no effect.
class IntScanner {
public:
    // Returns the number of values stored before the first mismatch (at most maxValues). end,
    // where given, receives the position in text just past what the pattern matched.
    static int scan(const char *text, const char *pattern, int32_t *values, int maxValues,
                    const char **end = nullptr);
};

}  // namespace quorvel
