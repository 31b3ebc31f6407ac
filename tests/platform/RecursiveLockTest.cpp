#include "platform/RecursiveLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

namespace quorvel {
namespace {

void pause(int ms) {
#ifdef _WIN32
    Sleep(ms);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

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

// Runs holdLock on a second thread; the Windows toolchain has no std::thread.
#ifdef _WIN32
class SecondThread {
public:
    explicit SecondThread(Shared &shared) : m_thread(CreateThread(nullptr, 0, run, &shared, 0, nullptr)) {}
    void join() { WaitForSingleObject(m_thread, INFINITE), CloseHandle(m_thread); }

private:
    static DWORD WINAPI run(void *shared) {
        holdLock(static_cast<Shared *>(shared));
        return 0;
    }
    HANDLE m_thread;
};
#else
class SecondThread {
public:
    explicit SecondThread(Shared &shared) : m_thread(holdLock, &shared) {}
    void join() { m_thread.join(); }

private:
    std::thread m_thread;
};
#endif

TEST(RecursiveLock, OtherThreadsWaitUntilEveryEntryIsLeft) {
    RecursiveLock lock;
    Shared shared{&lock, 0};
    lock.enter();
    lock.enter();  // the holder may enter again
    SecondThread other(shared);
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
    SecondThread holder(shared);
    while (!shared.inside.load()) pause(1);
    lock.reset();  // enters and leaves once, so it cannot finish before the holder leaves
    EXPECT_TRUE(shared.done.load());
    holder.join();
}

}  // namespace
}  // namespace quorvel
