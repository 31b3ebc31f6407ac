#include "tests/automation/com/ComTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quorvel::comtest {
namespace {

// An array destroyed at the end of the test.
struct Array {
    SAFEARRAY *value;
    explicit Array(SAFEARRAY *owned) : value(owned) {}
    ~Array() { EXPECT_EQ(SafeArrayDestroy(value), S_OK); }
    Array(const Array &) = delete;
    Array &operator=(const Array &) = delete;
};

// One element of a one-dimensional array, by its index.
HRESULT putAt(SAFEARRAY *array, LONG index, void *value) { return SafeArrayPutElement(array, &index, value); }
HRESULT getAt(SAFEARRAY *array, LONG index, void *value) { return SafeArrayGetElement(array, &index, value); }

// A descriptor laid out by its caller over `data`, without a stored type.
SAFEARRAY described(USHORT features, ULONG elementSize, void *data, ULONG count, LONG lower) {
    SAFEARRAY array{};
    array.cDims = 1;
    array.fFeatures = FADF_STATIC | features;
    array.cbElements = elementSize;
    array.pvData = data;
    array.rgsabound[0] = {count, lower};
    return array;
}

TEST(SafeArray, CreationDescribesTypeSizeAndBounds) {
    const std::tuple<VARTYPE, UINT, USHORT> rows[] = {  // type, element size, kind flag
        {VT_UI1, 1, 0}, {VT_I2, 2, 0}, {VT_BOOL, 2, 0}, {VT_I4, 4, 0}, {VT_R8, 8, 0}, {VT_CY, 8, 0},
        {VT_DECIMAL, 16, 0}, {VT_BSTR, 8, FADF_BSTR}, {VT_VARIANT, 24, FADF_VARIANT}, {VT_UNKNOWN, 8, FADF_UNKNOWN}};
    for (const auto &[vt, size, flag] : rows) {
        SCOPED_TRACE(vt);
        Array array(SafeArrayCreateVector(vt, -2, 5));
        ASSERT_NE(array.value, nullptr);
        VARTYPE type = VT_EMPTY;
        EXPECT_TRUE(SafeArrayGetVartype(array.value, &type) == S_OK && type == vt);
        EXPECT_TRUE(SafeArrayGetDim(array.value) == 1 && SafeArrayGetElemsize(array.value) == size);
        EXPECT_EQ(array.value->fFeatures & flag, flag);
    }
    Array array(SafeArrayCreateVector(VT_I4, -2, 5)), empty(SafeArrayCreateVector(VT_UI1, 0, 0));
    LONG lower = 0, upper = 0, emptyUpper = 0;
    ASSERT_EQ(SafeArrayGetLBound(array.value, 1, &lower) | SafeArrayGetUBound(array.value, 1, &upper), S_OK);
    EXPECT_TRUE(lower == -2 && upper == 2);
    EXPECT_EQ(SafeArrayGetLBound(array.value, 0, &lower), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array.value, 2, &upper), DISP_E_BADINDEX);
    ASSERT_TRUE(empty.value && SafeArrayGetUBound(empty.value, 1, &emptyUpper) == S_OK);
    EXPECT_EQ(emptyUpper, -1);
    // Unknown types and no dimensions are refused.
    SAFEARRAYBOUND bound = {1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
}

#ifndef _WIN32
// Sizes stay within 32 bits (the system's runtime allocates such arrays).
TEST(SafeArray, SizesThatWouldPass32BitsAreRefused) {
    SAFEARRAYBOUND huge[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);  // 2^32 variants
    EXPECT_EQ(SafeArrayCreateVector(VT_R8, 0, 0x20000000), nullptr);  // 2^32 bytes
    Array large(SafeArrayCreateVector(VT_R8, 0, 0x10000));
    EXPECT_NE(large.value, nullptr);
    // Upper bounds stay within a LONG.
    EXPECT_EQ(SafeArrayCreateVector(VT_UI1, 0x7FFFFFFF, 2), nullptr);
    Array last(SafeArrayCreateVector(VT_UI1, 0x7FFFFFFF, 1));
    ASSERT_NE(last.value, nullptr);
    LONG upper = 0;
    ASSERT_EQ(SafeArrayGetUBound(last.value, 1, &upper), S_OK);
    EXPECT_EQ(upper, 0x7FFFFFFF);
}

// A descriptor the caller laid out itself keeps its storage; its strings are still released.
TEST(SafeArray, ACallersOwnDescriptorKeepsItsStorage) {
    BSTR strings[2] = {SysAllocString(ole(u"a")), SysAllocString(ole(u"b"))};
    SAFEARRAY array = described(FADF_BSTR, sizeof(BSTR), strings, 2, 0);
    VARTYPE type = VT_EMPTY;
    ASSERT_EQ(SafeArrayGetVartype(&array, &type), S_OK);
    EXPECT_EQ(type, VT_BSTR);
    EXPECT_EQ(SafeArrayDestroy(&array), S_OK);
    EXPECT_TRUE(strings[0] == nullptr && strings[1] == nullptr);

    // Without a stored type, plain elements are read and written by their size.
    LONG numbers[3] = {5, 6, 7}, value = 0;
    SAFEARRAY plain = described(0, sizeof(LONG), numbers, 3, 1);
    ASSERT_EQ(getAt(&plain, 3, &value), S_OK);
    EXPECT_EQ(value, 7);
    value = -1;
    ASSERT_EQ(putAt(&plain, 1, &value), S_OK);
    EXPECT_EQ(numbers[0], -1);
    EXPECT_EQ(SafeArrayDestroy(&plain), S_OK);
}

#endif

TEST(SafeArray, BytesAreReadAndWrittenWithinBounds) {
    Array array(SafeArrayCreateVector(VT_UI1, 1, 3));
    ASSERT_NE(array.value, nullptr);
    for (BYTE index : {1, 2, 3}) {
        BYTE value = static_cast<BYTE>(index * 10);
        ASSERT_EQ(putAt(array.value, index, &value), S_OK);
    }
    for (LONG index : {0, 4, -1}) {
        BYTE value = 0;
        EXPECT_EQ(putAt(array.value, index, &value), DISP_E_BADINDEX) << index;
        EXPECT_EQ(getAt(array.value, index, &value), DISP_E_BADINDEX) << index;
    }
    void *data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.value, &data), S_OK);
    EXPECT_EQ(std::string(static_cast<const char *>(data), 3), "\x0a\x14\x1e");
    EXPECT_EQ(SafeArrayDestroy(array.value), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnaccessData(array.value), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array.value), E_UNEXPECTED);
}

