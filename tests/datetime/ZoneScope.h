#pragma once
#include "support/ZoneScope.h"  // shared with the feed tests
