// The curve renderer on pictures: the point rules (no value, errors, gaps, a
// lone point), clipping, spikes within one pixel column, the summary against
// every segment, and the pixels of points, alarm lines, axes, grid and reticle.
#include "CurveTestUtil.h"
#include "Fonts.h"
#include "SyntheticRecord.h"

#include <QFontMetricsF>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::browse;
using namespace curvetest;

namespace {

// 800 × 500 with the margin of 60: plot 60…740 × 60…440; axis 0…10 is 38 px per unit.
constexpr int L = 60, T = 60, R = 740, B = 440;
const QColor kBlue(0, 0, 255), kRed(255, 0, 0), kGreen(0, 255, 0), kBlack(0, 0, 0);

int Y(double value, double top = 10, double bottom = 0) { return int(B - (value - bottom) * (B - T) / (top - bottom)); }

CurvePrimitives Primitives(const CurveSnapshot& s, bool decimate = false)
{
    CurveRenderOptions options;
    options.decimate = decimate;
    return CurvePrimitivesOf(QRect(0, 0, 800, 500), s, 0, options);
}

} // namespace

TEST(CurvePoints, ALoneSampleRunsToTheRightEdge)
{
    const CurveSnapshot s = SnapshotOf(SeriesOf({{0, "5.5"}}));
    const CurvePrimitives p = Primitives(s);
    ASSERT_EQ(p.solidLines.size(), 1u);
    EXPECT_EQ(p.solidLines[0], QLine(L, Y(5.5), R, Y(5.5)));
    const QImage image = Render(s);
    EXPECT_EQ(image.pixelColor(400, Y(5.5)), kBlue);
    EXPECT_EQ(image.pixelColor(R - 1, Y(5.5)), kBlue);
}

TEST(CurvePoints, NoValueErrorsAndGaps)
{
    // Only "-": nothing.
    EXPECT_EQ(Primitives(SnapshotOf(SeriesOf({{0, "-"}, {60, "-"}, {120, "-"}}))).Count(), 0);

    // An error before the first point is drawn at 0, and the line from it is solid.
    CurvePrimitives p = Primitives(SnapshotOf(SeriesOf({{0, "ERR"}, {600, "5"}})));
    ASSERT_EQ(p.solidLines.size(), 1u);
    EXPECT_EQ(p.solidLines[0], QLine(L, B, R, Y(5)));
    EXPECT_TRUE(p.dottedLines.empty());

    // An error among points is passed over.
    p = Primitives(SnapshotOf(SeriesOf({{0, "5"}, {60, "ERR"}, {120, "6"}})));
    ASSERT_EQ(p.solidLines.size(), 1u);
    EXPECT_EQ(p.solidLines[0], QLine(L, Y(5), R, Y(6)));

    // An error as the last sample repeats the previous value, dotted.
    p = Primitives(SnapshotOf(SeriesOf({{0, "5"}, {60, "6"}, {120, "ERR"}})));
    ASSERT_EQ(p.solidLines.size(), 1u);
    ASSERT_EQ(p.dottedLines.size(), 1u);
    EXPECT_EQ(p.dottedLines[0], QLine((L + R) / 2, Y(6), R, Y(6)));

    // A gap longer than the record interval is dotted; without intervals it is not.
    const std::vector<Row> rows{{0, "5"}, {60, "6"}, {120, "5"}, {3600, "6"}, {3660, "5"}};
    p = Primitives(SnapshotOf(SeriesOf(rows, 60)));
    EXPECT_EQ(p.solidLines.size(), 3u);
    ASSERT_EQ(p.dottedLines.size(), 1u);
    const QLine gap = p.dottedLines[0];
    EXPECT_EQ(gap.y1(), Y(5));
    EXPECT_EQ(gap.y2(), Y(6));
    p = Primitives(SnapshotOf(SeriesOf(rows)));
    EXPECT_EQ(p.solidLines.size(), 4u);
    EXPECT_TRUE(p.dottedLines.empty());

    // On the picture the dotted stretch has holes, the solid ones none.
    const QImage image = Render(SnapshotOf(SeriesOf({{0, "5"}, {60, "5"}, {3600, "5"}}, 60)));
    const int solidEnd = L + int(60.0 * (R - L) / 3600);
    EXPECT_EQ(CountColour(image, QRect(L + 1, Y(5), solidEnd - L - 1, 1), kBlue), solidEnd - L - 1);
    const int dotted = CountColour(image, QRect(solidEnd + 5, Y(5), 400, 1), kBlue);
    EXPECT_GT(dotted, 50);
    EXPECT_LT(dotted, 300);
}

