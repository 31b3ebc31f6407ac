#include "automation/com/posix/ComInterfaces.h"
#include "automation/com/posix/NumberText.h"
#include "automation/com/posix/VariantTypes.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

using quorvel::com::DecimalNumber;
using quorvel::com::isVariantType;

namespace {

// A numeric source value: exact decimal digits, or a double (from VT_R4 when single).
struct Number {
    enum Kind { Exact, Real, Single } kind = Exact;
    DecimalNumber exact;
    double real = 0.0;
};

// The earliest and latest automation dates, 1 January 100 and 31 December 9999 (to its last second).
constexpr double kDateMin = -657435.0;
constexpr double kDateMax = 2958466.0;

bool isIntegerType(VARTYPE type) {
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
        return true;
    default:
        return false;
    }
}

bool isNumericType(VARTYPE type) {
    return isIntegerType(type) || type == VT_R4 || type == VT_R8 || type == VT_CY || type == VT_DATE ||
           type == VT_DECIMAL || type == VT_BOOL;
}

// The text equals a lower-case ASCII word, whatever its own case.
bool equalsIgnoringCase(const OLECHAR *text, std::size_t length, const char *word) {
    std::size_t i = 0;
    for (; i < length && word[i]; ++i) {
        const OLECHAR c = text[i] >= u'A' && text[i] <= u'Z' ? static_cast<OLECHAR>(text[i] - u'A' + u'a') : text[i];
        if (c != static_cast<unsigned char>(word[i])) return false;
    }
    return i == length && word[i] == 0;
}

// "True" or "False" exactly, whatever the case (blanks are allowed around numbers only).
bool readBoolWord(BSTR text, bool &value) {
    const std::size_t length = SysStringLen(text);
    if (equalsIgnoringCase(text, length, "true")) {
        value = true;
        return true;
    }
    if (equalsIgnoringCase(text, length, "false")) {
        value = false;
        return true;
    }
    return false;
}

