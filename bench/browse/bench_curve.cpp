// Drawing a two-channel record of 1,000,000 samples (10-second interval, gaps
// and sensor errors) into a 1600 × 600 picture with the whole range visible:
// from the per-column summary and, as the baseline measured in the same run,
// segment by segment. Runs alternate so both see the same machine; medians of
// 20 runs each, and the number of pixels in which the two pictures differ.
//
//   bench_curve [samples] [runs]
#include "CurveRender.h"
#include "SyntheticRecord.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace qm::browse;

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double DrawMs(QImage& image, const CurveSnapshot& s, const CurveRenderOptions& options)
{
    QPainter painter(&image);
    const auto start = std::chrono::steady_clock::now();
    DrawCurveGraph(painter, image.rect(), s, options);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

int Differing(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const qint64 samples = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;

    qm::curveview::RecordShape shape;
    shape.samples = samples;
    shape.intervalSeconds = 10;
    shape.gaps = 12;
    shape.gapSeconds = 2 * 3600;
    shape.errorBursts = 40;
    shape.missing = 200;
    auto t0 = std::chrono::steady_clock::now();
    const auto series = qm::curveview::BuildRecordSeries(shape, true);
    auto t1 = std::chrono::steady_clock::now();
    std::printf("series: %lld samples, 2 channels, built in %.0f ms\n", static_cast<long long>(series->Count()),
                std::chrono::duration<double, std::milli>(t1 - t0).count());

    CurveSnapshot s;
    const std::vector<CurveAxisRow> rows = qm::curveview::RecordAxes();
    for (int i = 0; i < int(rows.size()); ++i) {
        COORYINFO axis;
        axis.top = rows[size_t(i)].top;
        axis.bottom = rows[size_t(i)].bottom;
        axis.channelId = rows[size_t(i)].channelId;
        s.axisInfo.push_back(axis);
        s.colours.push_back(GeneratedCurveColour(i));
        s.series.push_back({i, rows[size_t(i)].upperAlarm, rows[size_t(i)].lowerAlarm, QString(), rows[size_t(i)].unit,
                            rows[size_t(i)].type});
    }
    s.samples = series;
    s.first = 0;
    s.last = int(series->Count()) - 1;
    s.rangeValid = true;
    s.start = series->Time(0);
    s.end = series->Time(s.last);

    QImage full(1600, 600, QImage::Format_RGB32);
    QImage decimated(1600, 600, QImage::Format_RGB32);
    CurveRenderOptions every;
    every.decimate = false;
    CurveRenderOptions summary;
    std::vector<double> fullMs;
    std::vector<double> decimatedMs;
    DrawMs(full, s, every);        // warm the font caches once
    DrawMs(decimated, s, summary);
    for (int i = 0; i < runs; ++i) {
        fullMs.push_back(DrawMs(full, s, every));
        decimatedMs.push_back(DrawMs(decimated, s, summary));
    }
    const int differing = Differing(full, decimated);

    // The reticle following the mouse: only the cursor changes, the summary is reused.
    CCurveSummaryCache cache;
    CurveRenderOptions cached;
    cached.cache = &cache;
    DrawMs(decimated, s, cached);
    std::vector<double> cursorMs;
    s.cursorInPlot = true;
    for (int i = 0; i < runs; ++i) {
        s.cursorX = 100 + i * 50;
        s.cursorY = 300;
        cursorMs.push_back(DrawMs(decimated, s, cached));
    }

    std::printf("every segment: median %.1f ms (min %.1f, max %.1f)\n", Median(fullMs),
                *std::min_element(fullMs.begin(), fullMs.end()), *std::max_element(fullMs.begin(), fullMs.end()));
    std::printf("summary:       median %.1f ms (min %.1f, max %.1f), %.1f times faster\n", Median(decimatedMs),
                *std::min_element(decimatedMs.begin(), decimatedMs.end()),
                *std::max_element(decimatedMs.begin(), decimatedMs.end()), Median(fullMs) / Median(decimatedMs));
    std::printf("summary kept (cursor moves only): median %.1f ms\n", Median(cursorMs));
    std::printf("samples=%lld full_ms=%.1f decimated_ms=%.1f differing_pixels=%d\n",
                static_cast<long long>(series->Count()), Median(fullMs), Median(decimatedMs), differing);
    return 0;
}