TEST(SafeArray, TwoDimensionsRunFirstIndexFastest) {
    SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 10}};  // first dimension 0..1, second 10..12
    Array array(SafeArrayCreate(VT_I4, 2, bounds));
    ASSERT_NE(array.value, nullptr);
    LONG lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(array.value, 2, &lower) | SafeArrayGetUBound(array.value, 2, &upper), S_OK);
    EXPECT_TRUE(lower == 10 && upper == 12);
    for (LONG i = 0; i < 2; ++i) {
        for (LONG j = 10; j < 13; ++j) {
            LONG indices[] = {i, j}, value = i * 100 + j;
            ASSERT_EQ(SafeArrayPutElement(array.value, indices, &value), S_OK);
        }
    }
    const auto *data = static_cast<const LONG *>(array.value->pvData);
    EXPECT_TRUE(data[0] == 10 && data[1] == 110 && data[2] == 11 && data[5] == 112);
    LONG outside[] = {1, 13}, value = 0;
    EXPECT_EQ(SafeArrayGetElement(array.value, outside, &value), DISP_E_BADINDEX);
}

TEST(SafeArray, VariantsStringsAndObjectsAreCopiedAndReleased) {
    CountedObject object;
    {
        Array variants(SafeArrayCreateVector(VT_VARIANT, 0, 3));
        ASSERT_NE(variants.value, nullptr);
        Var text(textVariant(u"one")), held, read, untouched;
        hold(held, &object);
        ASSERT_EQ(putAt(variants.value, 0, &text) | putAt(variants.value, 1, &held), S_OK);
        EXPECT_EQ(object.references, 3u);
        // Replacing an element releases the old one.
        ASSERT_EQ(putAt(variants.value, 1, &text), S_OK);
        EXPECT_EQ(object.references, 2u);
        ASSERT_EQ(putAt(variants.value, 1, &held), S_OK);

        SAFEARRAY *copied = nullptr;
        ASSERT_EQ(SafeArrayCopy(variants.value, &copied), S_OK);
        Array copy(copied);
        EXPECT_EQ(object.references, 4u);
        ASSERT_EQ(getAt(copy.value, 0, &read) | getAt(copy.value, 2, &untouched), S_OK);
        EXPECT_EQ(describe(read), "BSTR:one");
        EXPECT_EQ(untouched.vt, VT_EMPTY);

        Array strings(SafeArrayCreateVector(VT_BSTR, 0, 2));
        ASSERT_NE(strings.value, nullptr);
        ASSERT_EQ(putAt(strings.value, 1, text.bstrVal), S_OK);
        BSTR out = nullptr;
        ASSERT_EQ(getAt(strings.value, 1, &out), S_OK);
        EXPECT_NE(out, text.bstrVal);
        EXPECT_EQ(units(out), u"one");
        SysFreeString(out);
        ASSERT_EQ(getAt(strings.value, 0, &out), S_OK);
        EXPECT_EQ(out, nullptr);  // never set
    }
    EXPECT_EQ(object.references, 1u);
    SAFEARRAY *none = reinterpret_cast<SAFEARRAY *>(1);
    EXPECT_EQ(SafeArrayCopy(nullptr, &none), S_OK);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace quorvel::comtest
