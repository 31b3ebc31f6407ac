#include <gtest/gtest.h>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "automation/server/ServerObjects.h"
#include "tests/automation/server/ServerTestSupport.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/TestFiles.h"

namespace quorvel::automation {
namespace {

using servertest::callByName;
using servertest::create;
using servertest::query;
using servertest::TestSink;
using servertest::TestSite;

const Guid &kXml = kCoClasses[0].clsid;
const Guid &kRss = kCoClasses[1].clsid;
const Guid &kAtom = kCoClasses[2].clsid;

long liveObjects() { return ServerModule::instance().objectCount(); }

TEST(ServerObject, EachClassAnswersItsInterfacesWithOneIdentity) {
    struct Row {
        const Guid &clsid;
        const Interface &defaultInterface;
        bool objectSafety;
        bool answersDual;
    };
    const Row rows[] = {{kXml, kIQuorvelXml, true, false},
                        {kRss, kIQuorvelRss, false, false},
                        {kAtom, kIQuorvelAtom, false, false},
#ifndef _WIN32  // the library serves the date-time class only where no component provides it
                        {kQvDateTimeClass.clsid, kIQvDateTime, false, true},
#endif
    };
    const long before = liveObjects();
    for (const Row &row : rows) {
        IUnknown *object = create<IUnknown>(row.clsid, IID_IUnknown);
        ASSERT_NE(object, nullptr) << guidText(row.clsid);
        EXPECT_EQ(liveObjects(), before + 1);
        const GUID dual = comGuid(row.defaultInterface.iid);
        IUnknown *dualAnswer = query<IUnknown>(object, dual);
        EXPECT_EQ(dualAnswer != nullptr, row.answersDual) << "only the date-time class answers its dual IID";
        if (dualAnswer) dualAnswer->Release();
        for (const IID *iid : {&IID_IDispatch, &IID_IProvideClassInfo, &IID_IProvideClassInfo2,
                               &IID_ISupportErrorInfo, &IID_IConnectionPointContainer, &IID_IOleObject}) {
            IUnknown *answer = query<IUnknown>(object, *iid);
            ASSERT_NE(answer, nullptr) << row.defaultInterface.name;
            IUnknown *identity = query<IUnknown>(answer, IID_IUnknown);
            EXPECT_EQ(identity, object) << "every interface leads back to one IUnknown";
            identity->Release();
            answer->Release();
        }
        IUnknown *safety = query<IUnknown>(object, IID_IObjectSafety);
        EXPECT_EQ(safety != nullptr, row.objectSafety) << row.defaultInterface.name;
        if (safety) safety->Release();
        EXPECT_EQ(query<IUnknown>(object, IID_IClassFactory), nullptr);
        object->Release();
        EXPECT_EQ(liveObjects(), before);
    }
}

// An outer object that counts the references its inner object's interfaces take on it.
struct Outer final : servertest::Counted<IUnknown> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
};

TEST(ServerObject, AggregatedObjectsDelegateToTheOuterUnknown) {
    const long before = liveObjects();
#ifdef _WIN32
    const Guid *classes[] = {&kXml, &kRss, &kAtom};
#else
    const Guid *classes[] = {&kXml, &kRss, &kAtom, &kQvDateTimeClass.clsid};
#endif
    for (const Guid *clsid : classes) {
        IClassFactory *factory = nullptr;
        const GUID classId = comGuid(*clsid);
        ASSERT_EQ(serverClassObjects().get(classId, IID_IClassFactory, reinterpret_cast<void **>(&factory)), S_OK);
        Outer outer;
        void *object = nullptr;
        EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
        ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
        factory->Release();
        IUnknown *inner = static_cast<IUnknown *>(object);

        IDispatch *dispatch = query<IDispatch>(inner, IID_IDispatch);
        ASSERT_NE(dispatch, nullptr);
        EXPECT_EQ(outer.references, 2u) << "an interface of the inner object counts on the outer one";
        dispatch->AddRef();
        EXPECT_EQ(outer.references, 3u);
        dispatch->Release();
        dispatch->Release();
        EXPECT_EQ(outer.references, 1u);
        // Through a delegating interface, IUnknown is the outer object's (which refuses here).
        IOleObject *ole = query<IOleObject>(inner, IID_IOleObject);
        ASSERT_NE(ole, nullptr);
        EXPECT_EQ(query<IUnknown>(ole, IID_IUnknown), nullptr);
        ole->Release();
        IUnknown *same = query<IUnknown>(inner, IID_IUnknown);
        EXPECT_EQ(same, inner) << "the inner unknown answers for itself";
        same->Release();
        EXPECT_EQ(liveObjects(), before + 1);
        EXPECT_EQ(inner->Release(), 0u);
        EXPECT_EQ(liveObjects(), before);
        EXPECT_EQ(outer.references, 1u);
    }
}

TEST(ServerObject, ClassInfoErrorInfoAndOleObjectAnswers) {
    struct Row {
        const Guid &clsid;
        const Interface &defaultInterface;
        const Interface &events;
        DWORD miscStatus;
    };
    const Row rows[] = {{kXml, kIQuorvelXml, k_IQuorvelXmlEvents, 0},
                        {kRss, kIQuorvelRss, k_IQuorvelRssEvents, 132497},
                        {kAtom, kIQuorvelAtom, k_IQuorvelAtomEvents, 132497}};
    for (const Row &row : rows) {
        IProvideClassInfo2 *info = create<IProvideClassInfo2>(row.clsid, IID_IProvideClassInfo2);
        ASSERT_NE(info, nullptr);
        GUID guid{};
        EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
        EXPECT_TRUE(sameGuid(guid, row.events.iid)) << row.events.name;
        EXPECT_EQ(info->GetGUID(2, &guid), E_INVALIDARG);
        EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
        ITypeInfo *typeInfo = reinterpret_cast<ITypeInfo *>(1);
        EXPECT_EQ(info->GetClassInfo(&typeInfo), E_NOTIMPL) << "no type library is loaded here";
        EXPECT_EQ(typeInfo, nullptr);

        ISupportErrorInfo *errors = query<ISupportErrorInfo>(info, IID_ISupportErrorInfo);
        const GUID dual = comGuid(row.defaultInterface.iid);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(dual), S_OK);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
        errors->Release();

        IOleObject *ole = query<IOleObject>(info, IID_IOleObject);
        CLSID clsid{};
        EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
        EXPECT_TRUE(sameGuid(clsid, row.clsid));
        DWORD status = 7;
        EXPECT_EQ(ole->GetMiscStatus(1, &status), S_OK);
        EXPECT_EQ(status, row.miscStatus);
        SIZEL extent{1000, 500};
        EXPECT_EQ(ole->SetExtent(1, &extent), S_OK);
        SIZEL read{};
        EXPECT_EQ(ole->GetExtent(1, &read), S_OK);
        EXPECT_EQ(read.cx, 1000);
        EXPECT_EQ(read.cy, 500);
        EXPECT_EQ(ole->DoVerb(0, nullptr, nullptr, 0, nullptr, nullptr), E_NOTIMPL);
        EXPECT_EQ(ole->Close(0), S_OK);
        ole->Release();
        EXPECT_EQ(info->Release(), 0u);
    }
}

