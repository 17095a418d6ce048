#include "RecordList.h"

#include "EventLock.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Permissions.h"
#include "ProgramContext.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"
#include "TableRepair.h"

#include <QFile>
#include <QSet>

namespace qm::browse {
namespace {

constexpr int kLockSeconds = 30;
// The folder statement is one text in three pieces; each gap is one blank,
// four tabs and three blanks.
const QString kFolderGap = QStringLiteral(" \t\t\t\t   ");
const QString kShortOrder = QStringLiteral("order by time_end desc,time_start desc,devname collate pinyin;");

std::unique_ptr<store::CDBSqlite3> OpenMain()
{
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    if (db)
        db->SetReportMode(store::kReportLog);
    return db;
}

// Fills rows from a GetTable result by column name.
struct RowFiller {
    std::vector<RecordRow>* rows = nullptr;
    bool folder = false;
};

void FillRows(void* owner, char** result, int rows, int columns)
{
    auto* filler = static_cast<RowFiller*>(owner);
    if (!filler || !result || rows <= 0)
        return;
    enum Field { kNone, kId, kRecordId, kName, kSn, kStart, kEnd, kDevname, kTable, kImport };
    std::vector<Field> fields(size_t(columns), kNone);
    for (int c = 0; c < columns; ++c) {
        const QByteArray name = QByteArray(result[c]).toLower();
        if (name == "id")
            fields[size_t(c)] = kId;
        else if (name == "record_id")
            fields[size_t(c)] = kRecordId;
        else if (name == "name")
            fields[size_t(c)] = kName;
        else if (name == "sn")
            fields[size_t(c)] = kSn;
        else if (name == "time_start")
            fields[size_t(c)] = kStart;
        else if (name == "time_end")
            fields[size_t(c)] = kEnd;
        else if (name == "devname")
            fields[size_t(c)] = kDevname;
        else if (name == "hisdata_table")
            fields[size_t(c)] = kTable;
        else if (name == "import")
            fields[size_t(c)] = kImport;
    }
    std::vector<RecordRow>& out = *filler->rows;
    out.reserve(out.size() + size_t(rows));
    for (int r = 1; r <= rows; ++r) {
        char** cells = result + qsizetype(r) * columns;
        RecordRow row;
        for (int c = 0; c < columns; ++c) {
            const char* v = cells[c];
            switch (fields[size_t(c)]) {
            case kId:
                // In a folder list "id" is the folder entry; the record is record_id.
                (filler->folder ? row.entryId : row.id) = v ? std::atoi(v) : 0;
                break;
            case kRecordId:
                if (filler->folder)
                    row.id = v ? std::atoi(v) : 0;
                break;
            case kName: row.name = QString::fromUtf8(v); break;
            case kSn: row.sn = QString::fromUtf8(v); break;
            case kStart: row.timeStart = QString::fromUtf8(v); break;
            case kEnd: row.timeEnd = QString::fromUtf8(v); break;
            case kDevname: row.devname = QString::fromUtf8(v); break;
            case kTable: row.table = QString::fromUtf8(v); break;
            case kImport: row.imported = v && std::atoi(v) == 1; break;
            case kNone: break;
            }
        }
        out.push_back(std::move(row));
    }
}

QString OneRecordSql(int id) { return QStringLiteral("select * from recordtime where id = %1;").arg(id); }

// Takes the record's history table and configuration out of its logger's
// file. A file that is not there holds nothing to remove; a file that cannot
// be changed stops the deletion before the main database is touched.
bool RemoveFromLoggerFile(const RecordRow& record)
{
    const QString path = store::LoggerDatabasePath(ProgramFolder(), record.sn);
    if (path.isEmpty() || !QFile::exists(path))
        return true;
    auto db = store::OpenDatabase(nullptr, path, 0, 0, 0);
    if (!db)
        return false;
    db->SetReportMode(store::kReportLog);
    QString sql = QStringLiteral("delete from config where record_id = %1;").arg(record.id);
    // A table already gone (a download cut short, an empty import) is no
    // reason to keep the record.
    if (!record.table.isEmpty())
        sql += QStringLiteral("drop table if exists '%1';").arg(store::SqlText(record.table));
    db->SetAutoTransaction(1);
    return db->ExeSql(sql) >= 0;
}

int ExecMain(const QString& sql)
{
    auto db = OpenMain();
    if (!db)
        return -1;
    store::CLockHold hold(store::DatainfoLock(), kLockSeconds, true);
    db->SetAutoTransaction(1);
    return db->ExeSql(sql);
}

QString MainDeleteSql(int id)
{
    return QStringLiteral("delete from recordtime where id = %1;delete from filerecord where record_id = %1;").arg(id);
}

} // namespace

QString RecordListOrderSql()
{
    return QStringLiteral(" order by time_end desc, time_start desc, devname collate pinyin, name collate pinyin;");
}

QString AllRecordsSql(const QString& condition)
{
    QString sql = QStringLiteral("select * from recordtime");
    if (!condition.isEmpty())
        sql += QStringLiteral(" where ") + condition;
    return sql + RecordListOrderSql();
}

QString DeviceRecordsSql(const QString& sn)
{
    return QStringLiteral("select * from recordtime where SN = '%1'").arg(store::SqlText(sn)) + RecordListOrderSql();
}

QString FolderRecordsSql(int folderId)
{
    return QStringLiteral("select fr.id, rt.name, rt.SN, rt.time_start, rt.time_end, rt.hisdata_table, rt.devname, "
                          "fr.file_id,")
           + kFolderGap + QStringLiteral("fr.record_id, fr.chan_type  from filerecord  fr inner join recordtime rt on")
           + kFolderGap
           + QStringLiteral("fr.record_id = rt.id where file_id = %1 order by time_end desc,time_start desc,devname "
                            "collate pinyin;")
                 .arg(folderId);
}

QString SearchRangeCondition(QDate from, QDate to)
{
    if (from > to)
        std::swap(from, to);
    const QString start = store::FormatSampleTime(from.year(), from.month(), from.day(), 0, 0, 0);
    const QString end = store::FormatSampleTime(to.year(), to.month(), to.day(), 23, 59, 59);
    // A record that began before the range and ended after it has samples in
    // it too: it is found like one that starts or ends inside.
    return QStringLiteral("(time_start >= '%1'and time_start <= '%2' or time_end >= '%1'and time_end <= '%2' "
                          "or time_start < '%1' and time_end > '%2')")
        .arg(start, end);
}

QString SearchSql(QDate from, QDate to, const QString& keyword)
{
    const QString k = store::SqlText(keyword);
    return QStringLiteral("select * from recordtime where %1 and ((devname like '%%2%') or (SN like '%%2%') or(name "
                          "like '%%2%')) ")
               .arg(SearchRangeCondition(from, to), k)
           + kShortOrder;
}

QString DeviceNameSearchSql(const QString& sn, const QString& name)
{
    return QStringLiteral("select *from recordtime where SN = '%1'and name like '%%2%' ")
               .arg(store::SqlText(sn), store::SqlText(name))
           + kShortOrder;
}

QString FolderNameSearchSql(int folderId, const QString& name)
{
    // The folder entries hold no names or times: the record's row gives them.
    QString sql = FolderRecordsSql(folderId);
    sql.replace(QStringLiteral("where file_id = %1 ").arg(folderId),
                QStringLiteral("where file_id = %1 and rt.name like '%%2%' ").arg(folderId).arg(store::SqlText(name)));
    return sql;
}

int LoadRecordRows(const QString& sql, const QString& table, std::vector<RecordRow>* rows)
{
    rows->clear();
    RowFiller filler{rows, table.compare(QLatin1String("filerecord"), Qt::CaseInsensitive) == 0};
    store::GuardedOperation op;
    op.kind = store::GuardedOp::Query;
    op.sql = sql;
    op.tableCallback = &FillRows;
    op.owner = &filler;
    int result = 0;
    if (!store::RunIfTableExists(DatabasePath(), table, op, false, &result))
        return 0;
    if (result < 0)
        return -1;
    return rows->empty() ? 0 : 1;
}

bool ReadRecord(int id, RecordRow* row)
{
    std::vector<RecordRow> rows;
    if (LoadRecordRows(OneRecordSql(id), QStringLiteral("recordtime"), &rows) != 1)
        return false;
    *row = rows.front();
    return true;
}

bool RenameRecord(int id, const QString& name, const QString& user)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        ShowMessage(215);
        return false;
    }
    RecordRow record;
    if (!ReadRecord(id, &record)
        || ExecMain(QStringLiteral("update recordtime set name = '%1' where id = %2;")
                        .arg(store::SqlText(trimmed), QString::number(id)))
               < 0) {
        ShowMessage(123);
        return false;
    }
    WriteOperationLog(QStringLiteral("CDevData::OnUpdRecordName"),
                      QStringLiteral("%1:%2%3%4:%5").arg(record.sn, record.name, Msg(353), record.sn, trimmed), 14,
                      user);
    ShowMessage(124);
    return true;
}

