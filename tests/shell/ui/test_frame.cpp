#include "ShellFixture.h"
#include "TestUsers.h"

#include "AuditSearch.h"
#include "CIdleWatch.h"
#include "CLogin.h"
#include "CNoteDlg.h"
#include "CQuillmarkApp.h"
#include "CQuillmarkDlg.h"
#include "Ciniwell.h"
#include "Clock.h"
#include "InstanceGuard.h"
#include "OperationLog.h"
#include "PathSeam.h"
#include "Strings.h"
#include "Users.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QProcess>
#include <QTimeEdit>
#include <QTreeWidget>

using namespace qm;

namespace {

class FrameTest : public ShellFixture {
protected:
    void LogIn(int role) { SetLogin(5, QStringLiteral("u"), QStringLiteral("p"), role, QString()); }
};

TEST_F(FrameTest, HiddenUntilLoginAndLogoutAsksAgain)
{
    qmtest::AddUserRow(QStringLiteral("op"), QStringLiteral("password8"), kRoleOperator);
    CQuillmarkDlg window;
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), Msg(119));
    EXPECT_FALSE(window.Action(MenuCmd::SaveAs)->isEnabled());   // not run by the frame
    EXPECT_EQ(window.Action(MenuCmd::Connect)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));

    int changes = 0;
    QObject::connect(&window, &CQuillmarkDlg::loginChanged, [&] { ++changes; });
    OnNextModal([](QWidget* w) {
        Type(w, "name", QStringLiteral("op"));
        Type(w, "password", QStringLiteral("password8"));
        Click(w, "ok");
    });
    window.Login();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.UserLabelText(), QStringLiteral("op"));
    EXPECT_FALSE(window.Action(MenuCmd::UserManager)->isEnabled());
    EXPECT_TRUE(window.Action(MenuCmd::AuditTrail)->isEnabled());
    EXPECT_EQ(changes, 1);

    window.Login();
    EXPECT_EQ(m_messages.LastNumber(), 125);

    // Logout hides the window and shows the login again (cancelled here).
    bool asked = false;
    OnNextModal([&](QWidget* w) {
        asked = qobject_cast<CLogin*>(w) != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    window.OnQuit();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(LoginState(), kNobodyLoggedIn);
    EXPECT_EQ(window.UserLabelText(), Msg(118));
    EXPECT_EQ(changes, 2);

    const auto rows = SearchNotes(QStringLiteral("2000-01-01 00:00"), QStringLiteral("2100-01-01 00:00"), QString(), 0);
    ASSERT_TRUE(rows);
    QList<int> types;
    for (const NoteRow& row : *rows) {
        types << row.type;
        EXPECT_EQ(row.user, QStringLiteral("op")) << "type " << row.type; // the logout names who left
    }
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (QList<int>{1, 2}));   // login, logout
}

// A password change clears the login before the logout runs: the logout entry
// still names the user who changed it.
TEST_F(FrameTest, TheLogoutAfterAPasswordChangeNamesTheUser)
{
    qmtest::AddUserRow(QStringLiteral("op"), QStringLiteral("password8"), kRoleOperator);
    CQuillmarkDlg window;
    OnNextModal([](QWidget* w) {
        Type(w, "name", QStringLiteral("op"));
        Type(w, "password", QStringLiteral("password8"));
        Click(w, "ok");
    });
    window.Login();
    ASSERT_EQ(LoginUserName(), QStringLiteral("op"));
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    window.OnChangePassword();
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); }); // the login asked again
    const auto logouts = [] {
        return SearchNotes(QStringLiteral("2000-01-01 00:00"), QStringLiteral("2100-01-01 00:00"), QString(), 2);
    };
    QElapsedTimer waited;
    waited.start();
    while (logouts() && logouts()->isEmpty() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto rows = logouts();
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1);
    EXPECT_EQ(rows->first().user, QStringLiteral("op"));
}

