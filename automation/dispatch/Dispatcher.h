#pragma once
// IDispatch by the member table: names to DISPIDs, and Invoke by DISPID with the arguments
// coerced the way script hosts expect, the internal method called, and its result converted.
#include "automation/MemberDescriptor.h"
#include "automation/com/Com.h"
#include "automation/dispatch/ObjectServices.h"

namespace quorvel {
class ClsAtom;
class ClsDateTime;
class ClsRss;
class ClsXml;
}  // namespace quorvel

namespace quorvel::automation {

// Names compared ASCII case-insensitively; an unknown name gives DISP_E_UNKNOWNNAME and
// DISPID_UNKNOWN in its slot. Argument names (names[1..]) map to their positions.
HRESULT getIDsOfNames(const Interface &iface, const OLECHAR *const *names, UINT count, DISPID *ids);

// DISP_E_MEMBERNOTFOUND for a DISPID the interface lacks (or a put on a read-only property),
// DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH with *argErr naming the argument, DISP_E_PARAMNOTFOUND
// for a named argument other than DISPID_PROPERTYPUT; otherwise the binding rules' result (S_OK,
// or E_FAIL for a file-system member in a browser host).
HRESULT invokeXml(ClsXml &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                  VARIANT *result, EXCEPINFO *exception, UINT *argErr);
HRESULT invokeRss(ClsRss &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                  VARIANT *result, EXCEPINFO *exception, UINT *argErr);
HRESULT invokeAtom(ClsAtom &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                   VARIANT *result, EXCEPINFO *exception, UINT *argErr);
HRESULT invokeDateTime(ClsDateTime &self, ObjectServices &services, DISPID id, WORD flags, DISPPARAMS *params,
                       VARIANT *result, EXCEPINFO *exception, UINT *argErr);

}  // namespace quorvel::automation
