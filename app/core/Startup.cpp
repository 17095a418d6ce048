#include "Startup.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "LoginState.h"
#include "OperationLog.h"
#include "StoreSeams.h"

namespace qm {

void InitCore()
{
    Settings();
    store::SetProgramFolder(ProgramFolder());
    store::SetDatainfoPath(DatabasePath());
    store::SetProgramLogWriter([](const QString& source, const QString& line) {
        WriteOperationLog(source, line, kTextLineOnly, QString());
    });
    ClearLogin();
}

void ShutdownCore()
{
    store::SetProgramLogWriter({});
    ReleaseOperationLog();
}

} // namespace qm
