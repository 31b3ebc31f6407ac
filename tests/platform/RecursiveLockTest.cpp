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

// Runs fn(arg) on a second thread; the Windows toolchain has no std::thread.
class SecondThread {
public:
    SecondThread(void (*fn)(void *), void *arg) : m_fn(fn), m_arg(arg) {
#ifdef _WIN32
        m_thread = CreateThread(nullptr, 0, &SecondThread::run, this, 0, nullptr);
#else
        m_thread = std::thread(fn, arg);
#endif
    }
    void join() {
#ifdef _WIN32
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
#else
        m_thread.join();
#endif
    }
    static void pause(int ms) {
#ifdef _WIN32
        Sleep(ms);
#else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
    }

private:
    void (*m_fn)(void *);
    void *m_arg;
#ifdef _WIN32
    static DWORD WINAPI run(void *self) {
        static_cast<SecondThread *>(self)->m_fn(static_cast<SecondThread *>(self)->m_arg);
        return 0;
    }
    HANDLE m_thread;
#else
    std::thread m_thread;
#endif
};

struct Shared {
    RecursiveLock *lock;
    std::atomic<bool> inside{false};
    std::atomic<bool> done{false};
};

TEST(RecursiveLock, TheHolderMayEnterAgain) {
    RecursiveLock lock;
    lock.enter();
    lock.enter();
    lock.enter();
    lock.leave();
    lock.leave();
    lock.leave();
    // Balanced use leaves it free for the destructor's enter and leave.
}

TEST(RecursiveLock, OtherThreadsWaitUntilEveryEntryIsLeft) {
    RecursiveLock lock;
    Shared shared{&lock};
    lock.enter();
    lock.enter();
    SecondThread other(
        [](void *p) {
            Shared *s = static_cast<Shared *>(p);
            s->lock->enter();
            s->inside = true;
            s->lock->leave();
        },
        &shared);
    lock.leave();
    SecondThread::pause(50);
    // Still held once: the other thread cannot be inside.
    EXPECT_FALSE(shared.inside.load());
    lock.leave();
    other.join();
    EXPECT_TRUE(shared.inside.load());
}

TEST(RecursiveLock, DestructorWaitsForTheHolder) {
    auto lock = std::make_unique<RecursiveLock>();
    Shared shared{lock.get()};
    SecondThread holder(
        [](void *p) {
            Shared *s = static_cast<Shared *>(p);
            s->lock->enter();
            s->inside = true;
            SecondThread::pause(50);
            s->done = true;
            s->lock->leave();
        },
        &shared);
    while (!shared.inside.load()) SecondThread::pause(1);
    lock.reset();  // enters and leaves once, so it cannot finish before the holder leaves
    EXPECT_TRUE(shared.done.load());
    holder.join();
}

}  // namespace
}  // namespace quorvel
