// The download dialogs and the main window's entry points, offscreen, with
// simulated loggers behind them.
#include "DownloadFixture.h"

#include "CDlgAllNote.h"
#include "CDowmload.h"
#include "CProgressDlg.h"
#include "Clock.h"
#include "DownloadEntry.h"
#include "MessageSeam.h"
#include "ModalAnswer.h"
#include "Screens.h"
#include "SingleDownload.h"
#include "Strings.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>

using namespace qm::device;
using devtest::DownloadFixture;
using devtest::HistoryLogger;

namespace {

// Counts a signal's emissions and keeps the last serial number.
struct Spy {
    int count = 0;
    QString last;
    template <typename Signal> Spy(DownloadEntry* entry, Signal signal)
    {
        link = QObject::connect(entry, signal, entry, [this](const QString& sn) {
            ++count;
            last = sn;
        });
    }
    ~Spy() { QObject::disconnect(link); }
    QMetaObject::Connection link;
};

TEST(DownloadDialogs, TheNameIsPresetToNowAndMustNotBeEmpty)
{
    qm::MessageScript messages;
    qm::ScopedClock clock(QDateTime(QDate(2026, 3, 4), QTime(9, 8, 7)));
    CDowmload dialog;
    EXPECT_EQ(dialog.windowTitle(), qm::Msg(5600));
    EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("20260304090807"));
    devtest::SaveScreen(dialog, QStringLiteral("download_name"));

    dialog.open();
    dialog.Edit()->clear();
    dialog.OkButton()->click();
    EXPECT_EQ(messages.Numbers(), QList<int>{340});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.Edit()->setText(QStringLiteral("Kühlraum 2"));
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Name(), QStringLiteral("Kühlraum 2"));
}

TEST(DownloadDialogs, TheProgressDialogFollowsTheCounterAndCancelsOnce)
{
    CProgressDlg dialog;
    std::atomic<qint64> received{0};
    int cancels = 0;
    dialog.SetCancelHandler([&] { ++cancels; });
    dialog.Begin(250, [&] { return received.load(); });
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), qm::Msg(5601));
    EXPECT_EQ(dialog.ReceivedText(), QStringLiteral("0"));
    EXPECT_EQ(dialog.ExpectedText(), QStringLiteral("250"));
    EXPECT_EQ(dialog.Progress()->maximum(), 250);
    EXPECT_EQ(dialog.Progress()->value(), 0);

    // Samples arrive far faster than the dialog looks: it shows the count
    // at its next poll, not one update per sample.
    for (int i = 0; i < 142; ++i)
        ++received;
    EXPECT_EQ(dialog.ReceivedText(), QStringLiteral("0"));
    ASSERT_TRUE(devtest::WaitUntil([&] { return dialog.ReceivedText() == QStringLiteral("142"); }, 2000));
    EXPECT_EQ(dialog.Progress()->value(), 142);
    devtest::SaveScreen(dialog, QStringLiteral("download_progress"));

    dialog.close();   // the close box does nothing
    EXPECT_TRUE(dialog.isVisible());
    dialog.CancelButton()->click();
    dialog.CancelButton()->click();
    EXPECT_EQ(cancels, 1);

    // A new download starts from zero.
    dialog.Begin(10, [] { return qint64(0); });
    EXPECT_EQ(dialog.ReceivedText(), QStringLiteral("0"));
    EXPECT_EQ(dialog.ExpectedText(), QStringLiteral("10"));
    EXPECT_TRUE(dialog.CancelButton()->isEnabled());
}

class DownloadEntryTest : public DownloadFixture {
protected:
    void SetUp() override
    {
        DownloadFixture::SetUp();
        m_entry = std::make_unique<DownloadEntry>();
        m_entry->SetNameOverride([] { return QStringLiteral("Probe"); });
    }
    void TearDown() override
    {
        SingleDownload::Instance().WaitIdle(10000);
        m_entry.reset();
        DownloadFixture::TearDown();
    }

    // The entry a main window would own.
    DownloadEntry& Entry() { return *m_entry; }
    std::unique_ptr<DownloadEntry> m_entry;

    std::vector<std::map<QString, QString>> Notes()
    {
        return Query(qm::DatabasePath(), QStringLiteral("select * from note where type = 8 order by id;"));
    }

    qm::MessageScript messages;
    QWidget mainWindow;
};

TEST_F(DownloadEntryTest, ASingleDownloadFromStartToTheRefreshedList)
{
    Start({HistoryLogger("A1B200501", 120)}, {1});
    ASSERT_TRUE(Connect(1));
    DownloadEntry& entry = Entry();
    Spy finished(&entry, &DownloadEntry::singleFinished);
    Spy refreshed(&entry, &DownloadEntry::recordsChanged);
    auto link = QObject::connect(&entry, &DownloadEntry::singleFinished, &mainWindow,
                                 [&](const QString& sn) { entry.OnDownSuccess(&mainWindow, sn); });
    mainWindow.show();

    ASSERT_TRUE(entry.StartSingleDownload(&mainWindow));
    EXPECT_FALSE(mainWindow.isEnabled());
    ASSERT_TRUE(entry.ProgressDialog());
    EXPECT_TRUE(entry.ProgressDialog()->isVisible());
    EXPECT_TRUE(entry.ProgressDialog()->isEnabled());   // not disabled with the main window
    EXPECT_EQ(entry.ProgressDialog()->ExpectedText(), QStringLiteral("120"));

    ASSERT_TRUE(WaitFor([&] { return refreshed.count == 1; }));
    QObject::disconnect(link);
    EXPECT_EQ(finished.count, 1);
    EXPECT_EQ(refreshed.last, QStringLiteral("A1B200501"));
    EXPECT_EQ(messages.Numbers(), QList<int>{199});
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(entry.ProgressDialog()->isVisible());
    EXPECT_EQ(entry.ProgressDialog()->ReceivedText(), QStringLiteral("120"));
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].at(QStringLiteral("info")), QStringLiteral("A1B200501") + qm::Msg(199));
    ASSERT_EQ(Records().size(), 1u);
    EXPECT_EQ(Records()[0].at(QStringLiteral("name")), QStringLiteral("Probe"));
}