TEST(CurveClipping, EveryEdgeAndTheSpansOfOneColumn)
{
    const PlotRect plot{L, T, R, B};
    QLine line;
    EXPECT_EQ(ClipSegment(0, 250, 120, 250, plot, &line), SegmentShape::Line);
    EXPECT_EQ(line, QLine(L, 250, 120, 250));
    EXPECT_EQ(ClipSegment(700, 250, 800, 250, plot, &line), SegmentShape::Line);
    EXPECT_EQ(line, QLine(700, 250, R, 250));
    EXPECT_EQ(ClipSegment(100, 0, 200, 200, plot, &line), SegmentShape::Line);
    EXPECT_EQ(line, QLine(130, T, 200, 200));
    EXPECT_EQ(ClipSegment(100, 300, 200, 500, plot, &line), SegmentShape::Line);
    EXPECT_EQ(line, QLine(100, 300, 170, B));
    // Through the plot from corner to corner.
    EXPECT_EQ(ClipSegment(0, 0, 800, 500, plot, &line), SegmentShape::Line);
    EXPECT_TRUE(plot.Contains(line.x1(), line.y1()) && plot.Contains(line.x2(), line.y2()));
    // Beside or above the plot: nothing, also when the line's extension would meet it.
    EXPECT_EQ(ClipSegment(0, 0, 50, 50, plot, &line), SegmentShape::None);
    EXPECT_EQ(ClipSegment(100, 0, 200, 10, plot, &line), SegmentShape::None);
    EXPECT_EQ(ClipSegment(100, 10, 200, 10, plot, &line), SegmentShape::None);
    EXPECT_EQ(ClipSegment(750, 100, 900, 300, plot, &line), SegmentShape::None);
    // Within one column: the span it covers, also a steep one leaving the plot.
    EXPECT_EQ(ClipSegment(300.2, 100, 300.7, 400, plot, &line), SegmentShape::Span);
    EXPECT_EQ(line, QLine(300, 100, 300, 400));
    EXPECT_EQ(ClipSegment(300.2, 100, 300.7, 1000, plot, &line), SegmentShape::Span);
    EXPECT_EQ(line, QLine(300, 100, 300, B));
    EXPECT_EQ(ClipSegment(300.2, 200.5, 300.3, 200.9, plot, &line), SegmentShape::Span);   // one pixel
    EXPECT_EQ(ClipSegment(300, 100, 200, 100, plot, &line), SegmentShape::None);           // backwards

    // A view narrower than the samples, values beyond both ends of the axis:
    // everything drawn stays inside and reaches the left and right edges.
    std::vector<Row> rows;
    for (int i = 0; i <= 20; ++i)
        rows.push_back({i * 10, i % 3 == 0 ? "12" : (i % 3 == 1 ? "-3" : "5")});
    CurveSnapshot s = SnapshotOf(SeriesOf(rows));
    s.start = s.samples->Time(0) + 25;
    s.end = s.samples->Time(0) + 175;
    s.first = 3;
    s.last = 17;
    const CurvePrimitives p = Primitives(s);
    int minX = 10000, maxX = -1;
    for (const QLine& l : p.solidLines) {
        EXPECT_TRUE(plot.Contains(l.x1(), l.y1()) && plot.Contains(l.x2(), l.y2()));
        minX = qMin(minX, l.x1());
        maxX = qMax(maxX, l.x2());
    }
    EXPECT_EQ(minX, L);
    EXPECT_EQ(maxX, R);
}

TEST(CurveClipping, AViewInsideAGapShowsTheSegmentAcrossIt)
{
    CurveSnapshot s = SnapshotOf(SeriesOf({{0, "2"}, {1000, "8"}}));
    // Between the two samples: no sample is visible, the line joining them is.
    s.start = s.samples->Time(0) + 400;
    s.end = s.samples->Time(0) + 600;
    s.first = 1;
    s.last = 0;
    const CurvePrimitives p = Primitives(s);
    ASSERT_EQ(p.solidLines.size(), 1u);
    EXPECT_EQ(p.solidLines[0].x1(), L);
    EXPECT_EQ(p.solidLines[0].x2(), R);
}

