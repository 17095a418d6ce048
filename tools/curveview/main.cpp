// curveview: the curve control on a synthetic cold-room record, as the record
// view will show it: mode buttons, the view options, the channel table with
// the values under the cursor, and the curve attributes on a double click.
//
//   curveview [--samples N] [--interval SECONDS] [--size WxH] [--screenshot FILE]
//
// --screenshot saves the window once the first picture is on it and exits.
#include "CCustomGraph.h"
#include "CSelectCurve.h"
#include "QuillmarkVersion.h"
#include "Strings.h"
#include "SyntheticRecord.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

using namespace qm;
using namespace qm::browse;

namespace {

// Columns of the channel table, as the record view lays it out.
enum { kColChannel = 0, kColType = 1, kColValue = 2, kColUnit = 3, kColTime = 4, kColUpper = 8, kColLower = 9,
       kColTop = 13, kColBottom = 14, kColumns = 15 };

QStandardItemModel* ChannelTable(QObject* parent)
{
    auto* model = new QStandardItemModel(0, kColumns, parent);
    model->setHorizontalHeaderLabels({Msg(140), Msg(141), Msg(5807), Msg(143), Msg(5806)});
    const std::vector<CurveAxisRow> axes = curveview::RecordAxes();
    for (int i = 0; i < int(axes.size()); ++i) {
        const CurveAxisRow& a = axes[size_t(i)];
        QList<QStandardItem*> row;
        for (int c = 0; c < kColumns; ++c)
            row << new QStandardItem;
        row[kColChannel]->setText(MsgF(147, {QString::number(i + 1)}));
        row[kColChannel]->setData(i + 1, Qt::UserRole);
        row[kColChannel]->setCheckable(true);
        row[kColChannel]->setCheckState(Qt::Checked);
        row[kColType]->setText(a.type);
        row[kColUnit]->setText(a.unit);
        row[kColUpper]->setText(a.upperAlarm);
        row[kColLower]->setText(a.lowerAlarm);
        row[kColTop]->setText(QString::asprintf("%.1f", a.top));
        row[kColBottom]->setText(QString::asprintf("%.1f", a.bottom));
        model->appendRow(row);
    }
    return model;
}

} // namespace

int main(int argc, char** argv)
{
    if (QmPrintVersion(argc, argv, "curveview"))
        return 0;
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"samples", "Number of samples.", "N", "2880"});
    parser.addOption({"interval", "Seconds between samples.", "SECONDS", "60"});
    parser.addOption({"size", "Window size.", "WxH", "1100x640"});
    parser.addOption({"screenshot", "Save the window to FILE once drawn, then exit.", "FILE"});
    parser.process(app);

    curveview::RecordShape shape;
    shape.samples = parser.value("samples").toLongLong();
    shape.intervalSeconds = qMax(1, parser.value("interval").toInt());
    const QStringList size = parser.value("size").split(u'x');
    if (shape.samples <= 0 || size.size() != 2) {
        std::fprintf(stderr, "curveview: bad --samples or --size\n");
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("curveview"));
    auto* graph = new CCustomGraph(&window);
    auto* table = new QTableView(&window);
    QStandardItemModel* model = ChannelTable(&window);
    table->setModel(model);
    for (int c = kColTime + 1; c < kColumns; ++c)
        table->setColumnHidden(c, true);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setFixedHeight(114);

    auto* buttons = new QHBoxLayout;
    auto* modes = new QButtonGroup(&window);
    // 正常, 拖动, 缩放 as the record view orders them.
    const std::pair<int, int> modeButtons[3] = {{150, kModeShowData}, {159, kModeDrag}, {160, kModeZoom}};
    for (const auto& [text, mode] : modeButtons) {
        auto* b = new QPushButton(Msg(text), &window);
        b->setCheckable(true);
        b->setChecked(mode == kModeShowData);
        modes->addButton(b, mode);
        buttons->addWidget(b);
    }
    QObject::connect(modes, &QButtonGroup::idClicked, graph, &CCustomGraph::SetMode);
    const auto option = [&](int text, bool on, void (CCustomGraph::*set)(bool)) {
        auto* box = new QCheckBox(Msg(text), &window);
        box->setChecked(on);
        QObject::connect(box, &QCheckBox::toggled, graph, [graph, set](bool checked) {
            (graph->*set)(checked);
            graph->Redraw();
        });
        buttons->addWidget(box);
    };
    option(5810, graph->Reticle(), &CCustomGraph::SetReticle);
    option(5811, graph->AxesShown(), &CCustomGraph::SetAxesShown);
    option(5812, true, &CCustomGraph::SetAlarmLines);
    graph->SetAlarmLines(true);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(&window);
    layout->addLayout(buttons);
    layout->addWidget(graph, 1);
    layout->addWidget(table);

    const auto loadAxes = [graph, model] {
        graph->LoadAxes(-1, model, kColUpper, kColLower, kColTop, kColBottom, kColUnit, kColType);
    };
    graph->SetReadoutCallback([model](CCustomGraph*, QWidget*, int axis, const QDateTime& time, const QString& text) {
        if (axis >= model->rowCount())
            return;
        model->item(axis, kColValue)->setText(time.isValid() ? text : QString());
        model->item(axis, kColTime)->setText(time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                                            : QString());
    });
    graph->SetDoubleClickCallback([model](CCustomGraph* g, QWidget* parent) {
        CSelectCurve dialog(g, model, parent);
        if (dialog.exec() == QDialog::Accepted)
            g->Redraw();
    });
    QObject::connect(model, &QStandardItemModel::itemChanged, graph, [graph, loadAxes](QStandardItem* item) {
        if (item->column() == kColChannel) {
            loadAxes();
            graph->Redraw();
        }
    });

    QElapsedTimer timer;
    timer.start();
    const auto series = curveview::BuildRecordSeries(shape, true);
    std::fprintf(stderr, "curveview: %lld samples built in %lld ms\n", static_cast<long long>(series->Count()),
                 static_cast<long long>(timer.elapsed()));
    loadAxes();
    graph->LoadSamples(series, int(series->Count()) - 1);

    window.resize(size[0].toInt(), size[1].toInt());
    window.show();

    const QString screenshot = parser.value("screenshot");
    if (!screenshot.isEmpty()) {
        QObject::connect(graph, &CCustomGraph::Shown, &window, [&window, graph, screenshot] {
            if (graph->RenderPending())
                return;
            QTimer::singleShot(50, &window, [&window, screenshot] {
                const bool saved = window.grab().save(screenshot);
                QApplication::exit(saved ? 0 : 1);
            });
        });
    }
    return app.exec();
}
