#include "platform/RecursiveLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace quorvel {
namespace {

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Another thread that takes the lock, holds it for a while and notes when it is inside and done.
struct Holder {
    std::atomic<bool> inside{false}, done{false};
    std::thread thread;
    Holder(RecursiveLock &lock, int holdMs)
        : thread([this, &lock, holdMs] {
              lock.enter();
              inside = true;
              pause(holdMs);
              done = true;
              lock.leave();
          }) {}
};

TEST(RecursiveLock, OtherThreadsWaitUntilEveryEntryIsLeft) {
    RecursiveLock lock;
    lock.enter();
    lock.enter();  // the holder may enter again
    Holder other(lock, 0);
    lock.leave();
    pause(50);
    EXPECT_FALSE(other.inside.load());  // still held once
    lock.leave();
    other.thread.join();
    EXPECT_TRUE(other.done.load());
}

TEST(RecursiveLock, DestructorWaitsForTheHolder) {
    auto lock = std::make_unique<RecursiveLock>();
    Holder holder(*lock, 50);
    while (!holder.inside.load()) pause(1);
    lock.reset();  // enters and leaves once, so it cannot finish before the holder leaves
    EXPECT_TRUE(holder.done.load());
    holder.thread.join();
}

}  // namespace
}  // namespace quorvel
