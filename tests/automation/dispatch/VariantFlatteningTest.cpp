#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "automation/dispatch/VariantFlattening.h"
#include "DispatchTestSupport.h"
#include "platform/SystemInfo.h"

namespace quorvel::dispatchtest {
namespace {

using comtest::byRef;
using comtest::textVariant;

SAFEARRAY *byteArray(const std::string &bytes) {
    SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
    return array;
}

// A variant holding a new byte array, or a byte, a boolean, a long or null.
VARIANT bytesVariant(const std::string &bytes) {
    VARIANT v{};
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = byteArray(bytes);
    return v;
}
VARIANT scalar(VARTYPE type, LONGLONG value) {
    VARIANT v{};
    v.vt = type;
    if (type == VT_BOOL) v.boolVal = static_cast<VARIANT_BOOL>(value);
    else v.bVal = static_cast<BYTE>(value);
    return v;
}

struct Flat {
    std::string bytes;
    bool isText = false;
};

Flat flatten(const VARIANT &value) {
    DataBuffer out;
    Flat flat;
    EXPECT_TRUE(flattenVariant(value, out, flat.isText));
    flat.bytes.assign(reinterpret_cast<const char *>(out.getData()), out.getSize());
    return flat;
}

TEST(VariantFlattening, EachFormGivesItsBytes) {
    const std::tuple<const char *, VARIANT, std::string, bool> rows[] = {
        {"text", textVariant(u"A\u00e9"), std::string("A\0\xe9\0", 4), true},
        {"bytes", bytesVariant(std::string("\x00\x01\xff", 3)), std::string("\x00\x01\xff", 3), false},
        {"a byte", scalar(VT_UI1, 0xC8), "\xc8", false}, {"a signed byte", scalar(VT_I1, 0x7F), "\x7f", false},
        {"true", scalar(VT_BOOL, -1), "\x01", false}, {"false", scalar(VT_BOOL, 0), std::string(1, '\0'), false},
        {"a long", scalar(VT_I4, 65), "", false}, {"null", scalar(VT_NULL, 0), "", false}};
    for (auto [what, value, bytes, isText] : rows) {
        const Flat flat = flatten(value);
        EXPECT_EQ(bytes, flat.bytes) << what;
        EXPECT_EQ(isText, flat.isText) << what;
        VariantClear(&value);  // the row's own contents
    }
}

TEST(VariantFlattening, ArraysOfVariantsAndReferencesAreFollowed) {
    Var list;
    list.vt = VT_ARRAY | VT_VARIANT;
    list.parray = SafeArrayCreateVector(VT_VARIANT, 0, 4);
    auto *elements = static_cast<VARIANT *>(list.parray->pvData);
    elements[0] = scalar(VT_UI1, 'x');
    elements[1] = textVariant(u"y");
    elements[2] = bytesVariant("za");
    elements[3] = scalar(VT_I4, 7);  // gives nothing
    const Flat flat = flatten(list);
    EXPECT_EQ(std::string("xy\0za", 5), flat.bytes);
    EXPECT_TRUE(flat.isText);  // one element was a string

    // By reference: to the list itself and to a byte array.
    EXPECT_EQ(flat.bytes, flatten(byRef(VT_VARIANT, &list)).bytes);
    SAFEARRAY *array = byteArray("arr");
    EXPECT_EQ("arr", flatten(byRef(VT_ARRAY | VT_UI1, &array)).bytes);
    SafeArrayDestroy(array);

    // Two dimensions are no byte array; a reference to itself ends, and one to nothing gives nothing.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    Var square;
    square.vt = VT_ARRAY | VT_UI1;
    square.parray = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ("", flatten(square).bytes);
    VARIANT loop;
    loop = byRef(VT_VARIANT, &loop);
    EXPECT_EQ("", flatten(loop).bytes);
    EXPECT_EQ("", flatten(byRef(VT_BSTR, nullptr)).bytes);
}

// ---- through the dispatcher

// Sets the ANSI code page for one test.
struct AnsiCodePage {
    explicit AnsiCodePage(uint32_t codePage) { SystemInfo::overrideAnsiCodePage(codePage); }
    ~AnsiCodePage() { SystemInfo::overrideAnsiCodePage(0); }
};

// An Xml object holding "<r/>".
struct Root : XmlCalls {
    Root() { load(u"<r/>"); }
};

TEST(VariantFlattening, LoadXmlVReadsAnsiBytesAndStringsAlike) {
    AnsiCodePage windowsLatin(1252);
    Root fromString, fromBytes;
    VARIANT string = textVariant(u"<r>  caf\u00e9 \u20ac  </r>"), bytes = bytesVariant("<r>  caf\xe9 \x80  </r>");
    ASSERT_EQ(1, fromString.call("LoadXmlV", Args().take(string)).lVal);
    const std::u16string expected = text(fromString.call("GetXml"));
    EXPECT_NE(std::u16string::npos, expected.find(u"<r>caf\u00e9 \u20ac</r>"));  // loaded trimmed
    // (The other forms and the byte-order marks, in the system's own code page: the Python host's suite.)
    ASSERT_EQ(1, fromBytes.call("LoadXmlV", Args().take(bytes)).lVal);
    EXPECT_EQ(expected, text(fromBytes.call("GetXml")));
}

// Binary content comes back as a zero-based array of bytes.
TEST(VariantFlattening, BinaryContentRoundTripsAsAByteArray) {
    Root root;
    VARIANT data = bytesVariant(std::string("\x00\x10\x80\xff", 4));
    EXPECT_EQ(1, root.call("SetBinaryContent", Args().take(data).boolean(true).boolean(false).str(u"")).lVal);
    const Var &out = root.call("GetBinaryContent", Args().boolean(true).boolean(false).str(u""));
    ASSERT_TRUE(out.vt == (VT_ARRAY | VT_UI1) && SafeArrayGetDim(out.parray) == 1);
    EXPECT_EQ(0, out.parray->rgsabound[0].lLbound);
    ASSERT_EQ(4u, out.parray->rgsabound[0].cElements);
    EXPECT_EQ(0, std::memcmp(out.parray->pvData, "\x00\x10\x80\xff", 4));
}

// (A string handed to an encoded-word member is written in the charset the word names, bytes as
// they are: the Python host's suite.)

}  // namespace
}  // namespace quorvel::dispatchtest
