#include "CIdleWatch.h"

#include "Clock.h"
#include "Users.h"

#include <QCoreApplication>
#include <QEvent>

namespace qm {

CIdleWatch::CIdleWatch(QObject* parent) : QObject(parent), m_lastInput(Now())
{
    // Every event of the program passes here first; only input counts.
    QCoreApplication::instance()->installEventFilter(this);
    m_timer.setInterval(10 * 1000);
    connect(&m_timer, &QTimer::timeout, this, &CIdleWatch::Check);
    m_timer.start();
}

void CIdleWatch::Touch() { m_lastInput = Now(); }

bool CIdleWatch::Check()
{
    const int minutes = IdleLogoutMinutes();
    if (minutes <= 0 || m_lastInput.secsTo(Now()) < qint64(minutes) * 60)
        return false;
    Touch();
    emit idle();
    return true;
}

bool CIdleWatch::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin: Touch(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qm
