// The curve control: loading axes and samples, readouts under the cursor, zoom
// with its undo, drag, renders off the window's thread (generation, stale
// renders, bursts of mouse moves), copies, and a real two-channel record.
#include "CCustomGraph.h"
#include "CurveTestUtil.h"
#include "MessageSeam.h"
#include "SyntheticRecord.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::browse;
using namespace curvetest;

namespace {

constexpr int L = 60, T = 60, R = 740, B = 440;

struct Readout {
    int axis;
    QDateTime time;
    QString text;
};
struct Range {
    QDateTime start;
    QDateTime end;
    int final;
};

class CurveGraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        graph = std::make_unique<CCustomGraph>();
        graph->resize(800, 500);
        graph->SetReadoutCallback([this](CCustomGraph*, QWidget*, int axis, const QDateTime& time, const QString& text) {
            readouts.push_back({axis, time, text});
        });
        graph->SetRangeCallback([this](CCustomGraph*, QWidget*, const QDateTime& s, const QDateTime& e, int final) {
            ranges.push_back({s, e, final});
        });
    }
    void TearDown() override { graph.reset(); }

    // Two channels on axes 0 and 1 (ids 1 and 2), rows as "seconds: values".
    void Load(const std::vector<Row>& rows, const int* intervals = nullptr, int lastIndex = -1)
    {
        std::vector<CurveAxisRow> axes = curveview::RecordAxes();
        axes[0].top = 10;
        axes[0].bottom = 0;
        axes[1].top = 100;
        axes[1].bottom = 0;
        graph->LoadAxes(-1, &axes);
        std::vector<SampleTime> times;
        std::vector<QString> positions;
        std::vector<QString> values;
        for (const Row& r : rows) {
            times.push_back(At(r.seconds));
            positions.push_back(QStringLiteral("1;2"));
            values.push_back(QString::fromUtf8(r.values));
        }
        graph->LoadSamples(int(rows.size()), times.data(), positions.data(), values.data(), intervals,
                           lastIndex < 0 ? int(rows.size()) - 1 : lastIndex);
        readouts.clear();
        ranges.clear();
    }
    std::vector<Row> Minutes(int count)
    {
        std::vector<Row> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({i * 60, i % 2 ? "4;40" : "6;60"});
        return rows;
    }

    void Mouse(QEvent::Type type, Qt::MouseButton button, int x, int y)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(x, y), graph->mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
        QApplication::sendEvent(graph.get(), &event);
    }
    void Move(int x, int y, Qt::MouseButton held = Qt::NoButton)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(x, y), graph->mapToGlobal(QPointF(x, y)), Qt::NoButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(graph.get(), &event);
    }
    bool Settled()
    {
        return WaitFor([this] { return !graph->RenderPending() && graph->ShownGeneration() == graph->LatestGeneration(); });
    }

    struct View {
        int first, last;
        QDateTime start, end;
        std::vector<std::pair<double, double>> axes;
        bool operator==(const View&) const = default;
    };
    View Current() const
    {
        View v{graph->FirstVisible(), graph->LastVisible(), graph->RangeStart(), graph->RangeEnd(), {}};
        for (const COORYINFO& a : graph->Axes())
            v.axes.push_back({a.top, a.bottom});
        return v;
    }

    std::unique_ptr<CCustomGraph> graph;
    std::vector<Readout> readouts;
    std::vector<Range> ranges;
    MessageScript messages;
};

} // namespace

