#pragma once
// The one drawing function of the curve: the window, the kept bitmap (curve
// image and report), the PDF report and the printed page all draw through it.
//
// A series with more visible samples than the plot has pixel columns is drawn
// from a per-column summary instead of segment by segment. The summary gives
// the same pixels as drawing every segment: per column it keeps where the curve
// enters and leaves (first and last point, joined to the neighbouring columns
// by the same lines) and the span between its lowest and highest point, and it
// keeps every dotted segment as it is (a dot pattern is not a union of spans).
#include "CurveGeometry.h"
#include "CurveState.h"

#include <QLine>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QPainter;

namespace qm::browse {

// What one series puts on the plot, in picture pixels.
struct CurveSpan {
    int x = 0;
    int from = 0;            // first row drawn (a dotted span keeps its direction)
    int to = 0;
};
struct CurvePrimitives {
    std::vector<QLine> solidLines;
    std::vector<QLine> dottedLines;
    std::vector<CurveSpan> solidSpans;   // from <= to
    std::vector<CurveSpan> dottedSpans;
    qsizetype Count() const { return qsizetype(solidLines.size() + dottedLines.size() + solidSpans.size() + dottedSpans.size()); }
};

// Summaries of the last renders, reused while only the cursor, the flags or
// the colours change (the reticle following the mouse). Thread-safe.
class CCurveSummaryCache {
public:
    struct Key {
        std::shared_ptr<const SampleSeries> samples;
        const SampleColumn* column = nullptr;
        int from = 0;
        int to = 0;
        qint64 start = 0;
        double pixelsPerSecond = 0;
        PlotRect plot;
        double axisBottom = 0;
        double axisScale = 0;
        bool Same(const Key& other) const;
    };
    std::shared_ptr<const CurvePrimitives> Find(const Key& key) const;
    void Store(Key key, std::shared_ptr<const CurvePrimitives> primitives);
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<Key, std::shared_ptr<const CurvePrimitives>>> m_entries;   // newest last
};

struct CurveRenderOptions {
    CurveMetrics metrics;
    // Off: every segment is drawn one by one (the reference the summary matches).
    bool decimate = true;
    // Asked now and then while curves are drawn; true stops the render.
    std::function<bool()> cancelled;
    CCurveSummaryCache* cache = nullptr;
};

// Draws `snapshot` into `client` (picture pixels of `painter`). Returns false
// when the render was cancelled before it finished.
bool DrawCurveGraph(QPainter& painter, const QRect& client, const CurveSnapshot& snapshot,
                    const CurveRenderOptions& options = {});

// The primitives of series `seriesIndex` as the summary builds them, or
// segment by segment (decimate off), for the checks that compare the two.
CurvePrimitives CurvePrimitivesOf(const QRect& client, const CurveSnapshot& snapshot, int seriesIndex,
                                  const CurveRenderOptions& options = {});

// The labels of the time axis: where they stand (x of the tick), their time
// and whether they show seconds (a range under a minute per label, or a single
// instant). `boxWidth` is the width of one label box.
struct TimeAxisLabel {
    int x = 0;
    qint64 time = 0;
    bool withSeconds = false;
    Qt::Alignment align = Qt::AlignHCenter;
};
std::vector<TimeAxisLabel> TimeAxisLabels(const CurveLayout& layout, const CurveSnapshot& snapshot, int boxWidth);

// Clips the segment to the plot along its own line (nothing when it misses
// the plot), truncates the ends to whole pixels and sorts it into a line
// (the ends in different columns) or a vertical span (one column, so a spike
// between two samples of one column is drawn, not dropped).
enum class SegmentShape { None, Line, Span };
SegmentShape ClipSegment(double x0, double y0, double x1, double y1, const PlotRect& plot, QLine* out);

} // namespace qm::browse
