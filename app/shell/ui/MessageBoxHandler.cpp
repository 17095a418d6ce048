#include "MessageBoxHandler.h"

#include "StoreSeams.h"
#include "Strings.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace qm {
namespace {

int ShowOnUiThread(const MessageRequest& request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.caption.isEmpty() ? Msg(168) : request.caption);
    // The tables keep the Windows line ends; a lone CR would show as a box.
    QString text = request.text;
    text.remove(u'\r');
    box.setText(text);
    switch (request.icon) {
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
    int firstAnswer = AnswerOk;
    int secondAnswer = AnswerCancel;
    switch (request.buttons) {
    case MsgButtons::Ok:
        first = box.addButton(Msg(5050), QMessageBox::AcceptRole);
        break;
    case MsgButtons::OkCancel:
        first = box.addButton(Msg(5050), QMessageBox::AcceptRole);
        second = box.addButton(Msg(5051), QMessageBox::RejectRole);
        break;
    case MsgButtons::YesNo:
        first = box.addButton(QMessageBox::Yes);
        second = box.addButton(QMessageBox::No);
        firstAnswer = AnswerYes;
        secondAnswer = AnswerNo;
        break;
    }
    box.setDefaultButton(first);
    box.setEscapeButton(second ? second : first);
    box.exec();
    if (second && box.clickedButton() == second)
        return secondAnswer;
    if (box.clickedButton() == first)
        return firstAnswer;
    return second ? secondAnswer : firstAnswer;
}

} // namespace

bool RunOnUiThread(const std::function<void()>& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (QThread::currentThread() == app->thread())
        work();
    else
        QMetaObject::invokeMethod(app, work, Qt::BlockingQueuedConnection);
    return true;
}

int CMessageBoxHandler::Show(const MessageRequest& request)
{
    int answer = DefaultAnswer(request.buttons);
    RunOnUiThread([&] { answer = ShowOnUiThread(request); });
    return answer;
}

void InstallWaitCursorHook()
{
    store::SetWaitCursorHook([](bool on) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || QThread::currentThread() != qApp->thread())
            return;
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

} // namespace qm
