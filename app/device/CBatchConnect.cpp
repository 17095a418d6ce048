#include "CBatchConnect.h"

#include "BatchWorkers.h"
#include "CBatchNote.h"
#include "ComSettings.h"
#include "EventLock.h"
#include "OperationLog.h"
#include "PortList.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace qm::device {
namespace {

// Keeps the UI alive for `ms` (or just sleeps off the UI thread).
void PauseWithEvents(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (qm::store::OnUiThread())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The counters and lines the workers share.
struct Tally {
    QMutex lock;
    BatchConnectResult result;
};

} // namespace

BatchConnectResult BatchConnect(CConnectProcedure& procedure, CBatchNote* note, const BatchConnectOptions& options)
{
    if (note) {
        note->Reset(Msg(5038), false);
        note->SetLabels({Msg(5078), Msg(5079), Msg(5080), Msg(5081)});
    }
    PauseWithEvents(options.startPauseMs);

    const int mode = ReadAutoMode();
    ReadInterval();
    QList<int> ports;
    if (mode == 1) {
        EnumeratePorts();
        ports = PortNumbers();
    } else {
        ports << PortNumberOf(ReadPortText());
    }
    if (note)
        note->SetTotal(int(ports.size()));

    Tally tally;
    if (!ports.isEmpty())
        procedure.EnsureDatabase();

    qm::store::CEventLock handOver(true);
    std::atomic<int> nextIndex{0};
    BatchWorkers workers;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        qm::store::WaitWithMessagePump(handOver, -1, false);
        workers.Start([&] {
            const int port = ports.at(nextIndex.fetch_add(1));
            const quint64 threadId = quint64(std::hash<std::thread::id>()(std::this_thread::get_id()));
            {
                QMutexLocker lock(&tally.lock);
                tally.result.workerPorts << port;
                tally.result.workerThreads << threadId;
            }
            handOver.Set();

            QString line;
            DevicePtr device;
            const int ok = procedure.ConnectOnePort(port, &line, &device);
            {
                QMutexLocker lock(&tally.lock);
                BatchConnectResult& r = tally.result;
                ++r.tried;
                (ok ? r.connected : r.failed) += 1;
                r.lines << line;
                if (device) {
                    r.connectedSerials << device->sn;
                    r.connectedNames << device->name;
                }
                if (note) {
                    ok ? note->ReportSuccess(line) : note->ReportFailure(line);
                    note->SetDone(r.tried);
                }
            }
        });
    }

    workers.JoinAll();

    BatchConnectResult result = tally.result;
    if (options.writeLog) {
        for (const QString& name : result.connectedNames)
            WriteOperationLog(options.logSource, JoinWords(Msg(269), name), 4, options.logUser);
    }
    if (note)
        note->Finish();
    return result;
}

} // namespace qm::device
