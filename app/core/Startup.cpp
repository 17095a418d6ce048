#include "Startup.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "LoginState.h"
#include "OperationLog.h"

namespace qm {

CCoreContext::CCoreContext(const QString& folder, const QString& databasePath) : CProgramContext(folder, databasePath)
{
    Settings();
    m_previousWriter = store::SetProgramLogWriter([](const QString& source, const QString& line) {
        WriteOperationLog(source, line, kTextLineOnly, QString());
    });
    ClearLogin();
}

CCoreContext::~CCoreContext()
{
    store::SetProgramLogWriter(std::move(m_previousWriter));
    ReleaseOperationLog();
    ClearLogin();
}

} // namespace qm