// After "idle_logout" minutes without input the window logs out as the logout
// command does; input starts the time again; a dialog left open keeps the
// login; 0 never logs out.
TEST_F(FrameTest, AnUnattendedWindowLogsOut)
{
    ScopedClock clock(QDateTime(QDate(2025, 3, 1), QTime(12, 0, 0)));
    ASSERT_TRUE(QDir().mkpath(ConfigFolder()));
    ASSERT_EQ(Settings().WriteIniInit(QStringLiteral("system"), QStringLiteral("idle_logout"), 2), 1);
    qmtest::AddUserRow(QStringLiteral("op"), QStringLiteral("password8"), kRoleOperator);
    CQuillmarkDlg window;
    const auto logIn = [&] {
        OnNextModal([](QWidget* w) {
            Type(w, "name", QStringLiteral("op"));
            Type(w, "password", QStringLiteral("password8"));
            Click(w, "ok");
        });
        window.Login();
        ASSERT_EQ(LoginUserName(), QStringLiteral("op"));
    };
    logIn();
    CIdleWatch* idle = window.IdleWatch();
    ASSERT_TRUE(idle);

    clock.Advance(119);
    EXPECT_FALSE(idle->Check());
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &key);   // somebody is there
    clock.Advance(119);
    EXPECT_FALSE(idle->Check());
    EXPECT_EQ(LoginState(), 1);

    // A dialog left open: its handler goes on after it, so the login stays.
    OnNextModal([&](QWidget* w) {
        clock.Advance(600);
        EXPECT_TRUE(idle->Check());
        EXPECT_EQ(LoginState(), 1);
        static_cast<QDialog*>(w)->reject();
    });
    window.OnAuditTrail();

    bool asked = false;
    OnNextModal([&](QWidget* w) {
        asked = qobject_cast<CLogin*>(w) != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    clock.Advance(120);
    EXPECT_TRUE(idle->Check());
    EXPECT_TRUE(asked);   // logged out and asked to log in again
    EXPECT_EQ(LoginState(), kNobodyLoggedIn);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.UserLabelText(), Msg(118));
    const auto rows = SearchNotes(QStringLiteral("2000-01-01 00:00"), QStringLiteral("2100-01-01 00:00"), QString(), 2);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->size(), 1);

    ASSERT_EQ(Settings().WriteIniInit(QStringLiteral("system"), QStringLiteral("idle_logout"), 0), 1);
    logIn();
    clock.Advance(7 * 86400);
    EXPECT_FALSE(idle->Check());
    EXPECT_EQ(LoginState(), 1);
}

