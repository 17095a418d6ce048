#include "Users.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "Clock.h"
#include "LoginLockout.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "PasswordHash.h"
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

QString NowText() { return store::FormatSampleTime(Now()); }

// Every row named `name` (merged databases may hold more than one); false when
// the query failed.
bool UsersNamed(store::CDBSqlite3& db, const QString& name, QList<UserRow>* rows)
{
    std::unique_ptr<store::CRecordset> set;
    const int rc = db.QueryRecordset(
        QStringLiteral("select * from userinfo where user_name = %1;").arg(store::SqlQuoted(name)), set);
    if (rc < 0)
        return false;
    if (set)
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            *rows << ReadUser(*set);
    return true;
}

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

int IdleLogoutMinutes()
{
    const long minutes = Settings().GetIniInt(QStringLiteral("system"), QStringLiteral("idle_logout"), 15, 1, -1, -1);
    return minutes > 0 ? int(qMin(minutes, 60L * 24 * 366)) : 0;
}

bool PasswordLengthOk(const QString& password)
{
    return password.size() >= 8 && password.size() <= 16;
}

LoginOutcome TryLogin(const QString& typedName, const QString& typedPassword, const QString& source)
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
    // A locked name is refused before its password is looked at: guessing
    // goes no faster by trying on during the wait.
    const int left = LockedMinutesLeft(*db, name, Now());
    if (left < 0) {
        out.message = 123;
        return out;
    }
    if (left > 0) {
        RecordLockedLogin(source, name);
        out.message = kMsgLoginLocked;
        out.lockedMinutes = left;
        return out;
    }
    QList<UserRow> rows;
    if (!UsersNamed(*db, name, &rows)) {
        out.message = 123;
        return out;
    }
    const UserRow* user = nullptr;
    store::PasswordMatch match = store::PasswordMatch::kNoMatch;
    if (rows.isEmpty())
        store::CheckPasswordOfNobody(password);
    for (const UserRow& row : rows) {
        match = store::CheckPassword(row.password, password);
        if (match != store::PasswordMatch::kNoMatch) {
            user = &row;
            break;
        }
    }
    if (!user) {
        if (RecordRefusedLogin(*db, source, name)) {
            out.message = kMsgLoginLocked;
            out.lockedMinutes = kLockMinutes;
        } else {
            out.message = 129;
        }
        return out;
    }
    if (match == store::PasswordMatch::kMatchStoreAgain) {
        // A password kept as typed (an old database, a merged backup) is
        // replaced by its hash now; a failed write only leaves it for the
        // next login to try again.
        const QString hash = store::HashPassword(password);
        if (!hash.isEmpty())
            db->ExeSql(QStringLiteral("update userinfo set user_password = %1 where user_name = %2 and "
                                      "user_password = %3;")
                           .arg(store::SqlQuoted(hash), store::SqlQuoted(user->name),
                                store::SqlQuoted(user->password)));
    }
    if (user->role == kRoleDisabled) {
        out.message = 360;
        return out;
    }
    SetLogin(user->id, user->name, password, user->role, user->latestTime);
    out.expireDays = PasswordExpireDays();
    if (user->latestTime.trimmed().isEmpty()) {
        out.mustChange = true;
        out.changeMessage = kMsgHandedOutPassword;
    } else if (PasswordNeedsChange(user->latestTime, Now(), out.expireDays)) {
        out.mustChange = true;
        out.changeMessage = 361;
    }
    return out;
}

void ShowLoginRefusal(const LoginOutcome& outcome)
{
    if (outcome.message == kMsgLoginLocked)
        ShowMessageText(kMsgLoginLocked, LockedMessageText(outcome.lockedMinutes));
    else if (outcome.message != 0)
        ShowMessage(outcome.message);
}

void ShowPasswordChangeReason(const LoginOutcome& outcome)
{
    if (outcome.changeMessage == 361)
        ShowMessageText(361, MsgF(361, {QString::number(outcome.expireDays)}));
    else if (outcome.changeMessage != 0)
        ShowMessage(outcome.changeMessage);
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
    auto db = OpenUsers();
    if (!db)
        return 123;
    // The old password is checked against what is stored for the user now
    // (another program may have changed it since this login).
    QList<UserRow> rows;
    if (!UsersNamed(*db, login.name, &rows))
        return 123;
    bool oldMatches = false;
    for (const UserRow& row : rows)
        if (row.id == login.id)
            oldMatches = store::CheckPassword(row.password, oldPassword) != store::PasswordMatch::kNoMatch;
    if (!oldMatches)
        return 129;
    if (newPassword == oldPassword)
        return 204;
    if (typedConfirmation.trimmed() != newPassword)
        return 205;
    const QString hash = store::HashPassword(newPassword);
    if (hash.isEmpty())
        return 123;
    // The time of the change comes from the program's clock, in the stored
    // format, like every other time the program writes.
    const QString sql = QStringLiteral("update userinfo set user_password = %1, latest_time = '%2' "
                                       "where user_name = %3;")
                            .arg(store::SqlQuoted(hash), NowText(), store::SqlQuoted(login.name));
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
    QList<UserRow> existing;
    if (!UsersNamed(*db, name, &existing))
        return 123;
    if (!existing.isEmpty())
        return 266;
    const QString hash = store::HashPassword(password);
    if (hash.isEmpty())
        return 123;
    const QString now = NowText();
    // No latest_time: the password was handed out and must change at the first login.
    const QString sql =
        QStringLiteral("insert into userinfo(user_name,user_password,user_type,create_time,update_time, latest_time) "
                       "values(%1,%2,%3,'%4','%5', '');")
            .arg(store::SqlQuoted(name), store::SqlQuoted(hash), QString::number(role), now, now);
    if (db->ExeSql(sql) == -1)
        return 123;
    WriteOperationLog(QStringLiteral("CUserAdd::OnBnClickedOk"),
                      JoinWords(Msg(298) + Msg(295), QStringLiteral("(%1)").arg(name)), 25);
    return 124;
}

int EditUser(const QString& name, const QString& typedPassword, const QString& typedConfirmation, int role)
{
    const QString password = typedPassword.trimmed();
    QString hash;
    if (!password.isEmpty()) {
        if (!PasswordLengthOk(password))
            return 211;
        if (typedConfirmation.trimmed() != password)
            return 205;
        hash = store::HashPassword(password);
        if (hash.isEmpty())
            return 123;
    }
    auto db = OpenUsers();
    if (!db)
        return 123;
    const QString now = NowText();
    QString sql;
    // A reset password was handed out like a new user's: no latest_time, so
    // the next login must change it.
    if (!password.isEmpty())
        sql = QStringLiteral("update userinfo set user_password = %1, user_type = %2, update_time = '%3', "
                             "latest_time = '' where user_name = %4;")
                  .arg(store::SqlQuoted(hash), QString::number(role), now, store::SqlQuoted(name));
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
