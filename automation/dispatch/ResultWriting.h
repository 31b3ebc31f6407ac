#pragma once
// Results of the internal methods written as automation values. Each writes into an empty
// VARIANT and returns S_OK, or E_OUTOFMEMORY with the variant left empty.
#include <cstdint>

#include "automation/com/Com.h"

namespace quorvel {
class DataBuffer;
class XString;
}

namespace quorvel::automation {

// A BSTR of the text's UTF-16 form; an empty text gives an empty, non-null BSTR.
HRESULT writeString(const XString &text, VARIANT &result);
// The null string of a failed member that answers failure that way.
void writeNullString(VARIANT &result);
HRESULT writeLong(int value, VARIANT &result);
// True and false as the longs 1 and 0 (never -1).
HRESULT writeBool(bool value, VARIANT &result);
HRESULT writeDate(double value, VARIANT &result);
// A one-dimensional array of unsigned bytes, lower bound 0, holding a copy of the bytes.
HRESULT writeBytes(const DataBuffer &bytes, VARIANT &result);
// An object pointer whose reference passes to the caller; null is a valid result.
void writeObject(IDispatch *object, VARIANT &result);

}  // namespace quorvel::automation
