#pragma once
// Guarded queries: the record views never touch a table that may be missing or
// that an older program version wrote with an [id] column where the current
// layout keys on content. Such tables are de-duplicated by their key and
// rebuilt in the current layout the first time they are counted.
#include "DBOperator.h"

#include <QString>
#include <memory>

namespace qm::store {

class CRecordset;

enum class GuardedOp {
    CountDistinct,   // CountDistinct(column, condition); added to the caller's counter
    Query,           // rows to `tableCallback` (GetTable) or into `recordset` (QueryRecordset)
    Execute,         // ExeSql(sql, execCallback, execArgument)
};

struct GuardedOperation {
    GuardedOp kind = GuardedOp::Query;
    QString sql;                                   // Query, Execute
    QString column;                                // CountDistinct
    QString condition;                             // CountDistinct, without "where"
    TableCallback tableCallback = nullptr;         // Query through GetTable
    std::unique_ptr<CRecordset>* recordset = nullptr;   // Query through QueryRecordset (wins when set)
    ExecCallback execCallback = nullptr;           // Execute
    void* execArgument = nullptr;
    void* owner = nullptr;                         // owner value of the database object
};

// Opens `path`, reports to the program log, checks that `table` exists (under
// the datainfo lock for the main database) and runs the operation.
// `result`: CountDistinct adds its count (a negative result replaces the
// counter); Query stores GetTable's or QueryRecordset's result; Execute stores
// ExeSql's. A missing table or a file that cannot be opened runs nothing and
// leaves `result` alone. Returns 1 when the operation ran, else 0.
int RunIfTableExists(const QString& path, const QString& table, const GuardedOperation& operation, bool waitCursor,
                     int* result);

// Repairs the table (FormatTable, not forced), then
// "select count(distinct %s) as c from %s" [+ " where " condition]; -1 on failure.
int CountDistinct(CDBOperator& db, const QString& table, const QString& column, const QString& condition);

// De-duplicates a legacy or `force`d table and rebuilds a legacy one by its
// kind. `removed` gets the number of duplicate rows removed. Returns 1 when it
// rebuilt the table, 0 when there was nothing to rebuild, -1 when the rebuild
// failed (the table is then as it was).
int FormatTable(CDBOperator& db, const QString& table, bool waitCursor, int force, int* removed);

// Leaves one row per key (the first column of the table's kind) holding the
// values of the key's last row. Returns the number of rows removed, 0 on failure.
int DeleteRepeatData(CDBOperator& db, const QString& table);

} // namespace qm::store
