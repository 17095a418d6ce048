#pragma once
// Advisory locks on a record file (a logger's database or its month backup
// copy) between the writers that create history tables in it and the repair
// that removes tables no record refers to. The window and quillmark-cli may
// run at once, so the locks hold across processes (flock) as well as between
// the threads of one process.
//
//   CRecordFileLock writing(path, CRecordFileLock::kWrite);   // a download: shared, waits
//   CRecordFileLock repair(path, CRecordFileLock::kRepair);   // exclusive, never waits
//   if (repair.Held()) ... no download is under way in any process ...
//
// A download holds kWrite from before it creates its history table until its
// record is registered or its table dropped; a repair passes over a file it
// cannot lock.
#include <QString>

namespace qm::store {

class CRecordFileLock {
public:
    enum Mode {
        kWrite,    // shared with other writers; waits while a repair runs
        kRepair,   // exclusive; not taken (Held() false) while anyone writes
    };

    // Locks the file at `path`, which must exist.
    CRecordFileLock(const QString& path, Mode mode);
    ~CRecordFileLock();
    CRecordFileLock(const CRecordFileLock&) = delete;
    CRecordFileLock& operator=(const CRecordFileLock&) = delete;

    bool Held() const { return m_held; }
    void Release();

private:
    QString m_key;
    Mode m_mode;
    bool m_held = false;
};

} // namespace qm::store