bool DeleteRecord(int id, const QString& user, bool ask)
{
    if (!Permit(Guarded::DeleteRecords))
        return false;
    if (ask && ShowMessage(201, MsgButtons::OkCancel) != AnswerOk)
        return false;
    RecordRow record;
    if (!ReadRecord(id, &record) || !RemoveFromLoggerFile(record) || ExecMain(MainDeleteSql(id)) < 0) {
        ShowMessage(123);
        return false;
    }
    WriteOperationLog(QStringLiteral("CDevData::OnDelRecord"),
                      JoinWords(QStringLiteral("%1:%2").arg(record.sn, record.name), Msg(280) + Msg(295)), 15, user);
    ShowMessage(153);
    return true;
}

int DeleteRecords(const QList<int>& ids, const QString& user)
{
    if (!Permit(Guarded::DeleteRecords))
        return -1;
    if (ids.isEmpty()) {
        ShowMessage(154);
        return -1;
    }
    if (ShowMessage(201, MsgButtons::OkCancel) != AnswerOk)
        return -1;
    QString mainSql;
    int removed = 0;
    bool failed = false;
    for (int id : ids) {
        RecordRow record;
        // Only a record whose samples are gone leaves the list.
        if (!ReadRecord(id, &record) || !RemoveFromLoggerFile(record)) {
            failed = true;
            continue;
        }
        mainSql += MainDeleteSql(id);
        ++removed;
    }
    if (removed > 0 && ExecMain(mainSql) < 0) {
        ShowMessage(123);
        return -1;
    }
    if (removed > 0)
        WriteOperationLog(QStringLiteral("CDevData::OnDelRecord"),
                          MsgF(358, {QString::number(removed)}) + Msg(280) + Msg(295), 15, user);
    ShowMessage(failed ? 123 : 153);
    return removed;
}

