#pragma once
// What every import and merge builds on: a private copy of the chosen file,
// the file attached as 'source' for set-based copies, and transactions that
// span several statements on one connection.
#include "DBSqlite3.h"

#include <QString>
#include <QTemporaryDir>
#include <initializer_list>
#include <memory>
#include <vector>

namespace qm::store {

// A database file chosen for import (a backup, a single-record file, the
// phone's database) is the user's own: it is never opened in place. Opening a
// plain file keys it where it lies, which would leave a phone database its app
// can no longer read. The import works on a copy in a temporary folder that
// disappears with this object.

class CImportCopy {
public:
    CImportCopy() = default;
    CImportCopy(const CImportCopy&) = delete;
    CImportCopy& operator=(const CImportCopy&) = delete;

    // Copies `original` and opens the copy through OpenDatabase. Tells the user
    // what OpenDatabase would have told about the original: entry 109 for a
    // missing file (only with `showMessages`), the original path followed by
    // "Invalid Database!" for a file that is no database of ours or plain.
    // A name OpenDatabase does not take (".db", ".db3", ".gdb") fails silently.
    bool Open(const QString& original, bool showMessages);

    CDBSqlite3* Db() const { return m_db.get(); }
    const QString& CopyPath() const { return m_copyPath; }
    const QString& OriginalPath() const { return m_original; }
    // Closes the connection to the copy (the copy stays until destruction).
    void Close();

private:
    QTemporaryDir m_dir;
    QString m_original;
    QString m_copyPath;
    std::unique_ptr<CDBSqlite3> m_db;
};

// The kind of database file `path` holds, read without changing it.
enum class FileKey { Keyed, Plain, Invalid };
FileKey ProbeFileKey(const QString& path);

// "attach '<path>' as 'source' key ..." (under the program key) and its
// counterpart; the statements every set-based copy between two files starts
// and ends with.
QString AttachSourceSql(const QString& path);
QString DetachSourceSql();

// Attaches a file as 'source' to each given database (null entries are
// skipped). When one attach fails, those already made are undone, so no
// database is left half attached; the destructor detaches.
class CSourceAttachment {
public:
    CSourceAttachment(const QString& path, std::initializer_list<CDBOperator*> databases);
    ~CSourceAttachment();
    CSourceAttachment(const CSourceAttachment&) = delete;
    CSourceAttachment& operator=(const CSourceAttachment&) = delete;
    bool Ok() const { return m_ok; }

private:
    void DetachAll();
    std::vector<CDBOperator*> m_attached;
    bool m_ok = true;
};

// A transaction over several ExeSql calls on one connection. ExeSql's own
// switch commits after each call; this one stays open until Commit and rolls
// back when it is dropped without one.
class CManualTransaction {
public:
    explicit CManualTransaction(CDBOperator& db);
    ~CManualTransaction();
    CManualTransaction(const CManualTransaction&) = delete;
    CManualTransaction& operator=(const CManualTransaction&) = delete;
    bool IsOpen() const { return m_open; }
    // True when committed; a failed commit rolls back.
    bool Commit();
    void Rollback();

private:
    CDBOperator& m_db;
    bool m_open = false;
};

// A file an import creates (a logger's file for a logger new to this
// station) is removed again when the import fails, unless Keep() was called.
class CNewFileGuard {
public:
    explicit CNewFileGuard(const QString& path);
    ~CNewFileGuard();
    CNewFileGuard(const CNewFileGuard&) = delete;
    CNewFileGuard& operator=(const CNewFileGuard&) = delete;
    void Keep() { m_remove = false; }

private:
    QString m_path;
    bool m_remove;
};

// CreateTable's answer for a table that is there (created now or before).
inline bool TablePresent(int createTableResult) { return createTableResult >= 1 && createTableResult != 255; }

} // namespace qm::store