TEST_F(CurveGraphTest, LoadSamplesMapsValuePositionsToAxes)
{
    std::vector<CurveAxisRow> axes{{2, true, "75.0", "35.0", 100, 0, "%RH", "湿度"},
                                   {1, true, "8.0", "2.0", 10, 0, "℃", "温度"},
                                   {3, false, "1", "0", 1, 0, "", "门"}};
    graph->LoadAxes(-1, &axes);
    const SampleTime times[3] = {At(0), At(60), At(120)};
    const QString positions[3] = {"1;2", "1;2", "2;1"};
    const QString values[3] = {"4.5;55.0", "-;ERR", "60;-1500"};
    const int intervals[3] = {1, 1, 10};
    graph->LoadSamples(3, times, positions, values, intervals, 1);
    ASSERT_EQ(graph->SampleCount(), 3);
    EXPECT_EQ(graph->Sample(0).values, (QStringList{"55.0", "4.5", ""}));
    EXPECT_EQ(graph->Sample(1).values, (QStringList{"ERR", "", ""}));
    EXPECT_EQ(graph->Sample(2).values, (QStringList{"60", "ERR", ""}));
    EXPECT_EQ(graph->Sample(2).intervalFlag, 1);
    EXPECT_EQ(graph->Sample(2).interval, 10);
    EXPECT_EQ(graph->Sample(0).time, CurveDateTime(CurveSeconds(At(0))));
    // Only ticked rows are drawn; every row is an axis with its colour.
    ASSERT_EQ(graph->Series().size(), 2u);
    EXPECT_EQ(graph->Axes().size(), 3u);
    EXPECT_EQ(graph->GetCurveColour(2), QColor(0, 255, 0));
    EXPECT_EQ(graph->GetCurveColour(7), QColor(0, 0, 0));
    // The last index limits the view; the owner hears the range.
    EXPECT_EQ(graph->FirstVisible(), 0);
    EXPECT_EQ(graph->LastVisible(), 1);
    ASSERT_FALSE(ranges.empty());
    EXPECT_EQ(ranges.back().start, graph->Sample(0).time);
    EXPECT_EQ(ranges.back().end, graph->Sample(1).time);
    EXPECT_EQ(ranges.back().final, 0);

    // Nothing to load: the control is reset.
    graph->LoadSamples(0, nullptr, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(graph->SampleCount(), 0);
    EXPECT_FALSE(graph->RangeStart().isValid());
}

TEST_F(CurveGraphTest, LoadAxesFromTheChannelTable)
{
    QStandardItemModel table(3, 15);
    for (int r = 0; r < 3; ++r) {
        auto* first = new QStandardItem(QStringLiteral("通道%1").arg(r + 1));
        first->setData(r + 1, Qt::UserRole);
        first->setCheckable(true);
        first->setCheckState(r == 1 ? Qt::Unchecked : Qt::Checked);
        table.setItem(r, 0, first);
        table.setItem(r, 1, new QStandardItem(QStringLiteral("T%1").arg(r)));
        table.setItem(r, 3, new QStandardItem(QStringLiteral("U%1").arg(r)));
        table.setItem(r, 8, new QStandardItem(QStringLiteral("8.%1").arg(r)));
        table.setItem(r, 9, new QStandardItem(QStringLiteral("2.0")));
        table.setItem(r, 13, new QStandardItem(QStringLiteral("%1.5").arg(10 + r)));
        table.setItem(r, 14, new QStandardItem(QStringLiteral("-2.0")));
    }
    graph->LoadAxes(-1, &table, 8, 9, 13, 14, 3, 1);
    ASSERT_EQ(graph->Axes().size(), 3u);
    EXPECT_EQ(graph->Axes()[2].channelId, 3);
    EXPECT_DOUBLE_EQ(graph->Axes()[2].top, 12.5);
    EXPECT_DOUBLE_EQ(graph->Axes()[2].bottom, -2.0);
    ASSERT_EQ(graph->Series().size(), 2u);
    EXPECT_EQ(graph->Series()[1].axis, 2);
    EXPECT_EQ(graph->Series()[1].type, QStringLiteral("T2"));
    EXPECT_EQ(graph->Series()[1].unit, QStringLiteral("U2"));
    EXPECT_EQ(graph->Series()[1].upperAlarm, QStringLiteral("8.2"));

    // Ticking one row updates that row only, in axis order.
    table.item(1, 0)->setCheckState(Qt::Checked);
    graph->LoadAxes(1, &table, 8, 9, 13, 14, 3, 1);
    ASSERT_EQ(graph->Series().size(), 3u);
    EXPECT_EQ(graph->Series()[1].axis, 1);

    // A new range undoes the zoom of that axis.
    graph->PanBy(0, 0, 0, 0);
    graph->SetAxisRange(1, 0, 50, 10);
    EXPECT_FALSE(graph->Axes()[0].saved);
    EXPECT_DOUBLE_EQ(graph->Axes()[0].top, 50);

    // A shorter table leaves no axis behind; no table removes everything.
    table.removeRow(2);
    graph->LoadAxes(-1, &table, 8, 9, 13, 14, 3, 1);
    EXPECT_EQ(graph->Axes().size(), 2u);
    graph->LoadAxes(-1, nullptr, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(graph->Axes().empty());
    EXPECT_TRUE(graph->Series().empty());
}

TEST_F(CurveGraphTest, ReadoutsUnderTheCursor)
{
    const int minutes[4] = {1, 1, 1, 1};
    Load({{0, "5;50"}, {60, "6;-"}, {120, "ERR;70"}, {600, "7;80"}}, minutes);
    // 600 s on 680 pixels.
    Move(L + 70, 200);
    ASSERT_EQ(readouts.size(), 2u);
    EXPECT_EQ(readouts[0].axis, 0);
    EXPECT_EQ(readouts[0].time, CurveDateTime(CurveSeconds(At(60))));
    EXPECT_EQ(readouts[0].text, QStringLiteral("6"));
    EXPECT_EQ(readouts[1].text, QString());
    EXPECT_TRUE(graph->CursorInPlot());

    // More than one interval after a sample: "ERR" at the last whole interval.
    readouts.clear();
    Move(L + 454, 200);   // 400 s
    ASSERT_EQ(readouts.size(), 2u);
    EXPECT_EQ(readouts[0].time, CurveDateTime(CurveSeconds(At(120 + 4 * 60))));
    EXPECT_EQ(readouts[0].text, QStringLiteral("ERR"));
    EXPECT_EQ(readouts[1].text, QStringLiteral("ERR"));

    // Leaving show-data mode and resetting clear the readouts.
    readouts.clear();
    graph->SetMode(kModeDrag);
    EXPECT_FALSE(graph->CursorInPlot());
    ASSERT_EQ(readouts.size(), 2u);
    EXPECT_FALSE(readouts[0].time.isValid());
    readouts.clear();
    graph->ResetGraph();
    EXPECT_EQ(graph->Mode(), kModeShowData);
    ASSERT_GE(readouts.size(), 2u);
    EXPECT_FALSE(readouts.back().time.isValid());
    EXPECT_FALSE(ranges.back().start.isValid());
}

TEST_F(CurveGraphTest, ZoomIntoARectangleWithoutSamplesShows152)
{
    Load({{0, "5;50"}, {100, "6;60"}, {1000, "7;70"}});
    const View before = Current();
    // 300 … 600 s lie between the second and the third sample.
    EXPECT_FALSE(graph->ZoomToRect(L + 204, 100, L + 408, 300));
    EXPECT_EQ(messages.Numbers(), QList<int>{152});
    EXPECT_EQ(Current(), before);
    EXPECT_FALSE(graph->HasZoomUndo());
    EXPECT_TRUE(ranges.empty());
}

TEST_F(CurveGraphTest, TwoZoomsAndOneRightClickRestoreTheFirstView)
{
    Load(Minutes(101));
    const View before = Current();
    graph->SetMode(kModeZoom);
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 200, 150);
    Move(420, 300, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, 420, 300);
    ASSERT_TRUE(graph->HasZoomUndo());
    const View first = Current();
    EXPECT_NE(first, before);
    EXPECT_LT(first.axes[0].first, before.axes[0].first);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].final, 1);
    // A click without a rectangle does not zoom.
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 300, 200);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, 300, 200);
    EXPECT_EQ(Current(), first);

    EXPECT_TRUE(graph->ZoomToRect(300, 100, 500, 400));
    EXPECT_NE(Current(), first);
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, 300, 200);
    EXPECT_EQ(Current(), before);
    EXPECT_FALSE(graph->HasZoomUndo());
    for (const COORYINFO& a : graph->Axes())
        EXPECT_FALSE(a.saved);
    EXPECT_EQ(ranges.back().final, 1);
    // Only one level: a second right click changes nothing.
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, 300, 200);
    EXPECT_EQ(Current(), before);
    EXPECT_TRUE(messages.Numbers().isEmpty());
}

