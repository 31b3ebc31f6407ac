#pragma once
// Automation arguments read as the C++ types of the internal methods. A value of another
// variant type is converted by the usual variant rules (VariantChangeType), as script hosts
// expect: "5" serves as a long and 5 as a string. By-reference arguments are dereferenced.
#include "automation/com/Com.h"

namespace quorvel {
class XString;
}

namespace quorvel::automation {

// Each returns S_OK, or the conversion's error (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW,
// E_OUTOFMEMORY) with the output unchanged.
HRESULT readString(const VARIANT &arg, XString &out);  // a null BSTR is the empty string
HRESULT readLong(const VARIANT &arg, int &out);
HRESULT readBool(const VARIANT &arg, bool &out);  // any non-zero long is true
HRESULT readDate(const VARIANT &arg, double &out);
// An object argument: a dispatch pointer (not AddRef'd; valid for the call), null for Nothing,
// Empty or Null. An IUnknown that is no IDispatch gives a null pointer as well.
HRESULT readObject(const VARIANT &arg, IDispatch *&out);

}  // namespace quorvel::automation
