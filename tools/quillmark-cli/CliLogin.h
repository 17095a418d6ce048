#pragma once
// The login gate of quillmark-cli: every command runs as a logged-in user
// unless its access rule says otherwise. The user comes from --user, the
// password from QUILLMARK_PASSWORD or, on a terminal, from a prompt without
// echo. The login follows the window's rules and messages (202, 203, the
// lock-out, 129, 360; a password that must change first stops every command
// but passwd), writes one login entry naming the command line and no logout
// entry, and the command's role rule answers 315.
#include "CliCommands.h"

namespace qm::cli {

// The environment variables of the passwords.
inline constexpr char kPasswordVariable[] = "QUILLMARK_PASSWORD";
inline constexpr char kNewPasswordVariable[] = "QUILLMARK_NEW_PASSWORD";

// Logs `user` in for `command`; kExitOk when the command may run, else
// kExitFailed after the reason was shown.
int LogInFor(const CliCommand& command, const QString& user);

// A secret from the environment variable `variable` (set, even empty, it is
// the answer), else read from a terminal on standard input after `prompt`
// without echo; null when neither is there.
QString ReadSecret(const char* variable, const QString& prompt);

} // namespace qm::cli
