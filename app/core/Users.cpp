#include "Users.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "Clock.h"
#include "LoginState.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QRegularExpression>

namespace qm {
namespace {

std::unique_ptr<store::CDBSqlite3> OpenUsers()
{
    return store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 1);
}

UserRow ReadUser(const store::CRecordset& set)
{
    UserRow row;
    row.id = int(set.Integer(u"id"));
    row.name = set.Text(u"user_name");
    row.password = set.Text(u"user_password");
    row.role = int(set.Integer(u"user_type"));
    row.createTime = set.Text(u"create_time");
    row.updateTime = set.Text(u"update_time");
    row.latestTime = set.Text(u"latest_time");
    return row;
}

// -1 failed, 0 no row, 1 found.
int FindUser(store::CDBSqlite3& db, const QString& sql, UserRow* row)
{
    std::unique_ptr<store::CRecordset> set;
    if (db.QueryRecordset(sql, set) < 0)
        return -1;
    if (!set || set->RecordCount() == 0)
        return 0;
    if (row)
        *row = ReadUser(*set);
    return 1;
}

QString NowText() { return store::FormatSampleTime(Now()); }

} // namespace

QString RoleText(int role)
{
    switch (role) {
    case kRoleAdministrator: return Msg(262);
    case kRoleOperator: return Msg(263);
    case kRoleUser: return Msg(264);
    case kRoleDisabled: return Msg(359);
    default: return QString();
    }
}

int PasswordExpireDays()
{
    return int(Settings().GetIniInt(QStringLiteral("system"), QStringLiteral("expire"), 10, 1, -1, -1));
}

bool PasswordNeedsChange(const QString& latestTime, const QDateTime& now, int expireDays)
{
    static const QRegularExpression format(QStringLiteral("^\\s*(\\d+)-(\\d+)-(\\d+)\\s+(\\d+):(\\d+):(\\d+)"));
    const auto m = format.match(latestTime);
    if (!m.hasMatch())
        return true;
    const QDateTime changed(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                            QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
    if (!changed.isValid())
        return true;
    const qint64 days = changed.secsTo(now) / 86400;
    return days >= expireDays;
}

bool PasswordLengthOk(const QString& password)
{
    return password.size() >= 8 && password.size() <= 16;
}

LoginOutcome TryLogin(const QString& typedName, const QString& typedPassword)
{
    LoginOutcome out;
    const QString name = typedName.trimmed();
    const QString password = typedPassword.trimmed();
    if (name.isEmpty()) {
        out.message = 202;
        return out;
    }
    if (password.isEmpty()) {
        out.message = 203;
        return out;
    }
    auto db = OpenUsers();
    if (!db) {
        out.message = 123;
        return out;
    }
    UserRow row;
    const int found = FindUser(*db,
                               QStringLiteral("select * from userinfo where user_name = '%1' and user_password = '%2';")
                                   .arg(store::SqlText(name), store::SqlText(password)),
                               &row);
    if (found < 0) {
        out.message = 123;
        return out;
    }
    if (found == 0) {
        out.message = 129;
        return out;
    }
    if (row.role == kRoleDisabled) {
        out.message = 360;
        return out;
    }
    SetLogin(row.id, row.name, row.password, row.role, row.latestTime);
    out.expireDays = PasswordExpireDays();
    out.mustChange = PasswordNeedsChange(row.latestTime, Now(), out.expireDays);
    return out;
}

int ChangePassword(const QString& typedOld, const QString& typedNew, const QString& typedConfirmation)
{
    const QString oldPassword = typedOld.trimmed();
    const QString newPassword = typedNew.trimmed();
    if (newPassword.isEmpty())
        return 203;
    if (!PasswordLengthOk(newPassword))
        return 211;
    const LoginInfo login = CurrentLogin();
    if (oldPassword != login.password)
        return 129;
    if (newPassword == oldPassword)
        return 204;
    if (typedConfirmation.trimmed() != newPassword)
        return 205;
    auto db = OpenUsers();
    if (!db)
        return 123;
    // The time of the change comes from the program's clock, in the stored
    // format, like every other time the program writes.
    const QString sql = QStringLiteral("update userinfo set user_password = '%1', latest_time = '%2' "
                                       "where user_name = '%3';")
                            .arg(store::SqlText(newPassword), NowText(), store::SqlText(login.name));
    if (db->ExeSql(sql) == -1)
        return 123;
    SetLoginPassword(newPassword);
    WriteOperationLog(QStringLiteral("CUpdatePwd::OnBnClickedOk"), Msg(276), 11);
    return 206;
}

int AddUser(const QString& typedName, const QString& typedPassword, int role)
{
    const QString name = typedName.trimmed();
    QString password = typedPassword.trimmed();
    if (name.isEmpty())
        return 202;
    if (!password.isEmpty() && !PasswordLengthOk(password))
        return 318;
    if (password.isEmpty())
        password = QString::fromLatin1(kDefaultPassword);
    auto db = OpenUsers();
    if (!db)
        return 123;
    const int found =
        FindUser(*db, QStringLiteral("select * from userinfo where user_name = '%1';").arg(store::SqlText(name)), nullptr);
    if (found < 0)
        return 123;
    if (found > 0)
        return 266;
    const QString now = NowText();
    const QString sql =
        QStringLiteral("insert into userinfo(user_name,user_password,user_type,create_time,update_time, latest_time) "
                       "values('%1','%2',%3,'%4','%5', '%6');")
            .arg(store::SqlText(name), store::SqlText(password), QString::number(role), now, now, now);
    if (db->ExeSql(sql) == -1)
        return 123;
    WriteOperationLog(QStringLiteral("CUserAdd::OnBnClickedOk"),
                      Msg(298) + Msg(295) + QStringLiteral("(%1)").arg(name), 25);
    return 124;
}

int EditUser(const QString& name, const QString& typedPassword, const QString& typedConfirmation, int role)
{
    const QString password = typedPassword.trimmed();
    if (!password.isEmpty()) {
        if (!PasswordLengthOk(password))
            return 211;
        if (typedConfirmation.trimmed() != password)
            return 205;
    }
    auto db = OpenUsers();
    if (!db)
        return 123;
    const QString now = NowText();
    QString sql;
    if (!password.isEmpty())
        sql = QStringLiteral("update userinfo set user_password = '%1', user_type = %2, update_time = '%3', "
                             "latest_time = '%3' where user_name = '%4';")
                  .arg(store::SqlText(password), QString::number(role), now, store::SqlText(name));
    else
        sql = QStringLiteral("update userinfo set user_type = %1, update_time = '%2' where user_name = '%3';")
                  .arg(QString::number(role), now, store::SqlText(name));
    return db->ExeSql(sql) == -1 ? 123 : 124;
}

std::optional<QList<UserRow>> ListUsers()
{
    auto db = OpenUsers();
    if (!db)
        return std::nullopt;
    std::unique_ptr<store::CRecordset> set;
    if (db->QueryRecordset(QStringLiteral("select * from userinfo;"), set) < 0)
        return std::nullopt;
    QList<UserRow> rows;
    if (!set)
        return rows;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        rows << ReadUser(*set);
    return rows;
}

} // namespace qm
