#include "MessageBoxHandler.h"

#include "StoreSeams.h"
#include "Strings.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QThread>

namespace qm {
namespace {

// Room the title bar takes beside its text: the window icon and the buttons.
constexpr int kTitleBarRoom = 160;

// A box sized to a short text is narrower than its caption, and the window
// manager then shows the caption as "…": the box is made at least as wide as
// its caption with the title bar's icon and buttons (the title font is often
// bold, so the caption is measured bold).
void FitCaption(QMessageBox& box, const QString& caption)
{
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

int ShowOnUiThread(const MessageRequest& request)
{
    QMessageBox box(QApplication::activeWindow());
    const QString caption = request.caption.isEmpty() ? Msg(168) : request.caption;
    box.setWindowTitle(caption);
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
    FitCaption(box, caption);
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