TEST_F(FrameTest, RoleChecksOfTheShellCommands)
{
    CQuillmarkDlg window;
    window.OnUserManager();
    window.OnAuditTrail();
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{164, 164}));
    for (int role : {kRoleOperator, kRoleUser}) {
        LogIn(role);
        m_messages.Clear();
        window.OnUserManager();
        EXPECT_EQ(m_messages.LastNumber(), 315) << role;
    }
    m_messages.Clear();
    window.OnAuditTrail();   // role 2
    EXPECT_EQ(m_messages.LastNumber(), 315);

    LogIn(kRoleOperator);
    m_messages.Clear();
    bool opened = false;
    OnNextModal([&](QWidget* w) {
        opened = qobject_cast<CNoteDlg*>(w) != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    window.OnAuditTrail();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

TEST_F(FrameTest, ChoosingTheCurrentLanguageDoesNothing)
{
    CQuillmarkDlg window;
    SetCurrentLanguageName(QString::fromLatin1(kChineseModule));
    window.SwitchLanguage(QString::fromLatin1(kChineseModule));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
    EXPECT_FALSE(window.RestartRequested());
    // A choice that cannot be stored is not reported as a switch.
    window.SwitchLanguage(QString::fromLatin1(kEnglishModule));
    EXPECT_EQ(m_messages.LastNumber(), 123);
    EXPECT_FALSE(window.RestartRequested());
    EXPECT_TRUE(window.Action(MenuCmd::Chinese)->isChecked());

    ASSERT_TRUE(QDir().mkpath(ConfigFolder()));
    window.SwitchLanguage(QString::fromLatin1(kEnglishModule));
    EXPECT_EQ(m_messages.LastNumber(), 356);
    EXPECT_TRUE(window.RestartRequested());
    EXPECT_TRUE(window.Action(MenuCmd::English)->isChecked());
    EXPECT_EQ(Settings().GetIniStr(QStringLiteral("system"), QStringLiteral("language")), QStringLiteral("QUILLM_EN"));
}

TEST_F(FrameTest, AuditViewerSearchBounds)
{
    const QDate day(2025, 6, 1);
    {
        ScopedClock clock(QDateTime(day, QTime(10, 29, 59)));
        WriteOperationLog(QStringLiteral("T"), QStringLiteral("before"), 4, QStringLiteral("amy"));
        for (int s : {0, 30, 59}) {
            clock.Set(QDateTime(day, QTime(10, 30, s)));
            WriteOperationLog(QStringLiteral("T"), QStringLiteral("in %1").arg(s), s == 30 ? 5 : 4,
                              s == 0 ? QStringLiteral("bob") : QStringLiteral("amy"));
        }
        clock.Set(QDateTime(day, QTime(10, 31, 0)));
        WriteOperationLog(QStringLiteral("T"), QStringLiteral("after"), 4, QStringLiteral("amy"));
    }
    CNoteDlg dialog;
    EXPECT_EQ(dialog.TypeCombo()->count(), 29);
    EXPECT_EQ(dialog.TypeCombo()->itemText(0), QString());
    EXPECT_EQ(dialog.TypeCombo()->itemData(28).toInt(), 28);
    EXPECT_EQ(dialog.TypeCombo()->itemText(28), OperationTypeText(28));
    EXPECT_EQ(dialog.UserCombo()->itemText(0), QString());
    // Nothing listed yet: nothing to export.
    dialog.ExportButton()->click();
    EXPECT_EQ(m_messages.Numbers(), QList<int>{165});
    m_messages.Clear();

    const auto search = [&](QTime from, QTime to) {
        dialog.StartDate()->setDate(day);
        dialog.EndDate()->setDate(day);
        dialog.StartTime()->setTime(from);
        dialog.EndTime()->setTime(to);
        dialog.OnBnClickedSearch();
        QStringList infos;
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            infos << dialog.List()->topLevelItem(i)->text(4);
        return infos;
    };
    const QStringList sameMinute = search(QTime(10, 30), QTime(10, 30));
    EXPECT_EQ(sameMinute, (QStringList{"in 59", "in 30", "in 0"}));   // newest first
    EXPECT_EQ(dialog.List()->topLevelItem(0)->text(0), QStringLiteral("1"));
    EXPECT_EQ(dialog.List()->topLevelItem(0)->text(2), OperationTypeText(4));
    EXPECT_EQ(search(QTime(10, 31), QTime(10, 29)), search(QTime(10, 29), QTime(10, 31)));
    EXPECT_EQ(search(QTime(10, 31), QTime(10, 29)).size(), 5);

    // User and type filters together with the time bounds.
    dialog.UserCombo()->addItem(QStringLiteral("amy"));
    dialog.UserCombo()->setCurrentText(QStringLiteral("amy"));
    dialog.TypeCombo()->setCurrentIndex(4);
    EXPECT_EQ(search(QTime(10, 30), QTime(10, 30)), (QStringList{"in 59"}));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());

    // The export holds the logged-in user, the column names and the listed rows.
    dialog.UserCombo()->setCurrentIndex(0);
    dialog.TypeCombo()->setCurrentIndex(0);
    ASSERT_EQ(search(QTime(10, 30), QTime(10, 30)).size(), 3);
    SetLogin(1, QStringLiteral("admin"), QString(), 0, QString());
    PathScript paths;
    const QString pdf = m_folder.filePath(QStringLiteral("audit"));
    paths.Answer({pdf});
    dialog.ExportButton()->click();
    EXPECT_EQ(m_messages.Numbers(), QList<int>{183});
    EXPECT_EQ(paths.Requests().value(0).filter, QStringLiteral("(*.pdf)|*.pdf||"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf + QStringLiteral(".pdf"), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString read = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(read.startsWith(Msg(169) + QStringLiteral("admin\n"))) << read.toStdString();
    EXPECT_TRUE(read.contains(QStringLiteral("序号 时间 用户名 类型 操作内容\n1 2025-06-01 10:30:59 amy")));
    EXPECT_TRUE(read.contains(QStringLiteral("3 2025-06-01 10:30:00 bob")));
    EXPECT_FALSE(read.contains(QStringLiteral("before")));
    // Asked again onto the same file: 167, and No keeps it.
    paths.Answer({pdf + QStringLiteral(".pdf")});
    m_messages.Answer(AnswerNo);
    dialog.ExportButton()->click();
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{183, 167}));
    ClearLogin();
}

// In English the viewer's type column holds the longest type text whole, and
// an entry reads its operation and its object as two words.
TEST_F(FrameTest, AuditViewerInEnglishShowsWholeTypesAndSpacedEntries)
{
    const QString module = qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang");
    ASSERT_TRUE(LoadLanguageModule(module)) << module.toStdString();
    struct Restore {
        ~Restore() { UseBuiltinStrings(); }
    } restore;
    for (const auto& [type, info] : {std::pair{4, JoinWords(Msg(269), QStringLiteral("Truck 7"))},
                                     std::pair{8, JoinWords(QStringLiteral("5A3100102"), Msg(199))},
                                     std::pair{12, JoinWords(Msg(277), QStringLiteral("Truck 7"))}})
        WriteOperationLog(QStringLiteral("T"), info, type, QStringLiteral("anna"));
    CNoteDlg dialog;
    dialog.StartDate()->setDate(QDate(2000, 1, 1));
    dialog.EndDate()->setDate(QDate(2100, 1, 1));
    dialog.OnBnClickedSearch();
    EXPECT_EQ(dialog.List()->topLevelItemCount(), 3);
    if (const QString folder = qEnvironmentVariable("QM_SCREENS"); !folder.isEmpty()) {
        dialog.resize(900, 300);
        dialog.show();
        dialog.grab().save(folder + QStringLiteral("/audit-en.png"));
        UseBuiltinStrings();
        CNoteDlg chinese;
        chinese.StartDate()->setDate(QDate(2000, 1, 1));
        chinese.EndDate()->setDate(QDate(2100, 1, 1));
        chinese.OnBnClickedSearch();
        chinese.resize(900, 300);
        chinese.show();
        chinese.grab().save(folder + QStringLiteral("/audit-zh.png"));
        ASSERT_TRUE(LoadLanguageModule(module));
    }
    const QFontMetrics metrics(dialog.List()->font());
    for (int type = kFirstOperationType; type <= kLastOperationType; ++type)
        EXPECT_GT(dialog.List()->columnWidth(2), metrics.horizontalAdvance(OperationTypeText(type)) + 8)
            << OperationTypeText(type).toStdString();
    EXPECT_EQ(JoinWords(Msg(269), QStringLiteral("Truck 7")), QStringLiteral("Device connected Truck 7"));
}

TEST(InstanceGuard, SecondCopyWaitsThreeTimesThenGets351)
{
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("Quillmark.lock"));
    CInstanceGuard first(lock);
    ASSERT_TRUE(first.Acquire(0, 0));

    MessageScript messages;
    CQuillmarkApp second;
    SetMessageHandler(&messages);
    second.SetInstanceLockPath(lock);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(second.InitInstance());
    EXPECT_GE(timer.elapsed(), 2900);
    EXPECT_EQ(messages.Numbers(), QList<int>{351});

    // Once the first copy is gone, a new one starts at once.
    first.Release();
    CInstanceGuard third(lock);
    EXPECT_TRUE(third.Acquire(0, 0));
}

} // namespace
