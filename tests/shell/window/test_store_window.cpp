// Data in and out of the store through the main window, as a user does it:
// the phone import's two dialogs on a folder-backed phone, the backup folder
// dialog, the manual backup, the backup import and the backup when the window
// closes. Pictures of the dialogs go to $QM_SCREENS when it is set.
#include "WindowFixture.h"

#include "CBackupSet.h"
#include "CDlgDBDev.h"
#include "CDlgPhonelist.h"
#include "CProgressDlg.h"
#include "CQuillmarkApp.h"
#include "CStoreWindowCommands.h"
#include "MenuCommands.h"
#include "StoreIoFixture.h"

#include "AppEnv.h"
#include "Backup.h"
#include "DataTransfer.h"
#include "PathSeam.h"
#include "Schema.h"
#include "Strings.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <QPushButton>
#include <QTreeWidget>
#include <future>

using namespace qm;
using namespace qm::window;
using storetest::PhoneLoggerData;

namespace {

PhoneLoggerData PhoneLogger(int id, const QString& sn, const QString& name, int samples)
{
    PhoneLoggerData made{
        id,
        sn,
        5,
        name,
        QStringLiteral("data_%1").arg(id),
        {{1, QStringLiteral("30"), QStringLiteral("-10")}, {2, QStringLiteral("80"), QStringLiteral("20")}},
        {}};
    for (int i = 0; i < samples; ++i)
        made.rows << QStringLiteral("2024-02-03 04:%1:00|%2|50").arg(i, 2, 10, QLatin1Char('0')).arg(20 + i);
    return made;
}

class StoreWindowTest : public wintest::WindowFixture {
protected:
    void SetUp() override
    {
        wintest::WindowFixture::SetUp();
        ASSERT_EQ(Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                         m_backups.File(QStringLiteral("auto"))),
                  1);
    }
    void TearDown() override
    {
        qunsetenv("QUILLMARK_PHONE_DIR");
        wintest::WindowFixture::TearDown();
    }

    // The window as main.cpp puts it together, with a user logged in.
    void OpenWindow()
    {
        m_frame = std::make_unique<CQuillmarkDlg>();
        m_body = new CQuillmarkBody(*m_frame);
        m_store = new CStoreWindowCommands(*m_body);
        m_devices = new CDeviceWindowCommands(*m_body);
        m_downloads = new CDownloadWindowCommands(*m_body, m_devices->BatchNote());
        LogIn(kRoleUser);
    }

    // A phone folder with one phone holding the app's database.
    void MakePhone(const QList<PhoneLoggerData>& loggers)
    {
        const QString folder = m_phones.File(QStringLiteral("Pixel-7/OrvoKVRDataBase"));
        ASSERT_TRUE(QDir().mkpath(folder));
        storetest::WritePhoneDatabase(folder + QStringLiteral("/kvr.db"), loggers);
        qputenv("QUILLMARK_PHONE_DIR", m_phones.Path().toUtf8());
    }

    QStringList Rows(const QString& sql, const QString& sn = QString())
    {
        QStringList rows;
        const QString file = sn.isEmpty() ? DatabasePath() : store::LoggerDatabasePath(Folder(), sn);
        storetest::RawExec(file, storetest::ProgramKey(), sql, &rows);
        return rows;
    }

    static void Save(QWidget* w, const QString& name)
    {
        const QString folder = qEnvironmentVariable("QM_SCREENS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        w->grab().save(folder + QStringLiteral("/store-") + name + QStringLiteral(".png"));
    }

    // Chooses the phone in the first dialog; `loggers` acts on the second.
    void ImportFromPhone(std::function<void(store::CDlgDBDev*)> loggers)
    {
        OnNextModal([loggers](QWidget* w) {
            auto* phones = qobject_cast<store::CDlgPhonelist*>(w);
            ASSERT_TRUE(phones);
            OnNextModal([loggers](QWidget* w) {
                auto* dialog = qobject_cast<store::CDlgDBDev*>(w);
                ASSERT_TRUE(dialog);
                loggers(dialog);
                if (dialog->isVisible())
                    dialog->reject();
            });
            phones->NextButton()->click();
            if (phones->isVisible())
                phones->reject();
        });
        m_body->Route(int(MenuCmd::ImportAndroid));
    }

    static void TickAll(store::CDlgDBDev* dialog) { dialog->Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked); }