TEST_F(CurveGraphTest, AOnePixelDragMovesAMinuteAndATenth)
{
    Load(Minutes(101));   // 6000 s on 680 pixels: under 9 s a pixel
    ASSERT_TRUE(graph->ZoomToRect(300, T, 500, B));
    const View zoomed = Current();
    ranges.clear();
    graph->SetMode(kModeDrag);
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 400, 250);
    Move(401, 251, Qt::LeftButton);
    EXPECT_TRUE(graph->Dragging());
    const View moved = Current();
    EXPECT_EQ(zoomed.start.secsTo(moved.start), -60);
    EXPECT_EQ(zoomed.end.secsTo(moved.end), -60);
    EXPECT_NEAR(moved.axes[0].first - zoomed.axes[0].first, 0.1, 1e-9);
    // A pixel of the 0…100 axis is more than a tenth: it moves by its pixel.
    EXPECT_NEAR(moved.axes[1].second - zoomed.axes[1].second, 100.0 / (B - T), 1e-9);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].final, 0);
    Move(399, 249, Qt::LeftButton);
    EXPECT_EQ(Current().start, zoomed.start);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, 399, 249);
    EXPECT_FALSE(graph->Dragging());
    EXPECT_EQ(ranges.back().final, 1);

    // Dragging far to the right stops at the first sample, keeping the span.
    for (int i = 0; i < 4; ++i)
        graph->PanBy(100, 250, 700, 250);
    EXPECT_EQ(graph->RangeStart(), graph->Sample(0).time);
    EXPECT_EQ(graph->RangeStart().secsTo(graph->RangeEnd()), zoomed.start.secsTo(zoomed.end));
    EXPECT_EQ(graph->FirstVisible(), 0);
    // … and far to the left at the last one, with the samples now in view.
    for (int i = 0; i < 6; ++i)
        graph->PanBy(700, 250, 0, 250);
    EXPECT_EQ(graph->RangeEnd(), graph->Sample(100).time);
    EXPECT_EQ(graph->LastVisible(), 100);
}

