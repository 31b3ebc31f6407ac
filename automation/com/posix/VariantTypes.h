#pragma once

// Which VARTYPEs this layer accepts where, and the byte size of each value type.

#include "automation/com/posix/OleAuto.h"

#include <cstddef>

namespace quorvel::com {

// The byte size of one value of a base type, or 0 for a type that has no stored value of its own.
std::size_t valueSize(VARTYPE base);

// A base type that a SAFEARRAY may hold.
bool isArrayElementType(VARTYPE base);

// A complete VARTYPE (flags included) that a VARIANT may carry.
bool isVariantType(VARTYPE type);

}  // namespace quorvel::com
