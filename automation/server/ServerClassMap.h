#pragma once
// The classes this library serves: Xml, Rss and Atom, and on Linux, where no separate date-time
// component exists, the date-time class too.
#include "automation/server/ClassObjects.h"

namespace quorvel::automation {

// The module's class objects over the map (made on first use).
ClassObjects &serverClassObjects();

// An object of a served class, as CoCreateInstance makes an in-process one: REGDB_E_CLASSNOTREG
// for a class that is not served.
HRESULT createFromClassMap(REFCLSID clsid, REFIID iid, void **object);

}  // namespace quorvel::automation
