#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "DispatchTestSupport.h"

// (Every member by name, by DISPID and by vtable, with its argument and result types, and the
// host-visible rules — unknown DISPIDs, wrong call kinds, coercion of numbers and strings, the
// argument that does not convert, object arguments and results, the file members in a browser —
// are the Python host's suite.)
namespace quorvel::dispatchtest {
namespace {

class Dispatch : public ::testing::Test, public XmlCalls {};

// ---- names

TEST(DispatchNames, NamesMatchWithoutCaseOnlyWholeAndArgumentsMapToPositions) {
    const std::pair<const char16_t *, DISPID> rows[] = {{u"getCHILDcontent", 8}, {u"GetChildContents", DISPID_UNKNOWN},
        {u"GetXm", DISPID_UNKNOWN}, {u"T\u00c1G", DISPID_UNKNOWN}, {u"", DISPID_UNKNOWN}};
    for (const auto &[name, id] : rows) {
        const OLECHAR *names[] = {ole(name)};
        DISPID found = 12345;
        EXPECT_EQ(id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK, getIDsOfNames(kIQuorvelXml, names, 1, &found));
        EXPECT_EQ(id, found) << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
    const OLECHAR *withArgs[] = {ole(u"getnthchildwithtag"), ole(u"N"), ole(u"tag"), ole(u"index")};
    DISPID ids[4] = {};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, getIDsOfNames(kIQuorvelXml, withArgs, 4, ids));
    EXPECT_EQ((std::vector<DISPID>(ids, ids + 4)), (std::vector<DISPID>{29, 1, 0, DISPID_UNKNOWN}));
}

// ---- call shapes

// Each call of the wrong shape is refused before anything runs.
TEST_F(Dispatch, CallsOfTheWrongShapeAreRefused) {
    Args one, two;
    one.str(u"<a/>");
    two.str(u"<a/>").str(u"<b/>");
    DISPID put = DISPID_PROPERTYPUT, names[2] = {0, 1};
    const DISPPARAMS none{nullptr, nullptr, 0, 0}, single = one.params(), pair = two.params();
    const DISPPARAMS namedPair{pair.rgvarg, &put, 2, 1}, noArray{nullptr, nullptr, 1, 0};
    const DISPPARAMS tooManyNames{single.rgvarg, names, 1, 2};
    struct Row {
        const char *what, *member;
        WORD flags;
        DISPPARAMS params;
        HRESULT hr;
    } rows[] = {
        {"a put on a method", "LoadXml", DISPATCH_PROPERTYPUT, single, DISP_E_MEMBERNOTFOUND},
        {"a by-reference put", "Tag", DISPATCH_PROPERTYPUTREF, single, DISP_E_MEMBERNOTFOUND},
        {"no dispatch flag", "GetXml", 0, none, DISP_E_MEMBERNOTFOUND},
        {"too few arguments", "LoadXml", kGet, none, DISP_E_BADPARAMCOUNT},
        {"too many arguments", "LoadXml", kGet, pair, DISP_E_BADPARAMCOUNT},
        {"an argument to a method without", "GetXml", kGet, single, DISP_E_BADPARAMCOUNT},
        {"an argument to a get", "NumChildren", kGet, single, DISP_E_BADPARAMCOUNT},
        {"one of two arguments", "UpdateAttribute", kGet, single, DISP_E_BADPARAMCOUNT},
        {"a put of two values", "Tag", DISPATCH_PROPERTYPUT, namedPair, DISP_E_BADPARAMCOUNT},
        {"a put of nothing", "Tag", DISPATCH_PROPERTYPUT, none, DISP_E_BADPARAMCOUNT},
        {"arguments without their array", "LoadXml", kGet, noArray, E_INVALIDARG},
        {"more names than arguments", "LoadXml", kGet, tooManyNames, E_INVALIDARG},
    };
    for (Row row : rows) {
        Var out;
        const DISPID id = dispidOf(kIQuorvelXml, row.member);
        EXPECT_EQ(row.hr, invokeXml(xml, services, id, row.flags, &row.params, &out, nullptr, nullptr)) << row.what;
        EXPECT_EQ(VT_EMPTY, out.vt) << row.what;
    }
    EXPECT_EQ(u"unnamed", callText("Tag"));  // nothing was loaded or renamed
    // No DISPPARAMS at all is a call without arguments.
    Var out;
    EXPECT_EQ(S_OK, invokeXml(xml, services, 13, kGet, nullptr, &out, nullptr, nullptr));
    EXPECT_EQ(VT_BSTR, out.vt);
}

TEST_F(Dispatch, NamedArgumentsTakeTheirPositions) {
    load(u"<r><x>1</x><y>2</y><x>3</x></r>");
    // GetNthChildWithTag(Tag, n) with n named: rgvarg holds the named one first.
    Args args;
    args.str(u"x").i4(1);  // reversed: rgvarg[0] = 1 (named n), rgvarg[1] = "x" (positional)
    DISPPARAMS params = args.params();
    DISPID named[] = {1};
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = named;
    Var child;
    ASSERT_EQ(S_OK, invokeXml(xml, services, 29, kGet, &params, &child, nullptr, nullptr));
    ASSERT_TRUE(child.vt == VT_DISPATCH && child.pdispVal);
    XString content;
    services.xmlOf(child.pdispVal)->get_Content(content);
    EXPECT_STREQ("3", content.getUtf8());

    // A named position that repeats a positional one, or lies past the end, is not found.
    for (DISPID bad : {0, 2, DISPID_PROPERTYPUT}) {
        named[0] = bad;
        UINT argErr = 99;
        EXPECT_EQ(DISP_E_PARAMNOTFOUND, invokeXml(xml, services, 29, kGet, &params, &child, nullptr, &argErr));
        EXPECT_EQ(0u, argErr);
    }
    // A put's one argument may be named DISPID_PROPERTYPUT or go unnamed, and is named nothing else.
    Args value;
    value.str(u"t");
    DISPID wrongName = 0;
    DISPPARAMS put{value.params().rgvarg, &wrongName, 1, 1};
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, invokeXml(xml, services, 5, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    put.cNamedArgs = 0;
    ASSERT_EQ(S_OK, invokeXml(xml, services, 5, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"t", callText("Tag"));
}

// ---- argument coercion

TEST_F(Dispatch, TextServesAsABooleanAndReferencesAreReadThrough) {
    load(u"<r><a>first</a><b>second</b></r>");
    put("Cdata", Args().boolean(true));
    put("Cdata", Args().str(u"0"));  // "0" is false, not a non-empty string
    EXPECT_EQ(0, callLong("Cdata"));
    BSTR tag = SysAllocString(ole(u"b"));
    VARIANT inner{}, toTag = comtest::byRef(VT_BSTR, &tag), toIndex = comtest::byRef(VT_VARIANT, &inner);
    inner.vt = VT_I4;
    inner.lVal = 1;
    EXPECT_EQ(u"second", callText("GetChildContent", Args().take(toTag)));
    EXPECT_EQ(u"b", callText("GetChildTag", Args().take(toIndex)));
    SysFreeString(tag);
}

// ---- results and the services

TEST_F(Dispatch, ObjectResultsNobodyAskedForAreReleasedAndAFailedWrapIsOutOfMemory) {
    load(u"<r><a>x</a></r>");
    ASSERT_EQ(S_OK, invoke(xml, services, "GetChild", kGet, Args().i4(0), nullptr));
    EXPECT_EQ(0u, services.made.back()->references);
    services.wrapFails = true;
    Var failed;
    EXPECT_EQ(E_OUTOFMEMORY, invoke(xml, services, "GetChild", kGet, Args().i4(0), &failed));
    EXPECT_EQ(VT_EMPTY, failed.vt);
}

TEST(DispatchFeeds, DownloadsGetTheProgressSink) {
    FakeServices services;
    ClsRss rss;
    Var downloaded;
    ASSERT_EQ(S_OK, invoke(rss, services, "DownloadRss", kGet, Args().str(u""), &downloaded));
    EXPECT_EQ(1, services.progressRequests);
    EXPECT_TRUE(downloaded.vt == VT_I4 && downloaded.lVal == 0);
}

// (A date-time of another implementation, or none, adds nothing: the Python host's suite.)
TEST(DispatchFeeds, DateTimeObjectsCrossTheAtomBoundary) {
    FakeServices services;
    ClsAtom atom;
    FakeObject *when = services.newDate(41719.375);
    Var added, result, none;
    ASSERT_EQ(S_OK, invoke(atom, services, "AddElementDt", kGet, Args().str(u"published").object(when), &added));
    EXPECT_TRUE(added.vt == VT_I4 && added.lVal >= 0);
    // A date-time result is made by the services, which log into the object's log.
    ASSERT_EQ(S_OK, invoke(atom, services, "GetElementDt", kGet, Args().str(u"published").i4(0), &result));
    ASSERT_TRUE(result.vt == VT_DISPATCH && result.pdispVal);
    EXPECT_EQ("2014 3 21 9 0 0 1", static_cast<FakeObject *>(result.pdispVal)->serialized);
    XString log;
    atom.get_LastErrorText(log);
    EXPECT_NE(nullptr, std::strstr(log.getUtf8(), "date-time created"));
    services.dateTimeFails = true;
    ASSERT_EQ(S_OK, invoke(atom, services, "GetElementDt", kGet, Args().str(u"published").i4(0), &none));
    EXPECT_TRUE(none.vt == VT_DISPATCH && none.pdispVal == nullptr);
}

}  // namespace
}  // namespace quorvel::dispatchtest
