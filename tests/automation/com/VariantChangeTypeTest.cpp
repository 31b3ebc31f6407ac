#include "tests/automation/com/ComTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace quorvel::comtest {
namespace {

// A source value: the integer field serves the integer types, BOOL, CY (raw) and DECIMAL (the
// mantissa, with the scale in the real field); the real field serves R4, R8 and DATE.
struct Source {
    VARTYPE vt;
    long long integer = 0;
    double real = 0.0;
    const char16_t *text = nullptr;
};

Source I4(long long v) { return {VT_I4, v}; }
Source I8(long long v) { return {VT_I8, v}; }
[[maybe_unused]] Source UI4(long long v) { return {VT_UI4, v}; }  // rows for Linux only
Source UI8(long long v) { return {VT_UI8, v}; }
Source R4(double v) { return {VT_R4, 0, v}; }
Source R8(double v) { return {VT_R8, 0, v}; }
Source Date(double v) { return {VT_DATE, 0, v}; }
Source Cy(long long raw) { return {VT_CY, raw}; }
Source Dec(long long mantissa, int scale) { return {VT_DECIMAL, mantissa, double(scale)}; }
Source Bool(bool v) { return {VT_BOOL, v ? -1 : 0}; }
Source Str(const char16_t *text) { return {VT_BSTR, 0, 0, text}; }
Source Empty() { return {VT_EMPTY}; }
Source Null() { return {VT_NULL}; }

VARIANT build(const Source &source) {
    VARIANT v;
    VariantInit(&v);
    v.llVal = 0;
    switch (source.vt) {
    case VT_R4: v.fltVal = static_cast<float>(source.real); break;
    case VT_R8:
    case VT_DATE: v.dblVal = source.real; break;
    case VT_BSTR: v.bstrVal = source.text ? SysAllocString(ole(source.text)) : nullptr; break;
    case VT_CY: v.cyVal.int64 = source.integer; break;
    case VT_BOOL: v.boolVal = static_cast<VARIANT_BOOL>(source.integer); break;
    case VT_DECIMAL:
        v.decVal.Lo64 = static_cast<ULONGLONG>(std::llabs(source.integer));
        v.decVal.sign = source.integer < 0 ? DECIMAL_NEG : 0;
        v.decVal.scale = static_cast<BYTE>(source.real);
        break;
    default: v.llVal = source.integer; break;  // little-endian: the narrow fields share the low bytes
    }
    v.vt = source.vt;
    return v;
}

struct Row {
    Source source;
    VARTYPE target;
    HRESULT result;
    const char *expected;  // the converted value, when the conversion succeeds
    USHORT flags = 0;
};

void checkRow(const Row &row) {
    Var source(build(row.source)), target, inPlace(build(row.source));
    SCOPED_TRACE(describe(source) + " to VT " + std::to_string(row.target));
    const HRESULT result = VariantChangeType(&target, &source, row.flags, row.target);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(describe(target), SUCCEEDED(row.result) ? row.expected : "EMPTY");  // a failure leaves the target
    // The same conversion in place.
    EXPECT_EQ(VariantChangeType(&inPlace, &inPlace, row.flags, row.target), row.result);
    if (SUCCEEDED(row.result)) {
        EXPECT_EQ(describe(inPlace), row.expected);
    }
}
void check(std::initializer_list<Row> rows) {
    for (const Row &row : rows) checkRow(row);
}

constexpr HRESULT OK = S_OK;
constexpr HRESULT OVERFLOW_ = DISP_E_OVERFLOW;
constexpr HRESULT MISMATCH = DISP_E_TYPEMISMATCH;

TEST(VariantChangeType, IntegersBetweenEachOther) {
    check({
        {I4(32767), VT_I2, OK, "I2:32767"}, {I4(32768), VT_I2, OVERFLOW_, ""}, {I4(-32769), VT_I2, OVERFLOW_, ""},
        {I4(-1), VT_UI1, OVERFLOW_, ""}, {I4(255), VT_UI1, OK, "UI1:255"}, {I4(128), VT_I1, OVERFLOW_, ""},
        {I8(2147483648LL), VT_I4, OVERFLOW_, ""}, {I8(-2147483648LL), VT_INT, OK, "INT:-2147483648"},
        {UI8(-1), VT_R8, OK, "R8:18446744073709551616"},
        {I8(std::numeric_limits<long long>::min()), VT_R8, OK, "R8:-9223372036854775808"},
        {{VT_I1, -5}, VT_I4, OK, "I4:-5"}, {{VT_UINT, 9}, VT_I1, OK, "I1:9"},
    });
}

TEST(VariantChangeType, RealsRoundHalfToEvenAndOverflow) {
    check({
        {R8(2.5), VT_I4, OK, "I4:2"}, {R8(3.5), VT_I4, OK, "I4:4"}, {R8(-2.5), VT_I4, OK, "I4:-2"},
        {R8(255.5), VT_UI1, OVERFLOW_, ""},  // rounds to 256
        {R8(-0.5), VT_UI1, OK, "UI1:0"}, {R8(2147483647.5), VT_I4, OVERFLOW_, ""},
        {R8(std::numeric_limits<double>::infinity()), VT_I2, OVERFLOW_, ""}, {R8(1e40), VT_R4, OVERFLOW_, ""},
        {R8(0.1), VT_R4, OK, "R4:0.1"}, {R4(0.1), VT_R8, OK, "R8:0.10000000149011612"},
        {R8(0.00005), VT_CY, OK, "CY:1"},  // the double lies just above half a ten-thousandth
        {R8(0.00015), VT_CY, OK, "CY:1"},  // and this one just below one and a half
        {R8(1e15), VT_CY, OVERFLOW_, ""}, {R8(0.1), VT_DECIMAL, OK, "DEC:1e-1"}, {R8(1e29), VT_DECIMAL, OVERFLOW_, ""},
        {R8(0.1), VT_BOOL, OK, "BOOL:-1"}, {R8(-657434.0), VT_DATE, OK, "DATE:-657434"},
        {R8(3e6), VT_DATE, OVERFLOW_, ""}, {R8(-7e5), VT_DATE, OVERFLOW_, ""}, {Date(36526.5), VT_I4, OK, "I4:36526"},
    });
}

TEST(VariantChangeType, CurrencyAndDecimal) {
    check({
        {Cy(15000), VT_I4, OK, "I4:2"},  // 1.5 to even
        {Cy(25000), VT_I4, OK, "I4:2"}, {Cy(12345), VT_R8, OK, "R8:1.2345"},
        {Cy(std::numeric_limits<long long>::max()), VT_I4, OVERFLOW_, ""}, {I4(100000), VT_CY, OK, "CY:1000000000"},
        {I8(std::numeric_limits<long long>::max()), VT_CY, OVERFLOW_, ""}, {Dec(-150, 2), VT_I4, OK, "I4:-2"},
        {Dec(251, 2), VT_I4, OK, "I4:3"}, {Dec(123456789, 6), VT_CY, OK, "CY:1234568"},
        {UI8(-1), VT_DECIMAL, OK, "DEC:18446744073709551615e-0"},
        {Str(u"79228162514264337593543950335"), VT_DECIMAL, OK, "DEC:79228162514264337593543950335e-0"},
        {Str(u"79228162514264337593543950336"), VT_DECIMAL, OVERFLOW_, ""}, {Dec(-5, 0), VT_UI4, OVERFLOW_, ""},
    });
}

TEST(VariantChangeType, TextToNumbers) {
    check({
        {Str(u"  -17 \t"), VT_I4, OK, "I4:-17"}, {Str(u"2.5"), VT_I4, OK, "I4:2"},
        {Str(u"2.5000000000000000001"), VT_I4, OK, "I4:3"}, {Str(u"1e3"), VT_I4, OK, "I4:1000"},
        {Str(u"1.5E-1"), VT_R8, OK, "R8:0.15"}, {Str(u"32768"), VT_I2, OVERFLOW_, ""},
        {Str(u"-1"), VT_UI4, OVERFLOW_, ""}, {Str(u"9223372036854775807"), VT_I8, OK, "I8:9223372036854775807"},
        {Str(u"9223372036854775808"), VT_I8, OVERFLOW_, ""},
        {Str(u"18446744073709551615"), VT_UI8, OK, "UI8:18446744073709551615"}, {Str(u"1e400"), VT_R8, OVERFLOW_, ""},
        {Str(u"1.5"), VT_CY, OK, "CY:15000"}, {Str(u"1.23"), VT_DECIMAL, OK, "DEC:123e-2"},
        {Str(u"2"), VT_BOOL, OK, "BOOL:-1"}, {Str(u""), VT_I4, MISMATCH, ""}, {Str(u"   "), VT_I4, MISMATCH, ""},
        {Str(u"abc"), VT_I4, MISMATCH, ""}, {Str(u"12abc"), VT_I4, MISMATCH, ""}, {Str(u"--1"), VT_I4, MISMATCH, ""},
        {Str(u"1e"), VT_R8, MISMATCH, ""}, {Str(u"1d2"), VT_R8, MISMATCH, ""}, {Str(u"0x10"), VT_I4, MISMATCH, ""},
        {Str(u"Infinity"), VT_R8, MISMATCH, ""}, {Str(u"- 5"), VT_I4, OK, "I4:-5"},
        {Str(u"\u00a012\r\n"), VT_I4, OK, "I4:12"}, {Str(u"\u300012"), VT_CY, OK, "CY:120000"},
        {Str(u" +.5e1 "), VT_R8, OK, "R8:5"}, {Str(u"."), VT_R8, MISMATCH, ""}, {Str(nullptr), VT_I4, MISMATCH, ""},
    });
}

TEST(VariantChangeType, NumbersToText) {
    check({
        {I4(-42), VT_BSTR, OK, "BSTR:-42"}, {UI8(-1), VT_BSTR, OK, "BSTR:18446744073709551615"},
        {R8(0.1), VT_BSTR, OK, "BSTR:0.1"}, {R8(123456789012345.0), VT_BSTR, OK, "BSTR:123456789012345"},
        {R8(1e15), VT_BSTR, OK, "BSTR:1E+15"}, {R8(0.0001), VT_BSTR, OK, "BSTR:0.0001"},
        {R8(0.00001), VT_BSTR, OK, "BSTR:1E-05"}, {R8(-0.0), VT_BSTR, OK, "BSTR:0"},
        {R8(-3.25e-100), VT_BSTR, OK, "BSTR:-3.25E-100"}, {R4(0.1), VT_BSTR, OK, "BSTR:0.1"},
        {Cy(-1), VT_BSTR, OK, "BSTR:-0.0001"}, {Dec(-150, 2), VT_BSTR, OK, "BSTR:-1.5"},
        {Dec(12, 5), VT_BSTR, OK, "BSTR:0.00012"},
    });
}

TEST(VariantChangeType, BooleansEmptyAndNull) {
    check({
        {Bool(true), VT_I4, OK, "I4:-1"}, {Bool(true), VT_BSTR, OK, "BSTR:-1"},
        {Bool(true), VT_BSTR, OK, "BSTR:True", VARIANT_ALPHABOOL},
        {Bool(false), VT_BSTR, OK, "BSTR:False", VARIANT_ALPHABOOL}, {Str(u"True"), VT_BOOL, OK, "BOOL:-1"},
        {Str(u"tRuE"), VT_BOOL, OK, "BOOL:-1"}, {Str(u" True"), VT_BOOL, MISMATCH, ""},
        {Str(u"Truth"), VT_BOOL, MISMATCH, ""}, {Str(u"-1"), VT_BOOL, OK, "BOOL:-1"}, {I4(5), VT_BOOL, OK, "BOOL:-1"},
        {Empty(), VT_I4, OK, "I4:0"}, {Empty(), VT_BSTR, OK, "BSTR:"}, {Empty(), VT_NULL, OK, "NULL"},
        {I4(3), VT_EMPTY, OK, "EMPTY"}, {I4(3), VT_NULL, OK, "NULL"}, {Null(), VT_EMPTY, MISMATCH, ""},
        {{VT_ERROR, 5}, VT_I4, MISMATCH, ""}, {Empty(), VT_ERROR, MISMATCH, ""}, {Null(), VT_I4, MISMATCH, ""},
        {Null(), VT_NULL, OK, "NULL"},
    });
}

TEST(VariantChangeType, BadTypesAndScales) {
    check({
        {I4(9), VT_I4 | VT_BYREF, MISMATCH, ""}, {I4(9), 0x7F, DISP_E_BADVARTYPE, ""},
        {I4(9), VT_VECTOR | VT_I4, DISP_E_BADVARTYPE, ""}, {I4(9), VT_VARIANT, MISMATCH, ""},
        {I4(9), VT_RECORD, MISMATCH, ""}, {Dec(0, 29), VT_I4, E_INVALIDARG, ""}, {{0x7F}, VT_I4, DISP_E_BADVARTYPE, ""},
    });
}

TEST(VariantChangeType, ReferencesAreReadThroughAndTheReferencedValueStays) {
    BSTR text = SysAllocString(ole(u" 12 "));
    VARIANT inner, toText = byRef(VT_BSTR, &text), toVariant = byRef(VT_VARIANT, &inner);
    inner.vt = VT_R8;
    inner.dblVal = 7.5;
    Var target;
    ASSERT_EQ(VariantChangeType(&target, &toText, 0, VT_I2), S_OK);
    EXPECT_EQ(describe(target), "I2:12");
    ASSERT_EQ(VariantChangeType(&target, &toVariant, 0, VT_BSTR), S_OK);
    EXPECT_EQ(describe(target), "BSTR:7.5");
    EXPECT_EQ(units(text), u" 12 ");
    SysFreeString(text);
}

TEST(VariantChangeType, ObjectsGiveTheirValueOrThemselves) {
    CountedObject object;
    object.value = 41;
    {
        Var holder, target;
        hold(holder, &object);
        ASSERT_EQ(VariantChangeType(&target, &holder, 0, VT_BSTR), S_OK);
        EXPECT_EQ(describe(target), "BSTR:41");
        EXPECT_EQ(VariantChangeType(&target, &holder, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
        ASSERT_EQ(VariantChangeType(&target, &holder, 0, VT_UNKNOWN), S_OK);
        EXPECT_EQ(target.vt, VT_UNKNOWN);
        EXPECT_EQ(object.references, 3u);
        ASSERT_EQ(VariantChangeType(&holder, &target, 0, VT_DISPATCH), S_OK);
        EXPECT_EQ(holder.vt, VT_DISPATCH);
        EXPECT_EQ(object.references, 3u);  // the old holder released, the new one counted
    }
    EXPECT_EQ(object.references, 1u);

    Var nothing, target;
    nothing.vt = VT_DISPATCH;
    nothing.pdispVal = nullptr;
    EXPECT_EQ(VariantChangeType(&target, &nothing, 0, VT_I4), DISP_E_BADVARTYPE);
    ASSERT_EQ(VariantChangeType(&target, &nothing, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(target.vt, VT_UNKNOWN);
    EXPECT_EQ(target.punkVal, nullptr);

    CountedObject plain;
    plain.dispatchable = false;
    {
        Var holder, target;
        hold(holder, &plain, VT_UNKNOWN);
        EXPECT_EQ(VariantChangeType(&target, &holder, 0, VT_DISPATCH), E_NOINTERFACE);
        EXPECT_EQ(VariantChangeType(&target, &holder, 0, VT_I4), DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(plain.references, 1u);
}

TEST(VariantChangeType, BytesBetweenTextAndArrays) {
    Var text, bytes, back;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocStringByteLen("\x01\x00\xff", 3);
    ASSERT_EQ(VariantChangeType(&bytes, &text, 0, VT_ARRAY | VT_UI1), S_OK);
    ASSERT_EQ(bytes.vt, VT_ARRAY | VT_UI1);
    LONG upper = -1;
    ASSERT_EQ(SafeArrayGetUBound(bytes.parray, 1, &upper), S_OK);
    EXPECT_EQ(upper, 2);
    EXPECT_EQ(std::memcmp(bytes.parray->pvData, "\x01\x00\xff", 3), 0);
    ASSERT_EQ(VariantChangeType(&back, &bytes, 0, VT_BSTR), S_OK);
    EXPECT_EQ(SysStringByteLen(back.bstrVal), 3u);
    EXPECT_EQ(std::memcmp(back.bstrVal, "\x01\x00\xff", 3), 0);
    EXPECT_EQ(VariantChangeType(&back, &bytes, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

#ifndef _WIN32
// Where the system's runtime differs: it reinterprets the bits between signed and unsigned integers
// of one width (-1 becomes 4294967295) and turns NaN into an integer, where here they overflow; text
// converts by its exact digits, so half a unit goes to the even neighbour there too; and text read
// by the user's locale (separators, currency, hexadecimal) is refused.
TEST(VariantChangeType, SoundRulesWhereTheSystemDiffers) {
    check({
        {I4(-1), VT_UI4, OVERFLOW_, ""}, {UI4(4294967295), VT_I4, OVERFLOW_, ""}, {I8(-1), VT_UI8, OVERFLOW_, ""},
        {{VT_UI2, 65535}, VT_I2, OVERFLOW_, ""}, {Bool(true), VT_UI1, OVERFLOW_, ""},
        {R8(std::numeric_limits<double>::quiet_NaN()), VT_I4, OVERFLOW_, ""}, {Str(u"0.00005"), VT_CY, OK, "CY:0"},
        {Str(u"0.00015"), VT_CY, OK, "CY:2"},
        // Text that depends on a locale is refused rather than read by guesswork.
        {Str(u"1,000"), VT_I4, MISMATCH, ""}, {Str(u"&HFF"), VT_I4, MISMATCH, ""},
        // Fraction digits beyond the 28 a decimal holds are rounded off rather than refused.
        {Str(u"-0.1234567890123456789012345678901"), VT_DECIMAL, OK, "DEC:-1234567890123456789012345679e-28"},
        // Doubles print their shortest round-trip digits, beyond the fifteen of the system's text.
        {R8(0.1 + 0.2), VT_BSTR, OK, "BSTR:0.30000000000000004"},
        {R8(1.0 / 3.0), VT_BSTR, OK, "BSTR:0.3333333333333333"}, {R4(12345678.0), VT_BSTR, OK, "BSTR:1.2345678E+07"},
        // Dates as text belong to datetime/, which knows their formats; this layer refuses them.
        {Date(36526.5), VT_BSTR, MISMATCH, ""}, {Str(u"2000-01-01"), VT_DATE, MISMATCH, ""},
    });
}

#endif

}  // namespace
}  // namespace quorvel::comtest