TEST(CurveSpikes, ASpikeWithinOnePixelColumnIsDrawn)
{
    // 10,000 one-second samples on 680 columns: about 15 samples per column.
    SampleSeriesBuilder builder;
    for (int i = 0; i < 10000; ++i)
        builder.AddSample(At(i), u"1", i == 5003 ? u"9.5" : u"5");
    const CurveSnapshot s = SnapshotOf(builder.Build());
    const int column = L + int(5003.0 * (R - L) / 9999.0);
    for (bool decimate : {false, true}) {
        const QImage image = Render(s, QSize(800, 500), decimate);
        // The whole excursion up to 9.5 and back stands in its column.
        for (int y = Y(9.5); y <= Y(5); ++y)
            EXPECT_EQ(image.pixelColor(column, y), kBlue) << "decimate " << decimate << " row " << y;
    }
    // The climb and the fall are segments inside the column: spans, not dropped.
    const CurvePrimitives every = Primitives(s, false);
    const bool spanned = std::any_of(every.solidSpans.begin(), every.solidSpans.end(),
                                     [&](const CurveSpan& sp) { return sp.x == column && sp.from == Y(9.5); });
    EXPECT_TRUE(spanned);
}

TEST(CurveSummary, SamePixelsAsEverySegment)
{
    // A realistic record: gaps (dotted), sensor errors, 300,000 samples on 1,480 columns.
    curveview::RecordShape shape;
    shape.samples = 300000;
    shape.intervalSeconds = 10;
    shape.gaps = 5;
    shape.errorBursts = 8;
    const auto record = curveview::BuildRecordSeries(shape, true);
    CurveSnapshot s = SnapshotOf(record, 2, 12.0, 0.0);
    s.axisInfo[1].top = 90;
    s.axisInfo[1].bottom = 30;
    const QSize size(1600, 600);
    EXPECT_EQ(DifferingPixels(Render(s, size, false), Render(s, size, true)), 0);

    // A random walk far beyond the axis at both ends, errors everywhere and
    // gaps every few hundred samples, whole and in a zoomed view.
    SampleSeriesBuilder builder;
    double v = 5;
    quint64 state = 12345;
    qint64 t = 0;
    const auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return double(state >> 11) / double(1ull << 53);
    };
    for (int i = 0; i < 200000; ++i) {
        v += (next() - 0.5) * 3;
        v = qBound(-30.0, v, 40.0);
        t += next() < 0.003 ? 3600 : 10;
        const double r = next();
        const QString text = r < 0.002 ? QStringLiteral("ERR") : (r < 0.004 ? QStringLiteral("-") : QString::number(v, 'f', 1));
        builder.AddSample(At(t), u"1", text, 10);
    }
    CurveSnapshot walk = SnapshotOf(builder.Build());
    EXPECT_EQ(DifferingPixels(Render(walk, size, false), Render(walk, size, true)), 0);
    walk.first = 50000;
    walk.last = 120000;
    walk.start = walk.samples->Time(walk.first) - 5;
    walk.end = walk.samples->Time(walk.last) + 5;
    EXPECT_EQ(DifferingPixels(Render(walk, size, false), Render(walk, size, true)), 0);

    // The summary is small: about one span and one joining line per column.
    CurveRenderOptions options;
    const CurvePrimitives summary = CurvePrimitivesOf(QRect(QPoint(0, 0), size), s, 0, options);
    EXPECT_LT(summary.Count(), 4 * 1480);
}

TEST(CurveRender, StopsWhenCancelled)
{
    SampleSeriesBuilder builder;
    for (int i = 0; i < 50000; ++i)
        builder.AddSample(At(i), u"1", i % 2 ? u"4" : u"6");
    const CurveSnapshot s = SnapshotOf(builder.Build());
    QImage image(800, 500, QImage::Format_RGB32);
    QPainter painter(&image);
    std::atomic<int> asked{0};
    CurveRenderOptions options;
    options.cancelled = [&asked] { return ++asked > 2; };
    EXPECT_FALSE(DrawCurveGraph(painter, image.rect(), s, options));
    EXPECT_EQ(asked.load(), 3);
}

