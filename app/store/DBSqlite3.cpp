#include "DBSqlite3.h"
#include "EventLock.h"
#include "PinyinCollation.h"
#include "Recordset.h"
#include "SqlQuote.h"
#include "SqliteApi.h"

#include "Strings.h"

#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace qm::store {
namespace {

constexpr int kBusyAttempts = 5;
// How long one attempt watches for a gap in another connection's locks.
constexpr int kBusyWatchMs = 200;

// SQLite's busy handler: looks for the lock again every millisecond. A
// process committing batch after batch frees the lock only for moments
// between its transactions; checking often is what finds them.
int WatchForFreeLock(void*, int count)
{
    if (count >= kBusyWatchMs)
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

// Counts one busy result and pauses; true while another attempt is allowed.
// The pause follows every busy result, the fifth included.
bool PauseAfterBusy(int* busyCount)
{
    PauseOneSecond();
    return ++*busyCount < kBusyAttempts;
}

struct StatementGuard {
    sqlite3_stmt* statement = nullptr;
    ~StatementGuard() { sqlite3_finalize(statement); }
};

QString Utf8Text(const char* text) { return QString::fromUtf8(text ? text : ""); }

} // namespace

const char* ColumnTypeWord(int type)
{
    switch (type) {
    case kTypeInteger: return "int";
    case kTypeDate: return "datetime";
    case kTypeText: return "char";
    case kTypeBoolean: return "int(1)";
    case kTypeVariant: return "blob";
    case kTypeVarText: return "varchar";
    default: return "char";
    }
}

int ColumnTypeOfDeclared(const char* declared)
{
    if (!declared)
        return kTypeText;
    if (!std::strcmp(declared, "integer") || !std::strcmp(declared, "int"))
        return kTypeInteger;
    if (!std::strcmp(declared, "datetime"))
        return kTypeDate;
    if (!std::strcmp(declared, "blob"))
        return kTypeLongBytes;
    if (!std::strcmp(declared, "int(1)"))
        return kTypeBoolean;
    return kTypeText;
}

CDBSqlite3::CDBSqlite3(void* owner, const QString& path) : CDBOperator(owner, path) {}

CDBSqlite3::~CDBSqlite3() { Close(); }

QString CDBSqlite3::ErrorText() const
{
    return m_db ? QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(m_db))) : QString();
}

void CDBSqlite3::CloseHandle()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int CDBSqlite3::Open()
{
    if (m_db)
        return 1;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open16(m_path.utf16(), &db);
    if (rc != SQLITE_OK) {
        const QString error = db ? QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(db)))
                                 : Utf8Text(sqlite3_errstr(rc));
        Report(104, MsgF(104, {error}));
        if (db)
            sqlite3_close_v2(db);
        m_db = nullptr;
        return 0;
    }
    m_db = db;
    // The set-up statements run on their own, never inside a caller's batch.
    const int savedAuto = m_autoTransaction;
    m_autoTransaction = 0;
    int ok = 1;
    if (m_keyFlag && sqlite3_key(m_db, kProgramKey, kProgramKeyLength) != SQLITE_OK)
        ok = 0;
    // Another process writing batch after batch (the window beside a cli, two
    // cli downloads) leaves only short gaps between its transactions. Each of
    // the five attempts therefore watches for such a gap before it counts as
    // busy; whole-second pauses alone lose every race.
    if (ok)
        sqlite3_busy_handler(m_db, WatchForFreeLock, nullptr);
    if (ok && (ExeSql(QStringLiteral("PRAGMA encoding='UTF-8';")) == -1
               || ExeSql(QStringLiteral("PRAGMA journal_mode=TRUNCATE;")) == -1))
        ok = 0;
    if (ok)
        sqlite3_create_collation(m_db, "pinyin", SQLITE_UTF8, nullptr, PinyinCollate);
    else
        CloseHandle();
    m_autoTransaction = savedAuto;
    return ok;
}

void CDBSqlite3::Close(int)
{
    CloseHandle();
}

