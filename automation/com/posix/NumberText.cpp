#include "automation/com/posix/NumberText.h"

#include <charconv>
#include <cstdio>

namespace quorvel::com {

namespace {

constexpr std::size_t kMaxExactDigits = 38;  // 10^38 - 1 fits a signed 128-bit integer
constexpr std::int64_t kExponentLimit = 1000000;

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\u00a0' ||
           c == u'\u3000';
}
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void dropLeadingZeros(std::string &digits) {
    const std::size_t first = digits.find_first_not_of('0');
    digits.erase(0, first == std::string::npos ? digits.size() : first);
}

// Reads a shortest round-trip scientific form from std::to_chars ("-1.25e+02", "5e-324").
DecimalNumber decimalFromScientific(const char *text, const char *end) {
    DecimalNumber number;
    if (*text == '-') {
        number.negative = true;
        ++text;
    }
    std::size_t fraction = 0;
    bool afterPoint = false;
    for (; text != end && *text != 'e'; ++text) {
        if (*text == '.') {
            afterPoint = true;
            continue;
        }
        number.digits.push_back(*text);
        if (afterPoint) ++fraction;
    }
    int exponent = 0;
    if (text != end) {
        ++text;
        if (*text == '+') ++text;
        std::from_chars(text, end, exponent);
    }
    number.exponent = std::int64_t{exponent} - static_cast<std::int64_t>(fraction);
    dropLeadingZeros(number.digits);
    if (number.digits.empty()) number = DecimalNumber{};
    return number;
}

}  // namespace

DecimalNumber decimalFromInteger(bool negative, unsigned __int128 magnitude, std::int64_t exponent) {
    DecimalNumber number;
    while (magnitude != 0) {
        number.digits.insert(number.digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    }
    if (!number.digits.empty()) {
        number.negative = negative;
        number.exponent = exponent;
    }
    return number;
}

DecimalNumber decimalFromDouble(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    return decimalFromScientific(text, result.ptr);
}

DecimalNumber decimalFromFloat(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    return decimalFromScientific(text, result.ptr);
}

bool parseDecimal(const char16_t *text, std::size_t length, DecimalNumber &out) {
    std::size_t at = 0;
    while (at < length && isBlank(text[at])) ++at;
    DecimalNumber number;
    if (at < length && (text[at] == u'+' || text[at] == u'-')) {
        number.negative = text[at++] == u'-';
        while (at < length && isBlank(text[at])) ++at;
    }
    std::size_t mantissaDigits = 0;
    std::int64_t fraction = 0;
    bool afterPoint = false;
    for (; at < length; ++at) {
        if (isDigit(text[at])) {
            number.digits.push_back(static_cast<char>(text[at]));
            ++mantissaDigits;
            if (afterPoint) ++fraction;
        } else if (text[at] == u'.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return false;
    std::int64_t exponent = 0;
    if (at < length && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        bool negativeExponent = false;
        if (at < length && (text[at] == u'+' || text[at] == u'-')) negativeExponent = text[at++] == u'-';
        if (at >= length || !isDigit(text[at])) return false;
        for (; at < length && isDigit(text[at]); ++at) {
            // Beyond the limit every value is out of range or zero anyway.
            if (exponent < kExponentLimit) exponent = exponent * 10 + (text[at] - u'0');
        }
        if (negativeExponent) exponent = -exponent;
    }
    while (at < length && isBlank(text[at])) ++at;
    if (at != length) return false;
    dropLeadingZeros(number.digits);
    number.exponent = number.digits.empty() ? 0 : exponent - fraction;
    if (number.digits.empty()) number.negative = false;
    out = std::move(number);
    return true;
}

bool decimalToScaled(const DecimalNumber &number, int scale, __int128 &out) {
    const std::string &digits = number.digits;
    const std::int64_t shift = number.exponent + scale;
    const std::int64_t count = static_cast<std::int64_t>(digits.size());
    // Digits kept as the integer part, and the rounding decision for the rest.
    std::int64_t kept = count + shift;
    if (kept > static_cast<std::int64_t>(kMaxExactDigits)) return false;
    unsigned __int128 magnitude = 0;
    for (std::int64_t i = 0; i < kept; ++i) magnitude = magnitude * 10 + (i < count ? digits[i] - '0' : 0);
    if (kept < 0) kept = -1;  // every digit lies below the rounding position
    if (kept >= 0 && kept < count) {
        const char roundDigit = digits[kept];
        const bool sticky = digits.find_first_not_of('0', kept + 1) != std::string::npos;
        const bool odd = (magnitude & 1) != 0;
        if (roundDigit > '5' || (roundDigit == '5' && (sticky || odd))) ++magnitude;
    }
    static const unsigned __int128 limit = [] {
        unsigned __int128 value = 1;
        for (std::size_t i = 0; i < kMaxExactDigits; ++i) value *= 10;
        return value;
    }();
    if (magnitude >= limit) return false;
    out = number.negative ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
    return true;
}

bool decimalToDouble(const DecimalNumber &number, double &out) {
    if (number.digits.empty()) {
        out = 0.0;
        return true;
    }
    std::string text = number.digits;
    text += 'e';
    text += std::to_string(number.exponent);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const std::int64_t magnitude = static_cast<std::int64_t>(number.digits.size()) - 1 + number.exponent;
        if (magnitude > 0) return false;
        value = 0.0;
    }
    out = number.negative ? -value : value;
    return true;
}

std::string formatPlain(const DecimalNumber &number) {
    if (number.digits.empty()) return "0";
    std::string text = number.negative ? "-" : "";
    const std::int64_t count = static_cast<std::int64_t>(number.digits.size());
    if (number.exponent >= 0) return text + number.digits + std::string(static_cast<std::size_t>(number.exponent), '0');
    const std::int64_t whole = count + number.exponent;
    std::string fraction;
    if (whole > 0) {
        text += number.digits.substr(0, static_cast<std::size_t>(whole));
        fraction = number.digits.substr(static_cast<std::size_t>(whole));
    } else {
        text += '0';
        fraction = std::string(static_cast<std::size_t>(-whole), '0') + number.digits;
    }
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty()) text += '.' + fraction;
    return text;
}

std::string formatReal(const DecimalNumber &number, int precision) {
    if (number.digits.empty()) return "0";
    const std::int64_t scientific = static_cast<std::int64_t>(number.digits.size()) - 1 + number.exponent;
    if (scientific >= -4 && scientific < precision) return formatPlain(number);
    std::string mantissa = number.digits;
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    std::string text = number.negative ? "-" : "";
    text += mantissa[0];
    if (mantissa.size() > 1) text += '.' + mantissa.substr(1);
    char exponent[32];
    std::snprintf(exponent, sizeof exponent, "E%c%02lld", scientific < 0 ? '-' : '+',
                  static_cast<long long>(scientific < 0 ? -scientific : scientific));
    return text + exponent;
}

}  // namespace quorvel::com
