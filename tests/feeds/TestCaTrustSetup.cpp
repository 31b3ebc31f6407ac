// The TLS tests of this program trust the loopback servers' test CA (see TestCaTrust.h).
#include "support/TestCaTrust.h"

static testing::Environment *const g_testCaTrust = testing::AddGlobalTestEnvironment(new quorvel::test::TestCaTrust);
