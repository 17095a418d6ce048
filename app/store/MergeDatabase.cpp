#include "MergeDatabase.h"

#include "EventLock.h"
#include "ImportSupport.h"
#include "OpenDatabase.h"
#include "RecordFile.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "StoreSeams.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QFileInfo>
#include <QHash>
#include <optional>

namespace qm::store {
namespace {

constexpr int kLockSeconds = 30;

void Log(const QString& line) { WriteProgramLog(QStringLiteral("MergeDatabase"), line); }

int SequenceOf(CDBOperator& datainfo, const char* table)
{
    std::unique_ptr<CRecordset> set;
    if (datainfo.QueryRecordset(
            QStringLiteral("select seq from sqlite_sequence where name = '%1'").arg(QLatin1String(table)), set)
        != 1)
        return 0;
    return int(set->Integer(0));
}

struct CopyRule {
    QString columns;       // target columns
    QString select;        // source expression
    QString filter;        // duplicate filter, may be empty
    QString lookup;        // the live table's columns the filter looks up
};

// How a table of each kind moves into the live file. `t` is the table's name
// as it goes into the statement.
CopyRule RuleFor(int kind, const QString& t, const MergeOffsets& o)
{
    CopyRule r;
    r.columns = KindColumnText(kind);
    r.select = r.columns;
    switch (kind) {
    case kKindUserinfo:
        r.filter = QStringLiteral("where not exists(select * from %1 where %1.user_name = source.%1.user_name)").arg(t);
        r.lookup = QStringLiteral("user_name");
        break;
    case kKindDevInfo:
        r.filter = QStringLiteral("where not exists(select * from %1 where %1.SN = source.%1.SN)").arg(t);
        r.lookup = QStringLiteral("SN");
        break;
    case kKindRecordtime:
        r.select = QStringLiteral("(%1+id) as id, name, import, SN, time_start, time_end, hisdata_table, devname")
                       .arg(o.recordtime);
        r.filter = QStringLiteral("where not exists (select * from %1 where %1.hisdata_table = source.%1.hisdata_table)")
                       .arg(t);
        r.lookup = QStringLiteral("hisdata_table");
        break;
    case kKindConfig:
        r.columns = KindColumns(kKindConfig).mid(1).join(QStringLiteral(", "));
        r.select = QStringLiteral("his_recordinterval, way_startup,time_startup, way_stop, time_stop, "
                                  "chan_type,chan_alarm,chan_Top,chan_Floor,chan_topLimit,chan_floorLimit, "
                                  "(%1+record_id) as record_id")
                       .arg(o.recordtime);
        break;
    case kKindNote:
        r.filter = QStringLiteral("where not exists(select * from %1 where %1.user_name = source.%1.user_name and "
                                  "%1.type = source.%1.type and %1.handle_time = source.%1.handle_time)")
                       .arg(t);
        r.lookup = QStringLiteral("user_name, type, handle_time");
        break;
    case kKindFileInfo:
        // Top-level folders (parentid 0 or empty: the product over itself is
        // null) stay at 0; the others move with the offset.
        r.select = QStringLiteral("(%1+id) as id, floor, (%1 + ifnull(parentid * parentid/parentid, -1 * %1)) "
                                  "parentid, filename")
                       .arg(o.fileInfo);
        break;
    case kKindFilerecord:
        r.select = QStringLiteral("(%1+record_id) as record_id, (%2+file_id) as file_id, chan_type")
                       .arg(o.recordtime)
                       .arg(o.fileInfo);
        break;
    case kKindHistory:
        r.filter = QStringLiteral("where not exists(select * from %1 where %1.his_time = source.%1.his_time)").arg(t);
        r.lookup = QStringLiteral("his_time");
        break;
    default:
        break;
    }
    return r;
}

// The tables of a file by lower-case name, with their CREATE text.
QHash<QString, QString> TableTexts(CDBOperator& db)
{
    QHash<QString, QString> tables;
    std::unique_ptr<CRecordset> set;
    if (db.ListTables(QStringLiteral("name <> 'sqlite_sequence'"), set) == 1)
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            tables.insert(set->Text(u"name").toLower(), set->Text(u"sql"));
    return tables;
}

// The duplicate filters look a column up in the live table once per row of
// the file. Without an index that is a scan of the table per row: an audit
// trail of years against its own backup takes hours. An index for the length
// of the transaction makes each look-up cheap and leaves the schema as it was.
// A history table keyed on its time needs none.
bool NeedsLookupIndex(int kind, const QString& createText)
{
    if (kind != kKindHistory)
        return true;
    return !createText.isEmpty() && !createText.contains(QLatin1String("PRIMARY KEY"), Qt::CaseInsensitive);
}

QString WithLookupIndex(const QString& statement, const QString& table, const QString& columns, int number)
{
    const QString index = QStringLiteral("main.merge_lookup_%1").arg(number);
    return QStringLiteral("drop index if exists %1;create index %1 on %2(%3);").arg(index, table, columns) + statement
        + QStringLiteral("drop index %1;").arg(index);
}

// Records of the file that would be added but whose moved id a live record
// already has. "insert or ignore" would drop them without a word while their
// config rows and folder entries point at the live record: such a file is
// refused instead.
int ClashingRecords(CDBOperator& datainfo, int recordtimeOffset)
{
    std::unique_ptr<CRecordset> set;
    const QString sql = QStringLiteral(
                            "select count(*) as c from source.recordtime s where not exists (select * from "
                            "main.recordtime r where r.hisdata_table = s.hisdata_table) and exists (select * from "
                            "main.recordtime r where r.id = %1 + s.id);")
                            .arg(recordtimeOffset);
    if (datainfo.QueryRecordset(sql, set) != 1)
        return -1;
    return int(set->Integer(0));
}

} // namespace

MergeOffsets ReadMergeOffsets(CDBOperator& datainfo)
{
    MergeOffsets o;
    o.recordtime = SequenceOf(datainfo, "recordtime");
    o.fileInfo = SequenceOf(datainfo, "fileInfo");
    return o;
}

int MergeDatabase(CDBSqlite3& datainfo, const QString& programFolder, const QString& path, int recordtimeOffset,
                  int fileInfoOffset)
{
    const MergeOffsets offsets{recordtimeOffset, fileInfoOffset};
    CImportCopy copy;
    if (!copy.Open(path, true))
        return 0;
    std::unique_ptr<CRecordset> sourceTables;
    copy.Db()->ListTables(QStringLiteral("name <> 'sqlite_sequence'"), sourceTables);
    copy.Close();
    if (!sourceTables) {
        Log(QStringLiteral("no tables in %1").arg(path));
        return 0;
    }

    // The base name (up to the first dot) names the target.
    const QString base = QFileInfo(path).fileName().section(u'.', 0, 0);
    const bool intoMain = base.compare(QLatin1String("DATAINFO"), Qt::CaseInsensitive) == 0;
    // Declared first, destroyed last: the file is closed before the guard
    // removes a logger file this merge created and could not fill.
    std::optional<CNewFileGuard> newLoggerFile;
    std::unique_ptr<CDBSqlite3> loggerFile;
    if (!intoMain) {
        const QString loggerPath = LoggerDatabasePath(programFolder, base);
        if (loggerPath.isEmpty()) {
            Log(QStringLiteral("not a logger file: %1").arg(path));
            return 0;
        }
        newLoggerFile.emplace(loggerPath);
        loggerFile = OpenDatabase(nullptr, loggerPath, 1, 0, 1);
        if (!loggerFile)
            return 0;
        loggerFile->SetReportMode(kReportLog);
    }
    CDBSqlite3& target = intoMain ? datainfo : *loggerFile;

    // The lock for the whole merge: a logger file's merge writes recordtime
    // rows into the main database too.
    CLockHold hold(DatainfoLock(), kLockSeconds, true);
    CSourceAttachment attached(copy.CopyPath(), {&target, intoMain ? nullptr : &datainfo});
    if (!attached.Ok())
        return 0;

    const QHash<QString, QString> present = TableTexts(target);
    QString targetText;
    QString mainText;
    QStringList newHistoryTables;
    bool needConfig = false;
    int lookupIndexes = 0;
    for (sourceTables->MoveFirst(); !sourceTables->IsEOF(); sourceTables->MoveNext()) {
        const QString name = sourceTables->Text(u"name");
        const int kind = TableKindOf(name);
        if (kind == kKindAuthority)
            continue;
        const bool missing = !present.contains(name.toLower());
        if (kind == kKindHistory) {
            // Only tables named as records are: whatever else a file holds is
            // not ours to copy, and the main database keeps no samples.
            if (intoMain || !ParseHistoryTableName(name)) {
                Log(QStringLiteral("table %1 of %2 left out").arg(name, path));
                continue;
            }
            if (missing)
                newHistoryTables << name;
        }
        if (kind == kKindConfig && missing && !intoMain)
            needConfig = true;
        const QString t = SqlName(name);
        const CopyRule rule = RuleFor(kind, t, offsets);
        QString statement = QStringLiteral("insert or ignore into %1(%2) select %3 from source.%4 %5;")
                                .arg(t, rule.columns, rule.select, t, rule.filter);
        // recordtime rows go to the main database, which always has the table.
        const bool livePresent = kind == kKindRecordtime || !missing;
        if (!rule.lookup.isEmpty() && livePresent && NeedsLookupIndex(kind, present.value(name.toLower())))
            statement = WithLookupIndex(statement, t, rule.lookup, ++lookupIndexes);
        (kind == kKindRecordtime ? mainText : targetText) += statement;
    }

    if (!mainText.isEmpty()) {
        const int clashes = ClashingRecords(datainfo, recordtimeOffset);
        if (clashes != 0) {
            Log(QStringLiteral("%1 records of %2 would take the ids of other records").arg(clashes).arg(path));
            return 0;
        }
    }
    if (targetText.isEmpty())
        qm::ShowMessage(152);

    // The target's text and the main database's text are each one
    // transaction; both are committed only once both went through.
    bool ok = true;
    std::optional<CManualTransaction> targetTransaction;
    std::optional<CManualTransaction> mainTransaction;
    if (!targetText.isEmpty()) {
        targetTransaction.emplace(target);
        ok = targetTransaction->IsOpen();
        for (const QString& table : newHistoryTables)
            ok = ok && CreateHistoryTable(target, table) != -1;
        if (needConfig)
            ok = ok && TablePresent(CreateConfigTable(target));
        ok = ok && target.ExeSql(targetText) != -1;
    }
    if (ok && !mainText.isEmpty()) {
        if (!intoMain || !targetTransaction) {
            mainTransaction.emplace(datainfo);
            ok = mainTransaction->IsOpen();
        }
        ok = ok && datainfo.ExeSql(mainText) != -1;
    }
    if (ok && targetTransaction)
        ok = targetTransaction->Commit();
    if (ok && mainTransaction)
        ok = mainTransaction->Commit();
    if (!ok)
        Log(QStringLiteral("failed to merge %1").arg(path));
    else if (newLoggerFile && !targetText.isEmpty())
        newLoggerFile->Keep();
    return ok ? 1 : 0;
}

QString BackupImportResult::MessageText() const
{
    return AllImported() ? Msg(217) : Msg(216) + u'\n' + failedNames.join(u',');
}

QString BackupImportResult::LogText() const { return Msg(286) + Msg(AllImported() ? 295 : 294); }

BackupImportResult ImportBackupFiles(CDBSqlite3& datainfo, const QString& programFolder, const QStringList& files,
                                     const std::function<void(int done, int total)>& progress)
{
    BackupImportResult result;
    const MergeOffsets offsets = ReadMergeOffsets(datainfo);
    for (int i = 0; i < files.size(); ++i) {
        if (progress)
            progress(i, int(files.size()));
        const QFileInfo info(files[i]);
        const int ok = info.suffix().compare(QLatin1String("gdb"), Qt::CaseInsensitive) == 0
            ? ImportRecordFile(datainfo, programFolder, files[i], offsets.recordtime)
            : MergeDatabase(datainfo, programFolder, files[i], offsets.recordtime, offsets.fileInfo);
        if (ok)
            ++result.imported;
        else
            result.failedNames << info.completeBaseName();
    }
    if (progress)
        progress(int(files.size()), int(files.size()));
    return result;
}

} // namespace qm::store
