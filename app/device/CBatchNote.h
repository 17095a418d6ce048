#pragma once
// What a batch shows in the batch result window: title, whether it may be
// cancelled, progress (done of total), success and failure counts and the
// result lines. Batch connect, batch configuration and batch download feed it
// from any thread; the window (CDlgAllNote) observes it on the UI thread.
//
//   CBatchNote note;                       // lives as long as the batch and its window
//   note.Reset(Msg(5038), false);          // title, no Cancel
//   note.SetTotal(ports);
//   worker: note.ReportSuccess(line) / note.ReportFailure(line) / note.AddLine(line)
//           note.SetDone(n) or note.Advance(k); note.CancelRequested()
//   note.Finish();
//
// Lines() gives the lines in arrival order (the window appends them that way);
// Text() joins them with "\r\n", newest at the top.
//
// changed() is emitted after an update when no earlier emission is still
// unread; an observer connects it queued and reads Snapshot(), which re-arms
// the signal. A flood of updates (one per downloaded sample) thus costs one
// repaint per turn of the event loop, not one queued event per sample.
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

namespace qm::device {

class CBatchNote : public QObject {
    Q_OBJECT
public:
    struct State {
        QString title;
        bool offerCancel = false;
        bool progressVisible = true;
        bool finished = false;
        bool cancelled = false;
        int total = 0;
        int done = 0;
        int successes = 0;
        int failures = 0;
        // What the four figures count (done, total, successes, failures): the
        // texts the window labels them with; empty: its general labels.
        QStringList labels;
        QStringList lines;       // arrival order
        QString text;            // newest first, "\r\n" between lines
        quint64 serial = 0;      // rises with every update
    };

    explicit CBatchNote(QObject* parent = nullptr);

    // Starts a new batch: clears counts, lines, the finished and cancel flags.
    void Reset(const QString& title, bool offerCancel);
    void SetTitle(const QString& title);
    void SetTotal(int total);
    void SetDone(int done);
    void Advance(int steps = 1);
    void SetProgressVisible(bool visible);
    // Labels for done, total, successes and failures, saying what each counts
    // (a batch download counts samples in its progress, loggers in its results).
    void SetLabels(const QStringList& labels);

    // One result line; the first two also count a success or a failure.
    void ReportSuccess(const QString& line);
    void ReportFailure(const QString& line);
    void AddLine(const QString& line);
    // Counts without a line (a batch that reports its lines separately).
    void CountSuccess();
    void CountFailure();

    // The batch has ended; the window may be dismissed with OK.
    void Finish();

    // Set by the window's Cancel (after the user confirmed); workers poll it.
    void RequestCancel();
    bool CancelRequested() const { return m_cancel.load(); }

    State Snapshot() const;   // also re-arms changed()
    QString Text() const;
    QStringList Lines() const;
    int Successes() const;
    int Failures() const;

signals:
    void changed();

private:
    template <typename Change> void Update(Change change);
    void Append(const QString& line);

    mutable QMutex m_lock;
    State m_state;
    std::atomic<bool> m_cancel{false};
    mutable std::atomic<bool> m_signalPending{false};
};

} // namespace qm::device
