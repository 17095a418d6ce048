#include "LoginState.h"

#include <QMutex>
#include <QMutexLocker>

namespace qm {
namespace {
QMutex g_loginLock;
LoginInfo g_login;
} // namespace

int LoginStateForRole(int role)
{
    if (role == kRoleAdministrator)
        return 0;
    if (role == kRoleUser)
        return 2;
    return 1;
}

LoginInfo CurrentLogin()
{
    QMutexLocker lock(&g_loginLock);
    return g_login;
}

int LoginState() { return CurrentLogin().state; }
int CurrentRole() { return CurrentLogin().role; }
QString LoginUserName() { return CurrentLogin().name; }
QString LoginPassword() { return CurrentLogin().password; }
int LoginUserId() { return CurrentLogin().id; }
QString LoginLatestTime() { return CurrentLogin().latestTime; }

void SetLogin(int id, const QString& name, const QString& password, int role, const QString& latestTime)
{
    QMutexLocker lock(&g_loginLock);
    g_login.state = LoginStateForRole(role);
    g_login.role = role;
    g_login.id = id;
    g_login.name = name;
    g_login.password = password;
    g_login.latestTime = latestTime;
}

void SetLoginPassword(const QString& password)
{
    QMutexLocker lock(&g_loginLock);
    g_login.password = password;
}

void ClearLogin()
{
    QMutexLocker lock(&g_loginLock);
    g_login = LoginInfo();
}

} // namespace qm
