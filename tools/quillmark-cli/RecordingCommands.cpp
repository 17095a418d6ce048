// run --port N [--clear], stop --port N: the main window's run and stop
// buttons for the logger on one port.
#include "CliCommands.h"

#include "CConnectProcedure.h"
#include "DeviceCommands.h"
#include "MessageSeam.h"

namespace qm::cli {
namespace {

// Connects COM<port>, runs `command` on the logger and prints where it ended
// up; exit 0 when the logger records (`wantRecording`) or not, as asked.
int RunOnPort(int port, bool wantRecording,
              device::CommandOutcome (*command)(device::CDevice&, const QString&))
{
    device::CConnectProcedure procedure;
    const device::DevicePtr logger = ConnectLogger(procedure, port);
    if (!logger)
        return kExitFailed;
    if (command(*logger, CommandUser()) == device::CommandOutcome::Failed)
        return kExitFailed;
    const bool recording = logger->config.recordingState != 0;
    PrintLine(QStringLiteral("sn=%1 state=%2").arg(logger->sn, recording ? QStringLiteral("recording")
                                                                        : QStringLiteral("stopped")));
    return recording == wantRecording ? kExitOk : kExitFailed;
}

bool PortArgument(const QStringList& args, int* port)
{
    return args.size() >= 2 && args.at(0) == QLatin1String("--port") && ParseNumber(args.at(1), port) && *port > 0;
}

int RunRun(const QStringList& args)
{
    int port = 0;
    const bool clear = args.size() == 3 && args.at(2) == ConsentFlag(Destroys::History);
    if (!PortArgument(args, &port) || !(args.size() == 2 || clear)) {
        PrintError(QStringLiteral("usage: quillmark-cli run --port N [--clear]"));
        return kExitUsage;
    }
    if (clear)
        Consent(Destroys::History);
    return RunOnPort(port, true, &device::StartRecording);
}

int RunStop(const QStringList& args)
{
    int port = 0;
    if (!PortArgument(args, &port) || args.size() != 2) {
        PrintError(QStringLiteral("usage: quillmark-cli stop --port N"));
        return kExitUsage;
    }
    return RunOnPort(port, false, &device::StopRecording);
}

const CliRegistrar g_run{
    {"run", RunRun,
     "run --port N [--clear]          start recording on the logger on COM<N> as the window's run button\n"
     "                                does (same refusals and messages); its history is kept unless\n"
     "                                --clear erases it first; prints sn=<SN> state=recording|stopped;\n"
     "                                exit 0 when it records",
     ForRoles(Guarded::RunStop)}};
const CliRegistrar g_stop{
    {"stop", RunStop,
     "stop --port N                   stop recording on the logger on COM<N> as the window's stop button\n"
     "                                does; prints sn=<SN> state=recording|stopped; exit 0 when it is stopped",
     ForRoles(Guarded::RunStop)}};

} // namespace
} // namespace qm::cli