    CStoreWindowCommands* m_store = nullptr;
    // Every subfolder is a phone.
    struct Phones {
        QTemporaryDir dir;
        QString Path() const { return dir.path(); }
        QString File(const QString& name) const { return dir.path() + u'/' + name; }
    } m_phones;
    storetest::ScratchFolder m_backups;
    storetest::ScratchFolder m_scratch;
    PathScript m_paths;
};

} // namespace

TEST_F(StoreWindowTest, LoggersOfAPhoneBecomeRecordsWhateverTheCaseOfTheirSerialNumbers)
{
    InstallFontSubstitutions();
    PhoneLoggerData upper = PhoneLogger(1, QStringLiteral("KVR000001"), QStringLiteral("冷库"), 3);
    PhoneLoggerData lower = PhoneLogger(2, QStringLiteral("kvr000001"), QStringLiteral("冷库"), 1);
    MakePhone({upper, lower, PhoneLogger(3, QStringLiteral("KVR000009"), QStringLiteral("van"), 0)});
    OpenWindow();
    m_body->SearchEdit()->setText(QStringLiteral("old search"));

    QStringList phoneItems;
    QStringList loggerItems;
    OnNextModal([&](QWidget* w) {
        auto* phones = qobject_cast<store::CDlgPhonelist*>(w);
        ASSERT_TRUE(phones);
        QTreeWidgetItem* root = phones->Tree()->topLevelItem(0);
        phoneItems << root->text(0);
        for (int i = 0; i < root->childCount(); ++i)
            phoneItems << root->child(i)->text(0);
        Save(phones, QStringLiteral("phones"));
        // The root is no phone.
        phones->Tree()->setCurrentItem(root);
        phones->NextButton()->click();
        EXPECT_EQ(m_messages.LastNumber(), 154);
        phones->Tree()->setCurrentItem(root->child(0));
        OnNextModal([&](QWidget* w) {
            auto* dialog = qobject_cast<store::CDlgDBDev*>(w);
            ASSERT_TRUE(dialog);
            QTreeWidgetItem* root = dialog->Tree()->topLevelItem(0);
            loggerItems << root->text(0);
            for (int i = 0; i < root->childCount(); ++i)
                loggerItems << root->child(i)->text(0);
            dialog->OkButton()->click(); // nothing ticked yet
            EXPECT_EQ(m_messages.LastNumber(), 154);
            TickAll(dialog);
            Save(dialog, QStringLiteral("loggers"));
            dialog->OkButton()->click();
        });
        phones->NextButton()->click();
    });
    m_body->Route(int(MenuCmd::ImportAndroid));

    EXPECT_EQ(phoneItems, (QStringList{Msg(320), QStringLiteral("Pixel-7")}));
    // One logger of the two spellings of its serial number.
    EXPECT_EQ(loggerItems, (QStringList{Msg(196), QStringLiteral("冷库_KVR000001"), QStringLiteral("van_KVR000009")}));
    EXPECT_EQ(m_messages.LastNumber(), 217);
    EXPECT_EQ(Rows(QStringLiteral("select SN, devname from recordtime order by id;")),
              (QStringList{QStringLiteral("KVR000001|冷库"), QStringLiteral("KVR000009|van")}));
    const QString table = Rows(QStringLiteral("select hisdata_table from recordtime where id = 1;")).value(0);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from %1;").arg(table), QStringLiteral("KVR000001")),
              QStringList{QStringLiteral("3")});
    // The logger without samples still has its record, without times.
    EXPECT_EQ(Rows(QStringLiteral("select time_start, time_end from recordtime where id = 2;")),
              QStringList{QStringLiteral("|")});
    EXPECT_EQ(NoteTypes(), (QList<int>{13, 13}));
    EXPECT_EQ(NoteTexts().value(0), Msg(278) + Msg(295) + QStringLiteral("(KVR000001:%1)").arg(table));
    // The window: search cleared, both loggers in the device tree, usable again.
    EXPECT_TRUE(m_body->SearchEdit()->text().isEmpty());
    EXPECT_EQ(m_body->DeviceTree()->topLevelItem(0)->childCount(), 2);
    EXPECT_TRUE(m_frame->isEnabled());
    EXPECT_TRUE(m_store->Progress()->isHidden());
    EXPECT_TRUE(QFileInfo::exists(PhoneDatabaseCopyPath()));

    // The same phone data again: new records, the loggers once.
    m_messages.Clear();
    ImportFromPhone([](store::CDlgDBDev* dialog) {
        TickAll(dialog);
        dialog->OkButton()->click();
    });
    EXPECT_EQ(m_messages.Numbers(), QList<int>{217});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("4")});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from devInfo;")), QStringList{QStringLiteral("2")});
}

