#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "automation/dispatch/VariantFlattening.h"
#include "DispatchTestSupport.h"
#include "platform/SystemInfo.h"

namespace quorvel::dispatchtest {
namespace {

SAFEARRAY *byteArray(const std::string &bytes) {
    SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void *data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    return array;
}

// A variant holding a new byte array, or a new string.
VARIANT bytesVariant(const std::string &bytes) {
    VARIANT v;
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = byteArray(bytes);
    return v;
}
VARIANT textVariant(const char16_t *text) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(ole(text));
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
    Var text;
    static_cast<VARIANT &>(text) = textVariant(u"A\u00e9");
    const Flat fromText = flatten(text);
    EXPECT_EQ(std::string("A\0\xe9\0", 4), fromText.bytes);
    EXPECT_TRUE(fromText.isText);

    struct Row {
        const char *what;
        VARTYPE type;
        LONGLONG value;
        std::string bytes;
    } rows[] = {{"a byte", VT_UI1, 0xC8, "\xc8"},  {"a signed byte", VT_I1, 0x7F, "\x7f"},
                {"true", VT_BOOL, -1, "\x01"},     {"false", VT_BOOL, 0, std::string(1, '\0')},
                {"a long", VT_I4, 65, ""},         {"null", VT_NULL, 0, ""}};
    for (const Row &row : rows) {
        VARIANT value;
        VariantInit(&value);
        value.vt = row.type;
        value.llVal = 0;
        if (row.type == VT_BOOL) value.boolVal = static_cast<VARIANT_BOOL>(row.value);
        else value.bVal = static_cast<BYTE>(row.value);
        const Flat flat = flatten(value);
        EXPECT_EQ(row.bytes, flat.bytes) << row.what;
        EXPECT_FALSE(flat.isText) << row.what;
    }