HRESULT readNumber(const VARIANT &source, Number &out) {
    const auto integer = [&out](__int128 value, std::int64_t exponent = 0) {
        out.kind = Number::Exact;
        const bool negative = value < 0;
        out.exact = quorvel::com::decimalFromInteger(
            negative, negative ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value),
            exponent);
        return S_OK;
    };
    switch (source.vt) {
    case VT_EMPTY:
        return integer(0);
    case VT_I1:
        return integer(static_cast<signed char>(source.cVal));
    case VT_UI1:
        return integer(source.bVal);
    case VT_I2:
        return integer(source.iVal);
    case VT_UI2:
        return integer(source.uiVal);
    case VT_I4:
        return integer(source.lVal);
    case VT_UI4:
        return integer(source.ulVal);
    case VT_INT:
        return integer(source.intVal);
    case VT_UINT:
        return integer(source.uintVal);
    case VT_I8:
        return integer(source.llVal);
    case VT_UI8:
        return integer(source.ullVal);
    case VT_BOOL:
        return integer(source.boolVal);
    case VT_CY:
        return integer(source.cyVal.int64, -4);
    case VT_DECIMAL: {
        const DECIMAL &d = source.decVal;
        if (d.scale > 28) return E_INVALIDARG;
        out.kind = Number::Exact;
        out.exact = quorvel::com::decimalFromInteger((d.sign & DECIMAL_NEG) != 0,
                                                     (static_cast<unsigned __int128>(d.Hi32) << 64) | d.Lo64,
                                                     -static_cast<std::int64_t>(d.scale));
        return S_OK;
    }
    case VT_R4:
        out.kind = Number::Single;
        out.real = source.fltVal;
        return S_OK;
    case VT_R8:
    case VT_DATE:
        out.kind = Number::Real;
        out.real = source.dblVal;
        return S_OK;
    case VT_BSTR:
        out.kind = Number::Exact;
        return quorvel::com::parseDecimal(source.bstrVal, SysStringLen(source.bstrVal), out.exact)
                   ? S_OK
                   : DISP_E_TYPEMISMATCH;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// The number rounded to a whole number within the target's range.
HRESULT storeInteger(const Number &number, VARTYPE type, VARIANT &out) {
    __int128 value = 0;
    if (number.kind == Number::Exact) {
        if (!quorvel::com::decimalToScaled(number.exact, 0, value)) return DISP_E_OVERFLOW;
    } else {
        const double rounded = std::nearbyint(number.real);  // half to even in the default rounding mode
        if (!std::isfinite(rounded) || std::fabs(rounded) >= 0x1p64) return DISP_E_OVERFLOW;
        value = static_cast<__int128>(rounded);
    }
    const auto within = [value](__int128 low, __int128 high) { return value >= low && value <= high; };
    switch (type) {
    case VT_I1:
        if (!within(-128, 127)) return DISP_E_OVERFLOW;
        out.cVal = static_cast<CHAR>(value);
        break;
    case VT_UI1:
        if (!within(0, 0xFF)) return DISP_E_OVERFLOW;
        out.bVal = static_cast<BYTE>(value);
        break;
    case VT_I2:
        if (!within(-32768, 32767)) return DISP_E_OVERFLOW;
        out.iVal = static_cast<SHORT>(value);
        break;
    case VT_UI2:
        if (!within(0, 0xFFFF)) return DISP_E_OVERFLOW;
        out.uiVal = static_cast<USHORT>(value);
        break;
    case VT_I4:
    case VT_INT:
        if (!within(INT32_MIN, INT32_MAX)) return DISP_E_OVERFLOW;
        out.lVal = static_cast<LONG>(value);
        break;
    case VT_UI4:
    case VT_UINT:
        if (!within(0, UINT32_MAX)) return DISP_E_OVERFLOW;
        out.ulVal = static_cast<ULONG>(value);
        break;
    case VT_I8:
        if (!within(INT64_MIN, INT64_MAX)) return DISP_E_OVERFLOW;
        out.llVal = static_cast<LONGLONG>(value);
        break;
    default:  // VT_UI8
        if (!within(0, UINT64_MAX)) return DISP_E_OVERFLOW;
        out.ullVal = static_cast<ULONGLONG>(value);
        break;
    }
    out.vt = type;
    return S_OK;
}

HRESULT readDouble(const Number &number, double &out) {
    if (number.kind != Number::Exact) {
        out = number.real;
        return S_OK;
    }
    return quorvel::com::decimalToDouble(number.exact, out) ? S_OK : DISP_E_OVERFLOW;
}

// The exact digits of a number; a double gives its shortest round-trip digits.
HRESULT readDigits(const Number &number, DecimalNumber &out) {
    if (number.kind == Number::Exact) {
        out = number.exact;
        return S_OK;
    }
    if (!std::isfinite(number.real)) return DISP_E_OVERFLOW;
    out = number.kind == Number::Single ? quorvel::com::decimalFromFloat(static_cast<float>(number.real))
                                        : quorvel::com::decimalFromDouble(number.real);
    return S_OK;
}

HRESULT storeDecimal(const Number &number, VARIANT &out) {
    DecimalNumber digits;
    const HRESULT read = readDigits(number, digits);
    if (FAILED(read)) return read;
    // As many fraction digits as the value has, up to 28, fewer where the 96 bits need the room.
    const std::int64_t fraction = digits.exponent < 0 ? -digits.exponent : 0;
    constexpr unsigned __int128 kMax = (static_cast<unsigned __int128>(1) << 96) - 1;
    for (int scale = fraction < 28 ? static_cast<int>(fraction) : 28; scale >= 0; --scale) {
        __int128 value = 0;
        if (!quorvel::com::decimalToScaled(digits, scale, value)) continue;
        const unsigned __int128 magnitude =
            value < 0 ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
        if (magnitude > kMax) continue;
        DECIMAL d{};
        d.scale = static_cast<BYTE>(scale);
        d.sign = value < 0 ? DECIMAL_NEG : 0;
        d.Hi32 = static_cast<ULONG>(magnitude >> 64);
        d.Lo64 = static_cast<ULONGLONG>(magnitude);
        out.decVal = d;
        out.vt = VT_DECIMAL;  // after the value: the DECIMAL overlays vt
        return S_OK;
    }
    return DISP_E_OVERFLOW;
}

// The double times 10000, rounded half to even from its exact binary value (a product in doubles
// would round twice); false beyond the currency range.
bool currencyFromDouble(double real, __int128 &out) {
    if (!std::isfinite(real) || std::fabs(real) >= 1e15) return false;
    int exponent = 0;
    const double fraction = std::frexp(real, &exponent);
    // real = mantissa * 2^shift exactly, and below 1e15 the shift is negative.
    const auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
    const int shift = 53 - exponent;
    const __int128 product = static_cast<__int128>(mantissa) * 10000;
    if (shift >= 120) {
        out = 0;
        return true;
    }
    const bool negative = product < 0;
    const unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(product)
                                                 : static_cast<unsigned __int128>(product);
    unsigned __int128 whole = magnitude >> shift;
    const unsigned __int128 rest = magnitude - (whole << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (whole & 1))) ++whole;
    out = negative ? -static_cast<__int128>(whole) : static_cast<__int128>(whole);
    return true;
}