int CDBSqlite3::CreateDatabaseFile(const QString& path)
{
    CDBSqlite3 file(Owner(), path);
    file.SetReportMode(ReportMode());
    const int rc = file.Open();
    // Writing the header makes the new file a keyed database at once rather
    // than an empty file any reader would take for a plain one.
    if (rc)
        file.ExeSql(QStringLiteral("PRAGMA user_version = 0;"));
    file.Close();
    return rc;
}

int CDBSqlite3::Prepare(const char* sql, sqlite3_stmt** statement, const char** tail, int* busyCount)
{
    for (;;) {
        const int rc = sqlite3_prepare_v2(m_db, sql, -1, statement, tail);
        if (rc != SQLITE_BUSY || !PauseAfterBusy(busyCount))
            return rc;
    }
}

void CDBSqlite3::ReportError() const
{
    Report(106, MsgF(106, {ErrorText()}));
}

sqlite3_stmt* CDBSqlite3::OpenAndPrepare(const QString& sql, int* busyCount)
{
    if (!Open())
        return nullptr;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (Prepare(utf8.constData(), &statement, nullptr, busyCount) != SQLITE_OK || !statement) {
        ReportError();
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

int CDBSqlite3::ExecText(const char* sql, ExecCallback callback, void* argument, QString* error)
{
    int busyCount = 0;
    const char* rest = sql;
    while (rest && *rest) {
        StatementGuard guard;
        const char* tail = nullptr;
        int rc = Prepare(rest, &guard.statement, &tail, &busyCount);
        if (rc != SQLITE_OK) {
            *error = ErrorText();
            return rc;
        }
        rest = tail;
        if (!guard.statement)
            continue;           // blanks or a comment
        sqlite3_stmt* st = guard.statement;
        const int columns = sqlite3_column_count(st);
        std::vector<char*> texts(static_cast<size_t>(columns) * 2);
        for (;;) {
            rc = sqlite3_step(st);
            if (rc == SQLITE_ROW) {
                if (!callback)
                    continue;
                for (int i = 0; i < columns; ++i) {
                    texts[size_t(i)] = const_cast<char*>(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
                    texts[size_t(columns + i)] = const_cast<char*>(sqlite3_column_name(st, i));
                }
                if (callback(argument, columns, texts.data(), texts.data() + columns) != 0) {
                    *error = Utf8Text(sqlite3_errstr(SQLITE_ABORT));
                    return SQLITE_ABORT;
                }
                continue;
            }
            if (rc == SQLITE_BUSY && PauseAfterBusy(&busyCount)) {
                sqlite3_reset(st);
                continue;
            }
            break;
        }
        if (rc != SQLITE_DONE) {
            // The statement's own result (finalize keeps the specific code).
            *error = ErrorText();
            const int code = sqlite3_reset(st);
            return code != SQLITE_OK ? code : rc;
        }
    }
    return SQLITE_OK;
}

int CDBSqlite3::CommitChecked(QString* error)
{
    int busyCount = 0;
    for (;;) {
        const int rc = sqlite3_exec(m_db, "commit;", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return rc;
        if (rc != SQLITE_BUSY || !PauseAfterBusy(&busyCount)) {
            *error = ErrorText();
            return rc;
        }
    }
}

int CDBSqlite3::ExeSql(const QString& sql, ExecCallback callback, void* argument)
{
    if (!Open())
        return -1;
    int local = 0;
    void* arg = argument ? argument : &local;
    int rc = SQLITE_OK;
    QString error;
    try {
        const QByteArray utf8 = sql.toUtf8();
        if (m_autoTransaction)
            BeginTransaction();
        rc = ExecText(utf8.constData(), callback, arg, &error);
    } catch (...) {
        m_lastResult = SQLITE_ABORT;
        Report(105, QStringLiteral("CDBSqlite3::ExeSql:") + Msg(105));
        if (m_autoTransaction)
            RollbackTransaction();
        return -1;
    }
    // A commit that meets readers is retried like any busy statement; one
    // that still fails must not pass for success, or the batch would vanish
    // with the open transaction when the handle closes.
    if (rc == SQLITE_OK && m_autoTransaction) {
        rc = CommitChecked(&error);
        if (rc == SQLITE_OK)
            m_autoTransaction = 0;
    }
    m_lastResult = rc;
    if (rc != SQLITE_OK) {
        Report(106, MsgF(106, {error}));
        if (m_autoTransaction)
            RollbackTransaction();
        return -1;
    }
    if (argument)
        return 0;
    return local != 0 ? 1 : 0;
}

int CDBSqlite3::GetTable(const QString& sql, TableCallback callback)
{
    if (!Open())
        return 255;
    const QByteArray utf8 = sql.toUtf8();
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    char* error = nullptr;
    int busyCount = 0;
    int rc;
    for (;;) {
        rc = sqlite3_get_table(m_db, utf8.constData(), &result, &rows, &columns, &error);
        if (rc != SQLITE_BUSY || !PauseAfterBusy(&busyCount))
            break;
        sqlite3_free(error);
        error = nullptr;
    }
    if (rc != SQLITE_OK) {
        Report(106, MsgF(106, {Utf8Text(error)}));
        sqlite3_free(error);
        sqlite3_free_table(result);
        return 255;
    }
    int answer = 0;
    if (rows > 0) {
        answer = 1;
        try {
            if (callback)
                callback(Owner(), result, rows, columns);
        } catch (...) {
            Report(105, QStringLiteral("CDBSqlite3::GetTable:") + Msg(105));
            answer = 255;
        }
    }
    sqlite3_free_table(result);
    return answer;
}

int CDBSqlite3::QueryRows(const QString& sql, RowCallback callback)
{
    int busyCount = 0;
    StatementGuard guard{OpenAndPrepare(sql, &busyCount)};
    if (!guard.statement)
        return -1;
    sqlite3_stmt* st = guard.statement;
    const int columns = sqlite3_column_count(st);
    int row = 0;
    int rc;
    try {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i) {
                const char* value = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                if (value && !*value)
                    value = nullptr;
                if (callback)
                    callback(Owner(), sqlite3_column_name(st, i), value, row, i == 0 ? 1 : 0);
            }
            ++row;
        }
    } catch (...) {
        Report(105, QStringLiteral("CDBSqlite3::QueryRows:") + Msg(105));
        return -1;
    }
    if (rc != SQLITE_DONE) {
        ReportError();
        return -1;
    }
    return row > 0 ? 1 : 0;
}

int CDBSqlite3::ExecWithBlobs(const QString& sql, int count, const int* sizes, const char* const* names,
                              const void* const* values)
{
    int busyCount = 0;
    StatementGuard guard{OpenAndPrepare(sql, &busyCount)};
    if (!guard.statement)
        return -1;
    sqlite3_stmt* st = guard.statement;
    // Name i goes with value i and size i; a name the statement lacks binds nothing.
    for (int i = 0; i < count; ++i) {
        const int index = sqlite3_bind_parameter_index(st, names[i]);
        if (index > 0 && sqlite3_bind_blob(st, index, values[i], sizes[i], SQLITE_STATIC) != SQLITE_OK) {
            ReportError();
            return -1;
        }
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_BUSY && PauseAfterBusy(&busyCount))
        sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        ReportError();
        return -1;
    }
    return 1;
}

int CDBSqlite3::QueryRecordset(const QString& sql, std::unique_ptr<CRecordset>& out)
{
    out.reset();
    int busyCount = 0;
    StatementGuard guard{OpenAndPrepare(sql, &busyCount)};
    if (!guard.statement)
        return -1;
    sqlite3_stmt* st = guard.statement;
    const int columns = sqlite3_column_count(st);
    std::vector<int> types(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i)
        types[size_t(i)] = ColumnTypeOfDeclared(sqlite3_column_decltype(st, i));

    auto set = std::make_unique<CRecordset>();
    // A read that cannot start because another process is committing is
    // tried again like a busy preparation; no row has been taken yet.
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_BUSY && PauseAfterBusy(&busyCount))
        sqlite3_reset(st);
    // Defined sizes come from the first row, as the callers' layouts expect.
    for (int i = 0; i < columns; ++i) {
        int size = 1;
        if (rc == SQLITE_ROW) {
            sqlite3_column_text(st, i);
            size = sqlite3_column_bytes(st, i);
        }
        set->AppendField(Utf8Text(sqlite3_column_name(st, i)), types[size_t(i)], size);
    }
    QByteArray bytes;
    while (rc == SQLITE_ROW) {
        set->BeginRow();
        for (int i = 0; i < columns; ++i) {
            if (types[size_t(i)] == kTypeLongBytes) {
                const char* data = static_cast<const char*>(sqlite3_column_blob(st, i));
                const int n = sqlite3_column_bytes(st, i);
                if (n == 0 || !data) {
                    set->AppendNull();
                } else {
                    // Byte values carry one trailing zero byte, as byte-array readers expect.
                    bytes = QByteArray(data, n);
                    bytes.append('\0');
                    set->AppendBytes(bytes);
                }
                continue;
            }
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            const int n = sqlite3_column_bytes(st, i);
            if (n == 0 || !text || !*text || (n == 6 && std::memcmp(text, "(null)", 6) == 0))
                set->AppendNull();
            else
                set->AppendUtf8(text, n);
        }
        rc = sqlite3_step(st);
    }
    if (rc == SQLITE_BUSY)
        return -1;
    if (rc == SQLITE_ERROR) {
        Report(106, qm::Msg(6205));
        return -1;
    }
    if (rc != SQLITE_DONE) {
        ReportError();
        return -1;
    }
    if (!set->Good()) {
        // The container's own failure, told the way container errors are.
        Report(108, MsgF(108, {QString::asprintf("%08lx", static_cast<unsigned long>(SQLITE_TOOBIG)),
                               Utf8Text(sqlite3_errstr(SQLITE_TOOBIG)), QStringLiteral("CRecordset"),
                               QStringLiteral("a column holds more than 2 GiB"), QString()}));
        return -1;
    }
    set->Compact();
    set->MoveFirst();
    const bool rows = set->RecordCount() > 0;
    out = std::move(set);
    return rows ? 1 : 0;
}

