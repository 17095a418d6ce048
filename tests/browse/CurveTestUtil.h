// Small builders for the curve tests: series from (seconds, value list) rows,
// snapshots with n axes, pictures, and waits on the control's events.
#pragma once

#include "CurveRender.h"
#include "CurveState.h"
#include "SampleSeries.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

namespace curvetest {

using namespace qm::browse;

// 2024-07-01 08:00:00 plus `seconds`.
inline SampleTime At(qint64 seconds)
{
    return CurveSampleTime(CurveSeconds(SampleTime{2024, 7, 1, 8, 0, 0}) + seconds);
}

struct Row {
    qint64 seconds;
    const char* values;   // "5;1", "ERR", "-"
};

inline std::shared_ptr<const SampleSeries> SeriesOf(const std::vector<Row>& rows, int intervalSeconds = -1)
{
    SampleSeriesBuilder builder;
    for (const Row& r : rows) {
        const QString values = QString::fromUtf8(r.values);
        QStringList positions;
        for (int i = 1; i <= values.count(u';') + 1; ++i)
            positions << QString::number(i);
        builder.AddSample(At(r.seconds), positions.join(u';'), values, intervalSeconds);
    }
    return builder.Build();
}

// One axis per channel (ids 1…axes), all drawn, whole series visible.
inline CurveSnapshot SnapshotOf(std::shared_ptr<const SampleSeries> samples, int axes = 1, double top = 10.0,
                                double bottom = 0.0)
{
    CurveSnapshot s;
    for (int i = 0; i < axes; ++i) {
        COORYINFO axis;
        axis.top = top;
        axis.bottom = bottom;
        axis.channelId = i + 1;
        s.axisInfo.push_back(axis);
        s.colours.push_back(GeneratedCurveColour(i));
        s.series.push_back({i, QStringLiteral("8.0"), QStringLiteral("2.0"), QString(), QStringLiteral("℃"),
                            QStringLiteral("温度")});
    }
    s.samples = std::move(samples);
    if (s.SampleCount() > 0) {
        s.first = 0;
        s.last = int(s.SampleCount()) - 1;
        s.rangeValid = true;
        s.start = s.samples->Time(0);
        s.end = s.samples->Time(s.last);
    }
    return s;
}

inline QImage Render(const CurveSnapshot& s, QSize size = QSize(800, 500), bool decimate = true)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    CurveRenderOptions options;
    options.decimate = decimate;
    DrawCurveGraph(painter, image.rect(), s, options);
    return image;
}

inline int DifferingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            n += ra[x] != rb[x];
    }
    return n;
}

inline int CountColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y).rgb() == colour.rgb();
    return n;
}

// Pixels darker than a light grey: where something was drawn on a white ground.
inline int Ink(const QImage& image, const QRect& area)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qGray(image.pixel(x, y)) < 160;
    return n;
}

// Processes events until `done` holds; false after `ms` (a guard, not a pace).
inline bool WaitFor(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    QTimer wake;   // so that waiting for events also notices the deadline
    wake.start(25);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace curvetest