TEST_F(CurveGraphTest, GenerationWrapsAndTheNewestRenderIsShown)
{
    Load(Minutes(50));
    graph->show();
    ASSERT_TRUE(Settled());
    SetRenderGeneration(999);
    graph->Redraw();
    EXPECT_EQ(graph->LatestGeneration(), 1000);
    graph->Redraw();
    EXPECT_EQ(graph->LatestGeneration(), 0);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(graph->ShownGeneration(), 0);

    // Renders asked for one after the other: only the newest state is kept,
    // whichever of the older ones were still under way.
    for (int i = 0; i < 20; ++i) {
        graph->SetBackground(i % 2 ? QColor(255, 0, 0) : QColor(0, 128, 0));
        graph->Redraw();
    }
    ASSERT_TRUE(Settled());
    EXPECT_EQ(graph->LastBitmap().pixelColor(2, 2), QColor(255, 0, 0));
    // The kept picture is what the one drawing function makes of the state.
    QImage expected(graph->size(), QImage::Format_RGB32);
    QPainter painter(&expected);
    DrawCurveGraph(painter, expected.rect(), graph->Snapshot());
    painter.end();
    EXPECT_EQ(DifferingPixels(graph->LastBitmap(), expected), 0);
}

TEST_F(CurveGraphTest, ABurstOfMouseMovesIsOneOrTwoRenders)
{
    curveview::RecordShape shape;
    shape.samples = 1000000;
    shape.intervalSeconds = 10;
    const auto series = curveview::BuildRecordSeries(shape, true);
    std::vector<CurveAxisRow> axes = curveview::RecordAxes();
    graph->LoadAxes(-1, &axes);
    graph->LoadSamples(series, int(series->Count()) - 1);
    graph->show();
    ASSERT_TRUE(Settled());
    const int before = CurrentRenderGeneration();
    for (int x = 100; x < 700; x += 2)
        Move(x, 75);
    ASSERT_TRUE(Settled());
    const int renders = (CurrentRenderGeneration() - before + 1001) % 1001;
    EXPECT_GE(renders, 1);
    EXPECT_LE(renders, 3);
    // The picture on the window follows the last position.
    const QImage shown = graph->LastBitmap();
    EXPECT_EQ(shown.pixelColor(698, 90), QColor(0, 0, 0));
    EXPECT_EQ(shown.pixelColor(600, 75), QColor(0, 0, 0));
}

