#pragma once
// The program's shared locks: auto-reset events created signalled. A wait that
// succeeds takes the event (it is no longer signalled), Set() gives it back and
// wakes exactly one waiter. The datainfo lock, the operation-log lock and the
// audit-table lock are instances of this class that live until exit.
#include <condition_variable>
#include <mutex>

namespace qm::store {

class CEventLock {
public:
    explicit CEventLock(bool signalled = true) : m_signalled(signalled) {}
    CEventLock(const CEventLock&) = delete;
    CEventLock& operator=(const CEventLock&) = delete;

    // Takes the event if it is signalled; never blocks.
    bool TryTake();
    // Blocks up to `timeoutMs` (negative: without limit); true when taken.
    bool Wait(int timeoutMs);
    // Signals the event: one waiter (or the next wait) takes it.
    void Set();
    bool IsSignalled() const;
    // Threads blocked in Wait right now (a test waits for its waiters with it).
    int Waiting() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_signalled;
    int m_waiting = 0;
};

// Waits for `lock` up to `timeoutSeconds` whole seconds (-1: without limit).
// On the UI thread the wait keeps processing events so windows stay alive and
// timers fire; elsewhere it simply blocks. With `waitCursor` the shell's wait
// cursor is shown while waiting. Returns 1 when the lock was taken, 0 on time-out.
int WaitWithMessagePump(CEventLock& lock, int timeoutSeconds, bool waitCursor);

// Waits until the wall clock has moved on to its next second (at most about a
// second), processing events on the UI thread at least once. Used between
// busy retries.
void PauseOneSecond();

// True on the thread of the QCoreApplication, when there is one.
bool OnUiThread();

// The lock around writes to the main database.
CEventLock& DatainfoLock();

// Takes `lock` with WaitWithMessagePump and gives it back on destruction, but
// only when it was taken: giving back a lock that a time-out never took would
// let two writers in at once.
class CLockHold {
public:
    CLockHold(CEventLock& lock, int timeoutSeconds, bool waitCursor);
    // Holds `lock` only when `needed`; otherwise does nothing.
    CLockHold(CEventLock& lock, bool needed, int timeoutSeconds, bool waitCursor);
    ~CLockHold();
    CLockHold(const CLockHold&) = delete;
    CLockHold& operator=(const CLockHold&) = delete;
    bool Taken() const { return m_taken; }

private:
    CEventLock& m_lock;
    bool m_taken = false;
};

} // namespace qm::store
