#pragma once
// A fake server for the dispatcher's tests: automation objects that only hold an internal
// object, services that map and wrap them, and calls built by member name.
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
using comtest::ole;
using comtest::units;
using comtest::Args;
using comtest::Var;

// An automation object of the fake server (or, with no internal object, of another
// implementation). It counts references so that tests see a result handed over exactly once.
struct FakeObject : comtest::CountedObject {
    std::unique_ptr<ClsXml> xml;
    std::unique_ptr<ClsRss> rss;
    std::unique_ptr<ClsAtom> atom;
    double oleDate = 0;          // for a fake date-time object
    std::string serialized;      // the internal date-time value a result object was made from
    bool isDateTime = false;

    // No default value: an object argument never reads as a number or text.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                     UINT *) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

class FakeServices : public ObjectServices {
public:
    bool inBrowser = false;
    bool wrapFails = false;
    bool dateTimeFails = false;
    int progressRequests = 0;
    ProgressEvent sink;
    // Every object the services made; the tests own them.
    std::vector<std::unique_ptr<FakeObject>> made;

    ClsXml *xmlOf(IDispatch *object) override { return own(object) ? own(object)->xml.get() : nullptr; }
    ClsRss *rssOf(IDispatch *object) override { return own(object) ? own(object)->rss.get() : nullptr; }
    ClsAtom *atomOf(IDispatch *object) override { return own(object) ? own(object)->atom.get() : nullptr; }
    IDispatch *wrapXml(std::unique_ptr<ClsXml> t) override { return wrap([&](auto &o) { o.xml = std::move(t); }); }
    IDispatch *wrapRss(std::unique_ptr<ClsRss> t) override { return wrap([&](auto &o) { o.rss = std::move(t); }); }
    IDispatch *wrapAtom(std::unique_ptr<ClsAtom> t) override { return wrap([&](auto &o) { o.atom = std::move(t); }); }
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
    bool sitedInBrowser() override { return inBrowser; }
    ProgressEvent *progressSink() override {
        ++progressRequests;
        return &sink;
    }

    // A new object of this server holding a fresh internal object, or a date-time object.
    FakeObject *newXml() { return static_cast<FakeObject *>(wrapXml(std::make_unique<ClsXml>())); }
    FakeObject *newDate(double oleDate) {
        FakeObject *object = static_cast<FakeObject *>(wrap([](FakeObject &) {}));
        object->isDateTime = true;
        object->oleDate = oleDate;
        return object;
    }

private:
    FakeObject *own(IDispatch *object) {
        for (auto &made_object : made)
            if (made_object.get() == object) return made_object.get();
        return nullptr;
    }
    template <class Fill>
    IDispatch *wrap(Fill fill) {
        if (wrapFails) return nullptr;
        made.push_back(std::make_unique<FakeObject>());
        fill(*made.back());
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

inline XString xs(const char *utf8) {
    XString text;
    text.setFromUtf8(utf8);
    return text;
}

inline constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // as script hosts ask

// A call of a member by name with arguments, as a script host makes it; a put names its value.
template <class Object, class Invoker>
HRESULT invokeBy(Invoker invoker, const Interface &iface, Object &o, FakeServices &s, const char *name, WORD flags,
                 Args &args, VARIANT *result, UINT *argErr) {
    DISPPARAMS params = args.params();
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }
    return invoker(o, s, dispidOf(iface, name), flags, &params, result, nullptr, argErr);
}
inline HRESULT invoke(ClsXml &x, FakeServices &s, const char *name, WORD flags, Args &args, VARIANT *result,
                      UINT *argErr = nullptr) {
    return invokeBy(invokeXml, kIQuorvelXml, x, s, name, flags, args, result, argErr);
}
inline HRESULT invoke(ClsRss &r, FakeServices &s, const char *name, WORD flags, Args &args, VARIANT *result) {
    return invokeBy(invokeRss, kIQuorvelRss, r, s, name, flags, args, result, nullptr);
}
inline HRESULT invoke(ClsAtom &a, FakeServices &s, const char *name, WORD flags, Args &args, VARIANT *result) {
    return invokeBy(invokeAtom, kIQuorvelAtom, a, s, name, flags, args, result, nullptr);
}
// The same with the arguments built in place.
template <class Object>
HRESULT invoke(Object &o, FakeServices &s, const char *name, WORD flags, Args &&args, VARIANT *result) {
    return invoke(o, s, name, flags, args, result);
}

// The text of a string result ("<null>" for a null BSTR, "<type N>" for another type).
inline std::u16string text(const VARIANT &v) {
    if (v.vt != VT_BSTR) return u"<type " + std::u16string(1, static_cast<char16_t>(u'0' + v.vt % 64)) + u">";
    if (v.bstrVal == nullptr) return u"<null>";
    return units(v.bstrVal);
}

}  // namespace quorvel::dispatchtest
