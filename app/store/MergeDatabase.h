#pragma once
// Backups merged back into the live databases without disturbing what is
// there: rows move by set-based inserts from the file attached as 'source',
// ids of records and folders moved past the live ones by the import's offsets,
// and rows already present (the same record, user, logger, log entry or
// sample) left out.
#include <QString>
#include <QStringList>
#include <functional>

namespace qm::store {

class CDBOperator;
class CDBSqlite3;

// The counters of recordtime and fileInfo in the main database's
// sqlite_sequence (0 without a row). Read once before the first file of an
// import and used for all its files, so a DATAINFO and the logger files of
// one backup keep pointing at each other.
struct MergeOffsets {
    int recordtime = 0;
    int fileInfo = 0;
};
MergeOffsets ReadMergeOffsets(CDBOperator& datainfo);

// Merges one backup file: "DATAINFO.*" (any case) into `datainfo`, any other
// "<SN>.*" into the logger's own file below `programFolder` (created when
// missing). The file is never changed (the merge reads a copy). Holds the
// datainfo lock throughout. Nothing to copy shows entry 152. Either every
// row of the file arrives or none does: a failure leaves both databases as
// they were. Returns 1 on success, 0 on failure.
int MergeDatabase(CDBSqlite3& datainfo, const QString& programFolder, const QString& path, int recordtimeOffset,
                  int fileInfoOffset);

// The backup import of several files: offsets read once, ".gdb" files through
// ImportRecordFile, the others through MergeDatabase, in the given order.
struct BackupImportResult {
    int imported = 0;
    QStringList failedNames;        // file names without extension
    bool AllImported() const { return failedNames.isEmpty(); }
    // 217, or 216 followed by "\n" and the failed names joined with ",".
    int MessageNumber() const { return AllImported() ? 217 : 216; }
    QString MessageText() const;
    // Operation-log text (type 20): 286 + 295 or 286 + 294.
    QString LogText() const;
};
BackupImportResult ImportBackupFiles(CDBSqlite3& datainfo, const QString& programFolder, const QStringList& files,
                                     const std::function<void(int done, int total)>& progress = {});

} // namespace qm::store