int CDBSqlite3::ListTables(const QString& filter, std::unique_ptr<CRecordset>& out)
{
    QString sql = QStringLiteral("select * from sqlite_master where type = 'table' and name not like 'sqlite_%'");
    if (!filter.isEmpty())
        sql += QStringLiteral(" and ") + filter;
    const int rc = QueryRecordset(sql, out);
    if (rc != 1)
        out.reset();
    return rc;
}

int CDBSqlite3::CreateTable(const QString& table, int create, int columnCount, const char* const* columnNames,
                            const int* types, int autoId, int keyCount, const char* const* keyNames)
{
    if (!Open())
        return -1;
    const QByteArray lookup = (QStringLiteral("select * from sqlite_master where type = 'table' and name = ")
                               + SqlQuoted(table)).toUtf8();
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    char* error = nullptr;
    const int rc = sqlite3_get_table(m_db, lookup.constData(), &result, &rows, &columns, &error);
    sqlite3_free_table(result);
    if (rc != SQLITE_OK) {
        Report(106, MsgF(106, {Utf8Text(error)}));
        sqlite3_free(error);
        return 255;
    }
    if (rows > 0)
        return rows;
    if (!create)
        return 0;

    QString definition;
    if (autoId)
        definition = QStringLiteral("[id] integer PRIMARY KEY AUTOINCREMENT");
    for (int i = 0; i < columnCount; ++i) {
        if (!definition.isEmpty())
            definition += u',';
        definition += QStringLiteral("[%1] %2").arg(Utf8Text(columnNames[i]), QLatin1String(ColumnTypeWord(types[i])));
    }
    if (!definition.isEmpty() && keyCount > 0 && !autoId) {
        definition += QStringLiteral(", Primary Key(");
        for (int i = 0; i < keyCount; ++i) {
            if (i)
                definition += u',';
            definition += Utf8Text(keyNames[i]);
        }
        definition += u')';
    }
    // Our own names keep their bracketed form; a name that brackets cannot
    // hold is quoted instead.
    const QString name = IsPlainIdentifier(table) ? u'[' + table + u']' : QuoteIdentifier(table);
    if (ExeSql(QStringLiteral("create table %1 (%2)").arg(name, definition)) == -1)
        return 255;
    return 1;
}

