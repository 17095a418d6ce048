#include "CurveRender.h"

#include "Fonts.h"
#include "SampleValue.h"
#include "Strings.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <limits>

namespace qm::browse {
namespace {

const QColor kPlotFill(239, 239, 239, 200);
const QColor kGrid(206, 206, 206);
const QColor kInk(0, 0, 0);
const char* const kGraphFace = "微软雅黑";
constexpr int kCancelCheckEvery = 4096;

QPen Pen(const QColor& colour, int width, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(colour);
    pen.setWidth(width);
    pen.setCosmetic(true);
    pen.setStyle(style);
    return pen;
}

// The face every curve text uses, at `pixels` picture pixels.
QFont GraphFont(double pixels)
{
    QFont font;
    font.setFamilies({QString::fromUtf8(kGraphFace)});
    font.setPixelSize(qMax(1, int(std::lround(pixels))));
    font.setWeight(QFont::Normal);
    return font;
}

// How one series' lines and spans are put on the picture; the summary and
// the segment-by-segment drawing both go through here, so they can only
// differ in which primitives they draw, never in how.
struct CurveInk {
    QPainter& painter;
    QColor colour;
    int width;
    QPen solid;
    QPen dotted;
    const QPen* current = nullptr;

    CurveInk(QPainter& p, const QColor& c, int w)
        : painter(p), colour(c), width(w), solid(Pen(c, w)), dotted(Pen(c, w, Qt::DotLine))
    {
    }
    void Use(const QPen& pen)
    {
        if (current != &pen) {
            painter.setPen(pen);
            current = &pen;
        }
    }
    void Line(const QLine& line, bool dot)
    {
        Use(dot ? dotted : solid);
        painter.drawLine(line);
    }
    void Span(int x, int from, int to, bool dot)
    {
        if (dot && from != to) {
            Use(dotted);
            painter.drawLine(x, from, x, to);
            return;
        }
        const int lo = qMin(from, to);
        const int hi = qMax(from, to);
        const int half = (width - 1) / 2;
        painter.fillRect(QRect(x - half, lo - half, width, hi - lo + width), colour);
    }
    void Draw(const CurvePrimitives& p)
    {
        for (const QLine& l : p.solidLines)
            Line(l, false);
        for (const CurveSpan& s : p.solidSpans)
            Span(s.x, s.from, s.to, false);
        for (const QLine& l : p.dottedLines)
            Line(l, true);
        for (const CurveSpan& s : p.dottedSpans)
            Span(s.x, s.from, s.to, true);
    }
};

struct Clipped {
    SegmentShape shape = SegmentShape::None;
    int xs = 0;
    int ys = 0;
    int xe = 0;
    int ye = 0;
};

Q_NEVER_INLINE Clipped Clip(double x0, double y0, double x1, double y1, const PlotRect& r)
{
    const double left = r.left;
    const double top = r.top;
    const double right = r.right;
    const double bottom = r.bottom;
    if (!(x0 >= left && x0 <= right && x1 >= left && x1 <= right && y0 >= top && y0 <= bottom && y1 >= top &&
          y1 <= bottom)) {
        if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
            return {};
        // Along the segment's own line onto the edges it crosses; a segment
        // that misses the plot draws nothing.
        const double dx = x1 - x0;
        const double dy = y1 - y0;
        double t0 = 0.0;
        double t1 = 1.0;
        const auto edge = [&](double p, double q) {
            if (p == 0.0)
                return q >= 0.0;
            const double t = q / p;
            if (p < 0.0) {
                if (t > t1)
                    return false;
                if (t > t0)
                    t0 = t;
            } else {
                if (t < t0)
                    return false;
                if (t < t1)
                    t1 = t;
            }
            return true;
        };
        if (!edge(-dx, x0 - left) || !edge(dx, right - x0) || !edge(-dy, y0 - top) || !edge(dy, bottom - y0))
            return {};
        const double nx0 = x0 + t0 * dx;
        const double ny0 = y0 + t0 * dy;
        x1 = x0 + t1 * dx;
        y1 = y0 + t1 * dy;
        x0 = nx0;
        y0 = ny0;
    }
    Clipped c;
    c.xs = qBound(r.left, int(x0), r.right);
    c.ys = qBound(r.top, int(y0), r.bottom);
    c.xe = qBound(r.left, int(x1), r.right);
    c.ye = qBound(r.top, int(y1), r.bottom);
    c.shape = c.xs < c.xe ? SegmentShape::Line : (c.xs == c.xe ? SegmentShape::Span : SegmentShape::None);
    return c;
}

// A clipped line, or a dotted span, as it is.
Q_ALWAYS_INLINE void AddPiece(CurvePrimitives& out, const Clipped& c, bool dotted)
{
    if (c.shape == SegmentShape::Line)
        (dotted ? out.dottedLines : out.solidLines).emplace_back(c.xs, c.ys, c.xe, c.ye);
    else if (c.shape == SegmentShape::Span && dotted)
        out.dottedSpans.push_back({c.xs, c.ys, c.ye});
}

// Collects the segments as primitives, every one on its own.
struct CollectSink {
    CurvePrimitives& out;
    const PlotRect& plot;
    void Segment(double x0, double y0, double x1, double y1, bool dotted)
    {
        const Clipped c = Clip(x0, y0, x1, y1, plot);
        if (c.shape == SegmentShape::Span && !dotted)
            out.solidSpans.push_back({c.xs, qMin(c.ys, c.ye), qMax(c.ys, c.ye)});
        else
            AddPiece(out, c, dotted);
    }
};

struct SeriesWalk {
    const SampleSeries* series = nullptr;
    const SampleColumn* column = nullptr;
    const qint64* times = nullptr;
    const double* values = nullptr;
    const int* intervals = nullptr;   // seconds, −1 none; nullptr: no sample has one
    int from = 0;
    int to = -1;
    qint64 start = 0;
    double left = 0;
    double bottom = 0;
    double pixelsPerSecond = 0;
    double axisBottom = 0;
    double axisScale = 0;
    int right = 0;
};

// The points of one series in order: samples without a value are passed
// over; a sensor error is drawn at 0 before the first point, at the previous
// value as the last sample, and passed over elsewhere; the segment into a
// point is dotted for an error or across a gap longer than the record interval.
struct PointRules {
    const SeriesWalk w;
    bool havePoint = false;
    double previousValue = 0;
    qint64 previousTime = 0;
    qint64 limit = 0;

