#include "StoreTestUtil.h"

#include "DBSqlite3.h"
#include "SqliteApi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace storetest {

ScratchFolder::ScratchFolder()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("database"));
}

int RawExec(const QString& path, const QByteArray& key, const QString& sql, QStringList* rows)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc == SQLITE_OK && !key.isEmpty())
        rc = sqlite3_key(db, key.constData(), int(key.size()));
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(
            db, sql.toUtf8().constData(),
            [](void* arg, int n, char** values, char**) {
                auto* out = static_cast<QStringList*>(arg);
                if (out) {
                    QStringList cols;
                    for (int i = 0; i < n; ++i)
                        cols << (values[i] ? QString::fromUtf8(values[i]) : QStringLiteral("<null>"));
                    out->append(cols.join(QLatin1Char('|')));
                }
                return 0;
            },
            rows, nullptr);
    }
    sqlite3_close(db);
    return rc;
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

bool HasPlainHeader(const QString& path)
{
    return ReadFile(path).startsWith(QByteArray("SQLite format 3", 16));
}

QString BuildProgramFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("QM_TEST_PROGRAM_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QDir::cleanPath(QFileInfo(self).absolutePath() + QStringLiteral("/../bin"));
}

QByteArray ProgramKey()
{
    return QByteArray(qm::store::kProgramKey, qm::store::kProgramKeyLength);
}

} // namespace storetest
