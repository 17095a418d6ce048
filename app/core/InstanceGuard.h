#pragma once
// The guard against a second running copy of the same user: a lock file
// named "Quillmark" in the user's runtime folder ("Quillmark-<uid>" in the
// temporary folder when there is none). The lock of a copy that died is taken over.
#include <QString>
#include <memory>

class QLockFile;

namespace qm {

class CInstanceGuard {
public:
    // An empty path means the program's lock.
    explicit CInstanceGuard(const QString& lockPath = QString());
    ~CInstanceGuard();
    CInstanceGuard(const CInstanceGuard&) = delete;
    CInstanceGuard& operator=(const CInstanceGuard&) = delete;

    // Takes the lock; while another copy holds it, tries `moreTries` more
    // times, `waitMs` apart. False only when another copy still holds it.
    bool Acquire(int moreTries = 3, int waitMs = 1000);
    void Release();
    bool Held() const;

    static QString DefaultLockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace qm
