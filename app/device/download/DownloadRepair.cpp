#include "DownloadRepair.h"

#include "AppEnv.h"
#include "Clock.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "PendingTables.h"
#include "RecordFileLock.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>


namespace qm::device {

using qm::store::CDBOperator;
using qm::store::CRecordFileLock;

namespace {

int CollectRows(void* arg, int columns, char** values, char**)
{
    auto* rows = static_cast<QList<QStringList>*>(arg);
    QStringList row;
    for (int i = 0; i < columns; ++i)
        row << (values[i] ? QString::fromUtf8(values[i]) : QString());
    rows->append(row);
    return 0;
}

bool HasTable(CDBOperator& db, const QString& table)
{
    const int rc = db.CreateTable(table, 0, 0, nullptr, nullptr, 0, 0, nullptr);
    return rc >= 1 && rc != 255;
}

// recordtime of the main database: without it every table would look like an
// orphan, so a main database that cannot be read stops the repair.
bool ReadMainReferences(RecordReferences* refs)
{
    auto datainfo = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
    if (!datainfo)
        return false;
    datainfo->SetReportMode(qm::store::kReportLog);
    const bool ok = HasTable(*datainfo, QStringLiteral("recordtime")) && refs->Read(*datainfo);
    datainfo->Close();
    return ok;
}

// Repairs `file` unless a download holds it; a backup copy's own recordtime
// rows count as references too.
int RepairUnlessWritten(CDBOperator& file, const RecordReferences& refs, bool ownRecords, const QString& source)
{
    CRecordFileLock lock(file.Path(), CRecordFileLock::kRepair);
    if (!lock.Held())
        return 0;
    RecordReferences all = refs;
    if (ownRecords && !all.Read(file))
        return 0;
    return qMax(0, RepairRecordFile(file, all, source));
}

// Opens and repairs the record file at `path` when it has a pending list.
int RepairListedFile(const QString& path, const RecordReferences& refs, bool ownRecords, const QString& source)
{
    if (path.isEmpty() || !QFileInfo::exists(path) || !QFileInfo::exists(qm::store::PendingTablesPath(path)))
        return 0;
    auto db = qm::store::OpenDatabase(nullptr, path, 0, 0, 0);
    if (!db)
        return 0;
    db->SetReportMode(qm::store::kReportLog);
    const int removed = RepairUnlessWritten(*db, refs, ownRecords, source);
    db->Close();
    return removed;
}

QString BackupMonth(int monthsBack)
{
    const QDate month = qm::Now().date().addMonths(-monthsBack);
    return qm::store::BackupMonthFolder(qm::BackupFolder(), month.year(), month.month());
}

QString BackupCopyPath(const QString& sn, int monthsBack)
{
    const QDate month = qm::Now().date().addMonths(-monthsBack);
    return qm::store::BackupLoggerPath(qm::BackupFolder(), month.year(), month.month(), sn);
}

// The record files of `folder` that have a pending list.
QStringList ListedFiles(const QString& folder)
{
    const QString suffix = qm::store::PendingTablesPath(QString());
    QStringList files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.db3") + suffix}, QDir::Files, QDir::Name)) {
        const QString file = dir.filePath(name.chopped(suffix.size()));
        const QString sn = QFileInfo(file).completeBaseName();
        if (qm::store::IsValidSerialNumber(sn) && sn.compare(QLatin1String("DATAINFO"), Qt::CaseInsensitive) != 0)
            files << file;
    }
    return files;
}

} // namespace

bool RecordReferences::Read(CDBOperator& db)
{
    if (!HasTable(db, QStringLiteral("recordtime")))
        return true;
    QList<QStringList> rows;
    if (db.ExeSql(QStringLiteral("select hisdata_table from recordtime;"), CollectRows, &rows) < 0)
        return false;
    for (const QStringList& row : rows) {
        if (!row.value(0).isEmpty())
            tables.insert(row.value(0).toLower());
    }
    return true;
}

int RepairRecordFile(CDBOperator& file, const RecordReferences& refs, const QString& source)
{
    const QStringList listed = qm::store::PendingTables(file.Path());
    if (listed.isEmpty())
        return 0;
    QList<QStringList> names;
    if (file.ExeSql(QStringLiteral("select name from sqlite_master where type = 'table';"), CollectRows, &names) < 0)
        return -1;
    QSet<QString> present;
    for (const QStringList& row : names)
        present.insert(row.value(0).toLower());

    QStringList tables;
    for (const QString& name : listed) {
        // Only names a download gives its tables: anything else on the list
        // is not ours to drop.
        if (qm::store::ParseHistoryTableName(name) && present.contains(name.toLower())
            && !refs.tables.contains(name.toLower()))
            tables << name;
    }
    if (!tables.isEmpty()) {
        QString sql;
        for (const QString& table : tables)
            sql += QStringLiteral("drop table %1;").arg(qm::store::SqlQuoted(table));
        // All or nothing: a repair that fails half-way leaves the file as it was.
        file.SetAutoTransaction(1);
        if (file.ExeSql(sql) < 0)
            return -1;
        for (const QString& table : tables)
            WriteOperationLog(source, MsgF(5611, {table, file.Path()}), qm::kTextLineOnly);
    }
    // Registered, dropped or never made: none of the names is pending any more.
    for (const QString& name : listed)
        qm::store::RemovePendingTable(file.Path(), name);
    return int(tables.size());
}

int RepairLoggerFiles(const QString& sn, CDBOperator* logger, CDBOperator* backup, const QString& source)
{
    const QString previous = BackupCopyPath(sn, 1);
    const auto listed = [](CDBOperator* db) {
        return db && QFileInfo::exists(qm::store::PendingTablesPath(db->Path()));
    };
    if (!listed(logger) && !listed(backup) && !QFileInfo::exists(qm::store::PendingTablesPath(previous)))
        return 0;
    RecordReferences refs;
    if (!ReadMainReferences(&refs))
        return 0;
    int removed = 0;
    if (listed(logger))
        removed += RepairUnlessWritten(*logger, refs, false, source);
    if (listed(backup))
        removed += RepairUnlessWritten(*backup, refs, true, source);
    removed += RepairListedFile(previous, refs, true, source);
    return removed;
}

int RepairRecordFilesAtStart(const QString& source)
{
    const QStringList loggerFiles = ListedFiles(qm::store::DatabaseFolderIn(qm::ProgramFolder()));
    const QStringList backupCopies = ListedFiles(BackupMonth(0)) + ListedFiles(BackupMonth(1));
    if (loggerFiles.isEmpty() && backupCopies.isEmpty())
        return 0;
    RecordReferences refs;
    if (!ReadMainReferences(&refs))
        return 0;
    int removed = 0;
    for (const QString& file : loggerFiles)
        removed += RepairListedFile(file, refs, false, source);
    for (const QString& file : backupCopies)
        removed += RepairListedFile(file, refs, true, source);
    return removed;
}

} // namespace qm::device
