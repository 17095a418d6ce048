#pragma once
// The curve graph control: the samples of one or more records as time curves
// with one y axis per channel (or one shared axis), a time axis, grid, alarm
// lines and a reticle; reading values under the cursor, zooming into a
// rectangle with one level of undo, and dragging the view. The owner feeds it
// axes, series and samples and hears back through three callbacks.
//
// Every redraw renders off the user-interface thread into an image through
// DrawCurveGraph, on a snapshot of the state taken when the render is asked
// for; the image is kept (for the curve image and the report) and shown. A
// render whose generation is no longer this control's latest stops and never
// reaches the window. Redraws asked for while a render runs (a burst of mouse
// moves) become one render when it ends.
#include "CurveGeometry.h"
#include "CurveRender.h"
#include "CurveState.h"

#include <QImage>
#include <QMutex>
#include <QPoint>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QAbstractItemModel;
class QRubberBand;
class QTimer;

namespace qm::browse {

class CCustomGraph : public QWidget {
    Q_OBJECT
public:
    // The callbacks get the control and its parent window first.
    using DoubleClickCallback = std::function<void(CCustomGraph* graph, QWidget* parent)>;
    // An invalid time: the owner clears its readout of that axis.
    using ReadoutCallback =
        std::function<void(CCustomGraph* graph, QWidget* parent, int axis, const QDateTime& time, const QString& text)>;
    // final: 0 while a drag goes on, 1 when a zoom, its undo or a drag ends.
    using RangeCallback = std::function<void(CCustomGraph* graph, QWidget* parent, const QDateTime& start,
                                             const QDateTime& end, int final)>;

    explicit CCustomGraph(QWidget* parent = nullptr);
    ~CCustomGraph() override;

    // Axes and series from the owner's channel table. `row` −1 rebuilds them
    // from every row, another row updates that one; no table removes them all.
    // Rows are read from column 0's check state (ticked: drawn) and user data
    // (the channel id), and the text (or number) of the given columns.
    void LoadAxes(int row, const QAbstractItemModel* list, int upperColumn, int lowerColumn, int topColumn,
                  int bottomColumn, int unitColumn, int typeColumn);
    void LoadAxes(int row, const std::vector<CurveAxisRow>* rows);
    void SetAxisRange(int channelId, int index, double top, double bottom);
    void SetCurveColour(const QColor& colour, int index);
    QColor GetCurveColour(int index) const;   // black when there is none

    // The samples in the stored forms: times, position lists ("1;2"), value
    // lists ("23.5;-"), record intervals in minutes (or nullptr) and the index
    // of the last sample to show.
    void LoadSamples(int count, const SampleTime* times, const QString* positions, const QString* values,
                     const int* intervals, int lastIndex);
    // The same from an already built series (shared, never copied).
    void LoadSamples(std::shared_ptr<const SampleSeries> samples, int lastIndex);

    void SetMode(int mode);
    int Mode() const { return m_state.mode; }
    void ResetGraph();
    void Redraw();
    // Copies the look, axes, series, samples, indices and ranges of `other`.
    void CopyGraph(const CCustomGraph& other);

    // Zooms into the rectangle (plot pixels, x1 <= x2, y1 <= y2): false and
    // message 152 when it holds no sample.
    bool ZoomToRect(int x1, int y1, int x2, int y2);
    // Right click in zoom mode: back to the view before the first zoom.
    bool UndoZoom();
    void PanBy(int x0, int y0, int x1, int y1);

    void SetDoubleClickCallback(DoubleClickCallback callback) { m_onDoubleClick = std::move(callback); }
    void SetReadoutCallback(ReadoutCallback callback) { m_onReadout = std::move(callback); }
    void SetRangeCallback(RangeCallback callback) { m_onRange = std::move(callback); }

