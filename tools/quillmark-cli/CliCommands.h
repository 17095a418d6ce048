#pragma once
// The command table of quillmark-cli. Each command lives in its own source
// file and registers itself with one line at namespace scope:
//
//   static const qm::cli::CliRegistrar g_ports{{"ports", RunPorts, "ports   one line per port: ..."}};
//
// `run` gets the arguments after the command name and returns the exit code.
// When it runs, the program context is in force and the message seam prints
// to stderr as "<number>: <text>". Questions take their default answer, except
// that a question whose answer destroys data is answered Cancel (No) unless
// the command consented (Consent) because its user gave the flag for it.
#include "MessageSeam.h"
#include "Permissions.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace qm::device {
class CConnectProcedure;
class CDevice;
}

namespace qm::cli {

struct CliCommand {
    const char* name;
    int (*run)(const QStringList& args);
    const char* usage;   // one or more lines for the help text, indented by the table
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

// Who runs the commands. The command-line login plugs in here: until it
// exists nobody is logged in, every command may run and its audit entries
// carry the user "=====".
bool MayRun(Guarded command);
QString CommandUser();

// Connects the logger on COM<port> as batch connect does (without an audit
// entry of its own); null after printing why not to stderr.
std::shared_ptr<device::CDevice> ConnectLogger(device::CConnectProcedure& procedure, int port);

} // namespace qm::cli
