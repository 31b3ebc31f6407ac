// The cost of a late-bound call: IDispatch::Invoke by DISPID on an Xml object of the automation
// server against the direct C++ call on a ClsXml holding the same document, for a property get
// (NumChildren) and for a method with a string argument and result (GetChildContent). The
// Invoke side does what a script host does per call: a BSTR argument it already holds, a result
// VARIANT it clears. Each figure is the best of five runs of a million calls.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "automation/com/Com.h"
#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ServerClassMap.h"
#include "automation/server/GuidText.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

using namespace quorvel;
using namespace quorvel::automation;

namespace {

constexpr int kCalls = 1'000'000;
const char kDocument[] = "<catalog><title>x</title><book id='1'>one</book><book id='2'>two</book>"
                         "<price>12.50</price></catalog>";

template <class F> double bestNanosecondsPerCall(F call) {
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCalls; ++i) call();
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / kCalls);
    }
    return best;
}

IDispatch *createXmlObject() {
    IClassFactory *factory = nullptr;
    if (FAILED(serverClassObjects().get(comGuid(kCoClasses[0].clsid), IID_IClassFactory,
                                        reinterpret_cast<void **>(&factory))))
        return nullptr;
    IDispatch *object = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void **>(&object));
    factory->Release();
    return SUCCEEDED(hr) ? object : nullptr;
}

BSTR bstrOf(const char16_t *text) { return SysAllocString(text); }

void report(const char *what, double direct, double invoked) {
    std::printf("%-34s %9.1f ns %9.1f ns %9.1f ns\n", what, direct, invoked, invoked - direct);
}

}  // namespace

int main() {
    ClsXml direct;
    XString document, tag, content;
    document.setFromUtf8(kDocument);
    tag.setFromUtf8("price");
    if (!direct.LoadXml(document)) return 1;

    IDispatch *object = createXmlObject();
    if (!object) {
        std::fprintf(stderr, "could not create the Xml object\n");
        return 1;
    }
    VARIANT argument, result;
    VariantInit(&result);
    argument.vt = VT_BSTR;
    argument.bstrVal = bstrOf(u"<catalog><title>x</title><book id='1'>one</book><book id='2'>two</book>"
                              u"<price>12.50</price></catalog>");
    DISPPARAMS load{&argument, nullptr, 1, 0};
    if (FAILED(object->Invoke(10, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &load, &result, nullptr, nullptr)) ||
        result.lVal != 1)
        return 1;
    VariantClear(&argument);

    volatile long sink = 0;
    std::printf("%-34s %12s %12s %12s\n", "call (1,000,000 each, best of 5)", "direct C++", "Invoke", "difference");

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    const double directCount = bestNanosecondsPerCall([&] { sink = sink + direct.get_NumChildren(); });
    const double invokedCount = bestNanosecondsPerCall([&] {
        object->Invoke(7, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
        sink = sink + result.lVal;
    });
    report("NumChildren (property get)", directCount, invokedCount);

    argument.vt = VT_BSTR;
    argument.bstrVal = bstrOf(u"price");
    DISPPARAMS one{&argument, nullptr, 1, 0};
    const double directContent = bestNanosecondsPerCall([&] {
        direct.GetChildContent(tag, content);
        sink = sink + static_cast<long>(content.isEmpty() ? 0 : 1);
    });
    const double invokedContent = bestNanosecondsPerCall([&] {
        object->Invoke(8, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, &result, nullptr, nullptr);
        sink = sink + static_cast<long>(SysStringLen(result.bstrVal));
        VariantClear(&result);
    });
    report("GetChildContent(\"price\") (method)", directContent, invokedContent);

    VariantClear(&argument);
    object->Release();
    return sink == 0 ? 1 : 0;
}
