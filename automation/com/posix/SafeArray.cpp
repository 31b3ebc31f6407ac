#include "automation/com/posix/ComInterfaces.h"
#include "automation/com/posix/VariantTypes.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

using quorvel::com::isArrayElementType;
using quorvel::com::valueSize;

namespace {

// The descriptor is preceded by 16 bytes, as on Windows; the element type sits in the last four.
constexpr std::size_t kPrefix = 16;
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull;

constexpr USHORT kCallerOwned = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

unsigned char *blockOf(SAFEARRAY *array) { return reinterpret_cast<unsigned char *>(array) - kPrefix; }

USHORT featuresOf(VARTYPE type) {
    switch (type) {
    case VT_BSTR:
        return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_UNKNOWN:
        return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH:
        return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_VARIANT:
        return FADF_HAVEVARTYPE | FADF_VARIANT;
    default:
        return FADF_HAVEVARTYPE;
    }
}

// The number of elements across all dimensions; false when it would pass 32 bits of bytes.
bool countElements(const SAFEARRAY *array, std::uint64_t &count) {
    count = 1;
    for (USHORT i = 0; i < array->cDims; ++i) {
        count *= array->rgsabound[i].cElements;
        if (count * array->cbElements > kMaxDataBytes) return false;
    }
    return true;
}

VARTYPE typeOf(SAFEARRAY *array) {
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    return type;
}

void releaseElement(void *element, VARTYPE type) {
    switch (type) {
    case VT_BSTR:
        SysFreeString(*static_cast<BSTR *>(element));
        *static_cast<BSTR *>(element) = nullptr;
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (IUnknown *object = *static_cast<IUnknown **>(element)) object->Release();
        *static_cast<IUnknown **>(element) = nullptr;
        break;
    case VT_VARIANT:
        VariantClear(static_cast<VARIANT *>(element));
        break;
    default:
        break;
    }
}

// Copies one element of `size` bytes into uninitialized storage of the same type.
HRESULT copyElement(void *target, const void *source, VARTYPE type, std::size_t size) {
    switch (type) {
    case VT_BSTR: {
        const BSTR text = *static_cast<const BSTR *>(source);
        BSTR copy = nullptr;
        if (text) {
            copy = SysAllocStringByteLen(reinterpret_cast<const char *>(text), SysStringByteLen(text));
            if (!copy) return E_OUTOFMEMORY;
        }
        *static_cast<BSTR *>(target) = copy;
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown *object = *static_cast<IUnknown *const *>(source);
        if (object) object->AddRef();
        *static_cast<IUnknown **>(target) = object;
        return S_OK;
    }
    case VT_VARIANT:
        VariantInit(static_cast<VARIANT *>(target));
        return VariantCopy(static_cast<VARIANT *>(target), static_cast<const VARIANT *>(source));
    default:
        std::memcpy(target, source, size);
        return S_OK;
    }
}

// The address of the element at the given indices (first dimension first), or null out of bounds.
void *elementAt(SAFEARRAY *array, const LONG *indices) {
    std::uint64_t cell = 0;
    std::uint64_t stride = 1;
    for (USHORT dimension = 0; dimension < array->cDims; ++dimension) {
        const SAFEARRAYBOUND &bound = array->rgsabound[array->cDims - 1 - dimension];
        const std::int64_t offset = std::int64_t{indices[dimension]} - bound.lLbound;
        if (offset < 0 || offset >= std::int64_t{bound.cElements}) return nullptr;
        cell += static_cast<std::uint64_t>(offset) * stride;
        stride *= bound.cElements;
    }
    return static_cast<unsigned char *>(array->pvData) + cell * array->cbElements;
}

}  // namespace

extern "C" {

SAFEARRAY *SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND *bounds) {
    if (!isArrayElementType(type) || dimensions == 0 || dimensions > 0xFFFF || !bounds) return nullptr;
    std::uint64_t count = 1;
    for (UINT i = 0; i < dimensions; ++i) {
        // The upper bound must stay a LONG.
        if (std::int64_t{bounds[i].lLbound} + bounds[i].cElements - 1 > 0x7FFFFFFF) return nullptr;
        count *= bounds[i].cElements;
        if (count * valueSize(type) > kMaxDataBytes) return nullptr;
    }
    const std::size_t descriptor = sizeof(SAFEARRAY) + (dimensions - 1) * sizeof(SAFEARRAYBOUND);
    auto *block = static_cast<unsigned char *>(std::calloc(1, kPrefix + descriptor));
    if (!block) return nullptr;
    const std::size_t dataBytes = static_cast<std::size_t>(count * valueSize(type));
    void *data = std::calloc(1, dataBytes ? dataBytes : 1);
    if (!data) {
        std::free(block);
        return nullptr;
    }
    const DWORD storedType = type;
    std::memcpy(block + kPrefix - sizeof storedType, &storedType, sizeof storedType);
    auto *array = reinterpret_cast<SAFEARRAY *>(block + kPrefix);
    array->cDims = static_cast<USHORT>(dimensions);
    array->fFeatures = featuresOf(type);
    array->cbElements = static_cast<ULONG>(valueSize(type));
    array->pvData = data;
    for (UINT i = 0; i < dimensions; ++i) array->rgsabound[dimensions - 1 - i] = bounds[i];
    return array;
}

