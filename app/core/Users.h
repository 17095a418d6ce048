#pragma once
// Users of the program (table userinfo of the main database): login, password
// change and ageing, adding and editing users. No widgets: the dialogs show the
// message numbers these functions return. Each call opens its own short-lived
// connection on the main database. Names reach the statements quoted, so a
// typed quote is only a character of the name; passwords never reach a
// statement: user_password holds their hash (PasswordHash.h).
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace qm {

// The password the user manager gives a new user when none is typed.
inline constexpr char kDefaultPassword[] = "731640";
// The administrator that the user manager never edits.
inline constexpr char kAdministratorName[] = "admin";
// The first login with a password somebody else handed out (a new user, a
// reset, the first administrator) must change it: this message says so.
inline constexpr int kMsgHandedOutPassword = 5215;

struct UserRow {
    int id = 0;
    QString name;
    QString password;   // as stored: a hash, or a password as typed in an old database
    int role = 0;
    QString createTime;
    QString updateTime;
    QString latestTime;
};

// Role texts: 262 管理员, 263 设备操作员, 264 普通用户, 359 禁用; empty otherwise.
QString RoleText(int role);

// "expire" of section "system": the password lifetime in days (default 10).
int PasswordExpireDays();

// True when the password set at `latestTime` ("%d-%d-%d %d:%d:%d", as stored)
// must be changed at `now`: no (or an unreadable) time, or at least
// `expireDays` whole days since it.
bool PasswordNeedsChange(const QString& latestTime, const QDateTime& now, int expireDays);

// "idle_logout" of section "system": minutes without input after which the
// window logs out (default 15; 0 never).
int IdleLogoutMinutes();

// New passwords have 8 to 16 characters; nothing else is enforced.
bool PasswordLengthOk(const QString& password);

struct LoginOutcome {
    int message = 0;          // 0 logged in; else 202, 203, kMsgLoginLocked, 129, 360 or 123
    int lockedMinutes = 0;    // with kMsgLoginLocked: the minutes the name stays locked
    bool mustChange = false;  // logged in with a password that has to change now
    int changeMessage = 0;    // why: kMsgHandedOutPassword (no password date) or 361 (aged)
    int expireDays = 0;       // the lifetime that was applied
};
// Checks the trimmed name and password against userinfo; on success fills the
// login state. A password still stored as typed is replaced by its hash. A
// refused login (unknown name, wrong password) is written to the audit trail
// with the tried name, and a name refused too often in a row is locked for a
// while (LoginLockout.h). `source` names the caller in the text log. Shows nothing.
LoginOutcome TryLogin(const QString& name, const QString& password,
                      const QString& source = QStringLiteral("CLogin::OnBnClickedOk"));
// Shows the refusal of `outcome` (its message != 0) with its numbers filled in.
void ShowLoginRefusal(const LoginOutcome& outcome);
// Shows why the password of a login with `mustChange` has to change now.
void ShowPasswordChangeReason(const LoginOutcome& outcome);

// The change of the logged-in user's password, checks in the dialog's order;
// the old password is checked against the stored one. Returns 206 on success
// (the row holds the new password's hash and the time of the change, the login
// state the new password, log type 11 written), else 203, 211, 129, 204, 205 or 123.
int ChangePassword(const QString& oldPassword, const QString& newPassword, const QString& confirmation);

// Adds a user with role `role` (0 to 3). An empty password gives the default
// one. The password was handed out, so it has no date: the first login must
// change it. Returns 124 on success (log type 25), else 202 (no name), 318,
// 266 (the name exists) or 123.
int AddUser(const QString& name, const QString& password, int role);

// Sets the role and, when `password` is not blank, the password of `name`; a
// password reset this way has no date, so the next login must change it.
// Returns 124, else 211, 205 or 123.
int EditUser(const QString& name, const QString& password, const QString& confirmation, int role);

// "select * from userinfo;" in the database's order; nullopt when it fails.
std::optional<QList<UserRow>> ListUsers();

} // namespace qm
