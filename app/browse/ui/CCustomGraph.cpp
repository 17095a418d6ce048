#include "CCustomGraph.h"

#include "Fonts.h"
#include "MessageSeam.h"
#include "SampleValue.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>
#include <cmath>

namespace qm::browse {
namespace {

// Redraws that follow the mouse come at most this often (a frame at 60 Hz).
constexpr int kFrameMs = 16;

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

double NumberOf(const QVariant& data)
{
    bool ok = false;
    const double value = data.toDouble(&ok);
    return ok ? value : LeadingNumber(data.toString());
}

} // namespace

CCustomGraph::CCustomGraph(QWidget* parent) : QWidget(parent)
{
    RegisterFontSubstitutions();
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_band = new QRubberBand(QRubberBand::Rectangle, this);
    m_band->hide();
    m_throttle = new QTimer(this);
    m_throttle->setSingleShot(true);
    connect(m_throttle, &QTimer::timeout, this, [this] {
        if (m_dirty && !m_inFlight) {
            m_dirty = false;
            Redraw();
        }
    });
    m_worker = std::thread([this] { RenderLoop(); });
}

CCustomGraph::~CCustomGraph()
{
    {
        std::lock_guard lock(m_requestLock);
        m_stopping = true;
        m_request.reset();
    }
    m_latestGeneration.store(-2);   // a render under way stops at its next check
    m_requestReady.notify_all();
    m_worker.join();
}

void CCustomGraph::LoadAxes(int row, const QAbstractItemModel* list, int upperColumn, int lowerColumn, int topColumn,
                            int bottomColumn, int unitColumn, int typeColumn)
{
    if (!list) {
        LoadAxes(row, nullptr);
        return;
    }
    std::vector<CurveAxisRow> rows;
    for (int r = 0; r < list->rowCount(); ++r) {
        const auto cell = [&](int column, int role = Qt::DisplayRole) { return list->index(r, column).data(role); };
        CurveAxisRow axis;
        axis.channelId = cell(0, Qt::UserRole).toInt();
        axis.ticked = cell(0, Qt::CheckStateRole).toInt() == Qt::Checked;
        axis.upperAlarm = cell(upperColumn).toString();
        axis.lowerAlarm = cell(lowerColumn).toString();
        axis.top = NumberOf(cell(topColumn));
        axis.bottom = NumberOf(cell(bottomColumn));
        axis.unit = cell(unitColumn).toString();
        axis.type = cell(typeColumn).toString();
        rows.push_back(axis);
    }
    LoadAxes(row, &rows);
}

void CCustomGraph::LoadAxes(int row, const std::vector<CurveAxisRow>* rows)
{
    m_state.cursorInPlot = false;
    if (!rows) {
        m_state.axisInfo.clear();
        m_state.series.clear();
        return;
    }
    const auto load = [this, rows](int i) {
        const CurveAxisRow& r = (*rows)[size_t(i)];
        while (int(m_state.colours.size()) <= i)
            m_state.colours.push_back(GeneratedCurveColour(int(m_state.colours.size())));
        SetAxisRange(r.channelId, i, r.top, r.bottom);
    };
    const auto serie = [rows](int i) {
        const CurveAxisRow& r = (*rows)[size_t(i)];
        return SERIEINFO{i, r.upperAlarm, r.lowerAlarm, QString(), r.unit, r.type};
    };
    if (row < 0) {
        m_state.series.clear();
        for (int i = 0; i < int(rows->size()); ++i) {
            load(i);
            if ((*rows)[size_t(i)].ticked)
                m_state.series.push_back(serie(i));
        }
        // The rows are the axes: none stays behind from an earlier, longer table.
        if (m_state.axisInfo.size() > rows->size())
            m_state.axisInfo.resize(rows->size());
        return;
    }
    if (row >= int(rows->size()))
        return;
    load(row);
    auto& series = m_state.series;
    std::erase_if(series, [row](const SERIEINFO& s) { return s.axis == row; });
    if ((*rows)[size_t(row)].ticked) {
        auto at = std::find_if(series.begin(), series.end(), [row](const SERIEINFO& s) { return s.axis > row; });
        series.insert(at, serie(row));
    }
}

void CCustomGraph::SetAxisRange(int channelId, int index, double top, double bottom)
{
    auto& axes = m_state.axisInfo;
    if (index < 0)
        return;
    if (index >= int(axes.size())) {
        COORYINFO axis;
        axis.top = top;
        axis.bottom = bottom;
        axis.channelId = channelId;
        axes.push_back(axis);
        return;
    }
    COORYINFO& axis = axes[size_t(index)];
    if (axis.saved) {
        axis.saved = false;
        axis.savedTop = -1.0;
        axis.savedBottom = -1.0;
    }
    axis.top = top;
    axis.bottom = bottom;
    axis.channelId = channelId;
}

void CCustomGraph::SetCurveColour(const QColor& colour, int index)
{
    if (index >= 0 && index < int(m_state.colours.size()))
        m_state.colours[size_t(index)] = colour;
    else
        m_state.colours.push_back(colour);
}

QColor CCustomGraph::GetCurveColour(int index) const { return m_state.ColourOf(index); }

void CCustomGraph::LoadSamples(int count, const SampleTime* times, const QString* positions, const QString* values,
                               const int* intervals, int lastIndex)
{
    SampleSeriesBuilder builder;
    builder.Reserve(qMax(0, count));
    for (int i = 0; i < count; ++i)
        builder.AddSample(times[i], positions[i], values[i], intervals ? IntervalSecondsOfMinutes(intervals[i]) : -1);
    LoadSamples(count > 0 ? builder.Build() : nullptr, lastIndex);
}

void CCustomGraph::LoadSamples(std::shared_ptr<const SampleSeries> samples, int lastIndex)
{
    ResetGraph();
    if (!samples || samples->Count() == 0)
        return;
    m_state.samples = std::move(samples);
    const int count = int(m_state.samples->Count());
    m_state.first = 0;
    m_state.last = qMin(count - 1, lastIndex);
    if (m_state.last < 0) {
        m_state.first = -1;
        m_state.last = -1;
    } else {
        m_state.rangeValid = true;
        m_state.start = m_state.samples->Time(m_state.first);
        m_state.end = m_state.samples->Time(m_state.last);
    }
    Redraw();
    SendRange(0);
}

void CCustomGraph::SetMode(int mode)
{
    m_state.mode = mode;
    m_zooming = false;
    m_band->hide();
    if (m_state.cursorInPlot) {
        m_state.cursorInPlot = false;
        Redraw();
    }
    if (mode != kModeShowData)
        ClearReadouts();
}

void CCustomGraph::RestoreSavedAxes()
{
    for (COORYINFO& axis : m_state.axisInfo) {
        if (axis.saved) {
            axis.top = axis.savedTop;
            axis.bottom = axis.savedBottom;
        }
        axis.saved = false;
        axis.savedTop = -1.0;
        axis.savedBottom = -1.0;
    }
}

void CCustomGraph::ResetGraph()
{
    m_state.samples.reset();
    m_state.first = -1;
    m_state.last = -1;
    m_state.rangeValid = false;
    m_savedFirst = -1;
    m_savedLast = -1;
    RestoreSavedAxes();
    m_dragging = false;
    SetMode(kModeShowData);
    ClearReadouts();
    SendRange(1);
    Redraw();
}

void CCustomGraph::CopyGraph(const CCustomGraph& other)
{
    const CurveSnapshot& o = other.m_state;
    m_state.background = o.background;
    m_state.reticle = o.reticle;
    m_state.alarmLines = o.alarmLines;
    m_state.axes = o.axes;
    m_state.divisions = o.divisions;
    m_state.axisLimit = o.axisLimit;
    m_state.mode = o.mode;
    m_state.colours = o.colours;
    m_state.axisInfo = o.axisInfo;
    m_state.series = o.series;
    m_state.samples = o.samples;
    m_state.first = o.first;
    m_state.last = o.last;
    m_state.rangeValid = o.rangeValid;
    m_state.start = o.start;
    m_state.end = o.end;
    m_savedFirst = other.m_savedFirst;
    m_savedLast = other.m_savedLast;
    m_savedStart = other.m_savedStart;
    m_savedEnd = other.m_savedEnd;
}

CurveLayout CCustomGraph::Layout() const { return LayoutCurve(rect(), m_state, m_metrics); }

QDateTime CCustomGraph::RangeStart() const
{
    return m_state.rangeValid ? CurveDateTime(m_state.start) : QDateTime();
}

QDateTime CCustomGraph::RangeEnd() const { return m_state.rangeValid ? CurveDateTime(m_state.end) : QDateTime(); }

DATAINFO CCustomGraph::Sample(int index) const
{
    DATAINFO info;
    if (!m_state.samples || index < 0 || index >= m_state.samples->Count())
        return info;
    const SampleSeries& s = *m_state.samples;
    const int interval = s.IntervalSeconds(index);
    info.intervalFlag = interval >= 0 ? 1 : 0;
    info.interval = qMax(0, interval) / 60;
    info.time = CurveDateTime(s.Time(index));
    for (int axis = 0; axis < int(m_state.axisInfo.size()); ++axis) {
        const SampleColumn* column = m_state.ColumnOf(axis);
        info.values << (column ? column->Text(index) : QString());
    }
    return info;
}

bool CCustomGraph::ZoomToRect(int x1, int y1, int x2, int y2)
{
    if (!m_state.samples || m_state.first < 0 || m_state.last < 0 || !m_state.rangeValid)
        return false;
    const CurveLayout layout = Layout();
    const int first = FindVisibleSample(layout, m_state, x1, SampleLookup::AtOrAfter);
    const int last = FindVisibleSample(layout, m_state, x2, SampleLookup::AtOrBefore);
    const qint64 start = CursorTime(layout, m_state, x1);
    const qint64 end = CursorTime(layout, m_state, x2);
    if (first < 0 || last < 0 || last < first) {
        ShowMessage(152);
        return false;
    }
    const int plotBottom = layout.plot.bottom;
    for (size_t i = 0; i < m_state.axisInfo.size(); ++i) {
        COORYINFO& axis = m_state.axisInfo[i];
        if (!axis.saved) {
            axis.saved = true;
            axis.savedTop = axis.top;
            axis.savedBottom = axis.bottom;
        }
        const double scale = layout.axisScales[i];
        // A rectangle without height narrows the time only: its values would
        // make an axis without a range.
        if (scale == 0.0 || y1 == y2)
            continue;
        const double bottom = axis.bottom;
        axis.top = bottom + (plotBottom - y1) / scale;
        axis.bottom = bottom + (plotBottom - y2) / scale;
    }
    if (m_savedFirst < 0) {
        m_savedFirst = m_state.first;
        m_savedLast = m_state.last;
        m_savedStart = m_state.start;
        m_savedEnd = m_state.end;
    }
    m_state.first = first;
    m_state.last = last;
    m_state.start = start;
    m_state.end = end;
    Redraw();
    SendRange(1);
    return true;
}

bool CCustomGraph::UndoZoom()
{
    if (m_savedFirst < 0)
        return false;
    m_state.first = m_savedFirst;
    m_state.last = m_savedLast;
    // The view as it was, also when a drag had moved it off whole samples.
    m_state.start = m_savedStart;
    m_state.end = m_savedEnd;
    m_savedFirst = -1;
    m_savedLast = -1;
    RestoreSavedAxes();
    Redraw();
    SendRange(1);
    return true;
}

void CCustomGraph::FindVisible(qint64 start, qint64 end)
{
    const SampleSeries& s = *m_state.samples;
    const int n = int(s.Count());
    m_state.first = FindSample(s, start, SampleLookup::AtOrAfter, 0, n - 1);
    m_state.last = FindSample(s, end, SampleLookup::AtOrBefore, 0, n - 1);
}

void CCustomGraph::PanBy(int x0, int y0, int x1, int y1)
{
    if ((x0 == x1 && y0 == y1) || !m_state.samples || m_state.samples->Count() == 0 || !m_state.rangeValid)
        return;
    const CurveLayout layout = Layout();
    double shift = layout.pixelsPerSecond > 0.0 ? (x1 - x0) / layout.pixelsPerSecond : 0.0;
    if (shift != 0.0 && std::abs(shift) < 60.0)
        shift = shift > 0 ? 60.0 : -60.0;
    const qint64 seconds = qint64(shift);
    qint64 start = m_state.start - seconds;
    qint64 end = m_state.end - seconds;
    const SampleSeries& s = *m_state.samples;
    const qint64 earliest = s.Time(0);
    const qint64 latest = s.Time(s.Count() - 1);
    if (start < earliest) {
        end += earliest - start;
        start = earliest;
    }
    if (end > latest) {
        start -= end - latest;
        end = latest;
    }
    // Over the whole series: a drag brings in samples that were not visible.
    FindVisible(start, end);

    for (size_t i = 0; i < m_state.axisInfo.size(); ++i) {
        const double scale = layout.axisScales[i];
        double valueShift = scale != 0.0 ? (y1 - y0) / scale : 0.0;
        if (valueShift != 0.0 && std::abs(valueShift) < 0.1)
            valueShift = valueShift > 0 ? 0.1 : -0.1;
        COORYINFO& axis = m_state.axisInfo[i];
        if (!axis.saved) {
            axis.saved = true;
            axis.savedTop = axis.top;
            axis.savedBottom = axis.bottom;
        }
        axis.top += valueShift;
        axis.bottom += valueShift;
    }
    m_state.start = start;
    m_state.end = end;
    ScheduleRedraw();
    SendRange(0);
}

void CCustomGraph::ClearReadouts()
{
    if (!m_onReadout)
        return;
    for (int axis = 0; axis < int(m_state.axisInfo.size()); ++axis)
        m_onReadout(this, Owner(), axis, QDateTime(), QString());
}

void CCustomGraph::SendRange(int final)
{
    if (m_onRange)
        m_onRange(this, Owner(), RangeStart(), RangeEnd(), final);
}

void CCustomGraph::OnMouseMoveShowData(QPoint pos)
{
    if (!m_state.samples || m_state.samples->Count() == 0)
        return;
    const CurveLayout layout = Layout();
    const bool wasInPlot = m_state.cursorInPlot;
    m_state.cursorX = pos.x();
    m_state.cursorY = pos.y();
    m_state.cursorInPlot = layout.plot.Contains(pos.x(), pos.y());

    const int index = FindVisibleSample(layout, m_state, pos.x(), SampleLookup::AtOrBefore);
    if (index < 0) {
        ClearReadouts();
    } else if (m_onReadout) {
        const SampleSeries& s = *m_state.samples;
        const qint64 sampleTime = s.Time(index);
        const qint64 cursorTime = CursorTime(layout, m_state, pos.x());
        const qint64 interval = s.IntervalSeconds(index);
        if (interval > 0 && cursorTime - sampleTime > interval) {
            // Past the sample's interval nothing was recorded: a sensor error.
            const QDateTime at = CurveDateTime(sampleTime + (cursorTime - sampleTime) / interval * interval);
            for (int axis = 0; axis < int(m_state.axisInfo.size()); ++axis)
                m_onReadout(this, Owner(), axis, at, QStringLiteral("ERR"));
        } else {
            const QDateTime at = CurveDateTime(sampleTime);
            for (int axis = 0; axis < int(m_state.axisInfo.size()); ++axis) {
                const SampleColumn* column = m_state.ColumnOf(axis);
                m_onReadout(this, Owner(), axis, at, column ? column->Text(index) : QString());
            }
        }
    }
    if (m_state.cursorInPlot || wasInPlot)
        ScheduleRedraw();
}

void CCustomGraph::Redraw()
{
    const int generation = NextRenderGeneration();
    m_latestGeneration.store(generation);
    const CurveLayout layout = Layout();
    for (size_t i = 0; i < m_state.axisInfo.size(); ++i)
        m_state.axisInfo[i].scale = layout.axisScales[i];
    if (!(layout.plot == m_previousPlot)) {
        m_previousPlot = layout.plot;
        m_geometryChanged = true;
    }
    {
        std::lock_guard lock(m_requestLock);
        m_request = RenderRequest{generation, m_state, size()};
    }
    m_requestReady.notify_one();
    m_inFlight = true;
    m_dirty = false;
    m_lastDispatchMs = NowMs();
}

void CCustomGraph::ScheduleRedraw()
{
    if (m_inFlight || m_throttle->isActive()) {
        m_dirty = true;
        return;
    }
    const qint64 since = NowMs() - m_lastDispatchMs;
    if (since >= 0 && since < kFrameMs) {
        m_dirty = true;
        m_throttle->start(int(kFrameMs - since));
        return;
    }
    Redraw();
}

void CCustomGraph::RenderLoop()
{
    for (;;) {
        RenderRequest request;
        {
            std::unique_lock lock(m_requestLock);
            m_requestReady.wait(lock, [this] { return m_stopping || m_request.has_value(); });
            if (m_stopping)
                return;
            request = std::move(*m_request);
            m_request.reset();
        }
        const int generation = request.generation;
        const auto stale = [this, generation] { return m_latestGeneration.load(std::memory_order_relaxed) != generation; };
        bool accepted = false;
        if (!stale()) {
            QImage image;
            bool complete = true;
            if (!request.size.isEmpty()) {
                image = QImage(request.size, QImage::Format_RGB32);
                QPainter painter(&image);
                CurveRenderOptions options;
                options.metrics = m_metrics;
                options.cancelled = stale;
                options.cache = &m_cache;
                complete = DrawCurveGraph(painter, image.rect(), request.snapshot, options);
            }
            if (complete) {
                QMutexLocker lock(&m_bitmapLock);
                if (!stale()) {
                    m_bitmap = image;
                    m_bitmapGeneration = generation;
                    accepted = true;
                }
            }
        }
        QMetaObject::invokeMethod(this, [this, generation, accepted] { OnRenderDone(generation, accepted); },
                                  Qt::QueuedConnection);
    }
}

void CCustomGraph::OnRenderDone(int generation, bool accepted)
{
    if (generation != m_latestGeneration.load())
        return;   // a newer render is on its way
    m_inFlight = false;
    if (accepted)
        update();
    if (m_dirty) {
        m_dirty = false;
        ScheduleRedraw();
    }
}

QImage CCustomGraph::LastBitmap() const
{
    QMutexLocker lock(&m_bitmapLock);
    return m_bitmap;
}

void CCustomGraph::paintEvent(QPaintEvent*)
{
    QImage image;
    int generation = -1;
    {
        QMutexLocker lock(&m_bitmapLock);
        image = m_bitmap;
        generation = m_bitmapGeneration;
    }
    QPainter painter(this);
    if (image.isNull()) {
        painter.fillRect(rect(), m_state.background);
    } else {
        painter.drawImage(0, 0, image);
        if (image.width() < width())
            painter.fillRect(QRect(image.width(), 0, width() - image.width(), height()), m_state.background);
        if (image.height() < height())
            painter.fillRect(QRect(0, image.height(), image.width(), height() - image.height()), m_state.background);
    }
    painter.end();
    if (generation >= 0 && generation != m_shownGeneration) {
        m_shownGeneration = generation;
        emit Shown(generation);
    }
}

void CCustomGraph::resizeEvent(QResizeEvent*) { ScheduleRedraw(); }

void CCustomGraph::showEvent(QShowEvent*) { Redraw(); }

void CCustomGraph::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !Layout().plot.Contains(pos.x(), pos.y()))
        return;
    if (m_state.mode == kModeZoom) {
        m_zooming = true;
        m_bandOrigin = pos;
        m_band->setGeometry(QRect(pos, QSize(1, 1)));
        m_band->show();
    } else if (m_state.mode == kModeDrag) {
        m_dragging = true;
        m_dragAnchor = pos;
    }
}

