#pragma once
// Notices an unattended window: idle() comes when no key, mouse or touch input
// has reached the program for IdleLogoutMinutes() (read at every check, so a
// changed setting applies at once; 0 switches it off). Time comes from the
// program's clock, so a test moves it instead of waiting.
#include <QDateTime>
#include <QObject>
#include <QTimer>

namespace qm {

class CIdleWatch : public QObject {
    Q_OBJECT
public:
    explicit CIdleWatch(QObject* parent = nullptr);

    // Input now: the idle time starts again.
    void Touch();
    // Emits idle() (and returns true) when the idle time has reached the limit;
    // the watch then starts again. The timer calls it every few seconds.
    bool Check();

signals:
    void idle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDateTime m_lastInput;
    QTimer m_timer;
};

} // namespace qm