TEST(CurvePixels, PointsAlarmLinesAxesGridAndReticle)
{
    CurveSnapshot s = SnapshotOf(SeriesOf({{0, "3;7;1"}, {600, "3;7;1"}}), 3);
    QImage image = Render(s);
    // Known points in the colours of their axes.
    EXPECT_EQ(image.pixelColor(400, Y(3)), kBlue);
    EXPECT_EQ(image.pixelColor(400, Y(7)), kRed);
    EXPECT_EQ(image.pixelColor(400, Y(1)), kGreen);
    // One y axis per series at m·(N + 1), reaching above the plot.
    EXPECT_EQ(image.pixelColor(60, 50), kBlue);
    EXPECT_EQ(image.pixelColor(120, 50), kRed);
    EXPECT_EQ(image.pixelColor(180, 50), kGreen);
    EXPECT_EQ(image.pixelColor(120, 300), kRed);
    // The time axis runs past the plot to its arrow head.
    EXPECT_EQ(image.pixelColor(R + 20, B), kBlue);
    // Grid rows, the blended plot fill, the white margin.
    EXPECT_EQ(image.pixelColor(400, T + (B - T) / 4), QColor(206, 206, 206));
    EXPECT_NEAR(qRed(image.pixel(400, 100)), 255 - (255 - 239) * 200 / 255, 1);
    EXPECT_EQ(image.pixelColor(400, 20), QColor(255, 255, 255));

    // One shared axis: drawn once, in black.
    s.axisLimit = 1;
    image = Render(s);
    EXPECT_EQ(image.pixelColor(60, 50), kBlack);
    EXPECT_NE(image.pixelColor(120, 300), kRed);
    EXPECT_NE(image.pixelColor(180, 300), kGreen);

    // Alarm lines: dashed rows at the alarm values; none for a channel without one.
    CurveSnapshot alarms = SnapshotOf(SeriesOf({{0, "5"}}), 1, 10, -5);
    alarms.alarmLines = true;
    alarms.series[0].lowerAlarm = QStringLiteral("-");
    image = Render(alarms);
    const int upper = Y(8, 10, -5);
    const int dashes = CountColour(image, QRect(200, upper, 500, 1), kBlue);
    EXPECT_GT(dashes, 150);
    EXPECT_LT(dashes, 450);
    EXPECT_EQ(CountColour(image, QRect(200, Y(0, 10, -5), 500, 1), kBlue), 0);
    alarms.alarmLines = false;
    EXPECT_EQ(CountColour(Render(alarms), QRect(200, upper, 500, 1), kBlue), 0);

    // The reticle through the cursor in show-data mode only.
    s.axisLimit = -1;
    s.cursorInPlot = true;
    s.cursorX = 300;
    s.cursorY = 200;
    image = Render(s);
    EXPECT_EQ(image.pixelColor(300, 100), kBlack);
    EXPECT_EQ(image.pixelColor(500, 200), kBlack);
    s.mode = kModeZoom;
    EXPECT_NE(Render(s).pixelColor(300, 100), kBlack);
    s.mode = kModeShowData;
    s.reticle = false;
    EXPECT_NE(Render(s).pixelColor(300, 100), kBlack);

    // Without series only the background.
    CurveSnapshot empty;
    empty.background = QColor(10, 20, 30);
    image = Render(empty);
    EXPECT_EQ(CountColour(image, image.rect(), QColor(10, 20, 30)), 800 * 500);
}

// Axis titles above the plot: "温度(℃)" fits the gap to the next axis and
// stays on its line; "Temperature(°C)" does not, so the next axis's title goes
// one line higher instead of running into it.
TEST(CurvePixels, AxisTitlesClearEachOther)
{
    CurveSnapshot s = SnapshotOf(SeriesOf({{0, "3;7"}, {600, "3;7"}}), 2);
    // The band one text line above the titles, right of the second axis.
    const QRect raisedBand(126, 20, 150, 12);
    EXPECT_EQ(Ink(Render(s), raisedBand), 0);
    s.series[0].type = QStringLiteral("Temperature");
    s.series[0].unit = QStringLiteral("°C");
    s.series[1].type = QStringLiteral("Humidity");
    s.series[1].unit = QStringLiteral("%RH");
    EXPECT_GT(Ink(Render(s), raisedBand), 20);
}

