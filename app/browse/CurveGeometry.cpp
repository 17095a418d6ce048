#include "CurveGeometry.h"

#include <cmath>

namespace qm::browse {

int CurveMetrics::Px(double layoutPixels) const { return int(std::lround(layoutPixels * scale)); }

CurveLayout LayoutCurve(const QRect& client, const CurveSnapshot& snapshot, const CurveMetrics& metrics)
{
    CurveLayout layout;
    layout.margin = metrics.Px(metrics.margin);
    layout.textHeight = metrics.Px(metrics.textHeight);
    const int m = layout.margin;
    layout.plot = {client.x() + m, client.y() + m, client.x() + client.width() - m, client.y() + client.height() - m};
    const int width = layout.plot.Width();
    const int height = layout.plot.Height();
    const qint64 span = snapshot.rangeValid ? snapshot.end - snapshot.start : 0;
    layout.pixelsPerSecond = span > 0 ? double(width) / double(span) : double(width);
    layout.axisScales.reserve(snapshot.axisInfo.size());
    for (const COORYINFO& axis : snapshot.axisInfo) {
        const double range = axis.top - axis.bottom;
        layout.axisScales.push_back(range != 0.0 ? double(height) / range : 0.0);
    }
    return layout;
}

qint64 CursorTime(const CurveLayout& layout, const CurveSnapshot& snapshot, int x)
{
    if (layout.pixelsPerSecond <= 0.0)
        return snapshot.start;
    return snapshot.start + qint64(double(x - layout.plot.left) / layout.pixelsPerSecond);
}

int FindSample(const SampleSeries& samples, qint64 time, SampleLookup mode, int lo, int hi)
{
    const int n = int(samples.Count());
    lo = qMax(lo, 0);
    hi = qMin(hi, n - 1);
    if (lo > hi)
        return -1;
    const qint64* t = samples.Times();
    // First index in lo … hi whose time is not before `time`.
    int a = lo;
    int b = hi + 1;
    while (a < b) {
        const int mid = a + (b - a) / 2;
        if (t[mid] < time)
            a = mid + 1;
        else
            b = mid;
    }
    if (a <= hi && t[a] == time) {
        if (mode == SampleLookup::AtOrBefore) {
            // The latest of equal times, so "at or before" never skips one.
            while (a < hi && t[a + 1] == time)
                ++a;
        }
        return a;
    }
    if (mode == SampleLookup::AtOrAfter)
        return a <= hi ? a : -1;
    return a - 1 >= lo ? a - 1 : -1;
}

int FindVisibleSample(const CurveLayout& layout, const CurveSnapshot& snapshot, int x, SampleLookup mode)
{
    if (!snapshot.samples || snapshot.first < 0 || snapshot.last < 0)
        return -1;
    return FindSample(*snapshot.samples, CursorTime(layout, snapshot, x), mode, snapshot.first - 1, snapshot.last + 1);
}

bool DrawRange(const CurveSnapshot& snapshot, int* from, int* to)
{
    const int n = int(snapshot.SampleCount());
    if (n == 0 || snapshot.first < 0 || snapshot.last < 0)
        return false;
    int first = qMin(snapshot.first, n - 1);
    int last = qMin(snapshot.last, n - 1);
    if (first == last + 1) {
        // The view lies between two samples (inside a gap): the segment
        // joining them still crosses it.
        *from = last;
        *to = first;
        return true;
    }
    if (first > last)
        return false;
    const SampleSeries& s = *snapshot.samples;
    if (s.Time(last) < snapshot.end && last + 1 < n)
        ++last;
    if (s.Time(first) > snapshot.start && first > 0)
        --first;
    *from = first;
    *to = last;
    return true;
}

} // namespace qm::browse
