#pragma once
// Identifiers between the descriptor form, the COM form and the registry's text form.
#include <string>

#include "automation/MemberDescriptor.h"
#include "automation/com/Com.h"

namespace quorvel::automation {

// "{B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3}": upper-case hexadecimal, in braces.
std::string guidText(const Guid &guid);

constexpr GUID comGuid(const Guid &guid) {
    GUID out{};
    out.Data1 = guid.data1;
    out.Data2 = guid.data2;
    out.Data3 = guid.data3;
    for (int i = 0; i < 8; ++i) out.Data4[i] = guid.data4[i];
    return out;
}

inline bool sameGuid(const GUID &a, const Guid &b) {
    GUID converted = comGuid(b);
    return IsEqualGUID(a, converted) != 0;
}

}  // namespace quorvel::automation
