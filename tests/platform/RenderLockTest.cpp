// The synthesizer's lock goes to its waiters in the order they asked for it: a holder that lets it
// go and asks again at once comes after every thread that was waiting.

#include "platform/RenderLock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace korva {
namespace {

// Waits, without a limit that could fail on a busy machine, until n threads wait for the lock.
void UntilWaiting(const RenderLock& lock, int n) {
    while (lock.Waiting() < n) std::this_thread::yield();
}

TEST(RenderLock, AHolderAskingAgainComesAfterEveryThreadThatWaited) {
    RenderLock lock;
    std::vector<int> order;  // guarded by lock
    lock.lock();
    std::thread first([&] {
        std::lock_guard held(lock);
        order.push_back(1);
    });
    UntilWaiting(lock, 1);
    std::thread second([&] {
        std::lock_guard held(lock);
        order.push_back(2);
    });
    UntilWaiting(lock, 2);
    // As the thread rendering ahead does between two runs.
    lock.unlock();
    lock.lock();
    order.push_back(0);
    lock.unlock();
    first.join();
    second.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 0}));
}

TEST(RenderLock, TryLockFailsWhileHeldAndAConditionVariableWaitLetsTheLockGo) {
    RenderLock lock;
    ASSERT_TRUE(lock.try_lock());
    EXPECT_EQ(lock.Waiting(), 0);
    std::thread other([&] { EXPECT_FALSE(lock.try_lock()); });
    other.join();
    lock.unlock();

    // A condition variable's wait lets the lock go and takes a new turn.
    std::condition_variable_any ready;
    bool told = false;
    std::thread teller([&] {
        std::lock_guard held(lock);
        told = true;
        ready.notify_all();
    });
    {
        std::unique_lock held(lock);
        ready.wait(held, [&] { return told; });
    }
    teller.join();
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
}

}  // namespace
}  // namespace korva
