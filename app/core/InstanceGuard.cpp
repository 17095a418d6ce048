#include "InstanceGuard.h"

#include <QDir>
#include <QLockFile>
#include <QThread>

namespace qm {

QString CInstanceGuard::DefaultLockPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Quillmark.lock");
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

void CInstanceGuard::Release()
{
    m_lock->unlock();
}

bool CInstanceGuard::Held() const
{
    return m_lock->isLocked();
}

} // namespace qm
