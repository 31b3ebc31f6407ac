#pragma once

// Exact decimal numbers for the coercions of VariantChangeType: every numeric source becomes one
// (a double by its shortest round-trip digits), and every target is rounded from it half to even,
// so integers, currency and decimals convert without a detour through binary floating point.

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel::com {

// ±digits × 10^exponent; digits has no leading zeros and is empty for zero.
struct DecimalNumber {
    bool negative = false;
    std::string digits;
    std::int64_t exponent = 0;
};

DecimalNumber decimalFromInteger(bool negative, unsigned __int128 magnitude, std::int64_t exponent);
DecimalNumber decimalFromDouble(double value);  // a finite value
DecimalNumber decimalFromFloat(float value);    // a finite value

// Reads [blanks][+|-][blanks]digits[.digits][(e|E)[+|-]digits][blanks] (a digit on at least one
// side of the point; blanks include the no-break and ideographic spaces); false for anything else.
// Thousands separators, currency signs and hexadecimal forms depend on a locale or a language and
// are not read.
bool parseDecimal(const char16_t *text, std::size_t length, DecimalNumber &out);

// The number times 10^scale, rounded half to even; false when its magnitude reaches 10^38.
bool decimalToScaled(const DecimalNumber &number, int scale, __int128 &out);

// The nearest double; false when it lies beyond the double range (tiny values become zero).
bool decimalToDouble(const DecimalNumber &number, double &out);

// Plain digits with a point where needed and no trailing fraction zeros: "-12.5", "300".
std::string formatPlain(const DecimalNumber &number);

// Plain while the decimal exponent lies in [-4, precision), else "1.5E+20" / "1E-05".
std::string formatReal(const DecimalNumber &number, int precision);

}  // namespace quorvel::com