    // The look; the owner redraws after changing it.
    void SetBackground(const QColor& colour) { m_state.background = colour; }
    QColor Background() const { return m_state.background; }
    void SetReticle(bool on) { m_state.reticle = on; }
    bool Reticle() const { return m_state.reticle; }
    void SetAlarmLines(bool on) { m_state.alarmLines = on; }
    bool AlarmLines() const { return m_state.alarmLines; }
    void SetAxesShown(bool on) { m_state.axes = on; }
    bool AxesShown() const { return m_state.axes; }
    void SetDivisions(int divisions) { m_state.divisions = qMax(1, divisions); }
    int Divisions() const { return m_state.divisions; }
    void SetAxisLimit(int limit) { m_state.axisLimit = limit; }
    int AxisLimit() const { return m_state.axisLimit; }

    const std::vector<COORYINFO>& Axes() const { return m_state.axisInfo; }
    const std::vector<SERIEINFO>& Series() const { return m_state.series; }
    int SampleCount() const { return int(m_state.SampleCount()); }
    DATAINFO Sample(int index) const;
    int FirstVisible() const { return m_state.first; }
    int LastVisible() const { return m_state.last; }
    // Invalid when no range is set.
    QDateTime RangeStart() const;
    QDateTime RangeEnd() const;
    bool HasZoomUndo() const { return m_savedFirst >= 0; }
    bool CursorInPlot() const { return m_state.cursorInPlot; }
    bool Dragging() const { return m_dragging; }
    bool GeometryChanged() const { return m_geometryChanged; }

    // What a render of the current state draws; the report and the printed
    // page draw it with DrawCurveGraph on their own painter (with their own
    // flags, or only some series).
    CurveSnapshot Snapshot() const { return m_state; }
    CurveLayout Layout() const;

    // The last rendered picture. Hold BitmapMutex() while using the kept
    // bitmap in place; LastBitmap() takes it and returns a shared copy.
    QMutex& BitmapMutex() const { return m_bitmapLock; }
    QImage LastBitmap() const;
    // Generation of the picture on the window (−1 before the first).
    int ShownGeneration() const { return m_shownGeneration; }
    // Generation of the latest render asked for.
    int LatestGeneration() const { return m_latestGeneration.load(); }
    // True while a render is under way or waiting.
    bool RenderPending() const { return m_inFlight || m_dirty; }

signals:
    // A new picture reached the window (after its paint).
    void Shown(int generation);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct RenderRequest {
        int generation = 0;
        CurveSnapshot snapshot;
        QSize size;
    };

    void ScheduleRedraw();
    void RenderLoop();
    void OnRenderDone(int generation, bool accepted);
    void OnMouseMoveShowData(QPoint pos);
    void ClearReadouts();
    void RestoreSavedAxes();   // back to the ranges before zooms and drags
    void SendRange(int final);
    void FindVisible(qint64 start, qint64 end);
    QWidget* Owner() const { return parentWidget(); }

    CurveSnapshot m_state;
    CurveMetrics m_metrics;
    // Zoom undo: the view before the first zoom.
    int m_savedFirst = -1;
    int m_savedLast = -1;
    qint64 m_savedStart = 0;
    qint64 m_savedEnd = 0;
    bool m_geometryChanged = false;
    PlotRect m_previousPlot;
    bool m_dragging = false;
    QPoint m_dragAnchor;
    QRubberBand* m_band = nullptr;
    bool m_zooming = false;   // a rectangle is being drawn
    QPoint m_bandOrigin;

    DoubleClickCallback m_onDoubleClick;
    ReadoutCallback m_onReadout;
    RangeCallback m_onRange;

    // Render thread and its one waiting request.
    std::thread m_worker;
    std::mutex m_requestLock;
    std::condition_variable m_requestReady;
    std::optional<RenderRequest> m_request;
    bool m_stopping = false;
    std::atomic<int> m_latestGeneration{-1};
    bool m_inFlight = false;
    bool m_dirty = false;
    QTimer* m_throttle = nullptr;
    qint64 m_lastDispatchMs = 0;
    CCurveSummaryCache m_cache;

    mutable QMutex m_bitmapLock;
    QImage m_bitmap;
    int m_bitmapGeneration = -1;
    int m_shownGeneration = -1;
};

} // namespace qm::browse
