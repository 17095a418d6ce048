// The shared locks and the waits that keep the user interface alive.
#include "EventLock.h"
#include "StoreSeams.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace qm::store;
using Clock = std::chrono::steady_clock;

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
    std::thread a([&] { if (lock.Wait(1500)) ++woken; });
    std::thread b([&] { if (lock.Wait(1500)) ++woken; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    lock.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 1);
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
    const auto waited = Clock::now() - start;
    SetWaitCursorHook({});
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(waited, std::chrono::milliseconds(1600));
    EXPECT_GE(ticks, 10);
    EXPECT_EQ(cursor, QStringList({"on", "off"}));
}

TEST(EventLock, WaitEndsWhenAnotherThreadGivesTheLockBack)
{
    CEventLock lock(false);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        lock.Set();
    });
    const auto start = Clock::now();
    EXPECT_EQ(WaitWithMessagePump(lock, -1, false), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    releaser.join();
    EXPECT_FALSE(lock.IsSignalled()) << "the wait took it";

    // Off the UI thread the wait simply blocks.
    std::atomic<int> result{-1};
    std::thread worker([&] { result = WaitWithMessagePump(lock, 5, false); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
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
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    const std::time_t before = std::time(nullptr);
    const auto start = Clock::now();
    PauseOneSecond();
    EXPECT_LE(Clock::now() - start, std::chrono::milliseconds(1150));
    EXPECT_GT(std::time(nullptr), before);
    EXPECT_GT(ticks, 0);
}