HRESULT storeText(const std::string &text, VARIANT &out) {
    BSTR value = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (!value) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < text.size(); ++i) value[i] = static_cast<unsigned char>(text[i]);
    out.bstrVal = value;
    out.vt = VT_BSTR;
    return S_OK;
}

HRESULT storeNumber(const Number &number, VARTYPE type, VARIANT &out) {
    if (isIntegerType(type)) return storeInteger(number, type, out);
    switch (type) {
    case VT_BOOL: {
        const bool nonzero = number.kind == Number::Exact ? !number.exact.digits.empty() : number.real != 0.0;
        out.boolVal = nonzero ? VARIANT_TRUE : VARIANT_FALSE;
        out.vt = VT_BOOL;
        return S_OK;
    }
    case VT_R4:
    case VT_R8:
    case VT_DATE: {
        double value = 0.0;
        const HRESULT read = readDouble(number, value);
        if (FAILED(read)) return read;
        if (type == VT_R4) {
            if (std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;  // infinities too; NaN stays NaN
            out.fltVal = static_cast<float>(value);
        } else if (type == VT_DATE) {
            if (!(value > kDateMin && value < kDateMax)) return DISP_E_OVERFLOW;
            out.date = value;
        } else {
            out.dblVal = value;
        }
        out.vt = type;
        return S_OK;
    }
    case VT_CY: {
        __int128 value = 0;
        if (number.kind == Number::Exact) {
            if (!quorvel::com::decimalToScaled(number.exact, 4, value)) return DISP_E_OVERFLOW;
        } else if (!currencyFromDouble(number.real, value)) {
            return DISP_E_OVERFLOW;
        }
        if (value < INT64_MIN || value > INT64_MAX) return DISP_E_OVERFLOW;
        out.cyVal.int64 = static_cast<LONGLONG>(value);
        out.vt = VT_CY;
        return S_OK;
    }
    case VT_DECIMAL:
        return storeDecimal(number, out);
    case VT_BSTR: {
        if (number.kind == Number::Exact) return storeText(quorvel::com::formatPlain(number.exact), out);
        if (std::isnan(number.real)) return storeText("NaN", out);
        if (std::isinf(number.real)) return storeText(number.real < 0 ? "-Infinity" : "Infinity", out);
        DecimalNumber digits;
        readDigits(number, digits);
        return storeText(quorvel::com::formatReal(digits, number.kind == Number::Single ? 7 : 15), out);
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT changeType(const VARIANT &source, VARIANT &out, LCID lcid, USHORT flags, VARTYPE type);

// An object converts through its default member, unless the caller asked not to.
HRESULT changeObject(const VARIANT &source, VARIANT &out, LCID lcid, USHORT flags, VARTYPE type) {
    if (type == VT_UNKNOWN || type == VT_DISPATCH) {
        out.punkVal = nullptr;
        if (source.punkVal) {
            const HRESULT found =
                source.punkVal->QueryInterface(type == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch,
                                               reinterpret_cast<void **>(&out.punkVal));
            if (FAILED(found)) return found;
        }
        out.vt = type;
        return S_OK;
    }
    if (source.vt != VT_DISPATCH || (flags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
    if (!source.pdispVal) return DISP_E_BADVARTYPE;  // Nothing has no value, as the system answers
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (FAILED(source.pdispVal->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                       nullptr))) {
        VariantClear(&value);
        return DISP_E_TYPEMISMATCH;
    }
    // One level only: a default member that is an object again does not convert.
    const HRESULT result = changeType(value, out, lcid, flags | VARIANT_NOVALUEPROP, type);
    VariantClear(&value);
    return result;
}

// Bytes between a BSTR and a one-dimensional VT_UI1 array.
HRESULT changeBytes(const VARIANT &source, VARIANT &out, VARTYPE type) {
    if (source.vt == VT_BSTR && type == (VT_ARRAY | VT_UI1)) {
        const UINT count = SysStringByteLen(source.bstrVal);
        SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, count);
        if (!array) return E_OUTOFMEMORY;
        if (count) std::memcpy(array->pvData, source.bstrVal, count);
        out.parray = array;
        out.vt = type;
        return S_OK;
    }
    if (source.vt == (VT_ARRAY | VT_UI1) && type == VT_BSTR) {
        const SAFEARRAY *array = source.parray;
        if (!array || array->cDims != 1 || array->cbElements != 1) return DISP_E_TYPEMISMATCH;
        out.bstrVal = SysAllocStringByteLen(static_cast<const char *>(array->pvData), array->rgsabound[0].cElements);
        if (!out.bstrVal) return E_OUTOFMEMORY;
        out.vt = VT_BSTR;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

// Converts a by-value source into a cleared out.
HRESULT changeType(const VARIANT &source, VARIANT &out, LCID lcid, USHORT flags, VARTYPE type) {
    if (source.vt == type) return VariantCopy(&out, &source);
    if ((source.vt | type) & VT_ARRAY) return changeBytes(source, out, type);
    if (source.vt == VT_ERROR || type == VT_ERROR) return DISP_E_TYPEMISMATCH;
    // Any other value may be dropped on request, except that Null never becomes Empty.
    if (type == VT_EMPTY) return source.vt == VT_NULL ? DISP_E_TYPEMISMATCH : S_OK;
    if (type == VT_NULL) {
        out.vt = VT_NULL;
        return S_OK;
    }
    if (source.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
    if (source.vt == VT_DISPATCH || source.vt == VT_UNKNOWN) return changeObject(source, out, lcid, flags, type);
    if (type == VT_DISPATCH || type == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    // Dates and text convert through datetime/, which knows the calendars and formats.
    if ((source.vt == VT_DATE && type == VT_BSTR) || (source.vt == VT_BSTR && type == VT_DATE))
        return DISP_E_TYPEMISMATCH;
    if (source.vt == VT_BOOL && type == VT_BSTR && (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)))
        return storeText(source.boolVal ? "True" : "False", out);
    if (source.vt == VT_BSTR && type == VT_BOOL) {
        bool value = false;
        if (readBoolWord(source.bstrVal, value)) {
            out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
            out.vt = VT_BOOL;
            return S_OK;
        }
    }
    if (source.vt == VT_EMPTY && type == VT_BSTR) return storeText("", out);
    if (!isNumericType(type) && type != VT_BSTR) return DISP_E_TYPEMISMATCH;
    Number number;
    const HRESULT read = readNumber(source, number);
    if (FAILED(read)) return read;
    return storeNumber(number, type, out);
}

}  // namespace

extern "C" {

HRESULT VariantChangeTypeEx(VARIANTARG *target, const VARIANTARG *source, LCID lcid, USHORT flags, VARTYPE type) {
    if (!target || !source) return E_INVALIDARG;
    if (!isVariantType(source->vt)) return DISP_E_BADVARTYPE;
    if (type & VT_BYREF) return DISP_E_TYPEMISMATCH;  // a conversion makes a value, never a reference
    if (type == VT_VARIANT || type == VT_RECORD) return DISP_E_TYPEMISMATCH;
    if (!isVariantType(type)) return DISP_E_BADVARTYPE;
    VARIANT value;
    VariantInit(&value);
    HRESULT result = VariantCopyInd(&value, source);
    if (FAILED(result)) return result;
    VARIANT converted;
    VariantInit(&converted);
    converted.llVal = 0;
    try {
        result = changeType(value, converted, lcid, flags, type);
    } catch (const std::bad_alloc &) {
        result = E_OUTOFMEMORY;
    }
    VariantClear(&value);
    if (SUCCEEDED(result)) {
        // Cleared only now: the target may be the source itself.
        result = VariantClear(target);
        if (SUCCEEDED(result)) *target = converted;
    }
    if (FAILED(result)) VariantClear(&converted);
    return result;
}

HRESULT VariantChangeType(VARIANTARG *target, const VARIANTARG *source, USHORT flags, VARTYPE type) {
    return VariantChangeTypeEx(target, source, LOCALE_USER_DEFAULT, flags, type);
}

}  // extern "C"