TEST(CurvePixels, PaperScalesTheLayoutNotTheSamples)
{
    // A page at twice the screen's resolution: margins, pens and texts twice as large.
    const CurveSnapshot s = SnapshotOf(SeriesOf({{0, "5"}, {600, "5"}}));
    QImage page(1600, 1000, QImage::Format_RGB32);
    QPainter painter(&page);
    CurveRenderOptions options;
    options.metrics.scale = 2.0;
    ASSERT_TRUE(DrawCurveGraph(painter, page.rect(), s, options));
    painter.end();
    const int bottom = 1000 - 120;
    EXPECT_EQ(page.pixelColor(119, 450), kBlue);   // the y axis at 120, two pixels wide
    EXPECT_EQ(page.pixelColor(120, 450), kBlue);
    EXPECT_NE(page.pixelColor(116, 450), kBlue);
    EXPECT_EQ(page.pixelColor(800, bottom - 5 * (bottom - 120) / 10), kBlue);
    EXPECT_GT(CountColour(page, QRect(121, bottom - 1, 1400, 3), kBlue), 2 * 1400);   // the time axis
}

TEST(CurveTimeAxis, LabelsAndTheirFallbacks)
{
    CurveSnapshot s = SnapshotOf(SeriesOf({{0, "1"}, {7200, "2"}}));
    CurveLayout layout = LayoutCurve(QRect(0, 0, 800, 500), s);
    // Two hours on 680 pixels with boxes of 85: seven intervals of whole seconds.
    std::vector<TimeAxisLabel> labels = TimeAxisLabels(layout, s, 85);
    ASSERT_EQ(labels.size(), 8u);
    EXPECT_EQ(labels.front().x, L);
    EXPECT_EQ(labels.back().x, R);
    EXPECT_EQ(labels[1].time - labels[0].time, 7200 / 7);
    EXPECT_FALSE(labels[1].withSeconds);

    // No box fits twice: one interval, a label at each end.
    labels = TimeAxisLabels(layout, s, 400);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[1].time, s.end);

    // Under a minute: one interval, with seconds.
    s = SnapshotOf(SeriesOf({{0, "1"}, {30, "2"}}));
    labels = TimeAxisLabels(layout, s, 85);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_TRUE(labels[0].withSeconds);
    EXPECT_EQ(labels[1].time - labels[0].time, 30);

    // Three minutes: one label a minute rather than steps of no length.
    s = SnapshotOf(SeriesOf({{0, "1"}, {190, "2"}}));
    labels = TimeAxisLabels(layout, s, 85);
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[1].time - labels[0].time, 63);

    // A single instant: both ends, left and right aligned.
    s = SnapshotOf(SeriesOf({{0, "1"}}));
    labels = TimeAxisLabels(layout, s, 85);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].align, Qt::AlignLeft);
    EXPECT_EQ(labels[1].align, Qt::AlignRight);
    EXPECT_EQ(labels[1].x, R);
}

TEST(CurveFonts, TheDegreeSignOfOlderSettingsIsDrawn)
{
    RegisterFontSubstitutions();
    QFont face;
    face.setFamilies({QStringLiteral("微软雅黑")});
    face.setPixelSize(24);
    const auto ink = [&face](const QString& text, bool fallback) {
        QImage image(200, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(face);
        painter.setPen(Qt::black);
        if (fallback)
            DrawTextWithFallback(painter, QPointF(2, 2), text);
        else
            painter.drawText(QRectF(2, 2, 196, 36), Qt::AlignLeft | Qt::AlignTop, text);
        painter.end();
        return Ink(image, image.rect());
    };
    // The stand-in for 微软雅黑 maps ℃ to a blank glyph; the fallback draws it.
    if (!FallbackFamilyFor(face, 0x2103).isEmpty()) {
        EXPECT_LT(ink(QStringLiteral("温度(℃)"), false) - ink(QStringLiteral("温度()"), false), 5);
    }
    EXPECT_GT(ink(QStringLiteral("温度(℃)"), true) - ink(QStringLiteral("温度()"), true), 25);
    EXPECT_GT(ink(QStringLiteral("℃"), true), 25);

    // The title of a curve axis, as the curve draws it.
    CurveSnapshot s = SnapshotOf(SeriesOf({{0, "5"}, {60, "6"}}));
    const QRect title(L + 7, T - 2 * 13, 120, 18);
    const int with = Ink(Render(s), title);
    s.series[0].unit.clear();
    const int without = Ink(Render(s), title);
    EXPECT_GT(with - without, 25) << "with ℃ " << with << ", without " << without;
}
