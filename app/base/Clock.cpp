#include "Clock.h"

#include <QMutex>
#include <QMutexLocker>

namespace qm {
namespace {
QMutex g_clockLock;
std::function<QDateTime()> g_source;
} // namespace

QDateTime Now()
{
    {
        QMutexLocker lock(&g_clockLock);
        if (g_source)
            return g_source();
    }
    return QDateTime::currentDateTime();
}

void SetClock(std::function<QDateTime()> source)
{
    QMutexLocker lock(&g_clockLock);
    g_source = std::move(source);
}

ScopedClock::ScopedClock(const QDateTime& at) : m_at(at)
{
    SetClock([this] { return m_at; });
}

ScopedClock::~ScopedClock() { SetClock({}); }

void ScopedClock::Set(const QDateTime& at)
{
    QMutexLocker lock(&g_clockLock);
    m_at = at;
}

void ScopedClock::Advance(qint64 seconds)
{
    QMutexLocker lock(&g_clockLock);
    m_at = m_at.addSecs(seconds);
}

} // namespace qm
