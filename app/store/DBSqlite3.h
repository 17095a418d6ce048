#pragma once
// The database object on the encrypting SQLite build: every file is opened
// under the program key, with the "pinyin" collation registered.
#include "DBOperator.h"

#include <QByteArray>

struct sqlite3;
struct sqlite3_stmt;

namespace qm::store {

// The key of every database file of the program.
inline constexpr char kProgramKey[] = "Hq7+Wd2kPx9";
inline constexpr int kProgramKeyLength = 11;

// SQLite results the callers test for.
inline constexpr int kResultOk = 0;
inline constexpr int kResultBusy = 5;
inline constexpr int kResultNotADatabase = 26;

class CDBSqlite3 : public CDBOperator {
public:
    CDBSqlite3(void* owner, const QString& path);
    ~CDBSqlite3() override;

    int Open() override;
    void Close(int unused = 0) override;
    int CreateDatabaseFile(const QString& path) override;
    int QueryRows(const QString& sql, RowCallback callback) override;
    int ExecWithBlobs(const QString& sql, int count, const int* sizes, const char* const* names,
                      const void* const* values) override;
    int GetTable(const QString& sql, TableCallback callback) override;
    int QueryRecordset(const QString& sql, std::unique_ptr<CRecordset>& set) override;
    int ExeSql(const QString& sql, ExecCallback callback = nullptr, void* argument = nullptr) override;
    int ListTables(const QString& filter, std::unique_ptr<CRecordset>& set) override;
    int CreateTable(const QString& table, int create, int columnCount, const char* const* columnNames,
                    const int* types, int autoId, int keyCount, const char* const* keyNames) override;
    QString GetColumnList(const QString& createSql) override;
    void BeginTransaction() override;
    void CommitTransaction() override;
    void RollbackTransaction() override;

    // True when the file cannot be read under the current key setting (SQLite
    // says "not a database"). Silent; leaves the handle closed.
    bool ProbeKey();
    // Turns a plain database file into one keyed with the program key, keeping
    // its content; the file is replaced only once the keyed copy is complete.
    bool EncryptInPlace();

    int KeyFlag() const { return m_keyFlag; }
    void SetKeyFlag(int flag) { m_keyFlag = flag; }
    int LastResult() const { return m_lastResult; }
    sqlite3* Handle() const { return m_db; }

private:
    void CloseHandle();
    // Prepares one statement, retrying a busy database with PauseOneSecond.
    int Prepare(const char* sql, sqlite3_stmt** statement, const char** tail, int* busyCount);
    // Runs every statement of `sql` like sqlite3_exec; a busy statement is
    // retried on its own, so statements already run are never run twice.
    int ExecText(const char* sql, ExecCallback callback, void* argument, QString* error);
    // "commit;" with busy retries; the SQLite result.
    int CommitChecked(QString* error);
    bool ExportKeyedCopy(const QString& copyPath);
    // Open, then prepare one statement; null (reported as entry 106) on failure.
    sqlite3_stmt* OpenAndPrepare(const QString& sql, int* busyCount);
    QString ErrorText() const;
    void ReportError() const;   // entry 106 with SQLite's text of the last error

    int32_t m_keyFlag = 1;
    sqlite3* m_db = nullptr;
    int32_t m_lastResult = 0;
};

// Type word written by CreateTable for a column type code.
const char* ColumnTypeWord(int type);
// Column type code for a declared type (exact comparison).
int ColumnTypeOfDeclared(const char* declared);

} // namespace qm::store
