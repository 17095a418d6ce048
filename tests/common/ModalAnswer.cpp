#include "ModalAnswer.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace qmtest {
namespace {

std::vector<QPointer<QTimer>>& Pending()
{
    static std::vector<QPointer<QTimer>> timers;
    return timers;
}

} // namespace

void OnNextModal(std::function<void(QWidget*)> act)
{
    // A timer of the event loop: the modal dialog's own loop runs it.
    auto* timer = new QTimer;
    Pending().push_back(timer);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start(10);
}

void ForgetPendingModals()
{
    for (const QPointer<QTimer>& timer : Pending())
        delete timer.data();
    Pending().clear();
}

} // namespace qmtest
