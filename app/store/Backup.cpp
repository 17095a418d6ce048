#include "Backup.h"

#include "DBSqlite3.h"
#include "Schema.h"
#include "SqliteApi.h"

#include "Strings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qm::store {
namespace {

// A writer holds its lock for one batch; a backup that meets one waits for it
// rather than failing (about ten seconds in all). SQLite's own busy handler
// retries within milliseconds, so a writer that commits batch after batch
// cannot keep the backup out the way fixed pauses between retries could.
constexpr int kBusyTimeoutMs = 10000;

const char* const kTemporarySuffix = ".part";

bool IsJournal(const QString& name)
{
    return name.endsWith(QLatin1String("-journal")) || name.endsWith(QLatin1String("-wal"))
        || name.endsWith(QLatin1String("-shm"));
}

bool IsDatabaseName(const QString& name)
{
    return name.endsWith(QLatin1String(".db3")) || name.endsWith(QLatin1String(".db"))
        || name.endsWith(QLatin1String(".gdb"));
}

bool RenameOver(const QString& from, const QString& to)
{
    // rename() replaces the target in one step; QFile::rename would refuse an
    // existing target, and removing it first opens a window without any copy.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void RemoveTemporary(const QString& temp)
{
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
}

bool PlainCopy(const QString& from, const QString& to, QString* error)
{
    const QString temp = to + QLatin1String(kTemporarySuffix);
    RemoveTemporary(temp);
    QFile source(from);
    if (!source.copy(temp)) {
        if (error)
            *error = source.errorString();
        RemoveTemporary(temp);
        return false;
    }
    if (!RenameOver(temp, to)) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        RemoveTemporary(temp);
        return false;
    }
    return true;
}

enum class OnlineResult { Done, NotADatabase, Failed };

struct SourceHandle {
    sqlite3* db = nullptr;
    ~SourceHandle() { sqlite3_close(db); }
};

OnlineResult OnlineBackup(const QString& from, const QString& temp, QString* error)
{
    // The source is opened with the key and nothing else: no journal-mode
    // change, which would need the lock a busy writer holds. (Not read-only:
    // a crashed writer's hot journal must be rolled back before the copy.)
    SourceHandle source;
    if (sqlite3_open_v2(QFile::encodeName(from).constData(), &source.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_key(source.db, kProgramKey, kProgramKeyLength) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN));
        return OnlineResult::Failed;
    }
    sqlite3_busy_timeout(source.db, kBusyTimeoutMs);
    CDBSqlite3 target(nullptr, temp);
    target.SetReportMode(kReportSilent);
    if (!target.Open()) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN));
        return OnlineResult::Failed;
    }
    sqlite3_busy_timeout(target.Handle(), kBusyTimeoutMs);
    sqlite3_backup* backup = sqlite3_backup_init(target.Handle(), "main", source.db, "main");
    if (!backup) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(target.Handle()));
        return OnlineResult::Failed;
    }
    // All pages in one step: the source is read under one shared lock, so the
    // copy is the database as one committed transaction left it. Stepping in
    // pieces would restart whenever a writer commits in between.
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE)
        return OnlineResult::Done;
    if (error)
        *error = QString::fromUtf8(sqlite3_errstr(rc));
    return rc == SQLITE_NOTADB ? OnlineResult::NotADatabase : OnlineResult::Failed;
}

bool Inside(const QString& folder, const QString& candidate)
{
    const QString a = QFileInfo(folder).canonicalFilePath();
    const QString b = QFileInfo(candidate).absoluteFilePath();
    const QString bCanonical = QFileInfo(candidate).canonicalFilePath();
    const QString c = bCanonical.isEmpty() ? QDir::cleanPath(b) : bCanonical;
    return !a.isEmpty() && (c == a || c.startsWith(a + u'/'));
}

} // namespace

QStringList DatabaseFolderFiles(const QString& databaseFolder)
{
    const QDir source(databaseFolder);
    QStringList files;
    QDirIterator it(databaseFolder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // A pending list belongs to a download under way, not to the data.
        if (!IsJournal(path) && !path.endsWith(QLatin1String(kTemporarySuffix))
            && !path.endsWith(QLatin1String(".pending")))
            files << source.relativeFilePath(path);
    }
    files.sort();
    return files;
}

QStringList FilesABackupReplaces(const QString& databaseFolder, const QString& intoFolder)
{
    const QString copy = QDir::cleanPath(intoFolder + u'/' + QFileInfo(QDir::cleanPath(databaseFolder)).fileName());
    QStringList replaced;
    // A copy onto the folder itself replaces nothing: it is refused.
    if (Inside(databaseFolder, copy))
        return replaced;
    for (const QString& file : DatabaseFolderFiles(databaseFolder))
        if (QFileInfo::exists(copy + u'/' + file))
            replaced << copy + u'/' + file;
    return replaced;
}

