// The record view with a record of 1,000,000 samples, as a user meets it:
// opening it on the curve, switching to the data list, scrolling through it,
// back to the curve and zooming into it. Pictures of each step go to the
// folder given (default: the temporary folder), for looking at.
//
//   bench_record_view [picture folder] [samples]
//
// Last line: samples=<n> open_ms=<t> list_ms=<t> scroll_ms=<t> curve_ms=<t> zoom_ms=<t>
// (scroll_ms: the slowest of twenty jumps through the list, each painted).
#include "CDataShow.h"
#include "RecordBenchFolder.h"
#include "Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Processes events until the curve shows its latest picture.
void SettleGraph(qm::browse::CCustomGraph* graph)
{
    QElapsedTimer t;
    t.start();
    while ((graph->RenderPending() || graph->ShownGeneration() != graph->LatestGeneration()) && t.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    // Under xvfb-run on a real X server; without a display, offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString pictures = args.value(0, QDir::tempPath());
    const int rows = args.size() > 1 ? args[1].toInt() : 1000000;
    QTemporaryDir dir;
    if (!benchrecord::Build(dir.path(), rows))
        return 1;
    qm::CCoreContext context(dir.path());
    qm::browse::CDataShow view;
    view.resize(1400, 900);
    view.show();
    QApplication::processEvents();
    const auto save = [&](const char* name) {
        QApplication::processEvents();
        view.grab().save(pictures + u'/' + QLatin1String(name));
    };

    QElapsedTimer t;
    t.start();
    if (!view.OpenRecord(1))
        return 1;
    SettleGraph(view.Graph());
    const qint64 open = t.elapsed();
    save("record_view_curve.png");

    t.restart();
    view.SetView(qm::browse::CDataShow::kViewTable);
    QApplication::processEvents();
    view.DataList()->repaint();
    const qint64 list = t.elapsed();
    save("record_view_list.png");

    qint64 scroll = 0;
    QScrollBar* bar = view.DataList()->verticalScrollBar();
    for (int step = 1; step <= 20; ++step) {
        t.restart();
        bar->setValue(bar->maximum() / 20 * step);
        view.DataList()->viewport()->repaint();
        scroll = qMax(scroll, t.elapsed());
    }
    bar->setValue(bar->maximum() / 2);
    save("record_view_list_middle.png");

    t.restart();
    view.SetView(qm::browse::CDataShow::kViewCurve);
    view.Graph()->Redraw();
    SettleGraph(view.Graph());
    const qint64 curve = t.elapsed();

    t.restart();
    view.SetCurveMode(qm::browse::kModeZoom);
    const QRect plot = view.Graph()->rect().adjusted(60, 60, -60, -60);
    view.Graph()->ZoomToRect(plot.left() + plot.width() / 2, plot.top(), plot.left() + plot.width() / 2 + 30,
                             plot.bottom());
    SettleGraph(view.Graph());
    const qint64 zoom = t.elapsed();
    save("record_view_zoom.png");

    std::printf("samples=%d open_ms=%lld list_ms=%lld scroll_ms=%lld curve_ms=%lld zoom_ms=%lld\n", rows,
                static_cast<long long>(open), static_cast<long long>(list), static_cast<long long>(scroll),
                static_cast<long long>(curve), static_cast<long long>(zoom));
    return 0;
}
