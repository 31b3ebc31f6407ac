#include "automation/com/posix/VariantTypes.h"

namespace quorvel::com {

std::size_t valueSize(VARTYPE base) {
    switch (base) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(void *);
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

bool isArrayElementType(VARTYPE base) { return valueSize(base) != 0; }

bool isVariantType(VARTYPE type) {
    const VARTYPE base = type & VT_TYPEMASK;
    const VARTYPE flags = type & ~VT_TYPEMASK;
    if (flags & ~(VT_ARRAY | VT_BYREF)) return false;
    if (flags & VT_ARRAY) return isArrayElementType(base);
    if (flags & VT_BYREF) return base != VT_EMPTY && base != VT_NULL && valueSize(base) != 0;
    return base == VT_EMPTY || base == VT_NULL || (base != VT_VARIANT && valueSize(base) != 0);
}

}  // namespace quorvel::com
