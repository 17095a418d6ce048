// passwd, users, users add NAME --role 0|1|2: the password dialog and the
// user manager of the window.
#include "CliCommands.h"
#include "CliLogin.h"

#include "LoginState.h"
#include "MessageSeam.h"
#include "Strings.h"
#include "Users.h"

namespace qm::cli {
namespace {

int RunPasswd(const QStringList& args)
{
    if (!args.isEmpty()) {
        PrintError(QStringLiteral("usage: quillmark-cli --user NAME passwd"));
        return kExitUsage;
    }
    QString fresh;
    QString confirmation;
    if (qEnvironmentVariableIsSet(kNewPasswordVariable)) {
        fresh = confirmation = qEnvironmentVariable(kNewPasswordVariable);
    } else {
        fresh = ReadSecret(kNewPasswordVariable, Msg(5213));
        if (!fresh.trimmed().isEmpty())
            confirmation = ReadSecret(kNewPasswordVariable, Msg(5214));
    }
    // The old password is the one this call logged in with.
    const int message = ChangePassword(LoginPassword(), fresh, confirmation);
    ShowMessage(message);
    return message == 206 ? kExitOk : kExitFailed;
}

// Stable columns for scripts: an empty time reads "-".
QString Cell(const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; }

int ListTheUsers()
{
    const auto users = ListUsers();
    if (!users) {
        ShowMessage(123);
        return kExitFailed;
    }
    PrintLine(QStringLiteral("name\trole\tcreate_time\tlatest_time"));
    for (const UserRow& user : *users)
        PrintLine(QStringList{user.name, QString::number(user.role), Cell(user.createTime), Cell(user.latestTime)}.join(
            u'\t'));
    return kExitOk;
}

int AddTheUser(const QString& name, const QString& roleText)
{
    int role = -1;
    if (!ParseNumber(roleText, &role) || role < kRoleAdministrator || role > kRoleUser) {
        PrintError(QStringLiteral("usage: quillmark-cli --user NAME users add NAME --role 0|1|2"));
        return kExitUsage;
    }
    // Without a password given the user gets the default one; either way it
    // was handed out, so the first login must change it.
    const int message = AddUser(name, qEnvironmentVariable(kNewPasswordVariable), role);
    ShowMessage(message);
    return message == 124 ? kExitOk : kExitFailed;
}

int RunUsers(const QStringList& args)
{
    if (args.isEmpty())
        return ListTheUsers();
    if (args.size() == 4 && args.at(0) == QLatin1String("add") && args.at(2) == QLatin1String("--role"))
        return AddTheUser(args.at(1), args.at(3));
    PrintError(QStringLiteral("usage: quillmark-cli --user NAME users [add NAME --role 0|1|2]"));
    return kExitUsage;
}

const CliRegistrar g_passwd{
    {"passwd", RunPasswd,
     "passwd                          change the password of --user: the new one from\n"
     "                                QUILLMARK_NEW_PASSWORD, else asked twice on the terminal; also when\n"
     "                                the password must be changed first",
     WhilePasswordDue()}};
const CliRegistrar g_users{
    {"users", RunUsers,
     "users                           (administrators) a header line, then one line per user: name,\n"
     "                                role (0/1/2/3), create_time, latest_time (\"-\" when empty), tab-separated\n"
     "users add NAME --role 0|1|2     (administrators) add a user with the password from\n"
     "                                QUILLMARK_NEW_PASSWORD or the default one; it must be changed at the\n"
     "                                first login",
     ForRoles(Guarded::UserManager)}};

} // namespace
} // namespace qm::cli
