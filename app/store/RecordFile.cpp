#include "RecordFile.h"

#include "EventLock.h"
#include "ImportSupport.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "StoreSeams.h"

#include "Clock.h"

#include <QFile>
#include <cstdio>

namespace qm::store {
namespace {

constexpr int kLockSeconds = 30;

void Log(const QString& source, const QString& line) { WriteProgramLog(source, line); }

// The columns of config without its id: every copy gives the rows new ids.
QString ConfigColumnsWithoutId() { return KindColumns(kKindConfig).mid(1).join(QStringLiteral(", ")); }

// The config columns as selected from the source with record_id replaced.
QString ConfigSelect(const QString& recordIdExpression)
{
    QStringList columns = KindColumns(kKindConfig).mid(1);
    columns.last() = recordIdExpression;
    return columns.join(QStringLiteral(", "));
}

// recordtime's columns after id.
QString RecordtimeColumnsWithoutId() { return KindColumns(kKindRecordtime).mid(1).join(QStringLiteral(", ")); }

bool Run(CDBOperator& db, const QString& sql) { return db.ExeSql(sql) != -1; }

qint64 QueryInteger(CDBOperator& db, const QString& sql, qint64 fallback)
{
    std::unique_ptr<CRecordset> set;
    if (db.QueryRecordset(sql, set) != 1 || set->IsNull(0))
        return fallback;
    return set->Integer(0);
}

// The id for a record the import adds: the file's id moved by the import's
// offset, unless that id is taken (two files of one import both hold id 1),
// then the next id the table would give.
qint64 ImportedRecordId(CDBOperator& datainfo, qint64 fileId, int offset)
{
    const qint64 wanted = offset + fileId;
    if (QueryInteger(datainfo, QStringLiteral("select count(*) from recordtime where id = %1;").arg(wanted), 1) == 0)
        return wanted;
    const qint64 highest = QueryInteger(datainfo, QStringLiteral("select max(id) from recordtime;"), 0);
    const qint64 sequence = QueryInteger(
        datainfo, QStringLiteral("select seq from sqlite_sequence where name = 'recordtime';"), 0);
    return qMax(highest, sequence) + 1;
}

struct RecordFileContent {
    QString historyTable;
    QString sn;
    qint64 fileId = 0;
    bool hasConfig = false;
    bool hasDevInfo = false;
};

// Checks that the file is one record: one history table named as ours, one
// recordtime row of the same logger. Other tables are left behind unread.
bool ReadContent(CDBSqlite3& file, RecordFileContent* content)
{
    std::unique_ptr<CRecordset> tables;
    if (file.ListTables(QStringLiteral("name <> 'sqlite_sequence'"), tables) != 1)
        return false;
    QStringList history;
    bool hasRecordtime = false;
    for (tables->MoveFirst(); !tables->IsEOF(); tables->MoveNext()) {
        const QString name = tables->Text(u"name");
        switch (TableKindOf(name)) {
        case kKindHistory:
            if (ParseHistoryTableName(name))
                history << name;
            break;
        case kKindRecordtime: hasRecordtime = true; break;
        case kKindConfig: content->hasConfig = true; break;
        case kKindDevInfo: content->hasDevInfo = true; break;
        default: break;
        }
    }
    if (history.size() != 1 || !hasRecordtime)
        return false;
    content->historyTable = history.first();
    ParseHistoryTableName(content->historyTable, &content->sn);

    std::unique_ptr<CRecordset> rows;
    if (file.QueryRecordset(QStringLiteral("select id, SN from recordtime;"), rows) != 1 || rows->RecordCount() != 1)
        return false;
    bool ok = false;
    content->fileId = rows->Integer(0, &ok);
    // The record must belong to the logger whose file receives its samples.
    return ok && rows->Text(1) == content->sn;
}

} // namespace

int ExportRecordFile(CDBSqlite3& datainfo, const QString& programFolder, int recordId, const QString& path)
{
    std::unique_ptr<CRecordset> record;
    if (datainfo.QueryRecordset(QStringLiteral("select * from recordtime where id = %1;").arg(recordId), record) != 1)
        return 0;
    const QString sn = record->Text(u"SN");
    const QString table = record->Text(u"hisdata_table");
    record.reset();
    const QString loggerPath = LoggerDatabasePath(programFolder, sn);
    if (loggerPath.isEmpty() || table.isEmpty())
        return 0;
    if (!OpenDatabase(nullptr, loggerPath, 0, 0, 1))
        return 0;

    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
    bool ok;
    {
        CDBSqlite3 out(nullptr, temp);
        out.SetReportMode(kReportLog);
        ok = out.CreateDatabaseFile(temp) && TablePresent(CreateTableByKind(out, QStringLiteral("devInfo"), kKindDevInfo))
            && TablePresent(CreateTableByKind(out, QStringLiteral("recordtime"), kKindRecordtime))
            && TablePresent(CreateTableByKind(out, table, kKindHistory)) && TablePresent(CreateConfigTable(out));
        if (ok) {
            CSourceAttachment main(datainfo.Path(), {&out});
            const QString devColumns = KindColumnText(kKindDevInfo);
            ok = main.Ok()
                && Run(out, QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4 b %5;")
                                .arg(QStringLiteral("devInfo"), devColumns, devColumns, QStringLiteral("devInfo"),
                                     QStringLiteral("where b.SN = %1").arg(SqlQuoted(sn))))
                && Run(out, QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4 b %5;")
                                .arg(QStringLiteral("recordtime"), KindColumnText(kKindRecordtime),
                                     QStringLiteral("1 as id,") + RecordtimeColumnsWithoutId(),
                                     QStringLiteral("recordtime"), QStringLiteral("where b.id = %1").arg(recordId)));
        }
        if (ok) {
            CSourceAttachment logger(loggerPath, {&out});
            const QString historyColumns = KindColumnText(kKindHistory);
            CManualTransaction transaction(out);
            ok = logger.Ok() && transaction.IsOpen()
                && Run(out, QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4 ;")
                                .arg(SqlName(table), historyColumns, historyColumns, SqlName(table)))
                && Run(out, QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4 b where b.record_id = %5;")
                                .arg(QStringLiteral("config"), ConfigColumnsWithoutId(),
                                     ConfigSelect(QStringLiteral("1 as record_id")), QStringLiteral("config"),
                                     QString::number(recordId)))
                && transaction.Commit();
        }
    }
    QFile::remove(temp + QStringLiteral("-journal"));
    if (ok)
        ok = std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        QFile::remove(temp);
        Log(QStringLiteral("ExportRecordFile"), QStringLiteral("failed to write record %1 to %2").arg(recordId).arg(path));
    }
    return ok ? 1 : 0;
}

