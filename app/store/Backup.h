#pragma once
// Copies of the database folder: the automatic one into the month folder every
// time the program closes, and the manual one into a folder the user chooses.
// Every database file is copied with SQLite's online backup under the program
// key, so a copy taken while the window or another process writes is a
// consistent database; every file is written under a temporary name and moved
// into place, so an interrupted backup never replaces a good copy with a
// truncated one.
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace qm::store {

enum class BackupOutcome {
    Copied,       // every file is in place
    Aborted,      // the user stopped it (files copied so far are complete)
    Failed,       // at least one file could not be copied (the others were)
    NoFolder,     // the target folder could not be created; nothing was copied
};

// Answers to "the target already has this file".
enum class OverwriteAnswer { Yes, YesToAll, No, Cancel };

struct BackupCallbacks {
    // Asked before a file that exists in the target is replaced; empty: replace
    // silently (the automatic backup).
    std::function<OverwriteAnswer(const QString& targetFile)> askOverwrite;
    // Files done so far of all files, and the file about to be copied.
    std::function<void(int done, int total, const QString& file)> progress;
    // Polled before every file; true aborts.
    std::function<bool()> cancelled;
};

struct BackupResult {
    BackupOutcome outcome = BackupOutcome::Failed;
    QString folder;          // the copy of the database folder (NoFolder: the folder that failed)
    int copied = 0;          // files written
    QStringList failed;      // files that could not be copied
};

// Copies `databaseFolder` (with its subfolders) into `intoFolder`, giving
// "<intoFolder>/<name of databaseFolder>". Journals are not copied: the online
// backup of a database is complete without them. A target inside the source
// (or the source itself) fails before anything is written.
BackupResult CopyDatabaseFolder(const QString& databaseFolder, const QString& intoFolder,
                                const BackupCallbacks& callbacks = {});

// The files a copy of `databaseFolder` takes (relative to it, sorted): every
// file below it but journals, temporary copies and a download's pending list.
QStringList DatabaseFolderFiles(const QString& databaseFolder);
// The files of an earlier copy in `intoFolder` that CopyDatabaseFolder would
// replace (full paths).
QStringList FilesABackupReplaces(const QString& databaseFolder, const QString& intoFolder);

// The backup on close: the month folder "<backupFolder>/%d-%02d" of `day` is
// created when missing (with the backup folder), then the database folder is
// copied into it, replacing what an earlier close of the month left there.
BackupResult AutomaticBackup(const QString& databaseFolder, const QString& backupFolder, const QDate& day,
                             const BackupCallbacks& callbacks = {});

// One database file through the online backup under the program key into
// `to` (written as a temporary file beside it, then renamed). A file that is
// not a database under the key is copied byte for byte instead.
bool BackupDatabaseFile(const QString& from, const QString& to, QString* error = nullptr);

// The operation-log texts: automatic backup (type 18): 110 with the folder,
// 247 aborted, 294 failed, 295 succeeded; manual backup (type 19): 285 + 294/295.
QString AutomaticBackupLogText(const BackupResult& result);
QString ManualBackupLogText(const BackupResult& result);
// The box after a manual backup: 247 aborted, 123 failed, 124 succeeded.
int ManualBackupMessage(const BackupResult& result);

} // namespace qm::store
