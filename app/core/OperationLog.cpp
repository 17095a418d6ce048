#include "OperationLog.h"

#include "AppEnv.h"
#include "CLog.h"
#include "Clock.h"
#include "DBSqlite3.h"
#include "EventLock.h"
#include "LoginState.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QFileInfo>

#include <memory>
#include <mutex>
#include <vector>

namespace qm {
namespace {

// Serialises writers; a writer that waits longer than a second goes on anyway.
store::CEventLock& OperationLogLock()
{
    static store::CEventLock lock(true);
    return lock;
}

// Serialises the inserts into "note" (and guards the writer's connection).
store::CEventLock& AuditTableLock()
{
    static store::CEventLock lock(true);
    return lock;
}

// The log object and the writer's connection. `stateLock` only guards the
// pointers (creation, release); it is never held across a wait.
std::mutex g_stateLock;
std::shared_ptr<CLog> g_log;
QString g_logFolder;
std::unique_ptr<store::CDBSqlite3> g_audit;   // used only under the audit-table lock
QString g_auditPath;
bool g_auditReady = false;

// A write that starts while this thread is already inside the writer (an
// event handled during one of its waits, a store line reported from inside it)
// must not take the writer's locks a second time: that would wait for itself.
// Its row is queued here and the outermost write inserts it.
struct PendingRow {
    QString user;
    int type;
    QString info;
};
thread_local int t_depth = 0;
thread_local std::vector<PendingRow> t_pending;

std::shared_ptr<CLog> LogObject()
{
    std::lock_guard guard(g_stateLock);
    const QString folder = LogFolder();
    if (!g_log) {
        g_log = std::make_shared<CLog>(QString(), QStringLiteral("Quillmark"), 0);
        g_logFolder = folder;
    } else {
        // The program folder only moves in tests; the log follows it there.
        g_log->UpdateLogFile(folder == g_logFolder ? QString() : folder, 0);
        g_logFolder = folder;
    }
    return g_log;
}

// Under the audit-table lock: the writer's own connection to the main
// database, with "note" in place. Silent: the writer never shows a message,
// and its failures must not come back into the program log (that is us).
store::CDBSqlite3* AuditConnection()
{
    const QString path = DatabasePath();
    if (g_audit && g_auditPath == path)
        return g_auditReady ? g_audit.get() : nullptr;
    g_audit.reset();
    g_auditReady = false;
    g_auditPath = path;
    // A missing main database is not created here, and a file that does not
    // open under the program key is left alone (no "invalid database" box).
    if (!QFileInfo::exists(path))
        return nullptr;
    auto db = std::make_unique<store::CDBSqlite3>(nullptr, path);
    db->SetReportMode(store::kReportSilent);
    if (db->ProbeKey())
        return nullptr;
    const int rc = store::CreateNoteTable(*db);
    g_auditReady = rc >= 1 && rc != 255;
    g_audit = std::move(db);
    return g_auditReady ? g_audit.get() : nullptr;
}

void InsertNoteRows(const std::vector<PendingRow>& rows)
{
    store::CLockHold hold(AuditTableLock(), -1, true);
    if (!hold.Taken())
        return;
    store::CDBSqlite3* db = AuditConnection();
    if (!db)
        return;
    for (const PendingRow& row : rows) {
        const QString sql =
            QStringLiteral("insert into note(user_name ,type, handle_time, info) values(%1,%2,%3,%4)")
                .arg(store::SqlQuoted(row.user), QString::number(row.type),
                     store::SqlQuoted(store::FormatSampleTime(Now())), store::SqlQuoted(row.info));
        db->ExeSql(sql);   // a failed insert only loses the row
    }
}

QString EntryUser(const QString& user, bool* loggedIn)
{
    const LoginInfo login = CurrentLogin();
    *loggedIn = login.state != kNobodyLoggedIn;
    QString name = user;
    if (name != QLatin1String(kNoUser) && name.isEmpty() && *loggedIn)
        name = login.name;
    if (name == QLatin1String(kNoUser))
        name.clear();
    return name;
}

} // namespace

int OperationTypeMessage(int type)
{
    static constexpr int kMessages[kLastOperationType] = {
        107, 267, 268, 269, 270, 271, 272, 273, 274, 275, 276, 277, 278, 279,
        280, 281, 282, 284, 285, 286, 287, 288, 291, 292, 298, 299, 300, 339,
    };
    if (type < kFirstOperationType || type > kLastOperationType)
        return 0;
    return kMessages[type - 1];
}

QString OperationTypeText(int type)
{
    const int number = OperationTypeMessage(type);
    return number ? Msg(number) : QString();
}

void WriteOperationLog(const QString& source, const QString& info, int type, const QString& user)
{
    const bool nested = t_depth > 0;
    ++t_depth;
    // The write goes on when the lock does not come within a second; the hold
    // gives back only what it took.
    std::unique_ptr<store::CLockHold> hold;
    if (!nested)
        hold = std::make_unique<store::CLockHold>(OperationLogLock(), 1, false);

    bool loggedIn = false;
    const QString name = EntryUser(user, &loggedIn);
    QString line = loggedIn ? QStringLiteral("%1[%2]").arg(info, name) : info;
    if (type != kTextLineOnly)
        line = OperationTypeText(type) + u' ' + line;
    LogObject()->Write(source, line);

    if (type != kTextLineOnly)
        t_pending.push_back({name, type, info});
    if (!nested) {
        while (!t_pending.empty()) {
            std::vector<PendingRow> rows;
            rows.swap(t_pending);
            InsertNoteRows(rows);
        }
    }
    --t_depth;
}

QString OperationLogTextFile()
{
    std::lock_guard guard(g_stateLock);
    return g_log ? g_log->CurrentFile() : QString();
}

void ReleaseOperationLog()
{
    {
        std::lock_guard guard(g_stateLock);
        g_log.reset();
        g_logFolder.clear();
    }
    store::CLockHold hold(AuditTableLock(), -1, false);
    g_audit.reset();
    g_auditPath.clear();
    g_auditReady = false;
}

} // namespace qm
