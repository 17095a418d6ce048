#pragma once
// Clearing away what an interrupted download left behind. A download names
// its new history table on the pending lists of the logger's file and of the
// month backup copy before it creates the table, and takes it off once the
// record is registered or the table dropped (PendingTables.h). A download
// killed in between (kill -9, power loss) leaves a table that its lists still
// name and no recordtime row refers to; registration is one transaction, so
// it never leaves a config row without its record. Such tables are removed,
// each written to the text log as a repair, before the next download of the
// logger and at the start of the program.
//
// Only listed tables are judged: a history table without a record that came
// from elsewhere (a logger file merged in before its main database, a main
// database restored from an older copy) is kept. Files that a download in any
// process is writing (CRecordFileLock) are passed over: their new table is
// not an orphan yet.
#include <QSet>
#include <QString>

namespace qm::store {
class CDBOperator;
}

namespace qm::device {

// The records a record file's tables may belong to.
struct RecordReferences {
    QSet<QString> tables;   // hisdata_table, lower case (table names ignore case)

    // Adds the recordtime rows of `db`; false when they cannot be read (a
    // file without recordtime adds nothing and is no failure).
    bool Read(qm::store::CDBOperator& db);
};

// Removes, in one transaction, the tables on the pending list of `file` that
// no record of `refs` names, and empties the list; every removal is a
// text-log line with `source`. Returns the number of tables removed, or -1
// when the file could not be read or changed (the list then stays).
int RepairRecordFile(qm::store::CDBOperator& file, const RecordReferences& refs, const QString& source);

// Repairs the logger file of `sn` (opened as `logger`), its month backup copy
// (`backup`, the current month) and the copy of the month before (a download
// killed at the turn of a month left its table there), each only when it has
// a pending list and no download holds it. Either database may be null.
// Returns the number of removals.
int RepairLoggerFiles(const QString& sn, qm::store::CDBOperator* logger, qm::store::CDBOperator* backup,
                      const QString& source);

// At start-up: every record file with a pending list in the database folder
// and in the backup folder's current and previous month, as above. Returns
// the number of removals.
int RepairRecordFilesAtStart(const QString& source);

} // namespace qm::device
