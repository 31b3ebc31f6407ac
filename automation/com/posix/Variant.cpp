#include "automation/com/posix/ComInterfaces.h"
#include "automation/com/posix/VariantTypes.h"

#include <cstring>

using quorvel::com::isVariantType;
using quorvel::com::valueSize;

namespace {

// A deep copy of the value a by-reference variant points at, into a cleared target.
HRESULT copyReferenced(VARIANT &target, const VARIANT &source) {
    const VARTYPE base = source.vt & ~VT_BYREF;
    if (!source.byref) return E_INVALIDARG;
    if (base & VT_ARRAY) {
        SAFEARRAY *copy = nullptr;
        const HRESULT result = SafeArrayCopy(*source.pparray, &copy);
        if (FAILED(result)) return result;
        target.parray = copy;
    } else if (base == VT_VARIANT) {
        const VARIANT &inner = *source.pvarVal;
        if (inner.vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
        return VariantCopyInd(&target, &inner);
    } else if (base == VT_BSTR) {
        const BSTR text = *source.pbstrVal;
        if (text) {
            target.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char *>(text), SysStringByteLen(text));
            if (!target.bstrVal) return E_OUTOFMEMORY;
        }
    } else if (base == VT_UNKNOWN || base == VT_DISPATCH) {
        target.punkVal = *source.ppunkVal;
        if (target.punkVal) target.punkVal->AddRef();
    } else if (base == VT_DECIMAL) {
        target.decVal = *source.pdecVal;
    } else {
        std::memcpy(&target.llVal, source.byref, valueSize(base));
    }
    target.vt = base;  // after the value: a DECIMAL overlays vt
    return S_OK;
}

}  // namespace

extern "C" {

void VariantInit(VARIANTARG *target) {
    if (!target) return;
    target->vt = VT_EMPTY;
    target->wReserved1 = target->wReserved2 = target->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG *target) {
    if (!target) return E_INVALIDARG;
    if (!isVariantType(target->vt)) return DISP_E_BADVARTYPE;
    if (!(target->vt & VT_BYREF)) {
        if (target->vt & VT_ARRAY) {
            const HRESULT result = SafeArrayDestroy(target->parray);
            if (FAILED(result)) return result;
        } else if (target->vt == VT_BSTR) {
            SysFreeString(target->bstrVal);
        } else if ((target->vt == VT_UNKNOWN || target->vt == VT_DISPATCH) && target->punkVal) {
            target->punkVal->Release();
        }
    }
    target->vt = VT_EMPTY;
    target->llVal = 0;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG *target, const VARIANTARG *source) {
    if (!target || !source) return E_INVALIDARG;
    if (target == source) return S_OK;
    if (!isVariantType(source->vt)) return DISP_E_BADVARTYPE;
    const HRESULT cleared = VariantClear(target);
    if (FAILED(cleared)) return cleared;

    VARIANT copy = *source;
    if (!(source->vt & VT_BYREF)) {
        if (source->vt & VT_ARRAY) {
            copy.parray = nullptr;
            const HRESULT result = SafeArrayCopy(source->parray, &copy.parray);
            if (FAILED(result)) return result;
        } else if (source->vt == VT_BSTR && source->bstrVal) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char *>(source->bstrVal),
                                                 SysStringByteLen(source->bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
            source->punkVal->AddRef();
        }
    }
    *target = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT *target, const VARIANTARG *source) {
    if (!target || !source) return E_INVALIDARG;
    if (!(source->vt & VT_BYREF)) return VariantCopy(target, source);
    if (!isVariantType(source->vt)) return DISP_E_BADVARTYPE;
    // Copied aside first: the target may be the source itself.
    VARIANT copy;
    VariantInit(&copy);
    copy.llVal = 0;
    const HRESULT result = copyReferenced(copy, *source);
    if (FAILED(result)) {
        VariantClear(&copy);
        return result;
    }
    const HRESULT cleared = VariantClear(target);
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *target = copy;
    return S_OK;
}

}  // extern "C"