    Var bytes;
    static_cast<VARIANT &>(bytes) = bytesVariant(std::string("\x00\x01\xff", 3));
    EXPECT_EQ(std::string("\x00\x01\xff", 3), flatten(bytes).bytes);
    EXPECT_FALSE(flatten(bytes).isText);
}

TEST(VariantFlattening, ArraysOfVariantsAndReferencesAreFollowed) {
    Var list;
    list.vt = VT_ARRAY | VT_VARIANT;
    list.parray = SafeArrayCreateVector(VT_VARIANT, 0, 4);
    VARIANT *elements = nullptr;
    SafeArrayAccessData(list.parray, reinterpret_cast<void **>(&elements));
    elements[0].vt = VT_UI1;
    elements[0].bVal = 'x';
    elements[1] = textVariant(u"y");
    elements[2] = bytesVariant("za");
    elements[3].vt = VT_I4;  // gives nothing
    elements[3].lVal = 7;
    SafeArrayUnaccessData(list.parray);
    const Flat flat = flatten(list);
    EXPECT_EQ(std::string("xy\0za", 5), flat.bytes);
    EXPECT_TRUE(flat.isText);  // one element was a string

    // By reference: to the list itself and to a byte array.
    VARIANT toList;
    toList.vt = VT_VARIANT | VT_BYREF;
    toList.pvarVal = &list;
    EXPECT_EQ(flat.bytes, flatten(toList).bytes);
    SAFEARRAY *array = byteArray("arr");
    VARIANT toArray;
    toArray.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
    toArray.pparray = &array;
    EXPECT_EQ("arr", flatten(toArray).bytes);
    SafeArrayDestroy(array);

    // Two dimensions are no byte array; a reference to itself ends.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    Var square;
    square.vt = VT_ARRAY | VT_UI1;
    square.parray = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ("", flatten(square).bytes);
    VARIANT loop;
    loop.vt = VT_VARIANT | VT_BYREF;
    loop.pvarVal = &loop;
    EXPECT_EQ("", flatten(loop).bytes);
    VARIANT nowhere;
    nowhere.vt = VT_BSTR | VT_BYREF;
    nowhere.pbstrVal = nullptr;
    EXPECT_EQ("", flatten(nowhere).bytes);
}

// ---- through the dispatcher

// Sets the ANSI code page for one test.
struct AnsiCodePage {
    explicit AnsiCodePage(uint32_t codePage) { SystemInfo::overrideAnsiCodePage(codePage); }
    ~AnsiCodePage() { SystemInfo::overrideAnsiCodePage(0); }
};

std::u16string loadedVia(VARIANT &document) {
    ClsXml xml;
    FakeServices services;
    Var loaded;
    EXPECT_EQ(S_OK, invoke(xml, services, "LoadXmlV", kGet, Args().take(document), &loaded));
    EXPECT_EQ(VT_I4, loaded.vt);
    if (loaded.lVal != 1) return u"<not loaded>";
    Var out;
    EXPECT_EQ(S_OK, invoke(xml, services, "GetXml", kGet, Args(), &out));
    return text(out);
}

TEST(VariantFlattening, LoadXmlVReadsAnsiBytesAndStringsAlike) {
    AnsiCodePage windowsLatin(1252);
    VARIANT fromString = textVariant(u"<r>  caf\u00e9 \u20ac  </r>");
    const std::u16string expected = loadedVia(fromString);
    EXPECT_NE(std::u16string::npos, expected.find(u"<r>caf\u00e9 \u20ac</r>"));  // loaded trimmed

    VARIANT fromBytes = bytesVariant("<r>  caf\xe9 \x80  </r>");
    EXPECT_EQ(expected, loadedVia(fromBytes));

    // EF BB BF before the bytes is passed over. (The other forms and the UTF-16 mark, with the
    // system's own code page: the Python host's suite.)
    VARIANT utf8Marked = bytesVariant("\xef\xbb\xbf<r>  caf\xe9 \x80  </r>");
    EXPECT_EQ(expected, loadedVia(utf8Marked));
}

TEST(VariantFlattening, BinaryContentRoundTripsAsAByteArray) {
    ClsXml xml;
    FakeServices services;
    ASSERT_TRUE(xml.LoadXml(xs("<r/>")));
    VARIANT data = bytesVariant(std::string("\x00\x10\x80\xff", 4));
    Var stored;
    Args set;
    set.take(data).boolean(true).boolean(false).str(u"");
    ASSERT_EQ(S_OK, invoke(xml, services, "SetBinaryContent", kGet, set, &stored));
    EXPECT_EQ(1, stored.lVal);

    Var out;
    ASSERT_EQ(S_OK, invoke(xml, services, "GetBinaryContent", kGet, Args().boolean(true).boolean(false).str(u""),
                           &out));
    ASSERT_EQ(VT_ARRAY | VT_UI1, out.vt);
    ASSERT_EQ(1u, SafeArrayGetDim(out.parray));
    LONG lower = -1;
    SafeArrayGetLBound(out.parray, 1, &lower);
    EXPECT_EQ(0, lower);
    ASSERT_EQ(4u, out.parray->rgsabound[0].cElements);
    EXPECT_EQ(0, std::memcmp(out.parray->pvData, "\x00\x10\x80\xff", 4));
}

// A string handed to an encoded-word member is written in the charset the word names, so the
// label tells the truth; bytes are encoded as they are.
TEST(VariantFlattening, EncodedWordsWriteStringDataInTheirCharset) {
    struct Row {
        const char *member;
        const char16_t *charset;
        bool asText;
        std::u16string expected;
    };
    const Row rows[] = {
        {"QEncodeContent", u"utf-8", true, u"=?utf-8?Q?h=C3=A9_=E2=82=AC?="},
        {"QEncodeContent", u"iso-8859-15", true, u"=?iso-8859-15?Q?h=E9_=A4?="},
        {"QEncodeContent", u"", true, u"=?utf-8?Q?h=C3=A9_=E2=82=AC?="},
        {"QEncodeContent", u"no-such-charset", true, u"=?no-such-charset?Q?h=C3=A9_=E2=82=AC?="},
        {"QEncodeContent", u"utf-8", false, u"=?utf-8?Q?h=E9_=80?="},  // the bytes, unchanged
        {"BEncodeContent", u"utf-8", true, u"=?utf-8?B?aMOpIOKCrA==?="},
        {"BEncodeContent", u"windows-1252", true, u"=?windows-1252?B?aOkggA==?="},
        {"BEncodeContent", u"utf-16le", true, u"=?utf-16le?B?aADpACAArCA=?="},
    };
    for (const Row &row : rows) {
        ClsXml xml;
        FakeServices services;
        ASSERT_TRUE(xml.LoadXml(xs("<r/>")));
        VARIANT data = row.asText ? textVariant(u"h\u00e9 \u20ac") : bytesVariant("h\xe9 \x80");
        Var encoded;
        ASSERT_EQ(S_OK, invoke(xml, services, row.member, kGet, Args().str(row.charset).take(data), &encoded));
        EXPECT_EQ(1, encoded.lVal) << row.member;
        Var content;
        ASSERT_EQ(S_OK, invoke(xml, services, "Content", kGet, Args(), &content));
        EXPECT_EQ(row.expected, text(content)) << row.member << " " << row.asText;
    }
}

}  // namespace
}  // namespace quorvel::dispatchtest
