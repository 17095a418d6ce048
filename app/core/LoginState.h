#pragma once
// The process-wide login state. Written by the login and password dialogs and
// by logout; read everywhere (permission checks, the operation log, reports).
// Never persisted: the password age lives in userinfo.latest_time. Safe to
// read from any thread.
#include <QString>

namespace qm {

inline constexpr int kNobodyLoggedIn = -1;

// Roles (userinfo.user_type).
enum Role { kRoleAdministrator = 0, kRoleOperator = 1, kRoleUser = 2, kRoleDisabled = 3 };

struct LoginInfo {
    int state = kNobodyLoggedIn;   // LoginState()
    int role = -1;                 // user_type of the logged-in user
    int id = 0;
    QString name;
    QString password;              // as typed: a password change compares the old one
    QString latestTime;            // latest_time as stored (may be empty)
};

// -1 nobody logged in; 0 for role 0, 2 for role 2, 1 for any other role.
int LoginState();
// The logged-in user's user_type (-1 when nobody is logged in).
int CurrentRole();
QString LoginUserName();
QString LoginPassword();
int LoginUserId();
QString LoginLatestTime();
LoginInfo CurrentLogin();

// The LoginState value for a role.
int LoginStateForRole(int role);

// Logs the user in (state follows the role).
void SetLogin(int id, const QString& name, const QString& password, int role, const QString& latestTime);
// After a password change the held password is the new one.
void SetLoginPassword(const QString& password);
// Logout: name and password emptied, LoginState -1.
void ClearLogin();

} // namespace qm