bool BackupDatabaseFile(const QString& from, const QString& to, QString* error)
{
    if (!IsDatabaseName(from))
        return PlainCopy(from, to, error);
    const QString temp = to + QLatin1String(kTemporarySuffix);
    RemoveTemporary(temp);
    const OnlineResult rc = OnlineBackup(from, temp, error);
    if (rc != OnlineResult::Done) {
        RemoveTemporary(temp);
        // Not ours to read (a plain or foreign file that happens to sit in the
        // folder): it is still part of the folder, so it is copied as it is.
        return rc == OnlineResult::NotADatabase ? PlainCopy(from, to, error) : false;
    }
    QFile::remove(temp + QStringLiteral("-journal"));
    if (!RenameOver(temp, to)) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        RemoveTemporary(temp);
        return false;
    }
    return true;
}

BackupResult CopyDatabaseFolder(const QString& databaseFolder, const QString& intoFolder,
                                const BackupCallbacks& callbacks)
{
    BackupResult result;
    const QDir source(databaseFolder);
    result.folder = QDir::cleanPath(intoFolder + u'/' + QFileInfo(QDir::cleanPath(databaseFolder)).fileName());
    if (!source.exists() || Inside(databaseFolder, result.folder)) {
        result.outcome = BackupOutcome::Failed;
        return result;
    }

    // The list is taken before anything is written.
    const QStringList files = DatabaseFolderFiles(databaseFolder);

    if (!QDir().mkpath(result.folder)) {
        result.outcome = BackupOutcome::NoFolder;
        return result;
    }
    bool askEach = static_cast<bool>(callbacks.askOverwrite);
    result.outcome = BackupOutcome::Copied;
    for (int i = 0; i < files.size(); ++i) {
        if (callbacks.cancelled && callbacks.cancelled()) {
            result.outcome = BackupOutcome::Aborted;
            return result;
        }
        const QString from = source.filePath(files[i]);
        const QString to = result.folder + u'/' + files[i];
        if (callbacks.progress)
            callbacks.progress(i, int(files.size()), from);
        if (askEach && QFileInfo::exists(to)) {
            const OverwriteAnswer answer = callbacks.askOverwrite(to);
            if (answer == OverwriteAnswer::Cancel) {
                result.outcome = BackupOutcome::Aborted;
                return result;
            }
            if (answer == OverwriteAnswer::No)
                continue;
            if (answer == OverwriteAnswer::YesToAll)
                askEach = false;
        }
        QString error;
        if (!QDir().mkpath(QFileInfo(to).absolutePath()) || !BackupDatabaseFile(from, to, &error)) {
            result.failed << from;
            continue;
        }
        ++result.copied;
    }
    if (callbacks.progress)
        callbacks.progress(int(files.size()), int(files.size()), QString());
    if (!result.failed.isEmpty())
        result.outcome = BackupOutcome::Failed;
    return result;
}

BackupResult AutomaticBackup(const QString& databaseFolder, const QString& backupFolder, const QDate& day,
                             const BackupCallbacks& callbacks)
{
    const QString month = BackupMonthFolder(backupFolder, day.year(), day.month());
    for (const QString& folder : {backupFolder, month}) {
        if (!QDir().mkpath(folder)) {
            BackupResult result;
            result.outcome = BackupOutcome::NoFolder;
            result.folder = folder;
            return result;
        }
    }
    // Replaced without a question: the month folder holds the latest copy.
    BackupCallbacks silent = callbacks;
    silent.askOverwrite = nullptr;
    return CopyDatabaseFolder(databaseFolder, month, silent);
}

QString AutomaticBackupLogText(const BackupResult& result)
{
    switch (result.outcome) {
    case BackupOutcome::NoFolder: return MsgF(110, {result.folder});
    case BackupOutcome::Aborted: return Msg(247);
    case BackupOutcome::Failed: return Msg(294);
    case BackupOutcome::Copied: break;
    }
    return Msg(295);
}

QString ManualBackupLogText(const BackupResult& result)
{
    return Msg(285) + Msg(result.outcome == BackupOutcome::Copied ? 295 : 294);
}

int ManualBackupMessage(const BackupResult& result)
{
    switch (result.outcome) {
    case BackupOutcome::Aborted: return 247;
    case BackupOutcome::Copied: return 124;
    case BackupOutcome::Failed:
    case BackupOutcome::NoFolder: break;
    }
    return 123;
}

} // namespace qm::store
