#pragma once
// The operation set of every database object of the program, its error
// reporting and its per-statement transaction switch. CDBSqlite3 is the one
// implementation; callers hold objects made by OpenDatabase.
#include <QString>
#include <cstdint>
#include <memory>

namespace qm::store {

class CRecordset;

// Per-row callback of ExeSql (the shape of sqlite3_exec's callback): the
// argument, the column count, the values (null for NULL) and the names.
// A non-zero return ends the statement as aborted.
using ExecCallback = int (*)(void* arg, int columns, char** values, char** names);

// GetTable: called once with the owner value and the whole result, header row
// first (rows + 1 rows of `columns` texts, null for NULL).
using TableCallback = void (*)(void* owner, char** result, int rows, int columns);

// QueryRows: called per column of every row with the owner value, the column
// name, the value (null when empty), the row index and 1 for the first column.
using RowCallback = void (*)(void* owner, const char* column, const char* value, int row, int firstColumn);

// Report modes.
enum ReportMode { kReportLog = 0, kReportMessage = 1, kReportSilent = 2 };

class CDBOperator {
public:
    CDBOperator(void* owner, const QString& path);
    CDBOperator(const CDBOperator&) = delete;
    CDBOperator& operator=(const CDBOperator&) = delete;

    virtual ~CDBOperator();
    virtual int Open() = 0;
    virtual void Close(int unused = 0) = 0;
    virtual void SetAutoTransaction(int flag);
    virtual int CreateDatabaseFile(const QString& path) = 0;
    virtual int QueryRows(const QString& sql, RowCallback callback) = 0;
    virtual int ExecWithBlobs(const QString& sql, int count, const int* sizes, const char* const* names,
                              const void* const* values) = 0;
    virtual int GetTable(const QString& sql, TableCallback callback) = 0;
    virtual int QueryRecordset(const QString& sql, std::unique_ptr<CRecordset>& set) = 0;
    virtual int ExeSql(const QString& sql, ExecCallback callback = nullptr, void* argument = nullptr) = 0;
    virtual int ListTables(const QString& filter, std::unique_ptr<CRecordset>& set) = 0;
    virtual int CreateTable(const QString& table, int create, int columnCount, const char* const* columnNames,
                            const int* types, int autoId, int keyCount, const char* const* keyNames) = 0;
    virtual QString GetColumnList(const QString& createSql) = 0;
    virtual void BeginTransaction() = 0;
    virtual void CommitTransaction() = 0;
    virtual void RollbackTransaction() = 0;

    int ReportMode() const { return m_reportMode; }
    void SetReportMode(int mode) { m_reportMode = mode; }
    void* Owner() const { return m_owner; }
    const QString& Path() const { return m_path; }
    int AutoTransaction() const { return m_autoTransaction; }

protected:
    // Reports entry `number` with its filled text by the report mode: program
    // log (source "CDBOperator"), message box, or nothing.
    void Report(int number, const QString& text) const;

    int32_t m_reportMode = kReportMessage;
    void* m_owner = nullptr;
    QString m_path;
    int32_t m_autoTransaction = 0;
};

} // namespace qm::store
