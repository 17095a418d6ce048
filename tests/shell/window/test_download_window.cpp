// Downloads from the main window through the pipeline: single (the window is
// disabled while it runs and back when it ends) and batch, each leaving a
// record in the logger's file and in the month backup copy.
#include "WindowFixture.h"

#include "ControlIds.h"
#include "MenuCommands.h"
#include "Schema.h"
#include "Strings.h"

#include <QDir>
#include <QProgressBar>
#include <QToolButton>

#include "CDlgAllNote.h"
#include "CProgressDlg.h"
#include "DownloadEntry.h"
#include "DownloadRecord.h"

#include <chrono>
#include <map>
#include <thread>

using namespace qm;
using namespace qm::window;
using qm::device::CBasicAttribute;

namespace {

bool WaitUntil(const std::function<bool()>& done, int ms = 30000) { return devtest::WaitUntil(done, ms); }

class WindowDownloadTest : public wintest::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        // Backups inside the scratch folder.
        ASSERT_EQ(Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                         Folder() + QStringLiteral("/backup")),
                  1);
    }

    // The window, with the record name its download dialog would get.
    void Open()
    {
        WindowFixture::Open();
        m_downloads->Entry().SetNameOverride([] { return QStringLiteral("rec-window"); });
    }

    static loggersim::LoggerProfile Profile(const std::string& sn, int frames, bool pacing = false)
    {
        loggersim::LoggerProfile p = devtest::Logger(sn, 2);
        p.pacing = pacing;
        loggersim::DateTime start;
        start.year = 2025;
        start.month = 11;
        start.day = 3;
        start.hour = 8;
        p.history = loggersim::CHistory::Generated(start, 60, frames, {{21.0, 1.5, 30, 0.0}, {50.0, 4.0, 20, 0.0}});
        return p;
    }

    static int Count(const QString& path, const QString& sql)
    {
        auto db = store::OpenDatabase(nullptr, path, 0, 0, 0);
        std::unique_ptr<store::CRecordset> set;
        if (!db || db->QueryRecordset(sql, set) != 1 || !set)
            return -1;
        set->MoveFirst();
        return set->IsEOF() ? -1 : int(set->Integer(0));
    }

    // The record of `sn`: its history table in the main database's recordtime,
    // and the sample count of that table in the logger's file and the backup copy.
    struct Stored {
        QString table;
        int inLogger = -1;
        int inBackup = -1;
    };
    Stored Record(const QString& sn)
    {
        Stored s;
        auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
        std::unique_ptr<store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from recordtime where SN = '%1';").arg(sn), set) == 1
            && set) {
            set->MoveFirst();
            if (!set->IsEOF())
                s.table = set->Text(u"hisdata_table");
        }
        if (s.table.isEmpty())
            return s;
        const QString count = QStringLiteral("select count(*) from '%1';").arg(s.table);
        s.inLogger = Count(store::LoggerDatabasePath(Folder(), sn), count);
        s.inBackup = Count(device::CurrentBackupMonthFolder() + u'/' + sn + QStringLiteral(".db3"), count);
        return s;
    }

    void ConnectFirst()
    {
        SetCom(0, QStringLiteral("COM3"), 115200, devtest::kLinkDelay);
        AddDevInfo(QStringLiteral("A1B200041"), 3, 115200);
        Open();
        m_frame->resize(1280, 800);
        LogIn(kRoleOperator);
        m_body->DeviceTree()->setCurrentItem(DeviceItem(0));
        ConnectOnNextDialog();
        m_body->Route(kBtnConnect);
        ASSERT_EQ(m_messages.Numbers(), QList<int>{187});
        m_messages.Clear();
    }
};

TEST_F(WindowDownloadTest, SingleDownloadDisablesTheWindowUntilItsRecordIsStored)
{
    Start({Profile("A1B200041", 300, true)}, {3});
    ConnectFirst();
    EXPECT_TRUE(m_body->Button(kBtnDownload)->isEnabled());
    EXPECT_TRUE(m_frame->Action(MenuCmd::Download)->isEnabled());
    QStringList changed;
    QObject::connect(m_body, &CQuillmarkBody::recordsChanged, [&](const QString& sn) { changed << sn; });

    m_body->Route(kBtnDownload);   // a stopped logger: no question
    EXPECT_FALSE(m_frame->isEnabled());
    // A picture of the running download: the disabled window and its progress.
    if (const QString folder = qEnvironmentVariable("QM_SCREENS"); !folder.isEmpty()) {
        QDir().mkpath(folder);
        QApplication::processEvents();
        m_frame->grab().save(folder + QStringLiteral("/window-download.png"));
        if (QWidget* progress = m_downloads->Entry().ProgressDialog())
            progress->grab().save(folder + QStringLiteral("/window-download-progress.png"));
    }
    ASSERT_TRUE(WaitUntil([&] { return m_frame->isEnabled() && m_messages.Numbers().contains(199); }));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{199});
    EXPECT_EQ(changed, QStringList{QStringLiteral("A1B200041")});

    const Stored record = Record(QStringLiteral("A1B200041"));
    ASSERT_FALSE(record.table.isEmpty());
    EXPECT_EQ(record.inLogger, 300);
    EXPECT_EQ(record.inBackup, 300);
    EXPECT_TRUE(NoteTypes().contains(8));
    // The window is fully usable again.
    EXPECT_TRUE(m_body->Button(kBtnDownload)->isEnabled());
    EXPECT_FALSE(m_body->Button(kBtnDisconnect)->isHidden());
}

