#pragma once
// A fake server for the dispatcher's tests: automation objects that only hold an internal
// object, services that map and wrap them, and calls built by member name.
#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "automation/dispatch/Dispatcher.h"
#include "automation/generated/QuorvelMembers.h"
#include "datetime/ClsDateTime.h"
#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/base/ProgressEvent.h"
#include "foundation/log/LogBase.h"
#include "xml/object/ClsXml.h"
#include "../com/ComTestSupport.h"

namespace quorvel::dispatchtest {

using namespace quorvel::automation;
using comtest::Args;
using comtest::ole;
using comtest::Var;

// An automation object of the fake server (or, with no internal object, of another
// implementation). It counts references so that tests see a result handed over exactly once,
// and has no default value: an object argument never reads as a number or text.
struct FakeObject : comtest::CountedObject {
    std::unique_ptr<ClsXml> xml;
    std::unique_ptr<ClsRss> rss;
    std::unique_ptr<ClsAtom> atom;
    bool isDateTime = false;
    double oleDate = 0;       // a date-time argument's value
    std::string serialized;   // the internal date-time value a result object was made from

    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                     UINT *) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

class FakeServices : public ObjectServices {
public:
    bool wrapFails = false, dateTimeFails = false;
    int progressRequests = 0;
    ProgressEvent sink;
    std::vector<std::unique_ptr<FakeObject>> made;  // every object the services made; the tests own them

    ClsXml *xmlOf(IDispatch *object) override { return own(object) ? own(object)->xml.get() : nullptr; }
    ClsRss *rssOf(IDispatch *object) override { return own(object) ? own(object)->rss.get() : nullptr; }
    ClsAtom *atomOf(IDispatch *object) override { return own(object) ? own(object)->atom.get() : nullptr; }
    IDispatch *newXmlObject() override { return wrap([](auto &o) { o.xml = std::make_unique<ClsXml>(); }); }
    IDispatch *newRssObject() override { return wrap([](auto &o) { o.rss = std::make_unique<ClsRss>(); }); }
    IDispatch *newAtomObject() override { return wrap([](auto &o) { o.atom = std::make_unique<ClsAtom>(); }); }
    bool utcOleDateOf(IDispatch *dateTime, double &oleDate) override {
        FakeObject *object = own(dateTime);
        if (object == nullptr || !object->isDateTime) return false;
        oleDate = object->oleDate;
        return true;
    }
    IDispatch *newDateTime(const ClsDateTime &value, LogBase &log) override {
        log.logInfo(dateTimeFails ? "date-time creation failed" : "date-time created");
        if (dateTimeFails) return nullptr;
        return wrap([&](FakeObject &o) {
            StringBuffer text;
            const_cast<ClsDateTime &>(value).serialize(text);
            o.serialized = text.getString();
            o.isDateTime = true;
        });
    }
    bool sitedInBrowser() override { return false; }  // (a browser site: the Python host's suite)
    ProgressEvent *progressSink() override {
        ++progressRequests;
        return &sink;
    }
    // A new date-time object of this server.
    FakeObject *newDate(double oleDate) {
        return static_cast<FakeObject *>(wrap([&](FakeObject &o) { o.isDateTime = true, o.oleDate = oleDate; }));
    }

private:
    FakeObject *own(IDispatch *object) {
        auto found = std::find_if(made.begin(), made.end(), [&](auto &m) { return m.get() == object; });
        return found != made.end() ? found->get() : nullptr;
    }
    template <class Fill>
    IDispatch *wrap(Fill fill) {
        if (wrapFails) return nullptr;
        fill(*made.emplace_back(std::make_unique<FakeObject>()));
        return made.back().get();
    }
};

// The DISPID of a member of the interface, found the way a script host finds it.
inline DISPID dispidOf(const Interface &iface, const char *name) {
    const std::u16string text = comtest::wide(name);
    const OLECHAR *names[] = {ole(text.c_str())};
    DISPID id = DISPID_UNKNOWN;
    getIDsOfNames(iface, names, 1, &id);
    return id;
}

inline constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // as script hosts ask

// A call of a member of an Xml, Rss or Atom object by name, as a script host makes it; a put
// names its value.
template <class Object, class Arguments>
HRESULT invoke(Object &o, FakeServices &s, const char *name, WORD flags, Arguments &&args, VARIANT *result,
               UINT *argErr = nullptr) {
    DISPPARAMS params = args.params();
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) params.cNamedArgs = 1, params.rgdispidNamedArgs = &named;
    if constexpr (std::is_same_v<Object, ClsXml>)
        return invokeXml(o, s, dispidOf(kIQuorvelXml, name), flags, &params, result, nullptr, argErr);
    else if constexpr (std::is_same_v<Object, ClsRss>)
        return invokeRss(o, s, dispidOf(kIQuorvelRss, name), flags, &params, result, nullptr, argErr);
    else
        return invokeAtom(o, s, dispidOf(kIQuorvelAtom, name), flags, &params, result, nullptr, argErr);
}

// The text of a string result ("<null>" for a null BSTR, "<type N>" for another type).
inline std::u16string text(const VARIANT &v) {
    if (v.vt != VT_BSTR) return u"<type " + comtest::wide(std::to_string(v.vt).c_str()) + u">";
    return v.bstrVal ? comtest::units(v.bstrVal) : u"<null>";
}

// An Xml object of the fake server and its member calls as script hosts make them; each call must
// succeed. The last result is kept until the next call.
struct XmlCalls {
    ClsXml xml;
    FakeServices services;
    Var result;

    template <class Arguments = Args>
    Var &call(const char *name, Arguments &&args = Args()) {
        VariantClear(&result);
        EXPECT_EQ(S_OK, invoke(xml, services, name, kGet, args, &result)) << name;
        return result;
    }
    template <class Arguments = Args>
    LONG callLong(const char *name, Arguments &&args = Args()) {
        EXPECT_EQ(VT_I4, call(name, args).vt) << name;
        return result.lVal;
    }
    template <class Arguments = Args>
    std::u16string callText(const char *name, Arguments &&args = Args()) { return text(call(name, args)); }
    template <class Arguments>
    void put(const char *name, Arguments &&value) {
        EXPECT_EQ(S_OK, invoke(xml, services, name, DISPATCH_PROPERTYPUT, value, nullptr)) << name;
    }
    void load(const char16_t *document) { EXPECT_EQ(1, callLong("LoadXml", Args().str(document))) << "loaded"; }
};

}  // namespace quorvel::dispatchtest
