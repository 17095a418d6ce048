#include "Screens.h"

#include "CDlgAllNote.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace qm::device;
using qm::Msg;

namespace {

void SettleEvents()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

TEST(BatchNoteWindow, FollowsReportsFromSeveralThreads)
{
    QWidget mainWindow;
    mainWindow.show();
    CDlgAllNote dlg(&mainWindow);
    dlg.Begin(Msg(5038), false);
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(dlg.isEnabled());   // a window of its own, not disabled with the main one
    dlg.Note().SetTotal(200);

    constexpr int kThreads = 4;
    constexpr int kEach = 50;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&dlg, t] {
            for (int i = 0; i < kEach; ++i) {
                const QString line = QStringLiteral("worker %1 line %2").arg(t).arg(i);
                (i % 5 == 0) ? dlg.Note().ReportFailure(line) : dlg.Note().ReportSuccess(line);
                dlg.Note().Advance();
            }
        });
    }
    // The window keeps up while the workers write.
    while (dlg.Note().Snapshot().done < kThreads * kEach)
        QApplication::processEvents();
    for (auto& w : workers)
        w.join();
    SettleEvents();

    EXPECT_EQ(dlg.DoneText(), QStringLiteral("200"));
    EXPECT_EQ(dlg.TotalText(), QStringLiteral("200"));
    EXPECT_EQ(dlg.SuccessText(), QStringLiteral("160"));
    EXPECT_EQ(dlg.FailureText(), QStringLiteral("40"));
    EXPECT_EQ(dlg.Progress()->maximum(), 200);
    EXPECT_EQ(dlg.Progress()->value(), 200);
    const QStringList lines = dlg.Lines()->toPlainText().split(u'\n');
    EXPECT_EQ(lines.size(), kThreads * kEach);
    EXPECT_EQ(QStringList(lines).removeDuplicates(), 0);
    EXPECT_EQ(lines, dlg.Note().Lines());   // appended in arrival order
    devtest::SaveScreen(dlg, QStringLiteral("CDlgAllNote"));

    // Until the batch ends only OK could dismiss it, and it cannot yet; the
    // close command does nothing at all.
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    EXPECT_FALSE(dlg.CancelButton()->isVisible());
    dlg.close();
    EXPECT_TRUE(dlg.isVisible());
    dlg.Note().Finish();
    SettleEvents();
    ASSERT_TRUE(dlg.OkButton()->isEnabled());
    dlg.OkButton()->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());

    // A new batch starts with a clean window.
    dlg.Begin(Msg(5038), false);
    dlg.Note().ReportSuccess(QStringLiteral("设备A连接成功"));
    SettleEvents();
    EXPECT_EQ(dlg.Lines()->toPlainText(), QStringLiteral("设备A连接成功"));
    EXPECT_EQ(dlg.SuccessText(), QStringLiteral("1"));
}

TEST(BatchNoteWindow, CancelOfADownloadAsksFirst)
{
    qm::MessageScript messages;
    QWidget mainWindow;
    CDlgAllNote dlg(&mainWindow);
    dlg.Begin(Msg(219), true);
    SettleEvents();
    ASSERT_TRUE(dlg.CancelButton()->isVisible());

    messages.Answer(qm::AnswerNo);
    dlg.CancelButton()->click();
    EXPECT_EQ(messages.Numbers(), QList<int>{221});
    EXPECT_EQ(messages.Requests().at(0).buttons, qm::MsgButtons::YesNo);
    EXPECT_FALSE(dlg.Note().CancelRequested());
    EXPECT_TRUE(dlg.isVisible());

    messages.Answer(qm::AnswerYes);
    dlg.CancelButton()->click();
    EXPECT_TRUE(dlg.Note().CancelRequested());
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
}

} // namespace
