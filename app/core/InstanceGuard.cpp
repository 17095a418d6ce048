#include "InstanceGuard.h"

#include <QDir>
#include <QLockFile>
#include <QThread>

#include <unistd.h>

namespace qm {

QString CInstanceGuard::DefaultLockPath()
{
    // One copy per user: the runtime folder is the user's own; the temporary
    // folder is shared, so the lock there carries the user's number (another
    // user's lock would otherwise keep everyone else out, or be unwritable).
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/Quillmark.lock");
    return QDir::tempPath() + QStringLiteral("/Quillmark-%1.lock").arg(::getuid());
}

CInstanceGuard::CInstanceGuard(const QString& lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath.isEmpty() ? DefaultLockPath() : lockPath))
{
    // Only a live holder counts, however long it has been running.
    m_lock->setStaleLockTime(0);
}

CInstanceGuard::~CInstanceGuard() = default;

bool CInstanceGuard::Acquire(int moreTries, int waitMs)
{
    if (m_lock->isLocked())
        return true;
    for (int attempt = 0;; ++attempt) {
        if (m_lock->tryLock(0))
            return true;
        // A lock file that cannot be written at all says nothing about another
        // copy: run unguarded rather than claim that one is running.
        if (m_lock->error() != QLockFile::LockFailedError)
            return true;
        if (attempt >= moreTries)
            return false;
        QThread::msleep(waitMs);
    }
}

void CInstanceGuard::Release() { m_lock->unlock(); }

bool CInstanceGuard::Held() const { return m_lock->isLocked(); }

} // namespace qm