SAFEARRAY *SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count) {
    SAFEARRAYBOUND bound{count, lowerBound};
    return SafeArrayCreate(type, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY *array) {
    if (!array) return S_OK;
    if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    const VARTYPE type = typeOf(array);
    std::uint64_t count = 0;
    if (countElements(array, count)) {
        auto *element = static_cast<unsigned char *>(array->pvData);
        for (std::uint64_t i = 0; i < count; ++i, element += array->cbElements) releaseElement(element, type);
    }
    // A caller's own descriptor (on the stack, inside a structure, or with fixed data) keeps its
    // storage; only the elements are released.
    if (array->fFeatures & kCallerOwned) return S_OK;
    std::free(array->pvData);
    std::free(blockOf(array));
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY *array) {
    if (!array) return E_INVALIDARG;
    if (array->cLocks == 0xFFFFFFFFu) return E_UNEXPECTED;
    ++array->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY *array) {
    if (!array) return E_INVALIDARG;
    if (array->cLocks == 0) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data) {
    if (!array || !data) return E_INVALIDARG;
    const HRESULT result = SafeArrayLock(array);
    *data = SUCCEEDED(result) ? array->pvData : nullptr;
    return result;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY *array) { return SafeArrayUnlock(array); }

HRESULT SafeArrayGetLBound(SAFEARRAY *array, UINT dimension, LONG *bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims) return DISP_E_BADINDEX;
    *bound = array->rgsabound[array->cDims - dimension].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY *array, UINT dimension, LONG *bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND &range = array->rgsabound[array->cDims - dimension];
    // SafeArrayCreate keeps this within a LONG; an empty dimension ends one below its start.
    *bound = static_cast<LONG>(std::int64_t{range.lLbound} + range.cElements - 1);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY *array) { return array ? array->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY *array) { return array ? array->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY *array, VARTYPE *type) {
    if (!array || !type) return E_INVALIDARG;
    if (array->fFeatures & FADF_HAVEVARTYPE) {
        DWORD stored;
        std::memcpy(&stored, blockOf(array) + kPrefix - sizeof stored, sizeof stored);
        *type = static_cast<VARTYPE>(stored);
    } else if (array->fFeatures & FADF_BSTR) {
        *type = VT_BSTR;
    } else if (array->fFeatures & FADF_UNKNOWN) {
        *type = VT_UNKNOWN;
    } else if (array->fFeatures & FADF_DISPATCH) {
        *type = VT_DISPATCH;
    } else if (array->fFeatures & FADF_VARIANT) {
        *type = VT_VARIANT;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY *array, SAFEARRAY **copy) {
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    VARTYPE type;
    if (FAILED(SafeArrayGetVartype(array, &type))) return E_INVALIDARG;
    std::unique_ptr<SAFEARRAYBOUND[]> bounds(new (std::nothrow) SAFEARRAYBOUND[array->cDims]);
    if (!bounds) return E_OUTOFMEMORY;
    for (USHORT i = 0; i < array->cDims; ++i) bounds[i] = array->rgsabound[array->cDims - 1 - i];
    SAFEARRAY *fresh = SafeArrayCreate(type, array->cDims, bounds.get());
    if (!fresh) return E_OUTOFMEMORY;
    std::uint64_t count = 0;
    countElements(array, count);
    const auto *from = static_cast<const unsigned char *>(array->pvData);
    auto *to = static_cast<unsigned char *>(fresh->pvData);
    for (std::uint64_t i = 0; i < count; ++i) {
        const HRESULT result = copyElement(to + i * fresh->cbElements, from + i * array->cbElements, type,
                                           fresh->cbElements);
        if (FAILED(result)) {
            SafeArrayDestroy(fresh);
            return result;
        }
    }
    *copy = fresh;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY *array, LONG *indices, void *element) {
    if (!array || !indices || !element) return E_INVALIDARG;
    void *cell = elementAt(array, indices);
    if (!cell) return DISP_E_BADINDEX;
    SafeArrayLock(array);
    const HRESULT result = copyElement(element, cell, typeOf(array), array->cbElements);
    SafeArrayUnlock(array);
    return result;
}

HRESULT SafeArrayPutElement(SAFEARRAY *array, LONG *indices, void *element) {
    if (!array || !indices) return E_INVALIDARG;
    void *cell = elementAt(array, indices);
    if (!cell) return DISP_E_BADINDEX;
    const VARTYPE type = typeOf(array);
    // Strings and interfaces are passed as themselves, every other type by its address.
    if (!element && type != VT_BSTR && type != VT_UNKNOWN && type != VT_DISPATCH) return E_INVALIDARG;
    SafeArrayLock(array);
    HRESULT result = S_OK;
    if (type == VT_VARIANT) {
        result = VariantCopy(static_cast<VARIANT *>(cell), static_cast<const VARIANT *>(element));
    } else if (type == VT_BSTR || type == VT_UNKNOWN || type == VT_DISPATCH) {
        unsigned char fresh[sizeof(void *)];
        result = copyElement(fresh, &element, type, sizeof fresh);
        if (SUCCEEDED(result)) {
            releaseElement(cell, type);
            std::memcpy(cell, fresh, sizeof fresh);
        }
    } else {
        std::memcpy(cell, element, array->cbElements);
    }
    SafeArrayUnlock(array);
    return result;
}

}  // extern "C"
