// ports, connect --port N, connect --all.
#include "CliCommands.h"

#include "CBatchConnect.h"
#include "CConnectProcedure.h"
#include "ComSettings.h"
#include "OperationLog.h"
#include "PortList.h"
#include "Strings.h"

namespace qm::cli {
namespace {

int RunPorts(const QStringList& args)
{
    if (!args.isEmpty()) {
        PrintError(QStringLiteral("usage: quillmark-cli ports"));
        return kExitUsage;
    }
    QList<qm::device::PortInfo> ports;
    qm::device::EnumeratePorts(&ports);
    for (const qm::device::PortInfo& p : ports)
        PrintLine(p.name + u'\t' + p.device);
    return kExitOk;
}

int ConnectPort(int port)
{
    qm::device::ReadInterval();
    qm::device::CConnectProcedure procedure;
    if (!procedure.EnsureDatabase())
        return kExitFailed;
    QString text;
    qm::device::DevicePtr device;
    const int connected = procedure.ConnectOnePort(port, &text, &device);
    PrintLine(text);
    if (connected != 1)
        return kExitFailed;
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBConn"), JoinWords(Msg(269), device->name), 4,
                      CommandUser());
    return kExitOk;
}

int ConnectAll()
{
    qm::device::CConnectProcedure procedure;
    if (!procedure.EnsureDatabase())
        return kExitFailed;
    qm::device::BatchConnectOptions options;
    options.startPauseMs = 0;
    options.logUser = CommandUser();
    const qm::device::BatchConnectResult r = qm::device::BatchConnect(procedure, nullptr, options);
    for (const QString& line : r.lines)
        PrintLine(line);
    PrintLine(QStringLiteral("tried=%1 connected=%2 failed=%3").arg(r.tried).arg(r.connected).arg(r.failed));
    return r.connected > 0 ? kExitOk : kExitFailed;
}

int RunConnect(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: quillmark-cli connect --port N | --all");
    if (args.size() == 1 && args.first() == QLatin1String("--all"))
        return ConnectAll();
    int port = 0;
    if (args.size() == 2 && args.first() == QLatin1String("--port") && ParseNumber(args.at(1), &port) && port > 0)
        return ConnectPort(port);
    PrintError(usage);
    return kExitUsage;
}

const CliRegistrar g_ports{{"ports", RunPorts, "ports              one line per port: COM<n>, a tab, the device path (no login)",
                            WithoutLogin()}};
const CliRegistrar g_connect{
    {"connect", RunConnect,
     "connect --port N   connect the logger on COM<N>; prints the result; exit 0 when connected\n"
     "connect --all      batch connect in the stored mode; prints every result line, then\n"
     "                   tried=N connected=N failed=N; exit 0 when at least one connected"}};

} // namespace
} // namespace qm::cli
