#pragma once
// Which role may run which command: the one table the whole program asks.
// Every guarded command first needs somebody logged in (message 164, or 126
// for the backup commands), then a role that the table allows (message 315).
#include <QString>

namespace qm {

enum class Guarded {
    UserManager,     // 账号管理: role 0
    AuditTrail,      // 审计追踪: roles 0 and 1
    RunStop,         // start and stop recording: roles 0 and 1
    WriteConfig,     // writing a device configuration, single or batch: roles 0 and 1
    DeleteRecords,   // deleting stored records and record folders: roles 0 and 1
    Connect,         // the rest: any logged-in user
    Disconnect,
    Save,
    Print,
    PdfReport,
    SerialSettings,
    AutoBackup,      // the backup commands answer 126 when nobody is logged in
    ManualBackup,
    BackupImport,
};

// Somebody is logged in (LoginState is not -1).
bool IsLoggedIn();

// The table itself: may a user of `role` run `command`?
bool RoleMayRun(Guarded command, int role);

// The number shown when nobody is logged in: 126 for the backup commands, else 164.
int NotLoggedInMessage(Guarded command);

enum class Refusal { None, NotLoggedIn, Role };
// The check without a message.
Refusal CheckPermission(Guarded command);

// The check as a command runs it: true when allowed; otherwise the refusal's
// message has been shown and the caller does nothing else.
bool Permit(Guarded command);

} // namespace qm