bool RemoveFolderEntries(const QList<int>& entryIds)
{
    if (entryIds.isEmpty()) {
        ShowMessage(154);
        return false;
    }
    QString sql;
    for (int id : entryIds)
        sql += QStringLiteral("delete from filerecord where id = %1;").arg(id);
    if (ExecMain(sql) < 0) {
        ShowMessage(123);
        return false;
    }
    return true;
}

bool AddRecordsToFolder(int folderId, const QList<int>& ids)
{
    auto db = OpenMain();
    if (!db) {
        ShowMessage(123);
        return false;
    }
    // A record already in the folder is not filed twice.
    QSet<int> filed;
    std::unique_ptr<store::CRecordset> set;
    if (db->QueryRecordset(QStringLiteral("select * from filerecord where file_id = %1;").arg(folderId), set) < 0) {
        ShowMessage(123);
        return false;
    }
    if (set)
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            filed.insert(int(set->Integer(u"record_id")));
    QString sql;
    for (int id : ids) {
        RecordRow record;
        if (filed.contains(id))
            continue;
        if (!ReadRecord(id, &record)) {
            ShowMessage(123);
            return false;
        }
        QString channels;
        std::unique_ptr<store::CRecordset> dev;
        if (db->QueryRecordset(QStringLiteral("select * from devInfo where SN = '%1';").arg(store::SqlText(record.sn)),
                               dev)
                == 1
            && dev)
            channels = dev->Text(u"chan_type");
        sql += QStringLiteral("insert into filerecord (file_id,chan_type,record_id) values(%1,'%2',%3);")
                   .arg(QString::number(folderId), store::SqlText(channels), QString::number(id));
        filed.insert(id);
    }
    if (!sql.isEmpty()) {
        store::CLockHold hold(store::DatainfoLock(), kLockSeconds, true);
        db->SetAutoTransaction(1);
        if (db->ExeSql(sql) < 0) {
            ShowMessage(123);
            return false;
        }
    }
    ShowMessage(124);
    return true;
}

} // namespace qm::browse