TEST(ServerObject, ConnectionPointsAcceptAndReleaseAdvisers) {
    for (const Guid *clsid : {&kXml, &kRss}) {
        const bool isXml = clsid == &kXml;
        IConnectionPointContainer *container = create<IConnectionPointContainer>(*clsid, IID_IConnectionPointContainer);
        ASSERT_NE(container, nullptr);
        const GUID xmlEvents = comGuid(k_IQuorvelXmlEvents.iid);
        IConnectionPoint *events = nullptr;
        EXPECT_EQ(container->FindConnectionPoint(xmlEvents, &events), isXml ? S_OK : CONNECT_E_NOCONNECTION);
        if (events) events->Release();
        const GUID rssEvents = comGuid(k_IQuorvelRssEvents.iid);
        EXPECT_EQ(container->FindConnectionPoint(rssEvents, &events), CONNECT_E_NOCONNECTION);

        IEnumConnectionPoints *points = nullptr;
        ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
        IConnectionPoint *listed[3] = {};
        ULONG fetched = 0;
        EXPECT_EQ(points->Next(3, listed, &fetched), S_FALSE);
        EXPECT_EQ(fetched, isXml ? 2u : 1u);
        for (ULONG i = 0; i < fetched; ++i) listed[i]->Release();
        points->Release();

        IConnectionPoint *point = nullptr;
        ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &point), S_OK);
        IID iid{};
        EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
        EXPECT_TRUE(IsEqualIID(iid, IID_IPropertyNotifySink));
        TestSink sink;
        DWORD first = 0, second = 0;
        ASSERT_EQ(point->Advise(&sink, &first), S_OK);
        ASSERT_EQ(point->Advise(&sink, &second), S_OK);
        EXPECT_NE(first, second);
        EXPECT_EQ(sink.references, 3u);
        EXPECT_EQ(point->Unadvise(first), S_OK);
        EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
        EXPECT_EQ(sink.references, 2u);
        // A sink without the point's interface cannot connect.
        Outer stranger;
        DWORD cookie = 9;
        EXPECT_EQ(point->Advise(&stranger, &cookie), CONNECT_E_CANNOTCONNECT);
        EXPECT_EQ(cookie, 0u);
        IEnumConnections *connections = nullptr;
        EXPECT_EQ(point->EnumConnections(&connections), E_NOTIMPL);

        // A held point keeps the object; the object's end releases the advisers left.
        container->Release();
        point->Release();
        EXPECT_EQ(sink.references, 1u);
    }
}