TEST_F(CurveGraphTest, CopyGraphDrawsTheSamePicture)
{
    Load(Minutes(30));
    graph->SetAlarmLines(true);
    graph->SetDivisions(5);
    graph->SetCurveColour(QColor(10, 100, 200), 1);
    graph->ZoomToRect(200, 100, 600, 400);
    CCustomGraph copy;
    copy.resize(800, 500);
    copy.CopyGraph(*graph);
    EXPECT_EQ(copy.Divisions(), 5);
    EXPECT_TRUE(copy.AlarmLines());
    EXPECT_EQ(copy.GetCurveColour(1), QColor(10, 100, 200));
    EXPECT_EQ(copy.FirstVisible(), graph->FirstVisible());
    EXPECT_EQ(copy.SampleCount(), graph->SampleCount());
    EXPECT_EQ(DifferingPixels(Render(copy.Snapshot()), Render(graph->Snapshot())), 0);
    // Printing only some channels: a snapshot without the others.
    CurveSnapshot one = copy.Snapshot();
    one.series.erase(one.series.begin());
    EXPECT_GT(DifferingPixels(Render(one), Render(copy.Snapshot())), 0);
}

TEST_F(CurveGraphTest, ARealTwoChannelRecordIsKeptAsAPicture)
{
    // Two days of a cold room at one sample a minute, as history rows hold it.
    curveview::RecordShape shape;
    const curveview::SyntheticRecord record = curveview::MakeRecord(shape);
    std::vector<CurveAxisRow> axes = curveview::RecordAxes();
    graph->resize(1100, 560);
    graph->SetAlarmLines(true);
    graph->LoadAxes(-1, &axes);
    graph->LoadSamples(int(record.times.size()), record.times.data(), record.positions.data(), record.values.data(),
                       nullptr, int(record.times.size()) - 1);
    graph->show();
    ASSERT_TRUE(Settled());
    const QImage picture = graph->LastBitmap();
    ASSERT_EQ(picture.size(), QSize(1100, 560));
    // Both curves are there, in their colours.
    EXPECT_GT(CountColour(picture, picture.rect(), QColor(0, 0, 255)), 2000);
    EXPECT_GT(CountColour(picture, picture.rect(), QColor(255, 0, 0)), 2000);
    const QString folder = QStringLiteral(QM_ARTEFACT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(picture.save(folder + QStringLiteral("/curve_two_channels.png")));
}

TEST_F(CurveGraphTest, UndoRestoresTheViewExactlyAlsoAfterADragAndForAnAxisTopOfMinusOne)
{
    Load(Minutes(101), nullptr, 50);
    // A freezer channel: its axis tops out at −1.0, the value that once meant "nothing saved".
    graph->SetAxisRange(1, 0, -1.0, -30.0);
    graph->PanBy(437, 250, 400, 250);   // a drag leaves the view off whole samples
    const View dragged = Current();
    ASSERT_NE(dragged.start, graph->Sample(graph->FirstVisible()).time);
    ASSERT_TRUE(graph->ZoomToRect(200, 100, 600, 400));
    EXPECT_TRUE(graph->UndoZoom());
    const View undone = Current();
    EXPECT_EQ(undone.start, dragged.start);
    EXPECT_EQ(undone.end, dragged.end);
    // The axes go back to before the drag, which saved them first.
    EXPECT_DOUBLE_EQ(undone.axes[0].first, -1.0);
    EXPECT_DOUBLE_EQ(undone.axes[0].second, -30.0);
}

TEST_F(CurveGraphTest, ARectangleWithoutHeightNarrowsTheTimeOnly)
{
    Load(Minutes(101));
    const View before = Current();
    ASSERT_TRUE(graph->ZoomToRect(200, 250, 500, 250));
    const View after = Current();
    EXPECT_EQ(after.axes, before.axes);
    EXPECT_GT(after.start, before.start);
    EXPECT_LT(after.end, before.end);
}

TEST_F(CurveGraphTest, AnotherControlsRendersDoNotDiscardThisOnesPicture)
{
    Load(Minutes(50));
    CCustomGraph other;
    other.resize(400, 300);
    other.CopyGraph(*graph);
    graph->show();
    other.show();
    // The generation counter is shared; each control keeps the newest of its own.
    for (int i = 0; i < 10; ++i) {
        graph->SetBackground(QColor(0, 0, 10 * i));
        graph->Redraw();
        other.SetBackground(QColor(10 * i, 0, 0));
        other.Redraw();
    }
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(WaitFor([&other] { return !other.RenderPending() && other.ShownGeneration() == other.LatestGeneration(); }));
    EXPECT_EQ(graph->LastBitmap().pixelColor(2, 2), QColor(0, 0, 90));
    EXPECT_EQ(other.LastBitmap().pixelColor(2, 2), QColor(90, 0, 0));
}