TEST_F(DownloadEntryTest, RefusalsAndCancelGiveTheMainWindowBack)
{
    DownloadEntry& entry = Entry();
    DeviceManager().SetCurrentSN(QString());
    EXPECT_FALSE(entry.StartSingleDownload(&mainWindow));
    EXPECT_EQ(messages.Numbers(), QList<int>{195});
    EXPECT_TRUE(mainWindow.isEnabled());

    auto p = HistoryLogger("A1B200511", 3000);
    p.pacing = true;
    Start({p}, {1});
    ASSERT_TRUE(Connect(1));
    entry.SetNameOverride([] { return QString(); });   // the name dialog cancelled
    EXPECT_FALSE(entry.StartSingleDownload(&mainWindow));
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200511"))));

    entry.SetNameOverride([] { return QStringLiteral("c"); });
    Spy failed(&entry, &DownloadEntry::singleFailed);
    messages.Clear();
    ASSERT_TRUE(entry.StartSingleDownload(&mainWindow));
    ASSERT_TRUE(WaitFor([] { return SingleDownload::Instance().Received() >= 100; }));
    entry.ProgressDialog()->CancelButton()->click();
    EXPECT_EQ(failed.count, 1);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(entry.ProgressDialog()->isVisible());
    ASSERT_TRUE(SingleDownload::Instance().WaitIdle(10000));
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(failed.count, 1);              // no second end
    EXPECT_TRUE(messages.Numbers().isEmpty());  // and no failure box
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(HistoryTables(LoggerFile(QStringLiteral("A1B200511"))).isEmpty());
    EXPECT_TRUE(HistoryTables(BackupFile(QStringLiteral("A1B200511"))).isEmpty());
}

TEST_F(DownloadEntryTest, ABatchWritesItsLogEntryWithTheLinesJoined)
{
    Start({HistoryLogger("A1B200521", 40), HistoryLogger("A1B200522", 0)}, {1, 2});
    ASSERT_TRUE(Connect(1));
    ASSERT_TRUE(Connect(2));
    DownloadEntry& entry = Entry();
    CDlgAllNote note(&mainWindow);
    ASSERT_TRUE(entry.RunBatchDownload(&mainWindow, &note));
    note.Refresh();
    EXPECT_TRUE(note.isVisible());
    EXPECT_FALSE(mainWindow.isEnabled());   // until the batch window's OK
    EXPECT_TRUE(note.OkButton()->isEnabled());
    devtest::SaveScreen(note, QStringLiteral("download_batch"));
    note.OnBnClickedOk();
    EXPECT_TRUE(mainWindow.isEnabled());
    auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].at(QStringLiteral("info")),
              QStringList({qm::Msg(208), qm::MsgF(197, {QStringLiteral("A1B200521"), QStringLiteral("40")}),
                           qm::MsgF(223, {QStringLiteral("A1B200521")}),
                           qm::MsgF(197, {QStringLiteral("A1B200522"), QStringLiteral("0")})})
                  .join(u';'));
    EXPECT_EQ(Records().size(), 1u);
}

TEST_F(DownloadEntryTest, CancellingTheBatchAsksFirstAndClearsItsTables)
{
    auto p = HistoryLogger("A1B200531", 3000);
    p.pacing = true;
    Start({p}, {1});
    ASSERT_TRUE(Connect(1));
    DownloadEntry& entry = Entry();
    CDlgAllNote note(&mainWindow);
    messages.Answer(qm::AnswerNo);
    messages.Answer(qm::AnswerYes);
    QTimer user;
    int clicks = 0;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (note.Note().Snapshot().done >= 100 && clicks < 2) {
            ++clicks;
            note.OnBnClickedCancel();   // first No, then Yes
        }
    });
    user.start(20);
    ASSERT_TRUE(entry.RunBatchDownload(&mainWindow, &note));
    EXPECT_EQ(messages.Numbers(), (QList<int>{221, 221}));
    EXPECT_FALSE(note.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_TRUE(Notes().empty());
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(HistoryTables(LoggerFile(QStringLiteral("A1B200531"))).isEmpty());
    EXPECT_TRUE(HistoryTables(BackupFile(QStringLiteral("A1B200531"))).isEmpty());
}

} // namespace

// While the batch download asks for its record name nothing but the main
// window stands behind the question: the batch window appears only after the
// name is given, with its title and labels already in place.
TEST_F(DownloadEntryTest, NoOtherWindowStandsBehindTheBatchNameQuestion)
{
    Start({HistoryLogger("A1B200591", 40)}, {1});
    ASSERT_TRUE(Connect(1));
    mainWindow.show();
    CDlgAllNote note(&mainWindow);
    Entry().SetNameOverride(nullptr);
    QStringList behind;
    qmtest::OnNextModal([&](QWidget* w) {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->isVisible() && t != w && t != &mainWindow)
                behind << QString::fromLatin1(t->metaObject()->className());
        static_cast<QDialog*>(w)->reject(); // no name: no batch
    });
    EXPECT_FALSE(Entry().RunBatchDownload(&mainWindow, &note));
    EXPECT_TRUE(behind.isEmpty()) << qPrintable(behind.join(u','));
    EXPECT_FALSE(note.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
}
