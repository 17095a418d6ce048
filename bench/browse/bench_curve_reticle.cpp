// The time from a mouse move to the reticle on the window, with a
// two-channel record of 1,000,000 samples in a 1600 × 600 curve control:
// single moves (the control idle before each), and a continuous movement at
// 125 moves a second (what a mouse sends), where each picture shown is matched
// to the move it follows. "On the window" is the end of the control's paint.
// Run it under xvfb-run for a real X server; it falls back to offscreen.
//
//   bench_curve_reticle [samples]
#include "CCustomGraph.h"
#include "SyntheticRecord.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

using namespace qm::browse;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTop = 60;   // the plot's top row with the margin of 60

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Move(CCustomGraph& graph, int x, int y)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(x, y), graph.mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&graph, &event);
}

void RunFor(int ms)
{
    QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(5);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool Until(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The x of the reticle in the picture on the window, or −1.
int ReticleX(const QImage& picture)
{
    for (int x = 61; x < picture.width() - 61; ++x)
        if (picture.pixelColor(x, kTop + 2) == QColor(0, 0, 0))
            return x;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qm::curveview::RecordShape shape;
    shape.samples = argc > 1 ? std::atoll(argv[1]) : 1000000;
    shape.intervalSeconds = 10;
    shape.gaps = 12;
    shape.errorBursts = 40;
    const auto series = qm::curveview::BuildRecordSeries(shape, true);

    CCustomGraph graph;
    std::vector<CurveAxisRow> axes = qm::curveview::RecordAxes();
    graph.LoadAxes(-1, &axes);
    graph.LoadSamples(series, int(series->Count()) - 1);
    graph.resize(1600, 600);
    graph.show();
    const auto settled = [&graph] { return !graph.RenderPending() && graph.ShownGeneration() == graph.LatestGeneration(); };
    if (!Until(settled)) {
        std::fprintf(stderr, "bench_curve_reticle: the first picture never came\n");
        return 1;
    }

    // Single moves.
    std::vector<double> single;
    for (int i = 0; i < 40; ++i) {
        RunFor(40);
        const int x = 100 + i * 35;
        const Clock::time_point sent = Clock::now();
        Clock::time_point shown;
        QMetaObject::Connection c = QObject::connect(&graph, &CCustomGraph::Shown, [&] {
            if (ReticleX(graph.LastBitmap()) == x)
                shown = Clock::now();
        });
        Move(graph, x, 300);
        Until([&] { return shown != Clock::time_point(); });
        QObject::disconnect(c);
        if (shown != Clock::time_point())
            single.push_back(Ms(sent, shown));
    }

    // Continuous movement at 125 moves a second for two seconds.
    std::map<int, Clock::time_point> sentAt;
    std::vector<double> lags;
    int moves = 0;
    QObject::connect(&graph, &CCustomGraph::Shown, [&] {
        const int x = ReticleX(graph.LastBitmap());
        const auto it = sentAt.find(x);
        if (it != sentAt.end())
            lags.push_back(Ms(it->second, Clock::now()));
    });
    QTimer mover;
    int x = 80;
    QObject::connect(&mover, &QTimer::timeout, [&] {
        x = x >= 1500 ? 80 : x + 3;
        sentAt[x] = Clock::now();
        ++moves;
        Move(graph, x, 300);
    });
    mover.start(8);
    RunFor(2000);
    mover.stop();
    Until(settled);

    std::printf("platform: %s, %lld samples, 1600 x 600\n", qPrintable(QGuiApplication::platformName()),
                static_cast<long long>(series->Count()));
    std::printf("single moves: median %.1f ms, max %.1f ms (%zu of 40)\n", Median(single),
                single.empty() ? 0.0 : *std::max_element(single.begin(), single.end()), single.size());
    std::printf("continuous, 125 moves/s: %zu pictures for %d moves, lag median %.1f ms, max %.1f ms\n", lags.size(),
                moves, Median(lags), lags.empty() ? 0.0 : *std::max_element(lags.begin(), lags.end()));
    std::printf("samples=%lld move_to_reticle_ms=%.1f continuous_lag_ms=%.1f continuous_lag_max_ms=%.1f\n",
                static_cast<long long>(series->Count()), Median(single), Median(lags),
                lags.empty() ? 0.0 : *std::max_element(lags.begin(), lags.end()));
    return 0;
}