int ImportRecordFile(CDBSqlite3& datainfo, const QString& programFolder, const QString& path, int recordtimeOffset)
{
    CImportCopy copy;
    if (!copy.Open(path, true))
        return 0;
    RecordFileContent content;
    const bool wellFormed = ReadContent(*copy.Db(), &content);
    copy.Close();
    const QString loggerPath = wellFormed ? LoggerDatabasePath(programFolder, content.sn) : QString();
    if (loggerPath.isEmpty()) {
        Log(QStringLiteral("ImportRecordFile"), QStringLiteral("not a single record: %1").arg(path));
        return 0;
    }
    CNewFileGuard newLoggerFile(loggerPath);
    auto logger = OpenDatabase(nullptr, loggerPath, 1, 0, 1);
    if (!logger)
        return 0;
    logger->SetReportMode(kReportLog);

    CLockHold hold(DatainfoLock(), kLockSeconds, true);
    CSourceAttachment attached(copy.CopyPath(), {logger.get(), &datainfo});
    if (!attached.Ok())
        return 0;
    const qint64 id = ImportedRecordId(datainfo, content.fileId, recordtimeOffset);
    const qint64 offset = id - content.fileId;
    const QString historyColumns = KindColumnText(kKindHistory);

    // Both files change together or not at all: the logger file's part and
    // the main database's part are each one transaction, committed only when
    // both went through.
    CManualTransaction loggerTransaction(*logger);
    const QString table = loggerTransaction.IsOpen()
        ? CreateFreeHistoryTable({logger.get()}, content.sn, qm::Now().toSecsSinceEpoch())
        : QString();
    bool ok = !table.isEmpty() && TablePresent(CreateConfigTable(*logger))
        && Run(*logger, QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4;")
                            .arg(SqlName(table), historyColumns, historyColumns, SqlName(content.historyTable)));
    if (ok && content.hasConfig)
        ok = Run(*logger, QStringLiteral("insert into config(%1) select %2 from source.config;")
                              .arg(ConfigColumnsWithoutId(),
                                   ConfigSelect(QStringLiteral("(%1+record_id) as record_id").arg(offset))));
    CManualTransaction mainTransaction(datainfo);
    ok = ok && mainTransaction.IsOpen();
    if (ok && content.hasDevInfo) {
        const QString devColumns = KindColumnText(kKindDevInfo);
        ok = Run(datainfo, QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4;")
                               .arg(QStringLiteral("devInfo"), devColumns, devColumns, QStringLiteral("devInfo")));
    }
    ok = ok
        && Run(datainfo,
               QStringLiteral("insert into recordtime(%1) select (%2+id) as id, name, import, SN, time_start, time_end, "
                              "%3 as hisdata_table, devname from source.recordtime;")
                   .arg(KindColumnText(kKindRecordtime))
                   .arg(offset)
                   .arg(SqlQuoted(table)));
    ok = ok && loggerTransaction.Commit() && mainTransaction.Commit();
    if (ok)
        newLoggerFile.Keep();
    else
        Log(QStringLiteral("ImportRecordFile"), QStringLiteral("failed to import %1").arg(path));
    return ok ? 1 : 0;
}

} // namespace qm::store
