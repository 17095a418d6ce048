#include "ImportSupport.h"

#include "OpenDatabase.h"
#include "SqlQuote.h"
#include "SqliteApi.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QFile>
#include <QFileInfo>

namespace qm::store {
namespace {

bool NameOpenDatabaseTakes(const QString& path)
{
    return path.endsWith(QLatin1String(".db")) || path.endsWith(QLatin1String(".db3"))
        || path.endsWith(QLatin1String(".gdb"));
}

// True when the schema of `path` reads under `key` (null: no key). Read-only,
// so neither the file nor a journal beside it is touched.
bool SchemaReads(const QString& path, const char* key, int keyLength)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    if (ok && key)
        ok = sqlite3_key(db, key, keyLength) == SQLITE_OK;
    if (ok)
        ok = sqlite3_exec(db, "select count(*) from sqlite_master;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

} // namespace

FileKey ProbeFileKey(const QString& path)
{
    if (SchemaReads(path, kProgramKey, kProgramKeyLength))
        return FileKey::Keyed;
    if (SchemaReads(path, nullptr, 0))
        return FileKey::Plain;
    return FileKey::Invalid;
}

bool CImportCopy::Open(const QString& original, bool showMessages)
{
    m_db.reset();
    m_original = original;
    if (!QFileInfo(original).isFile()) {
        if (showMessages)
            qm::ShowMessageText(109, MsgF(109, {original}));
        return false;
    }
    if (!NameOpenDatabaseTakes(original) || !m_dir.isValid())
        return false;
    if (ProbeFileKey(original) == FileKey::Invalid) {
        qm::ShowMessageText(kMsgInvalidDatabase, original + qm::Msg(kMsgInvalidDatabase));
        return false;
    }
    m_copyPath = m_dir.path() + u'/' + QFileInfo(original).fileName();
    QFile::remove(m_copyPath);
    if (!QFile::copy(original, m_copyPath))
        return false;
    // The copy is ours: make it writable whatever the original's mode was.
    QFile::setPermissions(m_copyPath, QFile::ReadOwner | QFile::WriteOwner);
    m_db = OpenDatabase(nullptr, m_copyPath, 0, 0, showMessages ? 1 : 0);
    if (m_db)
        m_db->SetReportMode(kReportLog);
    return m_db != nullptr;
}

void CImportCopy::Close()
{
    if (m_db)
        m_db->Close();
}

QString AttachSourceSql(const QString& path)
{
    // Every file has the program key. The key is named: once a connection has
    // read its own file, the encrypting build no longer hands its key on to
    // an attach without one.
    return QStringLiteral("attach '%1' as 'source' key %2;")
        .arg(SqlText(path), SqlQuoted(QString::fromLatin1(kProgramKey, kProgramKeyLength)));
}

QString DetachSourceSql() { return QStringLiteral("detach 'source';"); }

CSourceAttachment::CSourceAttachment(const QString& path, std::initializer_list<CDBOperator*> databases)
{
    for (CDBOperator* db : databases) {
        if (!db)
            continue;
        if (db->ExeSql(AttachSourceSql(path)) == -1) {
            m_ok = false;
            DetachAll();
            return;
        }
        m_attached.push_back(db);
    }
}

CSourceAttachment::~CSourceAttachment() { DetachAll(); }

void CSourceAttachment::DetachAll()
{
    for (CDBOperator* db : m_attached)
        db->ExeSql(DetachSourceSql());
    m_attached.clear();
}

CManualTransaction::CManualTransaction(CDBOperator& db) : m_db(db)
{
    m_db.SetAutoTransaction(0);
    m_open = m_db.ExeSql(QStringLiteral("begin;")) != -1;
}

CManualTransaction::~CManualTransaction() { Rollback(); }

bool CManualTransaction::Commit()
{
    if (!m_open)
        return false;
    if (m_db.ExeSql(QStringLiteral("commit;")) == -1) {
        Rollback();
        return false;
    }
    m_open = false;
    return true;
}

void CManualTransaction::Rollback()
{
    if (m_open)
        m_db.ExeSql(QStringLiteral("rollback;"));
    m_open = false;
}

CNewFileGuard::CNewFileGuard(const QString& path) : m_path(path), m_remove(!QFileInfo::exists(path)) {}

CNewFileGuard::~CNewFileGuard()
{
    if (!m_remove)
        return;
    QFile::remove(m_path);
    QFile::remove(m_path + QStringLiteral("-journal"));
}

} // namespace qm::store
