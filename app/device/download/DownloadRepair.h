#pragma once
// Clearing away what an interrupted download left behind. A download killed
// before its record is registered (kill -9, power loss) leaves a history
// table, in the logger's file and in the month backup copy, that no
// recordtime row names; an old registration that failed half-way could leave
// a config row whose record_id names no record. Such tables and rows are
// removed, each written to the text log as a repair, before the next
// download of the logger and at the start of the program.
//
// Files that a download in any process is writing (CRecordFileLock) are
// passed over: their new table is not an orphan yet.
#include <QSet>
#include <QString>

namespace qm::store {
class CDBOperator;
}

namespace qm::device {

// The records a record file's tables and config rows may belong to.
struct RecordReferences {
    QSet<QString> tables;   // hisdata_table, lower case (table names ignore case)
    QSet<qint64> ids;       // recordtime ids

    // Adds the recordtime rows of `db`; false when they cannot be read (a
    // file without recordtime adds nothing and is no failure).
    bool Read(qm::store::CDBOperator& db);
};

// Removes, in one transaction, the history tables of `file` that no record of
// `refs` names and its config rows whose record_id is none of `refs`' ids;
// every removal is a text-log line with `source`. Returns the number of
// tables and rows removed, or -1 when the file could not be read or changed.
int RepairRecordFile(qm::store::CDBOperator& file, const RecordReferences& refs, const QString& source);

// Repairs the logger file of `sn` (opened as `logger`) and its month backup
// copy (`backup`, the current month) against the main database, each only
// when no download holds it; when the logger file had something to repair,
// the backup copy of the month before is repaired too (a download killed at
// the turn of a month left its copy there). Either database may be null.
// Returns the number of removals.
int RepairLoggerFiles(const QString& sn, qm::store::CDBOperator* logger, qm::store::CDBOperator* backup,
                      const QString& source);

// At start-up: every logger file of the database folder, as above. Returns
// the number of removals.
int RepairRecordFilesAtStart(const QString& source);

} // namespace qm::device
