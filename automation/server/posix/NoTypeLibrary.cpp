// The Linux library carries no type library: names and calls go through the member table.
#include "automation/server/TypeInfoSource.h"

namespace quorvel::automation {

HRESULT typeInfoOf(const Guid &, ITypeInfo **info) {
    if (info) *info = nullptr;
    return TYPE_E_CANTLOADLIBRARY;
}

bool moduleHasTypeLibrary() { return false; }

}  // namespace quorvel::automation
