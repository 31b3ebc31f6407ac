// Scripts' calls through IDispatch when memory runs out: each ends in a failure the host can
// see (an error code, 0 for false, a null string or no object), with the object as it was, or in
// the right answer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "automation/com/Com.h"
#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "automation/server/ServerClassMap.h"
#include "hardening/AllocationSweep.h"
#include "tests/automation/com/ComTestSupport.h"

namespace quorvel::test {
namespace {

using namespace quorvel::automation;
using comtest::Args;
using comtest::ole;
using comtest::Var;

enum class Result { kBool, kString, kObject };
enum Class { kXmlClass, kRssClass, kAtomClass };

const char16_t *const kLoaded[] = {
    u"<catalog>Content of the catalog itself, long enough to need a block<book id=\"1\"><title>\u00c9lan &amp; vie, a title long enough to need its own block</title></book>"
    u"<book id=\"2\"><title>Zebra</title></book></catalog>",
    u"<rss version=\"2.0\"><channel><title>News \u20ac and a title long enough to need a block</title>"
    u"<item><title>First</title></item></channel></rss>",
    u"<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T \u00e9, a title long enough to need a block</title>"
    u"<entry><title>E</title></entry></feed>",
};
const char16_t *const kLoadMember[] = {u"LoadXml", u"LoadRssString", u"LoadXml"};
const char16_t *const kTextMember[] = {u"GetXml", u"ToXmlString", u"ToXmlString"};

DISPID idOf(IDispatch *object, const char16_t *name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(ole(name))};
    EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << "no member";
    return id;
}

HRESULT invoke(IDispatch *object, DISPID id, DISPPARAMS &params, VARIANT *result) {
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, nullptr, nullptr);
}

struct Released {
    void operator()(IDispatch *object) const { object->Release(); }
};
using Object = std::unique_ptr<IDispatch, Released>;

// The document an object holds, read with memory to spare.
std::string documentOf(IDispatch *object, Class c) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Var text;
    invoke(object, idOf(object, kTextMember[c]), none, &text);
    return comtest::describe(text);
}

// An object of the class holding its document, loaded with memory to spare.
Object loadedObject(Class c) {
    void *made = nullptr;
    EXPECT_EQ(S_OK, createFromClassMap(comGuid(kCoClasses[c].clsid), IID_IDispatch, &made));
    Object object(static_cast<IDispatch *>(made));
    Args args;
    args.str(kLoaded[c]);
    DISPPARAMS params = args.params();
    Var loaded;
    EXPECT_EQ(S_OK, invoke(object.get(), idOf(object.get(), kLoadMember[c]), params, &loaded));
    documentOf(object.get(), c);  // writing the document first declares its encoding, for good
    return object;
}

struct Call {
    const char *name;
    Class on;
    const char16_t *member;
    std::function<void(Args &)> arguments;
    Result result;
};

// What the call reports: an error code, 0, a null string and no object are failures.
bool succeeded(HRESULT hr, const VARIANT &result, Result kind) {
    if (FAILED(hr)) return false;
    switch (kind) {
    case Result::kBool: return result.vt == VT_I4 && result.lVal != 0;
    case Result::kString: return result.vt == VT_BSTR && result.bstrVal != nullptr;
    case Result::kObject: return result.vt == VT_DISPATCH && result.pdispVal != nullptr;
    }
    return false;
}

TEST(AllocationFailure, ScriptCallsThroughDispatch) {
    const Call calls[] = {
        {"Xml LoadXml", kXmlClass, u"LoadXml", [](Args &a) { a.str(u"<a><b x=\"\u00e9\u00e9\u00e9 a value long enough for a block\">t</b></a>"); }, Result::kBool},
        {"Xml GetXml", kXmlClass, u"GetXml", [](Args &) {}, Result::kString},
        {"Xml GetChildContent", kXmlClass, u"GetChildContent", [](Args &a) { a.str(u"book"); }, Result::kString},
        {"Xml Content", kXmlClass, u"Content", [](Args &) {}, Result::kString},
        {"Xml QuorvelPath", kXmlClass, u"QuorvelPath", [](Args &a) { a.str(u"book[0]|title|*"); }, Result::kString},
        {"Xml SearchForContent", kXmlClass, u"SearchForContent",
         [](Args &a) { a.object(nullptr).str(u"title").str(u"Z*"); }, Result::kObject},
        {"Xml NewChild", kXmlClass, u"NewChild", [](Args &a) { a.str(u"added").str(u"content \u20ac long enough for a block"); },
         Result::kObject},
        {"Xml ZipTree", kXmlClass, u"ZipTree", [](Args &) {}, Result::kBool},
        {"Rss GetChannel", kRssClass, u"GetChannel", [](Args &a) { a.i4(0); }, Result::kObject},
        {"Rss ToXmlString", kRssClass, u"ToXmlString", [](Args &) {}, Result::kString},
        {"Atom GetElement", kAtomClass, u"GetElement", [](Args &a) { a.str(u"title").i4(0); }, Result::kString},
        {"Atom ToXmlString", kAtomClass, u"ToXmlString", [](Args &) {}, Result::kString},
    };
    for (const Call &call : calls) {
        SCOPED_TRACE(call.name);
        sweepAllocations([&call] {
            struct State {
                Object object;
                DISPID id;
                Args args;
                DISPPARAMS params;  // made beforehand: only the call runs short of memory
                Var result;
                bool ok = false;
            };
            auto state = std::make_shared<State>();
            state->object = loadedObject(call.on);
            state->id = idOf(state->object.get(), call.member);
            call.arguments(state->args);
            state->params = state->args.params();
            return Trial{[state, &call] {
                             const HRESULT hr = invoke(state->object.get(), state->id, state->params, &state->result);
                             return state->ok = succeeded(hr, state->result, call.result);
                         },
                         [state, &call] {
                             // An object result shows as its type; its document is the caller's own.
                             std::string answer = !state->ok                    ? "failed"
                                                  : call.result == Result::kObject ? "object"
                                                                                   : comtest::describe(state->result);
                             return answer + "|" + documentOf(state->object.get(), call.on);
                         }};
        });
    }
}

}  // namespace
}  // namespace quorvel::test
