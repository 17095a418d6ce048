#pragma once
// Where the source tree and the program folder of this build are. The test run
// is meant to pass them as QM_SOURCE_DIR and QM_TEST_PROGRAM_DIR; the build's
// own values stand in when the run does not.
#include <QString>

inline QString TestSourceDir()
{
    const QString env = qEnvironmentVariable("QM_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(QM_BUILD_SOURCE_DIR) : env;
}

inline QString TestProgramDir()
{
    const QString env = qEnvironmentVariable("QM_TEST_PROGRAM_DIR");
    return env.isEmpty() ? QStringLiteral(QM_BUILD_PROGRAM_DIR) : env;
}
