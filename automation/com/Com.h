#pragma once

// The automation ABI for server code: on Windows the system's own headers, elsewhere the project's
// COM layer with the same names, layouts and vtable shapes, so that one server source builds for
// both targets.

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#include <ocidl.h>
#include <olectl.h>
#include <objsafe.h>
#include <servprov.h>
#include <exdisp.h>
#include <shlguid.h>
#else
#include "automation/com/posix/ComInterfaces.h"
#include "automation/com/posix/OleAuto.h"
#endif
