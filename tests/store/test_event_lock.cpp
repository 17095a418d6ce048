// The shared locks and the waits that keep the user interface alive. Every
// wait here is on the event itself (a waiter seen waiting, a result seen), never
// on the wall clock, so a loaded machine only makes the tests slower.
#include "EventLock.h"
#include "StoreSeams.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace qm::store;
using Clock = std::chrono::steady_clock;

namespace {

// Until `done` holds (the test's time-out ends a wait that never does).
void WaitFor(const std::function<bool()>& done)
{
    while (!done())
        std::this_thread::yield();
}

} // namespace

TEST(EventLock, AutoResetTakesOnceAndSetGivesBack)
{
    CEventLock lock;
    EXPECT_TRUE(lock.IsSignalled());
    EXPECT_TRUE(lock.TryTake());
    EXPECT_FALSE(lock.TryTake());
    EXPECT_FALSE(lock.Wait(20));
    lock.Set();
    lock.Set();   // an event, not a counter: two Sets give one take
    EXPECT_TRUE(lock.Wait(0));
    EXPECT_FALSE(lock.TryTake());

    CEventLock closed(false);
    EXPECT_FALSE(closed.TryTake());
}

TEST(EventLock, OneSetWakesExactlyOneWaiter)
{
    CEventLock lock(false);
    std::atomic<int> woken{0};
    const auto waiter = [&] {
        if (lock.Wait(-1))
            ++woken;
    };
    std::thread a(waiter);
    std::thread b(waiter);
    WaitFor([&] { return lock.Waiting() == 2; });
    lock.Set();
    WaitFor([&] { return woken.load() == 1; });
    // The one Set was taken by one waiter; the other still waits.
    EXPECT_FALSE(lock.IsSignalled());
    EXPECT_EQ(lock.Waiting(), 1);
    lock.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 2);
}

TEST(EventLock, UiThreadWaitTimesOutWhileTimersKeepFiring)
{
    ASSERT_TRUE(OnUiThread());
    CEventLock lock(false);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    QStringList cursor;
    SetWaitCursorHook([&](bool on) { cursor << (on ? QStringLiteral("on") : QStringLiteral("off")); });

    const auto start = Clock::now();
    EXPECT_EQ(WaitWithMessagePump(lock, 1, true), 0);
    SetWaitCursorHook({});
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(cursor, QStringList({"on", "off"}));

    // The pump is what lets the UI thread's own work give the lock back.
    QTimer::singleShot(0, [&] { lock.Set(); });
    EXPECT_EQ(WaitWithMessagePump(lock, -1, false), 1);
}

TEST(EventLock, WaitEndsWhenAnotherThreadGivesTheLockBack)
{
    CEventLock lock(false);
    std::thread releaser([&] {
        WaitFor([&] { return lock.Waiting() > 0; });
        lock.Set();
    });
    EXPECT_EQ(WaitWithMessagePump(lock, -1, false), 1);
    releaser.join();
    EXPECT_FALSE(lock.IsSignalled()) << "the wait took it";

    // Off the UI thread the wait simply blocks.
    std::atomic<int> result{-1};
    std::thread worker([&] { result = WaitWithMessagePump(lock, -1, false); });
    WaitFor([&] { return lock.Waiting() == 1; });
    EXPECT_EQ(result.load(), -1);
    lock.Set();
    worker.join();
    EXPECT_EQ(result.load(), 1);

    // A lock that was never taken is not given back by a failed hold.
    {
        CLockHold hold(lock, 0, false);
        EXPECT_FALSE(hold.Taken());
    }
    EXPECT_FALSE(lock.IsSignalled());
}

TEST(EventLock, PauseOneSecondEndsAtTheNextSecondAndPumps)
{
    int ticks = 0;
    QTimer::singleShot(0, [&] { ++ticks; });
    const std::time_t before = std::time(nullptr);
    PauseOneSecond();
    EXPECT_GT(std::time(nullptr), before);
    EXPECT_EQ(ticks, 1);
}
