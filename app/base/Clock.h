#pragma once
// Local time for the whole program. Tests set the clock to check password
// ageing, record names and anything else that depends on "now".
#include <QDateTime>
#include <functional>

namespace qm {

QDateTime Now();                         // local time, whole milliseconds
void SetClock(std::function<QDateTime()> source);   // empty function: the system clock

// A fixed clock while alive (tests).
class ScopedClock {
public:
    explicit ScopedClock(const QDateTime& at);
    ~ScopedClock();
    void Set(const QDateTime& at);
    void Advance(qint64 seconds);
private:
    QDateTime m_at;
};

} // namespace qm