TEST_F(StoreWindowTest, CancelKeepsTheLoggersAlreadyImported)
{
    MakePhone({PhoneLogger(1, QStringLiteral("KVR000001"), QStringLiteral("a"), 5),
               PhoneLogger(2, QStringLiteral("KVR000002"), QStringLiteral("b"), 5),
               PhoneLogger(3, QStringLiteral("KVR000003"), QStringLiteral("c"), 5)});
    OpenWindow();
    // Cancel arrives while the first logger ends, as from the progress window,
    // once the window has been looked at with the import under way.
    std::promise<void> looked;
    std::future<void> lookedAt = looked.get_future();
    m_store->SetBeforeImportDialog([&lookedAt](store::CDlgDBDev& dialog) {
        dialog.SetLoggerDoneHook([&dialog, &lookedAt](const store::PhoneImportItem&) {
            lookedAt.wait_for(std::chrono::seconds(10));
            dialog.CancelImport();
        });
    });
    int progressSteps = 0;
    ImportFromPhone([&](store::CDlgDBDev* dialog) {
        TickAll(dialog);
        // Looked at once the first logger is in (its import waits for that).
        auto* look = new QTimer(dialog);
        QObject::connect(look, &QTimer::timeout, dialog, [&looked, dialog, look] {
            dialog->Progress()->Poll();
            if (dialog->Progress()->ReceivedText() != QString::number(store::kPhoneImportSteps))
                return;
            look->stop();
            EXPECT_FALSE(dialog->isEnabled());
            EXPECT_TRUE(dialog->Progress()->isVisible());
            EXPECT_TRUE(dialog->Progress()->CancelButton()->isEnabled());
            Save(dialog->Progress(), QStringLiteral("phone-progress"));
            Save(dialog, QStringLiteral("phone-importing"));
            looked.set_value();
        });
        look->start(10);
        dialog->OkButton()->click();
        progressSteps = int(dialog->Progress()->Progress()->maximum());
        EXPECT_EQ(dialog->Result().items.size(), 1);
        EXPECT_TRUE(dialog->Result().cancelled);
        EXPECT_TRUE(dialog->Progress()->isHidden());
    });
    EXPECT_EQ(progressSteps, 3 * store::kPhoneImportSteps);
    EXPECT_EQ(Rows(QStringLiteral("select SN from recordtime;")), QStringList{QStringLiteral("KVR000001")});
    EXPECT_EQ(NoteTypes(), QList<int>{13});
    // A cancel that failed nothing is no failure.
    EXPECT_FALSE(m_messages.Numbers().contains(216));
    EXPECT_FALSE(m_messages.Numbers().contains(217));
    EXPECT_TRUE(m_frame->isEnabled());
}

