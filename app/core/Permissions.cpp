#include "Permissions.h"

#include "LoginState.h"
#include "MessageSeam.h"

namespace qm {

bool IsLoggedIn() { return LoginState() != kNobodyLoggedIn; }

bool RoleMayRun(Guarded command, int role)
{
    switch (command) {
    case Guarded::UserManager:
        return role == kRoleAdministrator;
    case Guarded::AuditTrail:
    case Guarded::RunStop:
    case Guarded::WriteConfig:
    case Guarded::DeleteRecords:
        return role == kRoleAdministrator || role == kRoleOperator;
    case Guarded::Connect:
    case Guarded::Disconnect:
    case Guarded::Save:
    case Guarded::Print:
    case Guarded::PdfReport:
    case Guarded::SerialSettings:
    case Guarded::AutoBackup:
    case Guarded::ManualBackup:
    case Guarded::BackupImport:
        break;
    }
    // A disabled user never gets this far (it cannot log in); refuse it anyway.
    return role >= kRoleAdministrator && role != kRoleDisabled;
}

int NotLoggedInMessage(Guarded command)
{
    switch (command) {
    case Guarded::AutoBackup:
    case Guarded::ManualBackup:
    case Guarded::BackupImport:
        return 126;
    default:
        return 164;
    }
}

Refusal CheckPermission(Guarded command)
{
    const LoginInfo login = CurrentLogin();
    if (login.state == kNobodyLoggedIn)
        return Refusal::NotLoggedIn;
    return RoleMayRun(command, login.role) ? Refusal::None : Refusal::Role;
}

bool Permit(Guarded command)
{
    switch (CheckPermission(command)) {
    case Refusal::None:
        return true;
    case Refusal::NotLoggedIn:
        if (NotLoggedInMessage(command) == 126)
            ShowMessage(126);
        else
            ShowMessage(164);
        return false;
    case Refusal::Role:
        ShowMessage(315);
        return false;
    }
    return false;
}

} // namespace qm
