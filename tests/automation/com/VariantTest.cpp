#include "tests/automation/com/ComTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace quorvel::comtest {
namespace {

TEST(Variant, InitClearAndCopyOfValues) {
    VARIANT v;
    v.vt = 0x7777;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);

    const std::u16string zeroed(u"a\0b", 3);
    Var text(textVariant(zeroed)), copy;
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    ASSERT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, text.bstrVal);  // a copy of its own, embedded zero kept
    EXPECT_EQ(units(copy.bstrVal), zeroed);
    // Copying over a string frees it; copying onto itself changes nothing.
    Var number;
    number.vt = VT_I4;
    number.lVal = 7;
    ASSERT_EQ(VariantCopy(&copy, &number), S_OK);
    EXPECT_EQ(describe(copy), "I4:7");
    EXPECT_EQ(VariantCopy(&text, &text), S_OK);
    EXPECT_EQ(units(text.bstrVal), zeroed);
    ASSERT_EQ(VariantClear(&text), S_OK);
    EXPECT_EQ(text.vt, VT_EMPTY);

    Var decimal;
    decimal.decVal.Lo64 = 12345;
    decimal.decVal.Hi32 = 1;
    decimal.decVal.scale = 3;
    decimal.decVal.sign = DECIMAL_NEG;
    decimal.vt = VT_DECIMAL;  // after the fields: the decimal's first bytes overlay the type
    ASSERT_EQ(VariantCopy(&copy, &decimal), S_OK);
    EXPECT_EQ(describe(copy), "DEC:-18446744073709563961e-3");
}

TEST(Variant, BadTypesAreRefused) {
    std::vector<VARTYPE> types = {0x7F, VT_EMPTY | VT_BYREF, VT_I4 | VT_VECTOR, VT_NULL | VT_ARRAY};
#ifndef _WIN32
    types.push_back(VT_VARIANT);  // holds nothing; the system's runtime lets it pass
#endif
    for (VARTYPE type : types) {
        SCOPED_TRACE(type);
        VARIANT bad, target;
        bad.vt = type;
        bad.llVal = 0;
        VariantInit(&target);
        EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
        EXPECT_EQ(bad.vt, type);  // left as it was
        EXPECT_EQ(VariantCopy(&target, &bad), DISP_E_BADVARTYPE);
        EXPECT_EQ(target.vt, VT_EMPTY);
    }
}

TEST(Variant, ObjectsAreCountedOnCopyAndClear) {
    CountedObject object;
    {
        Var holder, copy, dereferenced;
        hold(holder, &object);
        ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
        EXPECT_EQ(object.references, 3u);
        VARIANT reference = byRef(VT_DISPATCH, &holder.pdispVal);
        ASSERT_EQ(VariantCopyInd(&dereferenced, &reference), S_OK);
        EXPECT_EQ(dereferenced.vt, VT_DISPATCH);
        EXPECT_EQ(object.references, 4u);
        ASSERT_EQ(VariantClear(&reference), S_OK);  // a reference owns nothing
        EXPECT_EQ(object.references, 4u);
    }
    EXPECT_EQ(object.references, 1u);
}

TEST(Variant, CopyIndDereferencesEveryKind) {
    LONG number = -5;
    double real = 0.25;
    BSTR text = SysAllocString(ole(u"referenced"));
    VARIANT inner;
    inner.vt = VT_I2;
    inner.iVal = 12;
    DECIMAL decimal{};
    decimal.Lo64 = 25;
    decimal.scale = 1;
    const std::tuple<VARTYPE, void *, const char *> rows[] = {
        {VT_I4, &number, "I4:-5"}, {VT_R8, &real, "R8:0.25"}, {VT_BSTR, &text, "BSTR:referenced"},
        {VT_VARIANT, &inner, "I2:12"}, {VT_DECIMAL, &decimal, "DEC:25e-1"}};
    for (const auto &[vt, pointer, expected] : rows) {
        SCOPED_TRACE(expected);
        Var reference(byRef(vt, pointer)), value, shallow;
        ASSERT_EQ(VariantCopyInd(&value, &reference), S_OK);
        EXPECT_EQ(describe(value), expected);
        // A plain copy keeps the reference.
        ASSERT_EQ(VariantCopy(&shallow, &reference), S_OK);
        EXPECT_TRUE(shallow.vt == (vt | VT_BYREF) && shallow.byref == pointer);
        // Dereferenced in place.
        ASSERT_EQ(VariantCopyInd(&reference, &reference), S_OK);
        EXPECT_EQ(describe(reference), expected);
    }
    EXPECT_EQ(units(text), u"referenced");  // the referenced string stays the caller's
    SysFreeString(text);

    // A reference to a reference to a variant is refused.
    VARIANT outer = byRef(VT_VARIANT, &inner), twice = byRef(VT_VARIANT, &outer);
    Var value;
    EXPECT_EQ(VariantCopyInd(&value, &twice), E_INVALIDARG);
}

TEST(Variant, ArraysAreOwnedByTheirVariant) {
    Var holder, copy;
    holder.vt = VT_ARRAY | VT_BSTR;
    holder.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(holder.parray, nullptr);
    LONG index = 1;
    BSTR element = SysAllocString(ole(u"element")), read = nullptr;
    ASSERT_EQ(SafeArrayPutElement(holder.parray, &index, element), S_OK);
    SysFreeString(element);
    ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
    ASSERT_NE(copy.parray, holder.parray);
    ASSERT_EQ(SafeArrayGetElement(copy.parray, &index, &read), S_OK);
    EXPECT_EQ(units(read), u"element");
    SysFreeString(read);
    // A locked array is not destroyed under its user.
    void *data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(copy.parray, &data), S_OK);
    EXPECT_EQ(VariantClear(&copy), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnaccessData(copy.parray), S_OK);
    EXPECT_EQ(VariantClear(&copy), S_OK);
}

}  // namespace
}  // namespace quorvel::comtest
