#include "TableRepair.h"
#include "EventLock.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "StoreSeams.h"

namespace qm::store {
namespace {

constexpr int kLockSeconds = 30;

bool TableExists(int createTableResult) { return createTableResult >= 1 && createTableResult != 255; }

void Log(const char* source, const QString& line) { WriteProgramLog(QString::fromLatin1(source), line); }

// The CREATE text of a legacy layout carries "[id]" where the current one keys
// on content; the kinds whose current layout has an id column never count.
bool IsLegacyTable(CDBOperator& db, const QString& table)
{
    if (KindKeepsIdColumn(TableKindOf(table)))
        return false;
    std::unique_ptr<CRecordset> set;
    if (db.ListTables(QStringLiteral("name = ") + SqlQuoted(table), set) != 1)
        return false;
    return set->Text(QStringView(u"sql")).contains(QLatin1String("[id]"));
}

} // namespace

int DeleteRepeatData(CDBOperator& db, const QString& table)
{
    const QStringList columns = KindColumns(TableKindOf(table));
    const QString name = SqlName(table);
    const QString key = columns.first();
    std::unique_ptr<CRecordset> set;
    // rowid orders the rows of one key as they were written, so "last" is the
    // newest row, not whatever the sort happens to leave last.
    const int rc = db.QueryRecordset(QStringLiteral("select * from %1 order by %2, rowid;").arg(name, key), set);
    if (rc != 1)
        return 0;
    std::vector<int> index;
    for (const QString& c : columns)
        index.push_back(set->FieldIndex(c));
    if (index.front() < 0)
        return 0;

    const QString insertHead = QStringLiteral("insert into ") + name + u'(' + KindColumnText(TableKindOf(table))
        + QStringLiteral(") values(");
    QString statements;
    int count = 0;
    QString previous;
    bool first = true;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
        const QString current = set->Text(index.front());
        if (!first && current == previous) {
            ++count;
            statements += QStringLiteral("delete from %1 where %2 = %3;").arg(name, key, SqlQuoted(current));
            statements += insertHead;
            for (size_t i = 0; i < index.size(); ++i) {
                if (i)
                    statements += u',';
                statements += SqlQuoted(index[i] >= 0 ? set->Text(index[i]) : QString());
            }
            statements += QStringLiteral(");");
        }
        previous = current;
        first = false;
    }
    if (statements.isEmpty())
        return 0;
    db.SetAutoTransaction(1);
    if (db.ExeSql(statements) == -1) {
        Log("CDBOperator::DeleteRepeatData",
            QStringLiteral("failed to delete %1 repeat data from %2(%3)").arg(count).arg(table, db.Path()));
        return 0;
    }
    return count;
}

int FormatTable(CDBOperator& db, const QString& table, bool waitCursor, int force, int* removed)
{
    if (removed)
        *removed = 0;
    const bool legacy = IsLegacyTable(db, table);
    const bool mainDatabase = IsDatainfoPath(db.Path());
    if (legacy || force) {
        int count;
        {
            CLockHold hold(DatainfoLock(), mainDatabase, kLockSeconds, waitCursor);
            count = DeleteRepeatData(db, table);
        }
        if (count > 0)
            Log("CDBOperator::FormatTable",
                QStringLiteral("delete %1 repeat data from %2(%3)").arg(count).arg(table, db.Path()));
        if (removed)
            *removed = count;
    }
    if (!legacy)
        return 0;

    const int kind = TableKindOf(table);
    const QString temp = SqlName(QStringLiteral("temp_") + table);
    const QString name = SqlName(table);
    const QString columns = KindColumnText(kind);
    // A rebuild cut short earlier may have left its copy behind.
    db.ExeSql(QStringLiteral("drop table if exists %1;").arg(temp));
    int rc = CreateTableByKind(db, QStringLiteral("temp_") + table, kind) == 1 ? 0 : -1;
    if (rc == 0) {
        const QString batch = QStringLiteral("insert into %1(%2) select %2 from %3;").arg(temp, columns, name)
            + QStringLiteral("drop table %1;").arg(name) + QStringLiteral("alter table %1 rename to %2;").arg(temp, name);
        CLockHold hold(DatainfoLock(), mainDatabase, kLockSeconds, waitCursor);
        db.SetAutoTransaction(1);
        rc = db.ExeSql(batch);
    }
    if (rc == -1) {
        db.ExeSql(QStringLiteral("drop table if exists %1;").arg(temp));
        Log("CDBOperator::FormatTable", QStringLiteral("failed to format %1(%2)").arg(table, db.Path()));
        return -1;
    }
    Log("CDBOperator::FormatTable", QStringLiteral("succeed to format %1(%2)").arg(table, db.Path()));
    return 1;
}

int CountDistinct(CDBOperator& db, const QString& table, const QString& column, const QString& condition)
{
    int removed = 0;
    FormatTable(db, table, false, 0, &removed);
    QString sql = QStringLiteral("select count(distinct %1) as c from %2").arg(column, SqlName(table));
    if (!condition.isEmpty())
        sql += QStringLiteral(" where ") + condition;
    std::unique_ptr<CRecordset> set;
    if (db.QueryRecordset(sql, set) != 1)
        return -1;
    bool ok = false;
    const qint64 count = set->Integer(QStringView(u"c"), &ok);
    return ok ? int(count) : -1;
}

int RunIfTableExists(const QString& path, const QString& table, const GuardedOperation& operation, bool waitCursor,
                     int* result)
{
    auto db = OpenDatabase(operation.owner, path, 0, 0, 0);
    if (!db)
        return 0;
    db->SetReportMode(kReportLog);
    int exists;
    {
        CLockHold hold(DatainfoLock(), IsDatainfoPath(path), kLockSeconds, waitCursor);
        exists = db->CreateTable(table, 0, 0, nullptr, nullptr, 0, 0, nullptr);
    }
    if (!TableExists(exists))
        return 0;

    int rc = 0;
    switch (operation.kind) {
    case GuardedOp::CountDistinct:
        rc = CountDistinct(*db, table, operation.column, operation.condition);
        if (result)
            *result = rc < 0 ? rc : *result + rc;
        return 1;
    case GuardedOp::Query:
        rc = operation.recordset ? db->QueryRecordset(operation.sql, *operation.recordset)
                                 : db->GetTable(operation.sql, operation.tableCallback);
        break;
    case GuardedOp::Execute:
        rc = db->ExeSql(operation.sql, operation.execCallback, operation.execArgument);
        break;
    }
    if (result)
        *result = rc;
    return 1;
}

} // namespace qm::store