    explicit PointRules(const SeriesWalk& description) : w(description)
    {
        if (w.intervals && w.intervals[w.from] >= 0)
            limit = w.intervals[w.from];
    }
    // The point of sample i; false when the sample gives none.
    Q_ALWAYS_INLINE bool At(int i, double& x, double& y, bool& dotted)
    {
        double v = w.values[i];
        if (std::isnan(v))
            return false;
        const bool error = IsErrorValue(v);
        if (error) {
            if (!havePoint)
                v = 0.0;
            else if (i == w.to)
                v = previousValue;
            else
                return false;
        }
        const qint64 t = w.times[i];
        dotted = error;
        if (w.intervals) {
            const int interval = w.intervals[i];
            if (interval >= 0) {
                if (havePoint && t - previousTime > limit)
                    dotted = true;
                limit = interval;
            }
        }
        x = X(t);
        y = Y(v);
        previousValue = v;
        previousTime = t;
        havePoint = true;
        return true;
    }
    Q_ALWAYS_INLINE double X(qint64 t) const { return w.left + double(t - w.start) * w.pixelsPerSecond; }
    Q_ALWAYS_INLINE double Y(double v) const { return w.bottom - (v - w.axisBottom) * w.axisScale; }
    // Samples up to `last` were passed over as points without errors or gaps.
    void Passed(int last)
    {
        previousValue = w.values[last];
        previousTime = w.times[last];
        if (w.intervals && w.intervals[last] >= 0)
            limit = w.intervals[last];
        havePoint = true;
    }
};

// Every segment, one by one, to `sink`; a lone point is drawn on to the right edge.
template <class Sink>
bool Walk(const SeriesWalk& description, Sink& sink, const std::function<bool()>& cancelled)
{
    PointRules rules(description);
    int points = 0;
    double px = 0;
    double py = 0;
    bool pointDotted = false;
    for (int block = description.from; block <= description.to; block += kCancelCheckEvery) {
        if (block > description.from && cancelled && cancelled())
            return false;
        const int end = qMin(description.to, block + kCancelCheckEvery - 1);
        for (int i = block; i <= end; ++i) {
            double x, y;
            bool dotted;
            if (!rules.At(i, x, y, dotted))
                continue;
            if (points > 0)
                sink.Segment(px, py, x, y, dotted);
            px = x;
            py = y;
            pointDotted = dotted;
            ++points;
        }
    }
    if (points == 1)
        sink.Segment(px, py, double(description.right), py, pointDotted);
    return true;
}

// Adds rows a … b of `column` to the open solid span when they touch it;
// otherwise the open span is done and these rows open the next.
Q_ALWAYS_INLINE void MergeSpan(bool& open, int& sx, int& lo, int& hi, CurvePrimitives& out, int column, int a, int b)
{
    if (open && column == sx && a <= hi + 1 && b >= lo - 1) {
        lo = qMin(lo, a);
        hi = qMax(hi, b);
        return;
    }
    if (open)
        out.solidSpans.push_back({sx, lo, hi});
    open = true;
    sx = column;
    lo = a;
    hi = b;
}

Q_ALWAYS_INLINE void Apply(const Clipped& c, bool dotted, bool& open, int& sx, int& lo, int& hi, CurvePrimitives& out)
{
    if (c.shape == SegmentShape::Span && !dotted)
        MergeSpan(open, sx, lo, hi, out, c.xs, qMin(c.ys, c.ye), qMax(c.ys, c.ye));
    else
        AddPiece(out, c, dotted);
}

// The same segments as Walk, summarised: solid spans of one column that touch
// or overlap become one span (the union of their pixels); lines between
// columns and dotted pieces stay as they are. Consecutive points inside the
// plot (nearly all of them) take a short way that gives what Clip gives them.
// The state lives in locals that no call sees, so it stays in registers.
bool Summarise(const SeriesWalk& description, const PlotRect& plot, CurvePrimitives& out,
               const std::function<bool()>& cancelled)
{
    const double left = plot.left;
    const double top = plot.top;
    const double right = plot.right;
    const double bottom = plot.bottom;
    PointRules rules(description);
    int points = 0;
    double px = 0;
    double py = 0;
    bool pointDotted = false;
    bool lastInside = false;
    int lastX = 0;
    int lastY = 0;
    bool open = false;   // the solid span being gathered: column sx, rows lo … hi
    int sx = 0;
    int lo = 0;
    int hi = 0;
    const SeriesWalk& w = description;
    int nextCheck = w.from + kCancelCheckEvery;
    for (int i = w.from; i <= w.to; ++i) {
        if (i >= nextCheck) {
            nextCheck = i + kCancelCheckEvery;
            if (cancelled && cancelled())
                return false;
        }
        double x, y;
        bool dotted;
        if (!rules.At(i, x, y, dotted))
            continue;
        const bool inside = x >= left && x <= right && y >= top && y <= bottom;
        const int xi = int(x);
        const int yi = int(y);
        if (points > 0) {
            if (inside && lastInside && !dotted) {
                if (xi == lastX)
                    MergeSpan(open, sx, lo, hi, out, xi, qMin(lastY, yi), qMax(lastY, yi));
                else if (xi > lastX)
                    out.solidLines.emplace_back(lastX, lastY, xi, yi);
            } else {
                Apply(Clip(px, py, x, y, plot), dotted, open, sx, lo, hi, out);
            }
        }
        lastInside = inside;
        lastX = xi;
        lastY = yi;
        px = x;
        py = y;
        pointDotted = dotted;
        ++points;

        // A whole block from here that lies in this column, inside the plot,
        // with values only and no gap: its segments are one chain of spans in
        // this column, whose union is the rows of its smallest to its largest
        // value. Times and the truncation to pixels only grow, so its first
        // and last sample tell the column and its extremes tell the rows.
        if (!inside || i % kSampleBlock != 0 || i + kSampleBlock - 1 > w.to)
            continue;
        const qsizetype b = i / kSampleBlock;
        if (!w.column->BlockPlain(b) || !w.series->BlockSteady(b))
            continue;
        const int last = i + kSampleBlock - 1;
        const double lastPointX = rules.X(w.times[last]);
        if (!(lastPointX <= right) || int(lastPointX) != xi)
            continue;
        const double y1 = rules.Y(w.column->BlockMax(b));
        const double y2 = rules.Y(w.column->BlockMin(b));
        if (!(qMin(y1, y2) >= top && qMax(y1, y2) <= bottom))
            continue;
        MergeSpan(open, sx, lo, hi, out, xi, qMin(int(y1), int(y2)), qMax(int(y1), int(y2)));
        const double lastPointY = rules.Y(w.values[last]);
        rules.Passed(last);
        lastX = int(lastPointX);
        lastY = int(lastPointY);
        px = lastPointX;
        py = lastPointY;
        pointDotted = false;
        points += kSampleBlock - 1;
        i = last;
    }
    if (points == 1)
        Apply(Clip(px, py, right, py, plot), pointDotted, open, sx, lo, hi, out);
    if (open)
        out.solidSpans.push_back({sx, lo, hi});
    return true;
}

bool PrepareWalk(const CurveLayout& layout, const CurveSnapshot& s, const SERIEINFO& serie, SeriesWalk* w,
                 const SampleColumn** column)
{
    const int axis = serie.axis;
    if (axis < 0 || axis >= int(s.axisInfo.size()) || !s.rangeValid)
        return false;
    *column = s.ColumnOf(axis);
    if (!*column || !DrawRange(s, &w->from, &w->to))
        return false;
    w->series = s.samples.get();
    w->column = *column;
    w->times = s.samples->Times();
    w->values = (*column)->Values();
    w->intervals = s.samples->Intervals();
    w->start = s.start;
    w->left = layout.plot.left;
    w->bottom = layout.plot.bottom;
    w->right = layout.plot.right;
    w->pixelsPerSecond = layout.pixelsPerSecond;
    w->axisBottom = s.axisInfo[size_t(axis)].bottom;
    w->axisScale = layout.axisScales[size_t(axis)];
    return true;
}

bool UseSummary(const CurveSnapshot& s, const CurveLayout& layout, const CurveRenderOptions& options)
{
    return options.decimate && s.last - s.first + 1 > layout.plot.Width();
}

// Draws (or cancels) the curve of one series.
bool DrawCurve(QPainter& painter, const CurveLayout& layout, const CurveSnapshot& s, const SERIEINFO& serie,
               const QColor& colour, int penWidth, const CurveRenderOptions& options)
{
    SeriesWalk w;
    const SampleColumn* column = nullptr;
    if (!PrepareWalk(layout, s, serie, &w, &column))
        return true;
    CurveInk ink(painter, colour, penWidth);
    if (!UseSummary(s, layout, options)) {
        CurvePrimitives every;
        CollectSink sink{every, layout.plot};
        if (!Walk(w, sink, options.cancelled))
            return false;
        ink.Draw(every);
        return true;
    }
    CCurveSummaryCache::Key key{s.samples, column, w.from, w.to, w.start, w.pixelsPerSecond, layout.plot,
                                w.axisBottom, w.axisScale};
    std::shared_ptr<const CurvePrimitives> primitives = options.cache ? options.cache->Find(key) : nullptr;
    if (!primitives) {
        auto built = std::make_shared<CurvePrimitives>();
        if (!Summarise(w, layout.plot, *built, options.cancelled))
            return false;
        primitives = built;
        if (options.cache)
            options.cache->Store(std::move(key), primitives);
    }
    ink.Draw(*primitives);
    return true;
}

void Arrow(QPainter& p, QPoint tip, QPoint a, QPoint b)
{
    p.drawLine(tip, a);
    p.drawLine(tip, b);
}

QString AxisTitle(const SERIEINFO& serie) { return serie.type + u'(' + serie.unit + u')'; }

// Where an axis's title starts, a little right of the axis.
int AxisTitleLeft(const QRect& client, const CurveLayout& layout, const CurveMetrics& metrics, int n)
{
    return client.x() + layout.margin * (n + 1) + metrics.Px(7);
}

// `raised`: the title goes one text line higher, clear of the title of the
// axis before it when that one is wider than the gap between the axes (the
// English "Temperature(°C)" beside "Humidity(%RH)").
void DrawYAxis(QPainter& painter, const QRect& client, const CurveLayout& layout, const CurveMetrics& metrics,
               const CurveSnapshot& s, const SERIEINFO& serie, int n, const QPen& axisPen, bool raised)
{
    const COORYINFO& axis = s.axisInfo[size_t(serie.axis)];
    const PlotRect& plot = layout.plot;
    const int m = layout.margin;
    const int h = layout.textHeight;
    const int x = client.x() + m * (n + 1);
    const int divisions = qMax(1, s.divisions);

    painter.setPen(Pen(kInk, 1));
    DrawTextWithFallback(painter, QPointF(AxisTitleLeft(client, layout, metrics, n), plot.top - (raised ? 3 : 2) * h),
                         AxisTitle(serie));

    painter.setPen(axisPen);
    const int tipY = plot.top - h * 3 / 2;
    painter.drawLine(x, plot.bottom, x, tipY);
    Arrow(painter, QPoint(x, tipY), QPoint(x - metrics.Px(5), tipY + metrics.Px(7)),
          QPoint(x + metrics.Px(5), tipY + metrics.Px(7)));

    struct Label {
        double value;
        int y;
    };
    std::vector<Label> labels{{axis.top, plot.top}, {axis.bottom, plot.bottom}};
    for (int k = 1; k < divisions; ++k)
        labels.push_back({axis.bottom + (1.0 - double(k) / divisions) * (axis.top - axis.bottom),
                          plot.top + k * plot.Height() / divisions});
    const int boxLeft = client.x() + m * n;
    const int boxRight = x - metrics.Px(15);
    for (const Label& label : labels) {
        painter.setPen(Pen(kInk, 1));
        DrawTextWithFallback(painter, QRectF(boxLeft, label.y - h / 2.0, boxRight - boxLeft, h),
                             Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                             FormatSampleValue(serie.upperAlarm, label.value, true, true));
        painter.setPen(axisPen);
        painter.drawLine(x - metrics.Px(10), label.y, x, label.y);
    }
}

QString TimeLabel(qint64 seconds, bool withSeconds)
{
    const SampleTime t = CurveSampleTime(seconds);
    if (withSeconds)
        return QString::asprintf("%.2d:%.2d:%.2d\n%.4d-%.2d-%.2d", t.hour, t.minute, t.second, t.year, t.month, t.day);
    return QString::asprintf("%.2d:%.2d\n%.4d-%.2d-%.2d", t.hour, t.minute, t.year, t.month, t.day);
}

void DrawTimeAxis(QPainter& painter, const CurveLayout& layout, const CurveMetrics& metrics, const CurveSnapshot& s,
                  const QPen& axisPen)
{
    const PlotRect& plot = layout.plot;
    const int h = layout.textHeight;

    painter.setPen(Pen(kInk, 1));
    DrawTextWithFallback(painter, QPointF(plot.right + h, plot.bottom - h - metrics.Px(7)), Msg(180));

    painter.setPen(axisPen);
    const int tipX = plot.right + 2 * h;
    painter.drawLine(plot.left, plot.bottom, tipX, plot.bottom);
    Arrow(painter, QPoint(tipX, plot.bottom), QPoint(tipX - metrics.Px(7), plot.bottom - metrics.Px(5)),
          QPoint(tipX - metrics.Px(7), plot.bottom + metrics.Px(5)));

    const QFont saved = painter.font();
    const QFont labelFont = GraphFont(8.0 * 96.0 / 72.0 * metrics.scale);
    painter.setFont(labelFont);
    const QFontMetricsF fm(labelFont, painter.device());
    const SampleTime first = CurveSampleTime(s.start);
    const int boxWidth =
        int(std::ceil(fm.horizontalAdvance(QString::asprintf("%.4d-%.2d-%.2d", first.year, first.month, first.day)))) +
        metrics.Px(20);
    const int labelTop = plot.bottom + metrics.Px(17);
    const qreal labelHeight = 2 * fm.height();
    const int tick = metrics.Px(10);

    for (const TimeAxisLabel& label : TimeAxisLabels(layout, s, boxWidth)) {
        painter.setPen(axisPen);
        painter.drawLine(label.x, plot.bottom, label.x, plot.bottom + tick);
        QRectF box(label.x - boxWidth / 2.0, labelTop, boxWidth, labelHeight);
        if (label.align & Qt::AlignLeft)
            box.moveLeft(label.x);
        else if (label.align & Qt::AlignRight)
            box.moveRight(label.x);
        painter.setPen(Pen(kInk, 1));
        DrawTextWithFallback(painter, box, int(label.align) | Qt::AlignVCenter | Qt::TextDontClip,
                             TimeLabel(label.time, label.withSeconds));
    }
    painter.setFont(saved);
}

} // namespace

bool CCurveSummaryCache::Key::Same(const Key& o) const
{
    return samples == o.samples && column == o.column && from == o.from && to == o.to && start == o.start &&
           pixelsPerSecond == o.pixelsPerSecond && plot == o.plot && axisBottom == o.axisBottom &&
           axisScale == o.axisScale;
}

std::shared_ptr<const CurvePrimitives> CCurveSummaryCache::Find(const Key& key) const
{
    std::lock_guard lock(m_lock);
    for (const auto& [k, p] : m_entries)
        if (k.Same(key))
            return p;
    return nullptr;
}

void CCurveSummaryCache::Store(Key key, std::shared_ptr<const CurvePrimitives> primitives)
{
    // Enough for every series of a view, twice over.
    constexpr size_t kEntries = 32;
    std::lock_guard lock(m_lock);
    if (m_entries.size() >= kEntries)
        m_entries.erase(m_entries.begin());
    m_entries.emplace_back(std::move(key), std::move(primitives));
}

void CCurveSummaryCache::Clear()
{
    std::lock_guard lock(m_lock);
    m_entries.clear();
}

std::vector<TimeAxisLabel> TimeAxisLabels(const CurveLayout& layout, const CurveSnapshot& s, int boxWidth)
{
    const PlotRect& plot = layout.plot;
    if (s.start == s.end)
        return {{plot.left, s.start, true, Qt::AlignLeft}, {plot.right, s.end, true, Qt::AlignRight}};
    const qint64 span = qMax<qint64>(1, s.end - s.start);
    const int boxes = boxWidth > 0 ? plot.Width() / boxWidth : 0;
    // When no label box fits twice, or the range is under a minute, one
    // interval: a label at each end.
    qint64 intervals = qMax(1, boxes - 1);
    const qint64 minutes = span / 60;
    if (minutes / intervals == 0)
        intervals = qMax<qint64>(1, minutes);
    const qint64 step = span / intervals;
    std::vector<TimeAxisLabel> labels;
    for (qint64 i = 0; i <= intervals; ++i)
        labels.push_back({plot.left + int(i * plot.Width() / intervals), s.start + i * step, step < 60,
                          Qt::AlignHCenter});
    return labels;
}

SegmentShape ClipSegment(double x0, double y0, double x1, double y1, const PlotRect& plot, QLine* out)
{
    const Clipped c = Clip(x0, y0, x1, y1, plot);
    if (out)
        *out = QLine(c.xs, c.ys, c.xe, c.ye);
    return c.shape;
}

CurvePrimitives CurvePrimitivesOf(const QRect& client, const CurveSnapshot& s, int seriesIndex,
                                  const CurveRenderOptions& options)
{
    CurvePrimitives out;
    if (seriesIndex < 0 || seriesIndex >= int(s.series.size()))
        return out;
    const CurveLayout layout = LayoutCurve(client, s, options.metrics);
    SeriesWalk w;
    const SampleColumn* column = nullptr;
    if (layout.plot.Empty() || !PrepareWalk(layout, s, s.series[size_t(seriesIndex)], &w, &column))
        return out;
    if (options.decimate) {
        Summarise(w, layout.plot, out, options.cancelled);
    } else {
        CollectSink sink{out, layout.plot};
        Walk(w, sink, options.cancelled);
    }
    return out;
}

bool DrawCurveGraph(QPainter& painter, const QRect& client, const CurveSnapshot& s, const CurveRenderOptions& options)
{
    RegisterFontSubstitutions();
    const CurveMetrics& metrics = options.metrics;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.fillRect(client, s.background);
    const CurveLayout layout = LayoutCurve(client, s, metrics);
    if (s.series.empty() || layout.plot.Empty()) {
        painter.restore();
        return true;
    }
    const PlotRect& plot = layout.plot;
    const int penWidth = qMax(1, metrics.Px(1));
    const QPen ink = Pen(kInk, penWidth);
    painter.setFont(GraphFont(12.0 * metrics.scale));

    painter.fillRect(QRect(plot.left, plot.top, plot.Width(), plot.Height()), kPlotFill);

    painter.setPen(Pen(kGrid, penWidth));
    const int divisions = qMax(1, s.divisions);
    const int rowStep = plot.Height() / divisions;
    for (int k = 0; k < divisions; ++k)
        painter.drawLine(plot.left, plot.top + k * rowStep, plot.right, plot.top + k * rowStep);
    painter.drawLine(plot.right, plot.top, plot.right, plot.bottom);
    painter.drawLine(plot.left, plot.bottom, plot.right, plot.bottom);
    painter.drawLine(plot.left, plot.top, plot.left, plot.bottom);

    if (s.mode == kModeShowData && s.cursorInPlot && s.reticle) {
        painter.setPen(ink);
        painter.drawLine(s.cursorX, plot.top, s.cursorX, plot.bottom);
        painter.drawLine(plot.left, s.cursorY, plot.right, s.cursorY);
    }

    const bool visible = s.SampleCount() > 0 && s.last >= 0 && s.rangeValid;
    int lowTitleRight = std::numeric_limits<int>::min();
    for (int n = 0; n < int(s.series.size()); ++n) {
        const SERIEINFO& serie = s.series[size_t(n)];
        if (serie.axis < 0 || serie.axis >= int(s.axisInfo.size()))
            continue;
        const COORYINFO& axis = s.axisInfo[size_t(serie.axis)];
        const double scale = layout.axisScales[size_t(serie.axis)];
        const QColor colour = s.ColourOf(serie.axis);

        if (s.alarmLines) {
            painter.setPen(Pen(colour, penWidth, Qt::DashLine));
            for (const QString& text : {serie.upperAlarm, serie.lowerAlarm}) {
                // A channel without an alarm value has no line (not one at 0).
                const SampleNumber alarm = ParseSampleValue(serie.upperAlarm, text);
                if (!alarm.valid || alarm.value < qMin(axis.bottom, axis.top) || alarm.value > qMax(axis.bottom, axis.top))
                    continue;
                const int y = int(plot.bottom - (alarm.value - axis.bottom) * scale);
                painter.drawLine(plot.left, y, plot.right, y);
            }
        }

        if (visible && s.axes && (s.axisLimit == -1 || n < s.axisLimit)) {
            const QPen axisPen = s.axisLimit == 1 ? ink : Pen(colour, penWidth);
            const int titleLeft = AxisTitleLeft(client, layout, metrics, n);
            const bool raised = titleLeft < lowTitleRight + metrics.Px(4);
            if (!raised)
                lowTitleRight = titleLeft
                    + int(std::ceil(QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(AxisTitle(serie))));
            DrawYAxis(painter, client, layout, metrics, s, serie, n, axisPen, raised);
            if (n == 0)
                DrawTimeAxis(painter, layout, metrics, s, axisPen);
        }

        if (visible && !DrawCurve(painter, layout, s, serie, colour, penWidth, options)) {
            painter.restore();
            return false;
        }
    }
    painter.restore();
    return true;
}

} // namespace qm::browse
