#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "PasswordHash.h"
#include "Schema.h"
#include "SqlQuote.h"

#include "Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace qm::store {
namespace {

bool Fill(CDBSqlite3& db)
{
    if (!CreateDatainfoTables(db))
        return false;
    const QString now = FormatSampleTime(qm::Now());
    // The first password is no secret (the first login must change it), so one
    // hash serves every database this process makes.
    static const QString firstPassword = HashPassword(QString::fromLatin1(kAdminFirstPassword));
    if (firstPassword.isEmpty())
        return false;
    // The role names are stored data (the user manager shows its own texts).
    QString sql = QStringLiteral("insert into Authority(level, name) values(0,'管理员');"
                                 "insert into Authority(level, name) values(1,'设备操作员');"
                                 "insert into Authority(level, name) values(2,'普通用户');"
                                 "insert into Authority(level, name) values(3,'禁用');");
    sql += QStringLiteral("insert into userinfo(user_name,user_password,user_type,create_time,update_time, latest_time)"
                          " values(%1,%2,0,%3,%3,'');")
               .arg(SqlQuoted(QString::fromLatin1(kAdminName)), SqlQuoted(firstPassword), SqlQuoted(now));
    db.SetAutoTransaction(1);
    return db.ExeSql(sql) != -1;
}

} // namespace

InitialDatabaseResult CreateInitialDatainfo(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists())
        return kInitialKept;
    if (!QDir().mkpath(target.absolutePath()))
        return kInitialFailed;
    const QString building = target.absolutePath() + QStringLiteral("/.building-") + target.completeBaseName()
        + QStringLiteral(".db3");
    QFile::remove(building);
    bool ok = false;
    {
        auto db = OpenDatabase(nullptr, building, 1, 0, 0);
        if (db) {
            db->SetReportMode(kReportLog);
            ok = Fill(*db);
        }
    }
    // Never move over a database that appeared in the meantime.
    if (ok && QFileInfo::exists(path))
        ok = false;
    if (ok)
        ok = QFile::rename(building, path);
    QFile::remove(building + QStringLiteral("-journal"));
    if (!ok) {
        QFile::remove(building);
        return QFileInfo::exists(path) ? kInitialKept : kInitialFailed;
    }
    return kInitialCreated;
}

InitialDatabaseResult CreateInitialProgramFolder(const QString& programFolder)
{
    return CreateInitialDatainfo(DatainfoPathIn(programFolder));
}

} // namespace qm::store
