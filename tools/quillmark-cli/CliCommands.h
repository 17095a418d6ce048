#pragma once
// The command table of quillmark-cli. Each command lives in its own source
// file and registers itself with one line at namespace scope:
//
//   static const qm::cli::CliRegistrar g_ports{{"ports", RunPorts, "ports   one line per port: ..."}};
//
// `run` gets the arguments after the command name and returns the exit code.
// When it runs, the program context is in force, the user of --user is logged
// in as the command's access rule asks (CliLogin.h), and the message seam prints
// to stderr as "<number>: <text>". Questions take their default answer, except
// that a question whose answer destroys data is answered Cancel (No) unless
// the command consented (Consent) because its user gave the flag for it.
#include "MessageSeam.h"
#include "Permissions.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace qm::device {
class CConnectProcedure;
class CDevice;
}

namespace qm::cli {

// Who may run a command. The login gate applies it before the command runs,
// so a command only declares its rule: by default any logged-in user, else
// one of the rules below.
struct CliAccess {
    bool login = true;
    std::optional<Guarded> role;   // the user's role must pass this rule of the permission table
    bool passwordDue = false;      // runs although the password must be changed first
};
// Nobody needs to log in (ports).
inline CliAccess WithoutLogin()
{
    CliAccess access;
    access.login = false;
    return access;
}
// A user whose role the permission table allows for `rule` (run and stop: roles 0 and 1).
inline CliAccess ForRoles(Guarded rule)
{
    CliAccess access;
    access.role = rule;
    return access;
}
// Any logged-in user, also one whose password must be changed first (passwd).
inline CliAccess WhilePasswordDue()
{
    CliAccess access;
    access.passwordDue = true;
    return access;
}

struct CliCommand {
    const char* name;
    int (*run)(const QStringList& args);
    const char* usage;   // one or more lines for the help text, indented by the table
    CliAccess access = {};
    bool draws = false;  // paints (PDF, images): runs under a QGuiApplication, offscreen
};

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

void RegisterCliCommand(const CliCommand& command);
// Registered commands in name order.
std::vector<CliCommand> CliCommandTable();
const CliCommand* FindCliCommand(const QString& name);

struct CliRegistrar {
    explicit CliRegistrar(const CliCommand& command) { RegisterCliCommand(command); }
};

// Output helpers: a line to stdout or stderr, UTF-8.
void PrintLine(const QString& line);
void PrintError(const QString& line);

// The value after `option` in `args` ("--port 3"); null when the option is
// absent, empty when it has no value.
QString OptionValue(const QStringList& args, const QString& option);
// A whole decimal number or false.
bool ParseNumber(const QString& text, int* value);

// The flag that consents to what an answer destroys: --clear the logger's
// history, --force a file, --yes other stored data.
QString ConsentFlag(Destroys what);
// The command line gave the flag for `what`: such questions get their OK (Yes).
void Consent(Destroys what);
// The answer to `request`: see the top of this file.
int AnswerFor(const MessageRequest& request);

// The user a command's audit entries carry: the logged-in user, or "=====" for
// a command that runs without a login.
QString CommandUser();

// Connects the logger on COM<port> as batch connect does (without an audit
// entry of its own); null after printing why not to stderr.
std::shared_ptr<device::CDevice> ConnectLogger(device::CConnectProcedure& procedure, int port);

} // namespace qm::cli
