// The single download of 100,000 two-channel samples (10-byte frames) from a
// simulated logger at 115200 baud, through the whole pipeline into both files:
// - with the line paced at its byte rate: elapsed time against the time the
//   bytes need on the wire, and the time from the last sample to the
//   registered record;
// - without pacing: samples per second end to end, and the peak memory.
//
//   bench_download [--paced | --unpaced] [--frames N]
#include "AppEnv.h"
#include "CConnectProcedure.h"
#include "CDevManager.h"
#include "Ciniwell.h"
#include "ComSettings.h"
#include "InitialDatabase.h"
#include "PortList.h"
#include "SingleDownload.h"
#include "Startup.h"
#include "loggersim/Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <stdlib.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    bool ok = false;
    qint64 samples = 0;
    double elapsedS = 0;
    double wireS = 0;
    double lastToRecordMs = 0;
};

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// `transferOnly`: the same logger and link, the samples only counted: the
// baseline of the whole pipeline in the same run.
Result RunOnce(bool paced, int frames, bool transferOnly = false)
{
    Result r;
    QTemporaryDir folder;
    qm::store::CreateInitialProgramFolder(folder.path());
    QDir().mkpath(folder.path() + QStringLiteral("/config"));
    const qm::CCoreContext context(folder.path());
    qm::device::SetRealDeviceFolder(folder.path() + QStringLiteral("/no-tty"));
    qm::Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"), folder.path() + QStringLiteral("/backup"));
    qm::Settings().WriteIniInit(QStringLiteral("com_port"), QStringLiteral("interval"), 300);
    qm::device::ReadInterval();

    loggersim::LoggerProfile p;
    p.state.sn = "A1B209001";
    p.state.channels.resize(2);
    p.state.channels[0].type = 1;
    p.state.channels[1].type = 2;
    p.state.channels[0].alarmUpper = 30;
    p.state.channels[1].alarmUpper = 80;
    p.state.frameBytes = 10;
    p.state.baud = 115200;
    p.pacing = paced;
    p.history = loggersim::CHistory::Generated({2024, 5, 17, 0, 0, 0}, 60, frames, {{20.0, 5.0, 96, 0}, {55.0}});
    {
        loggersim::CSimulator sim(folder.path().toStdString());
        sim.Add(p, 1);
        std::string error;
        if (!sim.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return r;
        }
        qm::device::CConnectProcedure procedure(qm::device::DeviceManager());
        procedure.EnsureDatabase();
        QString text;
        qm::device::DevicePtr device;
        if (procedure.ConnectOnePort(1, &text, &device) != 1) {
            std::fprintf(stderr, "connect: %s\n", qPrintable(text));
            return r;
        }
        qm::device::DeviceManager().SetCurrentSN(device->sn);

        if (transferOnly) {
            static std::atomic<qint64> counted;
            counted = 0;
            const auto start = Clock::now();
            SYSTEMTIME from{};
            const int ok = device->link->DownHistoryData(
                device->config.channelCount, from, device->basic.frameBytes,
                [](void*, char*, qm::device::HistoryData) { counted.fetch_add(1, std::memory_order_relaxed); },
                nullptr, nullptr, qm::device::LinkDelay(), qm::device::kAttempts);
            r.elapsedS = Seconds(Clock::now() - start);
            r.samples = counted.load();
            r.ok = ok == 1 && r.samples == frames;
            qm::device::DeviceManager().Clear();
            return r;
        }

        qm::device::SingleDownload download;
        qm::device::BasicConfig basic{};
        auto dev = download.CheckDevice(qm::device::DeviceManager(), &basic);
        if (!dev || !download.Prepare(dev, basic, QStringLiteral("bench")))
            return r;
        std::atomic<bool> done{false};
        std::atomic<int> id{0};
        Clock::time_point finished;
        qm::device::SingleDownload::Events events;
        events.finished = [&](const QString&, int recordId, const QString&) {
            finished = Clock::now();
            id = recordId;
            done = true;
        };
        events.failed = [&](const QString&, int, const qm::device::FailReason&) {
            finished = Clock::now();
            done = true;
        };
        const auto start = Clock::now();
        download.Start(events);
        Clock::time_point lastSample{};
        while (!done) {
            if (lastSample == Clock::time_point{} && download.Received() >= frames)
                lastSample = Clock::now();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (lastSample == Clock::time_point{})
            lastSample = finished;
        r.ok = id > 0;
        r.samples = download.LoggerTotal();
        r.elapsedS = Seconds(finished - start);
        r.lastToRecordMs = Seconds(finished - lastSample) * 1000.0;
        // Bytes on the line: the frame count request and its reply, then per
        // page an 8-byte request and a reply of 5 + page bytes, 10 bits each.
        const int perPage = 245 / 10;
        const qint64 pages = (frames + perPage - 1) / perPage;
        const double bytes = (8 + 9) + pages * (8 + 5) + double(frames) * 10;
        r.wireS = bytes * 10.0 / 115200.0;
        download.Shutdown();
        qm::device::DeviceManager().Clear();
    }
    return r;
}

long PeakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool paced = true, unpaced = true;
    int frames = 100000;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--paced"))
            unpaced = false;
        else if (args[i] == QLatin1String("--unpaced"))
            paced = false;
        else if (args[i] == QLatin1String("--frames") && i + 1 < args.size())
            frames = args[++i].toInt();
    }
    if (unpaced) {
        const long before = PeakKb();
        const Result r = RunOnce(false, frames);
        std::printf("unpaced: ok=%d samples=%lld elapsed=%.2f s rate=%.0f samples/s last-sample-to-record=%.0f ms "
                    "peak-rss=%ld KiB (before %ld KiB)\n",
                    r.ok, (long long)r.samples, r.elapsedS, r.samples / r.elapsedS, r.lastToRecordMs, PeakKb(), before);
        const Result t = RunOnce(false, frames, true);
        std::printf("baseline: transfer alone ok=%d samples=%lld elapsed=%.2f s rate=%.0f samples/s; "
                    "pipeline / transfer = %.2f\n",
                    t.ok, (long long)t.samples, t.elapsedS, t.samples / t.elapsedS,
                    (r.samples / r.elapsedS) / (t.samples / t.elapsedS));
    }
    if (paced) {
        const Result r = RunOnce(true, frames);
        std::printf("paced:   ok=%d samples=%lld elapsed=%.2f s wire=%.2f s share-of-line-rate=%.2f "
                    "last-sample-to-record=%.0f ms\n",
                    r.ok, (long long)r.samples, r.elapsedS, r.wireS, r.wireS / r.elapsedS, r.lastToRecordMs);
    }
    return 0;
}
