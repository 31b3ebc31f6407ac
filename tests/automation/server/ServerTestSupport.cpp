#include "tests/automation/server/ServerTestSupport.h"

#include <vector>

namespace quorvel::automation::servertest {
namespace {

std::basic_string<OLECHAR> oleText(const char *ascii) {
    std::basic_string<OLECHAR> text;
    for (; *ascii; ++ascii) text.push_back(static_cast<OLECHAR>(*ascii));
    return text;
}

}  // namespace

HRESULT callByName(IDispatch *object, const char *name, std::initializer_list<const char *> arguments,
                   VARIANT *result, WORD flags) {
    std::basic_string<OLECHAR> oleName = oleText(name);
    LPOLESTR names[] = {oleName.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(arguments.size());
    size_t i = arguments.size();
    for (const char *argument : arguments) {
        VARIANT &slot = reversed[--i];
        VariantInit(&slot);
        slot.vt = VT_BSTR;
        std::basic_string<OLECHAR> text = oleText(argument);
        slot.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    UINT argumentError = 0;
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, &argumentError);
    for (VARIANT &slot : reversed) VariantClear(&slot);
    return hr;
}

}  // namespace quorvel::automation::servertest
