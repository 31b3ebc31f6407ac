#include <gtest/gtest.h>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/DateTimeCreation.h"
#include "automation/server/GuidText.h"
#include "automation/server/ServerObjects.h"
#include "tests/automation/server/ServerTestSupport.h"
#include "tests/support/RecordingLog.h"

namespace quorvel::automation {
namespace {

using servertest::create;
using servertest::query;

const Guid &kXml = kCoClasses[0].clsid;
const Guid &kRss = kCoClasses[1].clsid;
const Guid &kAtom = kCoClasses[2].clsid;

const Guid *const kClasses[] = {&kXml, &kRss, &kAtom, &kQvDateTimeClass.clsid};
const Interface *const kDuals[] = {&kIQuorvelXml, &kIQuorvelRss, &kIQuorvelAtom, &kIQvDateTime};
#ifdef _WIN32  // the library serves the date-time class only where no component provides it
constexpr size_t kServed = 3;
#else
constexpr size_t kServed = 4;
#endif

long liveObjects() { return ServerModule::instance().objectCount(); }

TEST(ServerObject, EachClassAnswersItsInterfacesWithOneIdentity) {
    // Answers of Xml, Rss, Atom and the date-time class ('.' for none); each answers its dual
    // IID, only Xml is safe for scripting.
    const std::pair<const IID *, const char *> answers[] = {
        {&IID_IDispatch, "XXXX"},          {&IID_IProvideClassInfo, "XXXX"},     {&IID_IProvideClassInfo2, "XXXX"},
        {&IID_ISupportErrorInfo, "XXXX"},  {&IID_IConnectionPointContainer, "XXXX"}, {&IID_IOleObject, "XXXX"},
        {&IID_IObjectSafety, "X..."},      {&IID_IClassFactory, "...."},         {nullptr, "XXXX"},
        {&IID_IPersist, "XXXX"},           {&IID_IPersistStreamInit, "XXXX"},    {&IID_IOleControl, "XXXX"},
    };
    const long before = liveObjects();
    for (size_t c = 0; c < kServed; ++c) {
        IUnknown *object = create<IUnknown>(*kClasses[c], IID_IUnknown);
        ASSERT_NE(object, nullptr) << guidText(*kClasses[c]);
        EXPECT_EQ(liveObjects(), before + 1);
        const GUID dual = comGuid(kDuals[c]->iid);
        for (size_t r = 0; r < std::size(answers); ++r) {
            IUnknown *answer = query<IUnknown>(object, answers[r].first ? *answers[r].first : dual);
            EXPECT_EQ(answer != nullptr, answers[r].second[c] == 'X') << kDuals[c]->name << " row " << r;
            if (!answer) continue;
            IUnknown *identity = query<IUnknown>(answer, IID_IUnknown);
            EXPECT_EQ(identity, object) << "every interface leads back to one IUnknown";
            identity->Release();
            answer->Release();
        }
        object->Release();
        EXPECT_EQ(liveObjects(), before);
    }
}

TEST(ServerObject, AggregatedObjectsDelegateToTheOuterUnknown) {
    // Every class has the one object frame; Rss stands for them.
    IClassFactory *factory = nullptr;
    ASSERT_EQ(serverClassObjects().get(comGuid(kRss), IID_IClassFactory, reinterpret_cast<void **>(&factory)), S_OK);
    servertest::Refusing outer;  // counts the references the inner object takes on it
    void *object = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
    factory->Release();
    const long before = liveObjects();
    IUnknown *inner = static_cast<IUnknown *>(object);
    IDispatch *dispatch = query<IDispatch>(inner, IID_IDispatch);
    ASSERT_NE(dispatch, nullptr);
    EXPECT_EQ(outer.references, 2u) << "an interface of the inner object counts on the outer one";
    // Through a delegating interface, IUnknown is the outer object's (which refuses here).
    EXPECT_EQ(query<IUnknown>(dispatch, IID_IUnknown), nullptr);
    dispatch->Release();
    EXPECT_EQ(outer.references, 1u);
    IUnknown *same = query<IUnknown>(inner, IID_IUnknown);
    EXPECT_EQ(same, inner) << "the inner unknown answers for itself";
    same->Release();
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(liveObjects(), before - 1);
    EXPECT_EQ(outer.references, 1u);
}

TEST(ServerObject, ClassInfoErrorInfoAndOleObjectAnswers) {
    const Interface *events[] = {&k_IQuorvelXmlEvents, &k_IQuorvelRssEvents, &k_IQuorvelAtomEvents};
    const DWORD miscStatus[] = {0, 132497, 132497};
    for (size_t c = 0; c < 3; ++c) {
        IProvideClassInfo2 *info = create<IProvideClassInfo2>(*kClasses[c], IID_IProvideClassInfo2);
        ASSERT_NE(info, nullptr);
        GUID guid{};
        EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
        EXPECT_TRUE(sameGuid(guid, events[c]->iid)) << events[c]->name;
        EXPECT_EQ(info->GetGUID(2, &guid), E_INVALIDARG);
        EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
        ISupportErrorInfo *errors = query<ISupportErrorInfo>(info, IID_ISupportErrorInfo);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(comGuid(kDuals[c]->iid)), S_OK);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
        errors->Release();
        IOleObject *ole = query<IOleObject>(info, IID_IOleObject);
        CLSID clsid{};
        EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
        EXPECT_TRUE(sameGuid(clsid, *kClasses[c]));
        DWORD status = 7;
        EXPECT_EQ(ole->GetMiscStatus(1, &status), S_OK);
        EXPECT_EQ(status, miscStatus[c]);
        ole->Release();
        // A container persisting its controls finds nothing to keep; control calls succeed.
        IPersistStreamInit *persist = query<IPersistStreamInit>(info, IID_IPersistStreamInit);
        EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
        EXPECT_TRUE(sameGuid(clsid, *kClasses[c]));
        ULARGE_INTEGER size;
        size.QuadPart = 99;
        EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
        EXPECT_EQ(size.QuadPart, 0u);
        EXPECT_EQ(persist->InitNew(), S_OK);
        EXPECT_EQ(persist->IsDirty(), S_FALSE);
        EXPECT_EQ(persist->Load(nullptr), E_POINTER);
        persist->Release();
        IOleControl *control = query<IOleControl>(info, IID_IOleControl);
        CONTROLINFO controlInfo{};
        EXPECT_EQ(control->GetControlInfo(&controlInfo), S_OK);
        EXPECT_EQ(controlInfo.cb, sizeof controlInfo);
        EXPECT_EQ(controlInfo.cAccel, 0u);
        EXPECT_EQ(control->FreezeEvents(TRUE), S_OK);
        EXPECT_EQ(control->OnMnemonic(nullptr), E_NOTIMPL);
        control->Release();
        EXPECT_EQ(info->Release(), 0u);
    }
}

// (Connection points, their advisers and their lifetimes: the Python host's suite.)
TEST(ServerObject, ObjectSafetyReportsAndAcceptsBothOptions) {
    IObjectSafety *safety = create<IObjectSafety>(kXml, IID_IObjectSafety);
    ASSERT_NE(safety, nullptr);
    constexpr DWORD caller = INTERFACESAFE_FOR_UNTRUSTED_CALLER, both = caller | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    const GUID dual = comGuid(kIQuorvelXml.iid);
    DWORD supported = 0, enabled = 7;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, both);
    EXPECT_EQ(enabled, 0u);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(dual, both, both), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_DATA, 0), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(dual, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, caller) << "the options are one set for both interfaces, changed by the mask only";
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0x4, 0x4), E_FAIL);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled), E_NOINTERFACE);
    safety->Release();
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
    IDispatch *object = atom->newDateTime(value, log);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(log.joined(), "raw: Success.\r\n\n");
    double read = 0;
    ASSERT_TRUE(atom->utcOleDateOf(object, read));
    EXPECT_DOUBLE_EQ(read, date);
    object->Release();
    atom->Release();
    void *unknownObject = nullptr;
    const GUID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(platformClassCreator().createInProcess(unknown, IID_IDispatch, &unknownObject), REGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace quorvel::automation
