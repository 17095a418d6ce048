#pragma once
// The command table of quillmark-cli. Each command lives in its own source
// file and registers itself with one line at namespace scope:
//
//   static const qm::cli::CliRegistrar g_ports{{"ports", RunPorts, "ports   one line per port: ..."}};
//
// `run` gets the arguments after the command name and returns the exit code.
// When it runs, the program folder is set, the core is initialised and the
// message seam prints to stderr; nobody is logged in (log entries carry the
// user "=====").
#include <QString>
#include <QStringList>

#include <vector>

namespace qm::cli {

struct CliCommand {
    const char* name;
    int (*run)(const QStringList& args);
    const char* usage;   // one or more lines for the help text, indented by the table
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

} // namespace qm::cli
