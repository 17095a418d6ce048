#include "EventLock.h"
#include "StoreSeams.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <ctime>
#include <thread>

namespace qm::store {
namespace {

constexpr int kPassSleepMs = 10;
// processEvents has no "n events" limit; a short time slice per pass bounds the
// work done between two looks at the lock the same way.
constexpr int kPassEventMs = 10;

void PumpOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, kPassEventMs);
}

} // namespace

bool CEventLock::TryTake()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_signalled)
        return false;
    m_signalled = false;
    return true;
}

bool CEventLock::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    ++m_waiting;
    bool taken = true;
    if (timeoutMs < 0)
        m_cond.wait(guard, [this] { return m_signalled; });
    else
        taken = m_cond.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; });
    --m_waiting;
    if (taken)
        m_signalled = false;
    return taken;
}

void CEventLock::Set()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_signalled = true;
    }
    m_cond.notify_one();
}

bool CEventLock::IsSignalled() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_signalled;
}

int CEventLock::Waiting() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_waiting;
}

bool OnUiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

int WaitWithMessagePump(CEventLock& lock, int timeoutSeconds, bool waitCursor)
{
    if (lock.TryTake())
        return 1;
    const bool ui = OnUiThread();
    if (waitCursor)
        ShowWaitCursor(true);
    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    for (;;) {
        if (ui)
            PumpOnce();
        if (lock.Wait(kPassSleepMs)) {
            result = 1;
            break;
        }
        const auto waited = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
        if (timeoutSeconds != -1 && waited.count() >= timeoutSeconds)
            break;
    }
    if (waitCursor)
        ShowWaitCursor(false);
    return result;
}

void PauseOneSecond()
{
    // The wall clock, never the program's settable clock: a test's frozen clock
    // must not turn a busy retry into an endless wait.
    const std::time_t start = std::time(nullptr);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(1100);
    const bool ui = OnUiThread();
    // Events are processed at least once, even when the second is about to end.
    do {
        if (ui)
            PumpOnce();
        if (std::time(nullptr) != start)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPassSleepMs));
    } while (std::time(nullptr) == start && std::chrono::steady_clock::now() < limit);
}

CEventLock& DatainfoLock()
{
    static CEventLock lock(true);
    return lock;
}

CLockHold::CLockHold(CEventLock& lock, int timeoutSeconds, bool waitCursor)
    : m_lock(lock), m_taken(WaitWithMessagePump(lock, timeoutSeconds, waitCursor) == 1)
{
}

CLockHold::CLockHold(CEventLock& lock, bool needed, int timeoutSeconds, bool waitCursor)
    : m_lock(lock), m_taken(needed && WaitWithMessagePump(lock, timeoutSeconds, waitCursor) == 1)
{
}

CLockHold::~CLockHold()
{
    if (m_taken)
        m_lock.Set();
}

} // namespace qm::store