TEST(ServerObject, ObjectSafetyReportsAndAcceptsBothOptions) {
    IObjectSafety *safety = create<IObjectSafety>(kXml, IID_IObjectSafety);
    ASSERT_NE(safety, nullptr);
    constexpr DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    DWORD supported = 0, enabled = 7;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, both);
    EXPECT_EQ(enabled, 0u);
    const GUID dual = comGuid(kIQuorvelXml.iid);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(dual, both, both), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, both);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_DATA, 0), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(dual, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER));
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0x4, 0x4), E_FAIL);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled), E_NOINTERFACE);
    safety->Release();
}

TEST(ServerObject, ClientSiteDecidesTheBrowserHost) {
    XmlObject *object = XmlObject::createStandalone(ServerModule::instance());
    ASSERT_NE(object, nullptr);
    EXPECT_FALSE(object->sitedInBrowser()) << "no site";
    struct Row {
        bool services, browser, sitedInBrowser;
    };
    for (const Row &row : {Row{false, false, false}, Row{true, false, false}, Row{true, true, true}}) {
        TestSite site(row.services, row.browser);
        ASSERT_EQ(object->SetClientSite(&site), S_OK);
        EXPECT_EQ(object->sitedInBrowser(), row.sitedInBrowser);
        IOleClientSite *held = nullptr;
        EXPECT_EQ(object->GetClientSite(&held), S_OK);
        EXPECT_EQ(held, &site);
        held->Release();
        ASSERT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(site.references, 1u) << "the site is let go";
        EXPECT_EQ(site.provider.references, 1u);
        EXPECT_EQ(site.browserObject.references, 1u);
    }
    object->Release();
}