void CCustomGraph::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_zooming) {
        const PlotRect plot = Layout().plot;
        const int x = qBound(plot.left, pos.x(), plot.right);
        const int y = qBound(plot.top, pos.y(), plot.bottom);
        m_band->setGeometry(QRect(m_bandOrigin, QPoint(x, y)).normalized());
        return;
    }
    if (m_dragging) {
        PanBy(m_dragAnchor.x(), m_dragAnchor.y(), pos.x(), pos.y());
        m_dragAnchor = pos;
        return;
    }
    if (m_state.mode == kModeShowData)
        OnMouseMoveShowData(pos);
}

void CCustomGraph::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (m_zooming) {
            m_zooming = false;
            m_band->hide();
            const PlotRect plot = Layout().plot;
            const int x = qBound(plot.left, pos.x(), plot.right);
            const int y = qBound(plot.top, pos.y(), plot.bottom);
            const int x1 = qMin(m_bandOrigin.x(), x);
            const int x2 = qMax(m_bandOrigin.x(), x);
            const int y1 = qMin(m_bandOrigin.y(), y);
            const int y2 = qMax(m_bandOrigin.y(), y);
            if (x1 != x2 || y1 != y2)
                ZoomToRect(x1, y1, x2, y2);
        } else if (m_dragging) {
            m_dragging = false;
            SendRange(1);
        }
    } else if (event->button() == Qt::RightButton && m_state.mode == kModeZoom) {
        UndoZoom();
    }
}

void CCustomGraph::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_onDoubleClick)
        m_onDoubleClick(this, Owner());
}

void CCustomGraph::leaveEvent(QEvent*)
{
    // The reticle does not stay behind where the mouse left.
    if (m_state.cursorInPlot && m_state.mode == kModeShowData) {
        m_state.cursorInPlot = false;
        ScheduleRedraw();
    }
}

} // namespace qm::browse