TEST_F(WindowDownloadTest, ARecordingLoggerIsDownloadedAfterTheQuestion)
{
    loggersim::LoggerProfile p = Profile("A1B200041", 40);
    p.state.startMode = loggersim::kStartKey;
    p.state.recordingState = 1;
    Start({p}, {3});
    ConnectFirst();
    m_body->Route(int(MenuCmd::Download));   // OK to 207
    ASSERT_TRUE(WaitUntil([&] { return m_frame->isEnabled() && m_messages.Numbers().contains(199); }));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{207, 199}));
    EXPECT_EQ(Record(QStringLiteral("A1B200041")).inLogger, 40);
}

TEST_F(WindowDownloadTest, BatchDownloadOfEveryConnectedLogger)
{
    Start({Profile("A1B200051", 30), Profile("A1B200052", 70)}, {3, 4});
    Open();
    LogIn(kRoleOperator);
    EXPECT_FALSE(m_body->Button(kBtnDownloadAll)->isEnabled());   // nobody connected yet
    m_body->Route(kBtnConnectAll);
    ASSERT_EQ(device::DeviceManager().Count(), 2);
    EXPECT_EQ(BatchNote()->LabelText(0), Msg(5078)); // ports tried
    EXPECT_EQ(BatchNote()->LabelText(2), Msg(5080)); // loggers connected
    if (const QString folder = qEnvironmentVariable("QM_SCREENS"); !folder.isEmpty())
        BatchNote()->grab().save(folder + QStringLiteral("/window-batch-connect.png"));
    BatchNote()->OnBnClickedOk();
    EXPECT_TRUE(m_body->Button(kBtnDownloadAll)->isEnabled());

    m_body->Route(kBtnDownloadAll);
    device::CDlgAllNote* note = BatchNote();
    QApplication::processEvents();
    EXPECT_EQ(note->Note().Successes(), 2);
    EXPECT_EQ(note->SuccessText(), QStringLiteral("2"));
    EXPECT_EQ(note->FailureText(), QStringLiteral("0"));
    // Each figure says what it counts: samples in the progress, loggers in the results.
    EXPECT_EQ(note->DoneText(), QStringLiteral("100"));
    EXPECT_EQ(note->LabelText(0), Msg(5074));
    EXPECT_EQ(note->LabelText(1), Msg(5075));
    EXPECT_EQ(note->LabelText(2), Msg(5076));
    EXPECT_EQ(note->LabelText(3), Msg(5077));
    // The bar stays at the end, full: the window does not change its layout.
    EXPECT_TRUE(note->Progress()->isVisible());
    EXPECT_EQ(note->Progress()->value(), 100);
    EXPECT_TRUE(note->Progress()->sizePolicy().retainSizeWhenHidden());
    if (const QString folder = qEnvironmentVariable("QM_SCREENS"); !folder.isEmpty())
        note->grab().save(folder + QStringLiteral("/window-batch-download.png"));
    note->OnBnClickedOk();
    EXPECT_TRUE(m_frame->isEnabled());
    EXPECT_EQ(Record(QStringLiteral("A1B200051")).inLogger, 30);
    EXPECT_EQ(Record(QStringLiteral("A1B200052")).inBackup, 70);
    EXPECT_TRUE(NoteTypes().contains(8));
}

// The first run as the README tells it: the two demo loggers, batch connect,
// pick one, start and stop it, download it.
TEST_F(WindowDownloadTest, TheDemoLoggersFromConnectToDownload)
{
    std::vector<loggersim::LoggerProfile> demo(2);
    ASSERT_TRUE(loggersim::DemoProfile("th", demo[0]));
    ASSERT_TRUE(loggersim::DemoProfile("t", demo[1]));
    for (auto& p : demo)
        p.pacing = false;
    Start(demo, {1, 2});
    Open();
    LogIn(kRoleAdministrator);
    m_body->Route(kBtnConnectAll);
    ASSERT_EQ(device::DeviceManager().Count(), 2);
    BatchNote()->OnBnClickedOk();
    ASSERT_EQ(m_body->DeviceTree()->topLevelItem(0)->childCount(), 2);
    // "th" records from a timed start with first in first out; "t" had a timed
    // stop long ago, so the program may not start it again.
    const QString sn = QStringLiteral("5A3100102");
    for (int i = 0; i < 2; ++i)
        if (DeviceItem(i)->text(0).endsWith(sn))
            m_body->DeviceTree()->setCurrentItem(DeviceItem(i));
    ASSERT_EQ(device::DeviceManager().CurrentSN(), sn);
    EXPECT_EQ(m_body->DeviceTree()->currentItem()->text(0), QStringLiteral("冷库一号_5A3100102"));
    ASSERT_FALSE(m_body->Button(kBtnStop)->isHidden());
    m_body->Route(kBtnStop);
    ASSERT_FALSE(m_body->Button(kBtnRun)->isHidden());
    m_messages.Answer(AnswerCancel);   // keep the demo history
    m_body->Route(kBtnRun);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5420});
    EXPECT_FALSE(m_body->Button(kBtnStop)->isHidden());
    m_messages.Clear();
    m_body->Route(kBtnDownload);   // recording: OK to 207
    ASSERT_TRUE(WaitUntil([&] { return m_frame->isEnabled() && m_messages.Numbers().contains(199); }));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{207, 199}));
    const Stored record = Record(sn);
    ASSERT_FALSE(record.table.isEmpty());
    EXPECT_EQ(record.inLogger, 288);
    EXPECT_EQ(record.inBackup, record.inLogger);
    const QList<int> types = NoteTypes();
    for (int type : {4, 6, 7, 8})
        EXPECT_TRUE(types.contains(type)) << type;
}

} // namespace
