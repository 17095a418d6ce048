#pragma once
// Where things are on a curve picture: the plot rectangle inside the margin,
// pixels per second of the visible range, pixels per value unit of each axis,
// and the sample under a cursor position. Computed from the snapshot and the
// picture's rectangle, so the window, its input handling and every render
// agree without reading back what a render stored.
#include "CurveState.h"

#include <QRect>
#include <vector>

namespace qm::browse {

// The plot area; right and bottom are the border lines themselves (the area
// spans right − left pixels, as the grid and the clipping count it).
struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    friend bool operator==(const PlotRect&, const PlotRect&) = default;
};

struct CurveMetrics {
    int margin = 60;         // around the plot, in picture pixels at scale 1
    int textHeight = 13;
    double scale = 1.0;      // picture pixels per layout pixel (paper: its resolution / 96)
    int Px(double layoutPixels) const;
};

struct CurveLayout {
    PlotRect plot;
    int margin = 60;         // scaled
    int textHeight = 13;     // scaled
    double pixelsPerSecond = 0.0;
    std::vector<double> axisScales;   // per axis index
};

CurveLayout LayoutCurve(const QRect& client, const CurveSnapshot& snapshot, const CurveMetrics& metrics = {});

// Cursor x → time of the visible range, truncated to whole seconds.
qint64 CursorTime(const CurveLayout& layout, const CurveSnapshot& snapshot, int x);

enum class SampleLookup { AtOrBefore, AtOrAfter };

// Bisection over samples lo … hi (ascending times): the sample at exactly
// `time`, else the latest one before it or the earliest one after it; −1
// when there is none in lo … hi.
int FindSample(const SampleSeries& samples, qint64 time, SampleLookup mode, int lo, int hi);

// The lookup of a cursor x over the visible samples and one on each side.
int FindVisibleSample(const CurveLayout& layout, const CurveSnapshot& snapshot, int x, SampleLookup mode);

// Index range a series is drawn from: the visible samples plus the one before
// (when the first lies after the range start) and the one after (when the last
// lies before the range end). False when nothing is visible.
bool DrawRange(const CurveSnapshot& snapshot, int* from, int* to);

} // namespace qm::browse
