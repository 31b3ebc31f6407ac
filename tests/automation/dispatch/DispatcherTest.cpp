#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DispatchTestSupport.h"

namespace quorvel::dispatchtest {
namespace {

class Dispatch : public ::testing::Test {
protected:
    ClsXml xml;
    FakeServices services;

    // A method or get called the way script hosts call it; the result's HRESULT must be S_OK.
    void call(const char *name, Args &args, VARIANT &result) {
        ASSERT_EQ(S_OK, invoke(xml, services, name, kGet, args, &result)) << name;
    }
    void call(const char *name, Args &&args, VARIANT &result) { call(name, args, result); }
    std::u16string callText(const char *name, Args &&args = Args()) {
        Var result;
        call(name, args, result);
        return text(result);
    }
    LONG callLong(const char *name, Args &&args = Args()) {
        Var result;
        call(name, args, result);
        EXPECT_EQ(VT_I4, result.vt) << name;
        return result.lVal;
    }
    void put(const char *name, Args &&value) {
        ASSERT_EQ(S_OK, invoke(xml, services, name, DISPATCH_PROPERTYPUT, value, nullptr)) << name;
    }
    void load(const char16_t *document) { ASSERT_EQ(1, callLong("LoadXml", std::move(Args().str(document)))); }
};

// ---- names

TEST(DispatchNames, MembersMatchWhateverTheCaseAndArgumentsMapToPositions) {
    struct Row {
        const char16_t *name;
        DISPID id;
    } rows[] = {{u"GetChildContent", 8}, {u"getchildcontent", 8}, {u"GETXML", 13}, {u"loadXmlV", 86},
                {u"Tag", 5}, {u"GetChildContents", DISPID_UNKNOWN}, {u"GetXm", DISPID_UNKNOWN},
                {u"T\u00c1G", DISPID_UNKNOWN}, {u"", DISPID_UNKNOWN}};
    for (const Row &row : rows) {
        const OLECHAR *names[] = {ole(row.name)};
        DISPID id = 12345;
        const HRESULT hr = getIDsOfNames(kIQuorvelXml, names, 1, &id);
        EXPECT_EQ(row.id, id) << std::string(row.name, row.name + std::char_traits<char16_t>::length(row.name));
        EXPECT_EQ(row.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK, hr);
    }

    const OLECHAR *withArgs[] = {ole(u"getnthchildwithtag"), ole(u"N"), ole(u"tag"), ole(u"index")};
    DISPID ids[4] = {};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, getIDsOfNames(kIQuorvelXml, withArgs, 4, ids));
    EXPECT_EQ((std::vector<DISPID>(ids, ids + 4)), (std::vector<DISPID>{29, 1, 0, DISPID_UNKNOWN}));
    const OLECHAR *rss[] = {ole(u"downloadrss")};
    EXPECT_EQ(S_OK, getIDsOfNames(kIQuorvelRss, rss, 1, ids));
    EXPECT_EQ(10, ids[0]);
}

// ---- member kinds and call shapes

TEST_F(Dispatch, EveryMemberKindIsReachedByItsFlags) {
    load(u"<root><a>1</a><b>2</b></root>");
    // A get answers METHOD|PROPERTYGET (script hosts) and PROPERTYGET alone.
    EXPECT_EQ(2, callLong("NumChildren"));
    Var count;
    ASSERT_EQ(S_OK, invoke(xml, services, "NumChildren", DISPATCH_PROPERTYGET, Args(), &count));
    EXPECT_TRUE(count.vt == VT_I4 && count.lVal == 2);

    // get+put: the put's value is the named DISPID_PROPERTYPUT argument.
    put("Tag", std::move(Args().str(u"top")));
    EXPECT_EQ(u"top", callText("Tag"));
    // A put without the name is the same put.
    Args value;
    value.str(u"again");
    DISPPARAMS params = value.params();
    ASSERT_EQ(S_OK, invokeXml(xml, services, 5, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"again", callText("Tag"));
    // A method without a result leaves the result empty.
    Var cleared;
    call("Clear", Args(), cleared);
    EXPECT_EQ(VT_EMPTY, cleared.vt);
}

TEST_F(Dispatch, MissingMembersAndSidesAreNotFound) {
    struct Row {
        const char *what;
        DISPID id;
        WORD flags;
        UINT args;
    } rows[] = {  // (unknown DISPIDs and the wrong kind of call: the Python host's suite)
        {"a put on a method", 10, DISPATCH_PROPERTYPUT, 1}, {"a by-reference put", 5, DISPATCH_PROPERTYPUTREF, 1},
        {"no dispatch flag", 13, 0, 0},
    };
    for (const Row &row : rows) {
        Args args;
        if (row.args) args.str(u"x");
        DISPPARAMS params = args.params();
        Var result;
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invokeXml(xml, services, row.id, row.flags, &params, &result, nullptr, nullptr))
            << row.what;
        EXPECT_EQ(VT_EMPTY, result.vt) << row.what;
    }
}

TEST_F(Dispatch, ArgumentCountsAreExact) {
    struct Row {
        const char *name;
        WORD flags;
        int args;
    } rows[] = {{"LoadXml", kGet, 0}, {"LoadXml", kGet, 2}, {"GetXml", kGet, 1}, {"NumChildren", kGet, 1},
                {"Tag", DISPATCH_PROPERTYPUT, 2}, {"Tag", DISPATCH_PROPERTYPUT, 0}, {"UpdateAttribute", kGet, 1}};
    for (const Row &row : rows) {
        Args args;
        for (int i = 0; i < row.args; ++i) args.str(u"<a/>");
        Var result;
        DISPID named = DISPID_PROPERTYPUT;
        const bool namedPut = row.flags == DISPATCH_PROPERTYPUT && row.args > 0;
        DISPPARAMS params{args.params().rgvarg, namedPut ? &named : nullptr, args.count(), namedPut ? 1u : 0u};
        EXPECT_EQ(DISP_E_BADPARAMCOUNT, invokeXml(xml, services, dispidOf(kIQuorvelXml, row.name), row.flags, &params,
                                                  &result, nullptr, nullptr))
            << row.name << " with " << row.args;
    }
    EXPECT_EQ(u"unnamed", callText("Tag"));  // nothing was loaded or renamed
}

TEST_F(Dispatch, NamedArgumentsTakeTheirPositions) {
    load(u"<r><x>1</x><y>2</y><x>3</x></r>");
    // GetNthChildWithTag(Tag, n) with n named: rgvarg holds the named one first.
    Args args;
    args.i4(1).str(u"x");  // rgvarg[0] = "x" (positional), rgvarg[1] = 1 (named n)
    DISPPARAMS params = args.params();
    DISPID named[] = {1};
    std::swap(params.rgvarg[0], params.rgvarg[1]);  // named first: rgvarg[0] = 1, rgvarg[1] = "x"
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = named;
    Var child;
    ASSERT_EQ(S_OK, invokeXml(xml, services, 29, kGet, &params, &child, nullptr, nullptr));
    ASSERT_EQ(VT_DISPATCH, child.vt);
    ASSERT_NE(nullptr, child.pdispVal);
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
    // A put's one argument may only be named DISPID_PROPERTYPUT.
    Args value;
    value.str(u"t");
    DISPID wrongName = 0;
    DISPPARAMS put{value.params().rgvarg, &wrongName, 1, 1};
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, invokeXml(xml, services, 5, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
}

TEST_F(Dispatch, MalformedParametersAreRefused) {
    DISPPARAMS noArray{nullptr, nullptr, 1, 0};
    EXPECT_EQ(E_INVALIDARG, invokeXml(xml, services, 10, kGet, &noArray, nullptr, nullptr, nullptr));
    Args one;
    one.str(u"<a/>");
    DISPID names[2] = {0, 1};
    DISPPARAMS tooManyNames{one.params().rgvarg, names, 1, 2};
    EXPECT_EQ(E_INVALIDARG, invokeXml(xml, services, 10, kGet, &tooManyNames, nullptr, nullptr, nullptr));
    // No DISPPARAMS at all is a call without arguments.
    Var result;
    EXPECT_EQ(S_OK, invokeXml(xml, services, 13, kGet, nullptr, &result, nullptr, nullptr));
    EXPECT_EQ(VT_BSTR, result.vt);
}

// ---- argument coercion

TEST_F(Dispatch, ArgumentsAreCoercedAsScriptHostsPassThem) {
    // (Strings, doubles and booleans as numbers and numbers as strings: the Python host's suite.)
    load(u"<r><a>first</a><b>second</b></r>");
    put("Cdata", std::move(Args().boolean(true)));
    put("Cdata", std::move(Args().str(u"0")));  // text as a boolean: "0" is false, not a non-empty string
    EXPECT_EQ(0, callLong("Cdata"));
    // By-reference arguments are read through.
    BSTR tag = SysAllocString(ole(u"b"));
    VARIANT inner;
    inner.vt = VT_I4;
    inner.lVal = 1;
    VARIANT refs[2];
    refs[0].vt = VT_BSTR | VT_BYREF;
    refs[0].pbstrVal = &tag;
    refs[1].vt = VT_VARIANT | VT_BYREF;
    refs[1].pvarVal = &inner;
    EXPECT_EQ(u"second", callText("GetChildContent", std::move(Args().take(refs[0]))));
    EXPECT_EQ(u"b", callText("GetChildTag", std::move(Args().take(refs[1]))));
    SysFreeString(tag);
}

TEST_F(Dispatch, ArgumentsThatDoNotConvertAreNamed) {
    load(u"<r><a/></r>");
    FakeObject *own = services.newXml();
    struct Row {
        const char *name;
        std::function<void(Args &)> fill;  // declaration order
        UINT argErr;  // the bad argument's index in rgvarg, where the last comes first
        HRESULT hr = DISP_E_TYPEMISMATCH;
    } rows[] = {
        {"GetChild", [](Args &a) { a.str(u"not a number"); }, 0},
        {"NewChildBefore", [](Args &a) { a.str(u"zz").str(u"t").str(u"c"); }, 2},
        {"NewChildAfter", [&](Args &a) { a.i4(0).object(own).str(u"c"); }, 1},  // an object is no tag
        {"AddChildTree", [](Args &a) { a.str(u"<a/>"); }, 0},                   // a string is no object
        {"GetChild", [](Args &a) { a.r8(1e12); }, 0, DISP_E_OVERFLOW},            // too large for a long
    };
    for (const Row &row : rows) {
        Args args;
        row.fill(args);
        Var result;
        UINT argErr = 99;
        EXPECT_EQ(row.hr, invoke(xml, services, row.name, kGet, args, &result, &argErr)) << row.name;
        EXPECT_EQ(row.argErr, argErr) << row.name;
        EXPECT_EQ(VT_EMPTY, result.vt);
    }
    EXPECT_EQ(1, callLong("NumChildren"));  // nothing changed
}

// ---- objects

TEST_F(Dispatch, ObjectResultsNobodyAskedForAreReleasedAndAFailedWrapIsOutOfMemory) {
    // (A new object with one reference per result, or null: the Python host's suite.)
    load(u"<r><a>x</a></r>");
    ASSERT_EQ(S_OK, invoke(xml, services, "GetChild", kGet, Args().i4(0), nullptr));
    EXPECT_EQ(0u, services.made.back()->references);
    services.wrapFails = true;
    Var failed;
    EXPECT_EQ(E_OUTOFMEMORY, invoke(xml, services, "GetChild", kGet, Args().i4(0), &failed));
    EXPECT_EQ(VT_EMPTY, failed.vt);
}

// ---- the browser host

TEST_F(Dispatch, APutRefusedInABrowserLeavesTheGetSide) {
    // (Every file member refused in a browser and working elsewhere: the Python host's suite.)
    services.inBrowser = true;
    Var refused;
    EXPECT_EQ(E_FAIL, invoke(xml, services, "SaveXml", kGet, Args().str(u"never-written.xml"), &refused));
    EXPECT_EQ(VT_EMPTY, refused.vt);
    EXPECT_EQ(E_FAIL, invoke(xml, services, "DebugLogFilePath", DISPATCH_PROPERTYPUT, Args().str(u"x.log"), nullptr));
    EXPECT_EQ(u"", callText("DebugLogFilePath"));
}

// ---- Rss and Atom specifics

TEST(DispatchFeeds, DownloadsGetTheProgressSink) {
    FakeServices services;
    ClsRss rss;
    Var downloaded;
    ASSERT_EQ(S_OK, invoke(rss, services, "DownloadRss", kGet, Args().str(u""), &downloaded));
    EXPECT_EQ(1, services.progressRequests);
    EXPECT_TRUE(downloaded.vt == VT_I4 && downloaded.lVal == 0);
}

TEST(DispatchFeeds, DateTimeObjectsCrossTheAtomBoundary) {
    FakeServices services;
    ClsAtom atom;
    FakeObject *when = services.newDate(41719.375);
    FakeObject foreign;  // no date-time of ours
    Var added, refused, result, none;
    ASSERT_EQ(S_OK, invoke(atom, services, "AddElementDt", kGet, Args().str(u"published").object(when), &added));
    EXPECT_TRUE(added.vt == VT_I4 && added.lVal >= 0);
    ASSERT_EQ(S_OK, invoke(atom, services, "AddElementDt", kGet, Args().str(u"other").object(&foreign), &refused));
    EXPECT_EQ(-1, refused.lVal);
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
