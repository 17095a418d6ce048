#include "DownloadRepair.h"

#include "AppEnv.h"
#include "Clock.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "RecordFileLock.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QDir>
#include <QFileInfo>

#include <map>

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

int RepairBackupCopy(const QString& path, const RecordReferences& refs, const QString& source)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return 0;
    auto db = qm::store::OpenDatabase(nullptr, path, 0, 0, 0);
    if (!db)
        return 0;
    db->SetReportMode(qm::store::kReportLog);
    const int removed = RepairUnlessWritten(*db, refs, true, source);
    db->Close();
    return removed;
}

QString BackupCopyPath(const QString& sn, int monthsBack)
{
    const QDate month = qm::Now().date().addMonths(-monthsBack);
    return qm::store::BackupLoggerPath(qm::BackupFolder(), month.year(), month.month(), sn);
}

} // namespace

bool RecordReferences::Read(CDBOperator& db)
{
    if (!HasTable(db, QStringLiteral("recordtime")))
        return true;
    QList<QStringList> rows;
    if (db.ExeSql(QStringLiteral("select id, hisdata_table from recordtime;"), CollectRows, &rows) < 0)
        return false;
    for (const QStringList& row : rows) {
        bool isNumber = false;
        const qint64 id = row.value(0).toLongLong(&isNumber);
        if (isNumber)
            ids.insert(id);
        if (!row.value(1).isEmpty())
            tables.insert(row.value(1).toLower());
    }
    return true;
}

int RepairRecordFile(CDBOperator& file, const RecordReferences& refs, const QString& source)
{
    QList<QStringList> names;
    if (file.ExeSql(QStringLiteral("select name from sqlite_master where type = 'table';"), CollectRows, &names) < 0)
        return -1;
    QStringList tables;
    for (const QStringList& row : names) {
        const QString name = row.value(0);
        // Only what a download or an import creates; any other table is not ours to judge.
        if (qm::store::ParseHistoryTableName(name) && !refs.tables.contains(name.toLower()))
            tables << name;
    }

    // Orphan config rows by their record_id (an empty one names no record).
    std::map<QString, int> orphanIds;
    bool hasConfig = false;
    for (const QStringList& row : names)
        hasConfig = hasConfig || row.value(0).compare(QLatin1String("config"), Qt::CaseInsensitive) == 0;
    if (hasConfig) {
        QList<QStringList> rows;
        if (file.ExeSql(QStringLiteral("select record_id from config;"), CollectRows, &rows) < 0)
            return -1;
        for (const QStringList& row : rows) {
            bool isNumber = false;
            const qint64 id = row.value(0).toLongLong(&isNumber);
            if (!isNumber || !refs.ids.contains(id))
                ++orphanIds[row.value(0)];
        }
    }
    if (tables.isEmpty() && orphanIds.empty())
        return 0;

    QString sql;
    for (const QString& table : tables)
        sql += QStringLiteral("drop table %1;").arg(qm::store::SqlQuoted(table));
    int rows = 0;
    for (const auto& [id, count] : orphanIds) {
        sql += id.isEmpty() ? QStringLiteral("delete from config where record_id is null or record_id = '';")
                            : QStringLiteral("delete from config where record_id = %1;").arg(qm::store::SqlQuoted(id));
        rows += count;
    }
    // All or nothing: a repair that fails half-way leaves the file as it was.
    file.SetAutoTransaction(1);
    if (file.ExeSql(sql) < 0)
        return -1;
    for (const QString& table : tables)
        WriteOperationLog(source, MsgF(5611, {table, file.Path()}), qm::kTextLineOnly);
    if (rows > 0)
        WriteOperationLog(source, MsgF(5612, {QString::number(rows), file.Path()}), qm::kTextLineOnly);
    return int(tables.size()) + rows;
}

int RepairLoggerFiles(const QString& sn, CDBOperator* logger, CDBOperator* backup, const QString& source)
{
    RecordReferences refs;
    if (!ReadMainReferences(&refs))
        return 0;
    const int fromLogger = logger ? RepairUnlessWritten(*logger, refs, false, source) : 0;
    int removed = fromLogger;
    if (backup)
        removed += RepairUnlessWritten(*backup, refs, true, source);
    if (fromLogger > 0)
        removed += RepairBackupCopy(BackupCopyPath(sn, 1), refs, source);
    return removed;
}

int RepairRecordFilesAtStart(const QString& source)
{
    const QDir folder(qm::store::DatabaseFolderIn(qm::ProgramFolder()));
    const QStringList files = folder.entryList({QStringLiteral("*.db3")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return 0;
    RecordReferences refs;
    if (!ReadMainReferences(&refs))
        return 0;
    int removed = 0;
    for (const QString& name : files) {
        const QString sn = QFileInfo(name).completeBaseName();
        if (!qm::store::IsValidSerialNumber(sn) || sn.compare(QLatin1String("DATAINFO"), Qt::CaseInsensitive) == 0)
            continue;
        auto db = qm::store::OpenDatabase(nullptr, folder.filePath(name), 0, 0, 0);
        if (!db)
            continue;
        db->SetReportMode(qm::store::kReportLog);
        const int fromLogger = RepairUnlessWritten(*db, refs, false, source);
        db->Close();
        removed += fromLogger;
        // A killed download left its table in the backup copy as well.
        if (fromLogger > 0)
            removed += RepairBackupCopy(BackupCopyPath(sn, 0), refs, source)
                       + RepairBackupCopy(BackupCopyPath(sn, 1), refs, source);
    }
    return removed;
}

} // namespace qm::device
