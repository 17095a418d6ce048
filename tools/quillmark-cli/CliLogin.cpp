#include "CliLogin.h"

#include "LoginState.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Permissions.h"
#include "Strings.h"
#include "Users.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace qm::cli {
namespace {

const QString kSource = QStringLiteral("quillmark-cli::LogIn");

// One line from the terminal on standard input, not echoed.
QString ReadHiddenLine(const QString& prompt)
{
    // Echo goes off before the prompt shows, and nothing typed ahead is thrown
    // away: an answer that arrives right after the prompt must still be read.
    termios saved{};
    const bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::fputs((prompt + QStringLiteral(": ")).toUtf8().constData(), stderr);
    std::fflush(stderr);
    std::string line;
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin))
        line.push_back(char(c));
    if (restore)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return QString::fromLocal8Bit(line.c_str());
}

} // namespace

QString ReadSecret(const char* variable, const QString& prompt)
{
    if (qEnvironmentVariableIsSet(variable))
        return qEnvironmentVariable(variable);
    if (!isatty(STDIN_FILENO))
        return QString();
    return ReadHiddenLine(prompt);
}

int LogInFor(const CliCommand& command, const QString& user)
{
    if (!command.access.login)
        return kExitOk;
    // Nobody is asked for a password without a name to go with it.
    if (user.trimmed().isEmpty()) {
        ShowMessage(202);
        return kExitFailed;
    }
    const LoginOutcome outcome = TryLogin(user, ReadSecret(kPasswordVariable, Msg(5211)), kSource);
    if (outcome.message != 0) {
        ShowLoginRefusal(outcome);
        return kExitFailed;
    }
    if (outcome.mustChange && !command.access.passwordDue) {
        ShowPasswordChangeReason(outcome);
        ClearLogin();
        return kExitFailed;
    }
    WriteOperationLog(kSource, Msg(107) + QStringLiteral("(quillmark-cli)"), 1);
    if (command.access.role && !RoleMayRun(*command.access.role, CurrentRole())) {
        ShowMessage(315);
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace qm::cli