QString CDBSqlite3::GetColumnList(const QString& createSql)
{
    const qsizetype open = createSql.indexOf(u'(');
    if (open < 0)
        return QString();
    static const QRegularExpression bracketed(QStringLiteral("\\[[^\\]]*\\]"));
    QStringList names;
    auto it = bracketed.globalMatch(createSql, open + 1);
    while (it.hasNext()) {
        const QString name = it.next().captured(0);
        // A key clause names its columns a second time.
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    }
    return names.join(u',');
}

void CDBSqlite3::BeginTransaction()
{
    if (Open())
        sqlite3_exec(m_db, "begin;", nullptr, nullptr, nullptr);
    m_autoTransaction = 1;
}

void CDBSqlite3::CommitTransaction()
{
    if (Open())
        sqlite3_exec(m_db, "commit;", nullptr, nullptr, nullptr);
    m_autoTransaction = 0;
}

void CDBSqlite3::RollbackTransaction()
{
    if (Open())
        sqlite3_exec(m_db, "rollback;", nullptr, nullptr, nullptr);
    m_autoTransaction = 0;
}

bool CDBSqlite3::ProbeKey()
{
    const int savedMode = m_reportMode;
    m_reportMode = -1;
    m_lastResult = 0;
    bool notADatabase;
    if (!Open()) {
        notADatabase = m_lastResult == kResultNotADatabase;
    } else {
        ExeSql(QStringLiteral("select * from sqlite_master"));
        notADatabase = m_lastResult == kResultNotADatabase;
        Close();
    }
    m_reportMode = savedMode;
    return notADatabase;
}

