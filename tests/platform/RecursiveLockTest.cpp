#include "platform/RecursiveLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace quorvel {
namespace {

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Shared {
    RecursiveLock *lock;
    int holdMs;
    std::atomic<bool> inside{false};
    std::atomic<bool> done{false};
};

void holdLock(Shared *s) {
    s->lock->enter();
    s->inside = true;
    pause(s->holdMs);
    s->done = true;
    s->lock->leave();
}

TEST(RecursiveLock, OtherThreadsWaitUntilEveryEntryIsLeft) {
    RecursiveLock lock;
    Shared shared{&lock, 0};
    lock.enter();
    lock.enter();  // the holder may enter again
    std::thread other(holdLock, &shared);
    lock.leave();
    pause(50);
    EXPECT_FALSE(shared.inside.load());  // still held once
    lock.leave();
    other.join();
    EXPECT_TRUE(shared.done.load());
}

TEST(RecursiveLock, DestructorWaitsForTheHolder) {
    auto lock = std::make_unique<RecursiveLock>();
    Shared shared{lock.get(), 50};
    std::thread holder(holdLock, &shared);
    while (!shared.inside.load()) pause(1);
    lock.reset();  // enters and leaves once, so it cannot finish before the holder leaves
    EXPECT_TRUE(shared.done.load());
    holder.join();
}

}  // namespace
}  // namespace quorvel