TEST_F(StoreWindowTest, APhoneThatCannotBeReachedIsToldInItsOwnWords)
{
    qputenv("QUILLMARK_PHONE_DIR", m_phones.File(QStringLiteral("missing")).toUtf8());
    OpenWindow();
    bool shown = false;
    OnNextModal([&](QWidget* w) {
        shown = true;
        static_cast<QDialog*>(w)->reject();
    });
    m_body->Route(int(MenuCmd::ImportAndroid));
    EXPECT_FALSE(shown);
    qmtest::ForgetPendingModals();
    ASSERT_EQ(m_messages.Numbers(), QList<int>{6214});
    EXPECT_EQ(m_messages.Requests()[0].text, MsgF(6207, {m_phones.File(QStringLiteral("missing"))}));

    // A phone without the app's database: the list stays open after the error.
    m_messages.Clear();
    ASSERT_TRUE(QDir().mkpath(m_phones.File(QStringLiteral("Empty"))));
    qputenv("QUILLMARK_PHONE_DIR", m_phones.Path().toUtf8());
    OnNextModal([&](QWidget* w) {
        auto* phones = qobject_cast<store::CDlgPhonelist*>(w);
        ASSERT_TRUE(phones);
        phones->NextButton()->click();
        EXPECT_TRUE(phones->isVisible());
        phones->reject();
    });
    m_body->Route(int(MenuCmd::ImportAndroid));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{6214});
    EXPECT_EQ(NoteTypes(), QList<int>{});
}

TEST_F(StoreWindowTest, TheBackupFolderIsChosenCreatedAndItsChangeLogged)
{
    InstallFontSubstitutions();
    OpenWindow();
    const QString before = BackupFolder();
    const QString chosen = m_backups.File(QStringLiteral("new/place"));
    const QString blocked = m_scratch.File(QStringLiteral("a-file/below"));
    storetest::WriteFile(m_scratch.File(QStringLiteral("a-file")), "x");
    m_paths.Answer({chosen});
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<store::CBackupSet*>(w);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->PathEdit()->text(), before);
        dialog->BrowseButton()->click();
        EXPECT_EQ(m_paths.Requests().value(0).caption, Msg(245));
        EXPECT_EQ(m_paths.Requests().value(0).start, before);
        EXPECT_EQ(dialog->PathEdit()->text(), chosen);
        Save(dialog, QStringLiteral("backup-folder"));
        // A folder that cannot be made: told, and the dialog stays.
        dialog->PathEdit()->setText(blocked);
        dialog->SaveButton()->click();
        EXPECT_EQ(m_messages.LastNumber(), 110);
        EXPECT_TRUE(dialog->isVisible());
        dialog->PathEdit()->setText(chosen);
        dialog->SaveButton()->click();
    });
    m_body->Route(int(MenuCmd::AutoBackup));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{110, 183}));
    EXPECT_TRUE(QFileInfo(chosen).isDir());
    EXPECT_EQ(BackupFolder(), chosen);
    EXPECT_EQ(NoteTypes(), QList<int>{18});
    EXPECT_EQ(NoteTexts().value(0), Msg(191) + u'(' + before + u')' + Msg(192) + u'(' + chosen + u')');
}

TEST_F(StoreWindowTest, AManualBackupCopiesAndAsksBeforeReplacingAnEarlierOne)
{
    OpenWindow();
    const QString chosen = m_backups.File(QStringLiteral("usb-stick"));
    ASSERT_TRUE(QDir().mkpath(chosen));
    m_paths.Answer({chosen});
    m_body->Route(int(MenuCmd::ManualBackup));
    EXPECT_EQ(m_paths.Requests().value(0).caption, Msg(246));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{124});
    QStringList users;
    EXPECT_EQ(storetest::RawExec(chosen + QStringLiteral("/database/DATAINFO.db3"), storetest::ProgramKey(),
                                 QStringLiteral("select count(*) from userinfo;"), &users),
              0);
    EXPECT_NE(users.value(0).toInt(), 0);
    EXPECT_EQ(NoteTypes(), QList<int>{19});
    EXPECT_EQ(NoteTexts().value(0), Msg(285) + Msg(295));
    EXPECT_TRUE(m_frame->isEnabled());
    EXPECT_TRUE(m_store->Progress()->isHidden());

    // Into the same folder again: declined, nothing is copied or logged.
    m_messages.Clear();
    m_messages.Answer(AnswerCancel);
    m_paths.Answer({chosen});
    m_body->Route(int(MenuCmd::ManualBackup));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{167, 247}));
    EXPECT_TRUE(m_messages.Requests()[0].text.startsWith(chosen + QStringLiteral("/database/")));
    EXPECT_EQ(NoteTypes(), QList<int>{19});
    // Accepted: replaced.
    m_messages.Clear();
    m_paths.Answer({chosen});
    m_body->Route(int(MenuCmd::ManualBackup));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{167, 124}));
    // No folder chosen: nothing at all.
    m_messages.Clear();
    m_body->Route(int(MenuCmd::ManualBackup));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
    EXPECT_EQ(NoteTypes(), (QList<int>{19, 19}));
}

