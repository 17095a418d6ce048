#include "CBatchNote.h"

#include <QMutexLocker>

namespace qm::device {

CBatchNote::CBatchNote(QObject* parent) : QObject(parent) {}

template <typename Change> void CBatchNote::Update(Change change)
{
    {
        QMutexLocker lock(&m_lock);
        change(m_state);
        ++m_state.serial;
    }
    if (!m_signalPending.exchange(true))
        emit changed();
}

void CBatchNote::Append(const QString& line)
{
    // Called under the lock.
    m_state.lines << line;
    m_state.text = m_state.text.isEmpty() ? line : line + QStringLiteral("\r\n") + m_state.text;
}

void CBatchNote::Reset(const QString& title, bool offerCancel)
{
    m_cancel.store(false);
    Update([&](State& s) {
        const quint64 serial = s.serial;
        s = State();
        s.serial = serial;
        s.title = title;
        s.offerCancel = offerCancel;
    });
}

void CBatchNote::SetTitle(const QString& title)
{
    Update([&](State& s) { s.title = title; });
}

void CBatchNote::SetTotal(int total)
{
    Update([&](State& s) { s.total = total; });
}

void CBatchNote::SetDone(int done)
{
    Update([&](State& s) { s.done = done; });
}

void CBatchNote::Advance(int steps)
{
    Update([&](State& s) { s.done += steps; });
}

void CBatchNote::SetProgressVisible(bool visible)
{
    Update([&](State& s) { s.progressVisible = visible; });
}

void CBatchNote::SetLabels(const QStringList& labels)
{
    Update([&](State& s) { s.labels = labels; });
}

void CBatchNote::ReportSuccess(const QString& line)
{
    Update([&](State& s) {
        ++s.successes;
        Append(line);
    });
}

void CBatchNote::ReportFailure(const QString& line)
{
    Update([&](State& s) {
        ++s.failures;
        Append(line);
    });
}

void CBatchNote::AddLine(const QString& line)
{
    Update([&](State&) { Append(line); });
}

void CBatchNote::CountSuccess()
{
    Update([](State& s) { ++s.successes; });
}

void CBatchNote::CountFailure()
{
    Update([](State& s) { ++s.failures; });
}

void CBatchNote::Finish()
{
    Update([](State& s) { s.finished = true; });
}

void CBatchNote::RequestCancel()
{
    m_cancel.store(true);
    Update([](State& s) { s.cancelled = true; });
}

CBatchNote::State CBatchNote::Snapshot() const
{
    m_signalPending.store(false);
    QMutexLocker lock(&m_lock);
    return m_state;
}

QString CBatchNote::Text() const
{
    QMutexLocker lock(&m_lock);
    return m_state.text;
}

QStringList CBatchNote::Lines() const
{
    QMutexLocker lock(&m_lock);
    return m_state.lines;
}

int CBatchNote::Successes() const
{
    QMutexLocker lock(&m_lock);
    return m_state.successes;
}

int CBatchNote::Failures() const
{
    QMutexLocker lock(&m_lock);
    return m_state.failures;
}

} // namespace qm::device