TEST(ServerObject, FileMembersFailInABrowserAndWorkOutside) {
    IDispatch *xml = create<IDispatch>(kXml, IID_IDispatch);
    ASSERT_NE(xml, nullptr);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(callByName(xml, "LoadXml", {"<root><a>1</a></root>"}, &result), S_OK);
    const std::string path = test::scratchDir("ServerObjectFileMembers") + "saved.xml";

    TestSite browser(true, true);
    IOleObject *ole = query<IOleObject>(xml, IID_IOleObject);
    ASSERT_EQ(ole->SetClientSite(&browser), S_OK);
    EXPECT_EQ(callByName(xml, "SaveXml", {path.c_str()}, &result), E_FAIL);
    EXPECT_FALSE(test::fileExists(path)) << "no file is written from a browser";
    EXPECT_EQ(callByName(xml, "SetBinaryContentFromFile", {path.c_str(), "0", "0", ""}, &result), E_FAIL);

    TestSite plain(true, false);
    ASSERT_EQ(ole->SetClientSite(&plain), S_OK);
    VariantClear(&result);
    EXPECT_EQ(callByName(xml, "SaveXml", {path.c_str()}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 1);
    EXPECT_NE(test::fileBytes(path).find("<a>1</a>"), std::string::npos);
    ASSERT_EQ(ole->SetClientSite(nullptr), S_OK);
    ole->Release();
    xml->Release();

    // The mended refusal: the log-file path of Rss and Atom is a file-system member too.
    for (const Guid *clsid : {&kRss, &kAtom}) {
        IDispatch *feed = create<IDispatch>(*clsid, IID_IDispatch);
        IOleObject *feedOle = query<IOleObject>(feed, IID_IOleObject);
        ASSERT_EQ(feedOle->SetClientSite(&browser), S_OK);
        EXPECT_EQ(callByName(feed, "DebugLogFilePath", {path.c_str()}, nullptr, DISPATCH_PROPERTYPUT), E_FAIL);
        feedOle->Release();
        feed->Release();
    }
    EXPECT_EQ(browser.references, 1u);
}

TEST(ServerObject, ObjectArgumentsAreFoundOnlyInThisImplementation) {
    XmlObject *xml = XmlObject::createStandalone(ServerModule::instance());
    RssObject *rss = RssObject::createStandalone(ServerModule::instance());
    AtomObject *atom = AtomObject::createStandalone(ServerModule::instance());
    ASSERT_TRUE(xml && rss && atom);
    EXPECT_EQ(xml->xmlOf(xml), &xml->internal());
    EXPECT_EQ(xml->xmlOf(rss), nullptr);
    EXPECT_EQ(xml->rssOf(rss), &rss->internal());
    EXPECT_EQ(xml->atomOf(atom), &atom->internal());
    EXPECT_EQ(xml->xmlOf(nullptr), nullptr);
    struct Foreign final : servertest::Counted<IDispatch> {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
            *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ? this : nullptr;
            if (*object) AddRef();
            return *object ? S_OK : E_NOINTERFACE;
        }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
            return DISP_E_UNKNOWNNAME;
        }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                         UINT *) override {
            return DISP_E_MEMBERNOTFOUND;
        }
    } foreign;
    EXPECT_EQ(xml->xmlOf(&foreign), nullptr);
    EXPECT_EQ(foreign.references, 1u);
    double date = 0;
    EXPECT_FALSE(xml->utcOleDateOf(&foreign, date)) << "an object without GetAsOleDate gives no date";
    EXPECT_FALSE(xml->utcOleDateOf(nullptr, date));
    xml->Release();
    rss->Release();
    atom->Release();
}

TEST(ServerObject, WrappedResultsTakeOverTheTemporarysNode) {
    XmlObject *xml = XmlObject::createStandalone(ServerModule::instance());
    XString text;
    text.setFromUtf8("<root><first>1</first><second>2</second></root>");
    ASSERT_TRUE(xml->internal().LoadXml(text));
    const long before = liveObjects();
    IDispatch *child = xml->wrapXml(xml->internal().GetChild(1));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(liveObjects(), before + 1);
    XString tag;
    xml->xmlOf(child)->get_Tag(tag);
    EXPECT_STREQ(tag.getUtf8(), "second");
    EXPECT_EQ(xml->wrapXml(nullptr), nullptr);
    child->Release();

    RssObject *rss = RssObject::createStandalone(ServerModule::instance());
    rss->internal().NewRss();
    IDispatch *channel = rss->wrapRss(rss->internal().AddNewChannel());
    ASSERT_NE(channel, nullptr);
    XString channelXml;
    ASSERT_TRUE(rss->rssOf(channel)->ToXmlString(channelXml));
    EXPECT_NE(std::string(channelXml.getUtf8()).find("<channel />"), std::string::npos) << channelXml.getUtf8();
    channel->Release();

    AtomObject *atom = AtomObject::createStandalone(ServerModule::instance());
    EXPECT_EQ(atom->wrapAtom(nullptr), nullptr);
    rss->Release();
    atom->Release();
    xml->Release();
    EXPECT_EQ(liveObjects(), before - 1);
}

TEST(ServerObject, NewDateTimeCarriesTheValueThroughTheDateTimeClass) {
#ifdef _WIN32
    GTEST_SKIP() << "the date-time component is not installed in the test prefix";
#endif
    AtomObject *atom = AtomObject::createStandalone(ServerModule::instance());
    ClsDateTime value;
    const double date = 41719.375;  // 2014-03-21 09:00 UTC
    ASSERT_TRUE(value.setFromOleDate(false, date));
    test::RecordingLog log;
    const long before = liveObjects();
    IDispatch *object = atom->newDateTime(value, log);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(log.joined(), "raw: Success.\r\n\n");
    EXPECT_EQ(liveObjects(), before + 1);
    double read = 0;
    ASSERT_TRUE(atom->utcOleDateOf(object, read));
    EXPECT_DOUBLE_EQ(read, date);
    object->Release();
    atom->Release();
}

}  // namespace
}  // namespace quorvel::automation