bool CDBSqlite3::ExportKeyedCopy(const QString& copyPath)
{
    // user_version is not part of the export.
    int userVersion = 0;
    ExeSql(QStringLiteral("PRAGMA user_version;"),
           [](void* arg, int columns, char** values, char**) {
               if (columns > 0 && values[0])
                   *static_cast<int*>(arg) = std::atoi(values[0]);
               return 0;
           },
           &userVersion);
    const QString attach = QStringLiteral("ATTACH DATABASE %1 AS enc KEY %2;")
                               .arg(SqlQuoted(copyPath), SqlQuoted(QString::fromLatin1(kProgramKey, kProgramKeyLength)));
    if (ExeSql(attach) == -1)
        return false;
    const bool ok = ExeSql(QStringLiteral("SELECT sqlcipher_export('enc');")) != -1
        && ExeSql(QStringLiteral("PRAGMA enc.user_version = %1;").arg(userVersion)) != -1;
    const bool detached = ExeSql(QStringLiteral("DETACH DATABASE enc;")) != -1;
    return ok && detached;
}

bool CDBSqlite3::EncryptInPlace()
{
    if (m_keyFlag)
        return !ProbeKey();
    // A failure here is told once by OpenDatabase ("Invalid Database!"), not
    // once per statement.
    const int savedMode = m_reportMode;
    m_reportMode = -1;
    const QString copyPath = m_path + QStringLiteral("-keyed");
    QFile::remove(copyPath);
    QFile::remove(copyPath + QStringLiteral("-journal"));
    bool ok = false;
    if (Open()) {
        if (ExeSql(QStringLiteral("select * from sqlite_master")) != -1 && m_lastResult != kResultNotADatabase)
            ok = ExportKeyedCopy(copyPath);
        Close();
    }
    if (ok) {
        // The keyed copy must read back before it replaces the original.
        CDBSqlite3 copy(Owner(), copyPath);
        copy.SetReportMode(-1);
        ok = copy.ExeSql(QStringLiteral("select count(*) from sqlite_master")) != -1;
        copy.Close();
    }
    // rename() replaces the original in one step: either the plain file or the
    // complete keyed copy is there, never a half-written file.
    if (ok)
        ok = std::rename(QFile::encodeName(copyPath).constData(), QFile::encodeName(m_path).constData()) == 0;
    if (!ok) {
        QFile::remove(copyPath);
    } else {
        m_keyFlag = 1;
    }
    QFile::remove(copyPath + QStringLiteral("-journal"));
    m_reportMode = savedMode;
    return ok;
}

} // namespace qm::store
