#include <gtest/gtest.h>

#include "foundation/ProgressEvent.h"

namespace quorvel {
namespace {

// Every callback that can ask to abort answers no by default, whatever the flag held before.
TEST(ProgressEventDefaults, NeverAskToAbort) {
    ProgressEvent sink;
    bool abort = true;
    sink.percentDone(50, abort);
    EXPECT_FALSE(abort);
    abort = true;
    sink.abortCheck(abort);
    EXPECT_FALSE(abort);
    abort = true;
    sink.sendProgress(10, 100, abort);
    EXPECT_FALSE(abort);
    abort = true;
    sink.receiveProgress(10, -1, abort);
    EXPECT_FALSE(abort);
    abort = true;
    sink.redirect("http://a/", "http://b/", 302, abort);
    EXPECT_FALSE(abort);
    abort = true;
    sink.idleWait(1000, abort);
    EXPECT_FALSE(abort);
}

}  // namespace
}  // namespace quorvel
