#include "datetime/IntScanner.h"

namespace quorvel {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One "%d" conversion at p, at most width characters (0: no limit). Advances p past what was
// read; false when no digit is there.
bool readNumber(const char *&p, int width, int32_t &value) {
    while (isSpace(*p)) ++p;
    const char *q = p;
    int used = 0;
    auto room = [&] { return width == 0 || used < width; };
    bool negative = false;
    if ((*q == '+' || *q == '-') && room()) {
        negative = *q == '-';
        ++q;
        ++used;
    }
    if (!isDigit(*q) || !room()) return false;
    // The magnitude stops growing past 2^31, which is already beyond both limits.
    constexpr int64_t kCap = int64_t{1} << 31;
    int64_t magnitude = 0;
    while (isDigit(*q) && room()) {
        if (magnitude < kCap) magnitude = magnitude * 10 + (*q - '0');
        ++q;
        ++used;
    }
    if (magnitude > kCap) magnitude = kCap;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int32_t>(signedValue > INT32_MAX ? INT32_MAX : signedValue);
    p = q;
    return true;
}

}  // namespace

int IntScanner::scan(const char *text, const char *pattern, int32_t *values, int maxValues, const char **end) {
    if (end) *end = text;
    if (!text || !pattern) return 0;
    const char *p = text;
    int count = 0;
    for (const char *f = pattern; *f;) {
        if (f[0] == '%') {
            ++f;
            int width = 0;
            while (isDigit(*f)) width = width * 10 + (*f++ - '0');
            if (*f != 'd' || count >= maxValues) break;
            ++f;
            int32_t v;
            if (!readNumber(p, width, v)) break;
            values[count++] = v;
        } else if (isSpace(*f)) {
            while (isSpace(*f)) ++f;
            while (isSpace(*p)) ++p;
        } else {
            if (*p != *f) break;
            ++p;
            ++f;
        }
    }
    if (end) *end = p;
    return count;
}

}  // namespace quorvel