TEST_F(StoreWindowTest, ABackupImportReloadsBothTreesAndNamesTheFilesThatFailed)
{
    storetest::Station from;
    const int record = from.AddRecord(QStringLiteral("SN0000001"), QStringLiteral("hSN0000001_1700000000"),
                                      {{QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("1;2")}});
    const int top = from.AddFolder(QStringLiteral("cold rooms"), 0, 0);
    from.AddFolderEntry(top, record);
    const QString copy = store::CopyDatabaseFolder(store::DatabaseFolderIn(from.Path()), m_backups.Path()).folder;
    const QStringList files{copy + QStringLiteral("/DATAINFO.db3"), copy + QStringLiteral("/SN0000001.db3")};
    OpenWindow();

    m_paths.Answer(files);
    m_body->Route(int(MenuCmd::BackupImport));
    const PathRequest request = m_paths.Requests().value(0);
    EXPECT_EQ(request.dialog, PathDialog::OpenFiles);
    EXPECT_EQ(request.caption, Msg(251));
    EXPECT_EQ(request.filter, MsgF(250, {QStringLiteral("db3"), QStringLiteral("db3")}));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{217});
    EXPECT_EQ(m_body->DeviceTree()->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(Rows(QStringLiteral("select filename, parentid from fileInfo;")),
              QStringList{QStringLiteral("cold rooms|0")});
    EXPECT_EQ(NoteTypes(), QList<int>{20});
    EXPECT_EQ(NoteTexts().value(0), Msg(286) + Msg(295));
    EXPECT_TRUE(m_frame->isEnabled());

    // Again, with a file that is no database among them.
    const QString bad = m_scratch.File(QStringLiteral("broken.db3"));
    storetest::WriteFile(bad, "not a database");
    m_messages.Clear();
    m_paths.Answer({files[0], bad, files[1]});
    m_body->Route(int(MenuCmd::BackupImport));
    EXPECT_EQ(m_messages.LastNumber(), 216);
    EXPECT_EQ(m_messages.Requests().last().text, Msg(216) + QStringLiteral("\nbroken"));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(NoteTexts().value(1), Msg(286) + Msg(294));
}

TEST_F(StoreWindowTest, ClosingTheWindowLeavesAnOpenableCopyInTheMonthFolder)
{
    OpenWindow();
    m_frame->close();
    // The copy ran behind the progress window, which had nothing to cancel.
    EXPECT_EQ(m_store->Progress()->windowTitle(), Msg(284));
    EXPECT_TRUE(m_store->Progress()->CancelButton()->isHidden());
    EXPECT_TRUE(m_store->Progress()->isHidden());
    const QDate today = QDate::currentDate();
    const QString month = store::BackupMonthFolder(BackupFolder(), today.year(), today.month());
    QStringList users;
    EXPECT_EQ(storetest::RawExec(month + QStringLiteral("/database/DATAINFO.db3"), storetest::ProgramKey(),
                                 QStringLiteral("select count(*) from userinfo;"), &users),
              0);
    EXPECT_NE(users.value(0).toInt(), 0);
    ASSERT_FALSE(NoteTypes().isEmpty());
    EXPECT_EQ(NoteTypes().last(), 18);
    EXPECT_EQ(NoteTexts().last(), Msg(295));
}

TEST_F(StoreWindowTest, ABackupFolderThatCannotBeMadeDoesNotKeepTheWindowOpen)
{
    storetest::WriteFile(m_scratch.File(QStringLiteral("a-file")), "x");
    const QString blocked = m_scratch.File(QStringLiteral("a-file/backup"));
    ASSERT_EQ(Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"), blocked), 1);
    OpenWindow();
    m_frame->show();
    m_frame->close();
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_EQ(NoteTypes().last(), 18);
    EXPECT_EQ(NoteTexts().last(), MsgF(110, {blocked}));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}
